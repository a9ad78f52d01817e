// TEditControl's files, rich text, conversions of encoding and printing.
#include "framework/Files.h"
#include "framework/Progress.h"
#include "framework/rtf/Rtf.h"
#include "framework/ui/EditControl.h"
#include "framework/ui/EditHistory.h"
#include "framework/ui/EditText.h"
#include "framework/ui/EditTextRtf.h"
#include "framework/ui/LineLayout.h"
#include "framework/ui/Platform.h"

#include <QTextDocument>

namespace {

Qt::Alignment qtAlignment(Rtf::Alignment alignment) {
    return alignment == Rtf::Alignment::Center  ? Qt::AlignHCenter
           : alignment == Rtf::Alignment::Right ? Qt::AlignRight
                                                : Qt::AlignLeft;
}

} // namespace

void TEditControl::loadWhole(const std::function<void()>& load) {
    settlePrimarySelection();
    goalX_ = -1;
    selection_ = {};
    {
        // A load is no change the program is told of.
        const QSignalBlocker quiet(this);
        load();
    }
    select(0, 0);
    viewport()->update();
}

void TEditControl::setEncodingQuietly(TEncoding encoding) {
    if (encoding != encoding_) {
        encoding_ = encoding;
        emit OnEncodingChange();
    }
}

void TEditControl::SetEncoding(TEncoding encoding) {
    if (encoding == encoding_) {
        return;
    }
    const bool unicode = IsUnicode(encoding);
    encoding_ = encoding;
    if (unicode != text_->Unicode()) {
        // The same characters in the other bytes, formats kept; "?" for what
        // Windows-1252 cannot hold. A load as far as undo is concerned.
        const bool modified = isModified();
        loadWhole([&] { ConvertEncoding(*text_, unicode); });
        setModified(modified);
    }
    emit OnEncodingChange();
}

bool TEditControl::LoadFromFile(const std::string& fileName, TProgress* progress,
                                TEncoding fallback, const TEncoding* forced) {
    TProgressStep reading(progress, 0.0, 0.15);
    std::string bytes = ReadFileBytes(fileName, reading.get());
    if (forced != nullptr || !Rtf::IsRtf(bytes)) {
        const TEncoding encoding = forced ? *forced : DetectEncoding(bytes, fallback);
        TDecodedFile decoded = DecodeFile(std::move(bytes), encoding);
        std::string().swap(bytes);
        loadWhole([&] { text_->Assign(std::move(decoded.text), IsUnicode(encoding), true); });
        ReportProgress(progress, 1.0);
        oddLastByte_ = decoded.oddByte;
        setEncodingQuietly(encoding);
        return false;
    }
    const TGiveBackFreedHeap giveBack;
    const Rtf::Document rich = Rtf::Read(bytes);
    std::string().swap(bytes);
    ReportProgress(progress, 0.35);
    TProgressStep inserting(progress, 0.35, 1.0);
    TEditTextRtfInsertion how;
    how.progress = inserting.get();
    // Rich text holding characters Windows-1252 cannot is a Unicode document.
    oddLastByte_ = -1;
    setEncodingQuietly(rich.unicode ? TEncoding::Utf8 : TEncoding::Windows1252);
    loadWhole([&] { LoadRtf(*text_, rich, rich.unicode, how); });
    return true;
}

std::string TEditControl::RtfText() const {
    return Rtf::Write(TextToRtf(*text_, 0, text_->Size(), layout_->Font()));
}

void TEditControl::SaveToFile(const std::string& fileName, TProgress* progress) const {
    TProgressStep collecting(progress, 0.0, 0.5);
    const Rtf::Document rich =
        TextToRtf(*text_, 0, text_->Size(), layout_->Font(), collecting.get());
    const std::string rtf = Rtf::Write(rich);
    ReportProgress(progress, 0.75);
    TProgressStep writing(progress, 0.75, 1.0);
    WriteFileBytes(fileName, rtf, writing.get());
}

void TEditControl::SetRtfText(std::string_view rtf) {
    const TGiveBackFreedHeap giveBack;
    const Rtf::Document rich = Rtf::Read(rtf);
    settlePrimarySelection();
    // One step: the old text goes, and every paragraph takes its own
    // alignment, the last one too (a paste would keep the line's).
    history_->Begin({selection_.Start(), selection_.End() - selection_.Start()});
    text_->BeginChange();
    text_->SetAlignment(0, text_->LineCount() - 1, Qt::AlignLeft);
    PasteRtf(*text_, *history_, 0, text_->Size(), rich);
    const std::size_t last = text_->LineCount() - 1;
    text_->SetAlignment(last, last, qtAlignment(rich.paragraphs.back().alignment));
    text_->EndChange();
    history_->End({0, 0});
    goalX_ = -1;
    selection_ = {};
    select(0, 0);
}

QString TEditControl::Print(const QString& jobTitle) {
    const std::unique_ptr<QTextDocument> document = PrintDocument(*text_, layout_->Font());
    return Platform().Print(*document, jobTitle);
}

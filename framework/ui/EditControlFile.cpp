// TEditControl's files, rich text and printing. Until the text model has
// its RTF bridge these carry the text alone: RTF is read for its
// paragraphs' text and written as the text in the base font.
#include "framework/Files.h"
#include "framework/Progress.h"
#include "framework/rtf/Rtf.h"
#include "framework/ui/EditControl.h"
#include "framework/ui/EditText.h"
#include "framework/ui/LineLayout.h"
#include "framework/ui/Platform.h"
#include "framework/ui/ShownText.h"

#include <QTextDocument>

namespace {

// The paragraphs' text, apart by the line end (LF, as rich text loads).
std::string plainText(const Rtf::Document& rich, std::string_view lineEnd) {
    std::string out;
    for (size_t p = 0; p < rich.paragraphs.size(); ++p) {
        if (p > 0) {
            out += lineEnd;
        }
        for (const Rtf::Run& run : rich.paragraphs[p].runs) {
            out += run.text;
        }
    }
    return out;
}

Rtf::Document richText(const TEditText& text) {
    Rtf::Document rich;
    rich.unicode = text.Unicode();
    rich.paragraphs.clear();
    for (size_t line = 0; line < text.LineCount(); ++line) {
        const size_t start = text.LineStart(line);
        Rtf::Paragraph paragraph;
        const Qt::Alignment a = text.Alignment(line);
        paragraph.alignment = (a & Qt::AlignHCenter) ? Rtf::Alignment::Center
                              : (a & Qt::AlignRight) ? Rtf::Alignment::Right
                                                     : Rtf::Alignment::Left;
        if (text.LineBodyEnd(line) > start) {
            paragraph.runs.push_back({text.Range(start, text.LineBodyEnd(line) - start), {}});
        }
        rich.paragraphs.push_back(std::move(paragraph));
    }
    return rich;
}

} // namespace

bool TEditControl::LoadFromFile(const std::string& fileName, TProgress* progress,
                                TEncoding fallback, const TEncoding* forced) {
    TProgressStep reading(progress, 0.0, 0.3);
    std::string bytes = ReadFileBytes(fileName, reading.get());
    const bool rtf = forced == nullptr && Rtf::IsRtf(bytes);
    TEncoding encoding = forced ? *forced : DetectEncoding(bytes, fallback);
    std::string text;
    oddLastByte_ = -1;
    if (rtf) {
        const Rtf::Document rich = Rtf::Read(bytes);
        encoding = rich.unicode ? TEncoding::Utf8 : TEncoding::Windows1252;
        text = plainText(rich, "\n");
    } else {
        TDecodedFile decoded = DecodeFile(bytes, encoding);
        text = std::move(decoded.text);
        oddLastByte_ = decoded.oddByte;
    }
    std::string().swap(bytes);
    {
        const QSignalBlocker quiet(this);
        assignWhole(std::move(text), IsUnicode(encoding));
    }
    if (encoding != encoding_) {
        encoding_ = encoding;
        emit OnEncodingChange();
    }
    ReportProgress(progress, 1.0);
    viewport()->update();
    return rtf;
}

std::string TEditControl::RtfText() const {
    return Rtf::Write(richText(*text_));
}

void TEditControl::SaveToFile(const std::string& fileName, TProgress* progress) const {
    const std::string rtf = RtfText();
    ReportProgress(progress, 0.5);
    TProgressStep writing(progress, 0.5, 1.0);
    WriteFileBytes(fileName, rtf, writing.get());
}

void TEditControl::SetRtfText(std::string_view rtf) {
    const Rtf::Document rich = Rtf::Recoded(Rtf::Read(rtf), text_->Unicode());
    SetText(plainText(rich, "\n"));
}

QString TEditControl::Print(const QString& jobTitle) {
    QTextDocument document;
    document.setDefaultFont(layout_->Font());
    document.setPlainText(Shown::ToUser(Text(), text_->Unicode()));
    return Platform().Print(document, jobTitle);
}

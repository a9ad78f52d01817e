// TEditControl's side of the clipboard and of drag and drop, in the formats
// TRichEdit offers and takes, so that the two controls exchange text alike.
//
// A selection goes out as plain text for every program, as RTF (text/rtf)
// for programs that read formats, and as its very bytes for the program's
// own windows, so a lone CR, a NUL and every byte of the code page survive
// a copy between two of them (UTF-8 documents offer their bytes under a
// name of their own). Paste takes RTF when it is offered, else the plain text.
#include "framework/rtf/Rtf.h"
#include "framework/ui/EditControl.h"
#include "framework/ui/EditHistory.h"
#include "framework/ui/EditText.h"
#include "framework/ui/EditTextRtf.h"
#include "framework/ui/LineLayout.h"
#include "framework/ui/ShownText.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <functional>
#include <memory>
#include <optional>

namespace {

const QString kPlainMime = QStringLiteral("text/plain");
const QString kRtfMime = QStringLiteral("text/rtf");
// The names other programs offer RTF under.
const QString kRtfMimes[] = {kRtfMime, QStringLiteral("application/rtf"),
                             QStringLiteral("text/richtext")};
const QString kBytesMime = QStringLiteral("application/x-pennivale-bytes");
const QString kUtf8BytesMime = QStringLiteral("application/x-pennivale-utf8-bytes");

const QString& bytesMime(bool unicode) {
    return unicode ? kUtf8BytesMime : kBytesMime;
}

QByteArray toByteArray(std::string_view bytes) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// A selection on the clipboard. Its text and its RTF are made when a program
// asks for them: the X11 selection takes every selection the user makes,
// most of which nobody pastes.
class TSelectionData : public QMimeData {
public:
    TSelectionData(std::string bytes, Rtf::Document rich, bool unicode)
        : bytes_(std::move(bytes)), rich_(std::move(rich)), unicode_(unicode) {}

    QStringList formats() const override { return {kPlainMime, kRtfMime, bytesMime(unicode_)}; }
    bool hasFormat(const QString& mimeType) const override {
        return mimeType == kPlainMime || mimeType == kRtfMime || mimeType == bytesMime(unicode_);
    }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
        if (mimeType == kPlainMime) {
            const QString text = Shown::ToUser(bytes_, unicode_);
            return type.id() == QMetaType::QByteArray ? QVariant(text.toUtf8()) : QVariant(text);
        }
        if (mimeType == kRtfMime) {
            if (!rtf_) {
                rtf_ = Rtf::Write(rich_);
            }
            return toByteArray(*rtf_);
        }
        if (mimeType == bytesMime(unicode_)) {
            return toByteArray(bytes_);
        }
        return {};
    }

private:
    std::string bytes_;
    Rtf::Document rich_;
    bool unicode_;
    mutable std::optional<std::string> rtf_;
};

// The X11 selection: what is selected when a program asks for it, as X11
// selections are, so that selecting costs nothing however much is selected.
// When the selection goes (or is edited), it is taken as it was, unless it
// is too large to copy at once.
class TLiveSelection : public QMimeData {
public:
    TLiveSelection(std::function<QMimeData*()> make, bool unicode)
        : make_(std::move(make)), unicode_(unicode) {}

    void Settle(bool take) {
        if (take) {
            this->take();
        }
        make_ = nullptr;
    }
    QStringList formats() const override { return {kPlainMime, kRtfMime, bytesMime(unicode_)}; }
    bool hasFormat(const QString& mimeType) const override {
        return mimeType == kPlainMime || mimeType == kRtfMime || mimeType == bytesMime(unicode_);
    }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
        take();
        if (!taken_ || !taken_->hasFormat(mimeType)) {
            return {};
        }
        return mimeType == kPlainMime && type.id() != QMetaType::QByteArray
                   ? QVariant(taken_->text())
                   : QVariant(taken_->data(mimeType));
    }

private:
    void take() const {
        if (!taken_ && make_) {
            taken_.reset(make_());
        }
    }

    std::function<QMimeData*()> make_;
    bool unicode_;
    mutable std::unique_ptr<QMimeData> taken_;
};

// Past this a selection that goes is not copied for the X11 selection.
constexpr std::size_t kSettledBytes = std::size_t{1} << 20;

std::optional<std::string> rtfOf(const QMimeData& source) {
    for (const QString& mimeType : kRtfMimes) {
        if (source.hasFormat(mimeType)) {
            const QByteArray data = source.data(mimeType);
            const std::string_view bytes(data.constData(), static_cast<size_t>(data.size()));
            if (Rtf::IsRtf(bytes)) {
                return std::string(bytes);
            }
        }
    }
    return std::nullopt;
}

// The line end of each break of the bytes, when they are the rich text's
// paragraphs line for line (they are when both come from one selection).
std::optional<std::vector<TEditText::LineEnd>> lineEndsOf(std::string_view bytes,
                                                          const Rtf::Document& rich) {
    using LineEnd = TEditText::LineEnd;
    std::vector<LineEnd> ends;
    std::size_t at = 0;
    for (std::size_t p = 0; p < rich.paragraphs.size(); ++p) {
        for (const Rtf::Run& run : rich.paragraphs[p].runs) {
            if (bytes.substr(at, run.text.size()) != run.text) {
                return std::nullopt;
            }
            at += run.text.size();
        }
        if (p + 1 == rich.paragraphs.size()) {
            break;
        }
        const std::string_view rest = bytes.substr(at);
        const LineEnd kind = rest.starts_with("\r\n") ? LineEnd::CRLF
                             : rest.starts_with('\r') ? LineEnd::CR
                             : rest.starts_with('\n') ? LineEnd::LF
                                                      : LineEnd::None;
        if (kind == LineEnd::None) {
            return std::nullopt;
        }
        ends.push_back(kind);
        at += kind == LineEnd::CRLF ? 2 : 1;
    }
    if (at != bytes.size()) {
        return std::nullopt;
    }
    return ends;
}

} // namespace

bool TEditControl::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText() || source->hasFormat(bytesMime(text_->Unicode())) ||
           rtfOf(*source).has_value();
}

void TEditControl::insertFromMimeData(const QMimeData* source) {
    const bool unicode = text_->Unicode();
    std::optional<std::string> exact;
    if (source->hasFormat(bytesMime(unicode))) {
        const QByteArray data = source->data(bytesMime(unicode));
        exact.emplace(data.constData(), static_cast<size_t>(data.size()));
    }
    settlePrimarySelection();
    const std::optional<std::string> rtf = rtfOf(*source);
    // In the document's own encoding, so that its own bytes compare with the runs.
    const Rtf::Document rich = rtf ? Rtf::Recoded(Rtf::Read(*rtf), unicode) : Rtf::Document{};
    // RTF that holds nothing readable leaves the plain text its program offered too.
    const bool readable = rich.paragraphs.size() > 1 || !rich.paragraphs[0].runs.empty();
    if (rtf && (readable || !source->hasText())) {
        // Pasted breaks take the text's own line end, unless they come from
        // one of the program's windows, which says which each one was.
        const auto ends = exact ? lineEndsOf(*exact, rich) : std::nullopt;
        if (!exact || ends) {
            TEditTextRtfInsertion how;
            how.lineEnd = text_->OwnLineEnd();
            if (ends) {
                how.lineEnds = *ends;
            }
            const std::size_t end =
                PasteRtf(*text_, *history_, selection_.Start(), selection_.End(), rich, how);
            goalX_ = -1;
            select(end, end);
            return;
        }
    }
    if (exact) {
        SetSelText(*exact); // the text is worth more than its formats
    } else if (source->hasText()) {
        SetSelText(Shown::FromUser(source->text(), unicode, OwnLineEndBytes()));
    }
}

QMimeData* TEditControl::createMimeDataFromSelection() const {
    const std::size_t start = selection_.Start();
    const std::size_t end = selection_.End();
    return new TSelectionData(SelText(), TextToRtf(*text_, start, end, layout_->Font()),
                              text_->Unicode());
}

void TEditControl::setPrimarySelection() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection() || selection_.Start() == selection_.End()) {
        return;
    }
    const QPointer<const TEditControl> self(this);
    auto* live = new TLiveSelection(
        [self]() -> QMimeData* { return self ? self->createMimeDataFromSelection() : nullptr; },
        text_->Unicode());
    clipboard->setMimeData(live, QClipboard::Selection);
    primary_ = live;
}

void TEditControl::settlePrimarySelection() {
    if (primary_) {
        static_cast<TLiveSelection*>(primary_.data())
            ->Settle(selection_.End() - selection_.Start() <= kSettledBytes);
        primary_ = nullptr;
    }
}

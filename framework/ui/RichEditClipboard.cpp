// The edit control's side of the clipboard and of drag and drop.
//
// A selection goes out three ways: as plain text for every program, as RTF
// (text/rtf, the bytes SaveToFile writes for that text) for programs that
// read formats, and as its very bytes for the program's own windows, so a
// lone CR, a NUL and every byte of the code page survive a copy between
// two of them (UTF-8 documents offer their bytes under a name of their own,
// so bytes go only between documents of one kind). Paste takes RTF when it
// is offered, else the plain text.
#include "framework/rtf/Rtf.h"
#include "framework/ui/RichEdit.h"
#include "framework/ui/RtfBridge.h"
#include "framework/ui/ShownText.h"
#include "framework/ui/TextMirror.h"

#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// A selection on the clipboard. Its text and its RTF are made when a
// program asks for them: the X11 selection takes a copy of every selection
// the user makes, most of which nobody pastes.
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
std::optional<std::vector<TTextMirror::LineEnd>> lineEndsOf(std::string_view bytes,
                                                            const Rtf::Document& rich) {
    std::vector<TTextMirror::LineEnd> ends;
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
        if (bytes.substr(at, 2) == "\r\n") {
            ends.push_back(TTextMirror::CRLF);
            at += 2;
        } else if (bytes.substr(at, 1) == "\r") {
            ends.push_back(TTextMirror::CR);
            ++at;
        } else if (bytes.substr(at, 1) == "\n") {
            ends.push_back(TTextMirror::LF);
            ++at;
        } else {
            return std::nullopt;
        }
    }
    if (at != bytes.size()) {
        return std::nullopt;
    }
    return ends;
}

} // namespace

bool TRichEdit::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText() || source->hasFormat(bytesMime(mirror_->Unicode())) ||
           rtfOf(*source).has_value();
}

void TRichEdit::insertFromMimeData(const QMimeData* source) {
    std::optional<std::string> exact;
    const QString& ownBytes = bytesMime(mirror_->Unicode());
    if (source->hasFormat(ownBytes)) {
        const QByteArray data = source->data(ownBytes);
        exact.emplace(data.constData(), static_cast<size_t>(data.size()));
    }
    const std::optional<std::string> rtf = rtfOf(*source);
    // In the document's own encoding, so that its own bytes compare with the runs.
    const Rtf::Document rich =
        rtf ? Rtf::Recoded(Rtf::Read(*rtf), mirror_->Unicode()) : Rtf::Document{};
    // RTF that holds nothing readable leaves the plain text its program offered too.
    const bool readable = rich.paragraphs.size() > 1 || !rich.paragraphs[0].runs.empty();
    if (rtf && (readable || !source->hasText())) {
        TRtfInsertion how;
        how.paste = true;
        how.unicode = how.textIsUtf8 = mirror_->Unicode();
        // Pasted breaks take the text's own line end, unless they come from
        // one of the program's windows, which says which each one was.
        how.lineEnd = mirror_->OwnLineEnd();
        const auto ends = exact ? lineEndsOf(*exact, rich) : std::nullopt;
        if (!exact || ends) {
            if (ends) {
                how.lineEnds = *ends;
            }
            QTextCursor step(document());
            step.beginEditBlock(); // the replaced selection and the insertion: one undo step
            SetSelText({});
            QTextCursor c = textCursor();
            InsertRtfDocument(c, rich, how);
            step.endEditBlock();
            setTextCursor(c);
            ensureCursorVisible();
            return;
        }
    }
    if (exact) {
        SetSelText(*exact); // the text is worth more than its formats
    } else if (source->hasText()) {
        SetSelText(mirror_->FromUserText(source->text()));
    } else {
        return;
    }
    ensureCursorVisible();
}

QMimeData* TRichEdit::createMimeDataFromSelection() const {
    const QTextCursor c = textCursor();
    return new TSelectionData(
        SelText(), RangeToRtf(*document(), *mirror_, c.selectionStart(), c.selectionEnd()),
        mirror_->Unicode());
}

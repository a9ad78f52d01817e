#include "framework/ui/TextMirror.h"

#include "framework/CodePage.h"
#include "framework/Progress.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Marks a paragraph break with the line end it stands for.
constexpr int kLineEndProperty = QTextFormat::UserProperty + 0x50;

constexpr char16_t kParagraph = 0x2029;
constexpr char16_t kLineSeparator = 0x2028;

bool isPicturedControl(unsigned char b) {
    return (b < 0x20 && b != '\t' && b != '\n' && b != '\r') || b == 0x7F;
}

const std::array<char16_t, 256>& displayTable() {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<unsigned char>(b);
            t[b] = byte == 0x7F              ? char16_t{0x2421}
                   : isPicturedControl(byte) ? static_cast<char16_t>(0x2400 + b)
                                             : CodePage::ToUnicode(byte);
        }
        return t;
    }();
    return table;
}

// The number of document characters the bytes make: one per byte, one per line end.
int docLengthOf(std::string_view bytes) {
    int n = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            ++i;
        }
        ++n;
    }
    return n;
}

int lineEndLength(TTextMirror::LineEnd kind) {
    return kind == TTextMirror::CRLF ? 2 : (kind == TTextMirror::None ? 0 : 1);
}

// The byte a document character stands for; "?" for one no byte stands for.
char byteFor(char16_t ch) {
    if (ch == '\t') {
        return '\t';
    }
    const int b = TTextMirror::FromDisplay(ch);
    return b >= 0 ? static_cast<char>(b) : '?';
}

} // namespace

const char* TTextMirror::LineEndBytes(LineEnd kind) {
    return kind == CRLF ? "\r\n" : (kind == CR ? "\r" : "\n");
}

TTextMirror::TTextMirror(QTextDocument& document) : doc_(document) {
    // A document reports its changes only once it has a layout.
    doc_.documentLayout();
    resyncAll();
    connect(&doc_, &QTextDocument::contentsChange, this, &TTextMirror::onContentsChange);
}

QChar TTextMirror::Display(unsigned char byte) {
    return QChar(displayTable()[byte]);
}

int TTextMirror::FromDisplay(char32_t ch) {
    if (ch >= 0x2400 && ch < 0x2420) {
        return static_cast<int>(ch - 0x2400);
    }
    if (ch == 0x2421) {
        return 0x7F;
    }
    const int b = CodePage::FromUnicode(ch);
    // Control characters only ever stand in the document as pictures.
    return b >= 0 && isPicturedControl(static_cast<unsigned char>(b)) ? -1 : b;
}

void TTextMirror::MarkLineEnd(QTextCharFormat& format, LineEnd kind) {
    if (kind == LF || kind == None) {
        format.clearProperty(kLineEndProperty);
    } else {
        format.setProperty(kLineEndProperty, static_cast<int>(kind));
    }
}

TTextMirror::LineEnd TTextMirror::LineEndOf(const QTextCharFormat& format) {
    const int v = format.intProperty(kLineEndProperty);
    return v == CRLF ? CRLF : (v == CR ? CR : LF);
}

TTextMirror::LineEnd TTextMirror::OwnLineEnd() const {
    return paragraphs_.Size() > 1 ? paragraphs_.At(0).kind : LF;
}

std::string TTextMirror::Range(int from, int count) const {
    return bytes_.Range(static_cast<size_t>(std::max(from, 0)),
                        static_cast<size_t>(std::max(count, 0)));
}

std::string TTextMirror::FromUserText(const QString& text) const {
    const char* own = LineEndBytes(OwnLineEnd());
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (ch == '\r' || ch == '\n' || ch == kParagraph || ch == kLineSeparator) {
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
                ++i;
            }
            out += own;
            continue;
        }
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i; // one character outside the code page, one "?"
        }
        out.push_back(byteFor(ch));
    }
    return out;
}

QString TTextMirror::ToUserText(std::string_view bytes) {
    QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* dst = out.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *dst++ = (b == '\r' || b == '\n') ? QChar(b) : Display(b);
    }
    return out;
}

TTextMirror::Paragraphs::Hit TTextMirror::paragraphAtDoc(int docPos) const {
    using Sum = ParagraphTotals::Sum;
    auto hit = paragraphs_.Find([docPos](const Sum& s) { return s.bytes - s.crlf > docPos; });
    if (hit.index == paragraphs_.Size()) {
        // The very end lies in the last paragraph.
        hit.index = paragraphs_.Size() - 1;
        hit.before = paragraphs_.Prefix(hit.index);
    }
    return hit;
}

TTextMirror::Paragraphs::Hit TTextMirror::paragraphAtByte(int bytePos) const {
    using Sum = ParagraphTotals::Sum;
    auto hit = paragraphs_.Find([bytePos](const Sum& s) { return s.bytes > bytePos; });
    if (hit.index == paragraphs_.Size()) {
        hit.index = paragraphs_.Size() - 1;
        hit.before = paragraphs_.Prefix(hit.index);
    }
    return hit;
}

int TTextMirror::DocToByte(int docPos) const {
    docPos = std::clamp(docPos, 0, docLength_);
    const auto hit = paragraphAtDoc(docPos);
    return docPos + static_cast<int>(hit.before.crlf);
}

int TTextMirror::BlockByteStart(int blockNumber) const {
    return static_cast<int>(
        paragraphs_.Prefix(static_cast<size_t>(std::max(blockNumber, 0))).bytes);
}

int TTextMirror::ByteToDoc(int bytePos) const {
    bytePos = std::clamp(bytePos, 0, Size());
    const auto hit = paragraphAtByte(bytePos);
    const Paragraph& p = paragraphs_.At(hit.index);
    const int start = static_cast<int>(hit.before.bytes);
    const int body = static_cast<int>(p.bytes) - lineEndLength(p.kind);
    // A position on the LF of a CR LF lands on the break.
    return start - static_cast<int>(hit.before.crlf) + std::min(bytePos - start, body);
}

void TTextMirror::insertSegments(QTextCursor& cursor, std::string_view bytes,
                                 const QTextCharFormat& base, TProgress* progress) {
    // With a progress to tell, text goes in by pieces of about this many bytes.
    constexpr size_t kPiece = size_t{1} << 20;
    const auto& table = displayTable();
    QString chunk;
    chunk.reserve(static_cast<qsizetype>(std::min<size_t>(bytes.size(), 1 << 20)));
    LineEnd chunkKind = None;
    QTextCharFormat format = base;
    auto flush = [&](LineEnd kind) {
        if (chunk.isEmpty()) {
            return;
        }
        MarkLineEnd(format, kind);
        cursor.insertText(chunk, format);
        chunk.clear();
    };
    size_t nextReport = kPiece;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (progress != nullptr && i >= nextReport) {
            flush(chunkKind == None ? LF : chunkKind);
            progress->Report(static_cast<double>(i) / static_cast<double>(bytes.size()));
            nextReport = i + kPiece;
        }
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b != '\r' && b != '\n') {
            chunk.append(QChar(table[b]));
            continue;
        }
        LineEnd kind = LF;
        if (b == '\r') {
            kind = (i + 1 < bytes.size() && bytes[i + 1] == '\n') ? CRLF : CR;
            if (kind == CRLF) {
                ++i;
            }
        }
        // One insertion per run of breaks of one kind: the breaks take the
        // chunk's format, which records their kind.
        if (chunkKind != None && kind != chunkKind) {
            flush(chunkKind);
        }
        chunkKind = kind;
        chunk.append(QLatin1Char('\n'));
    }
    flush(chunkKind == None ? LF : chunkKind);
    ReportProgress(progress, 1.0);
}

QTextCursor TTextMirror::ReplaceBytes(int from, int to, std::string_view bytes) {
    from = std::clamp(from, 0, Size());
    to = std::clamp(to, from, Size());
    // Widen to whole line ends when a CR LF is cut in two, keeping its other half.
    const int docFrom = ByteToDoc(from);
    int docTo = ByteToDoc(to);
    if (DocToByte(docTo) < to) {
        ++docTo; // "to" falls on the LF of a CR LF: take the whole break
    }
    const int byteFrom = DocToByte(docFrom);
    const int byteTo = DocToByte(docTo);
    std::string widened;
    std::string_view insert = bytes;
    if (byteFrom != from || byteTo != to) {
        widened = Range(byteFrom, from - byteFrom);
        widened.append(bytes);
        widened.append(Range(to, byteTo - to));
        insert = widened;
    }

    QTextCursor cursor(&doc_);
    cursor.setPosition(docFrom);
    cursor.setPosition(docTo, QTextCursor::KeepAnchor);
    cursor.beginEditBlock();
    const QTextCharFormat base = cursor.charFormat();
    if (cursor.hasSelection()) {
        cursor.removeSelectedText();
    }
    pending_ = Pending{byteFrom, byteTo, insert, true};
    insertSegments(cursor, insert, base);
    cursor.endEditBlock();
    pending_.active = false;
    // The caret goes after the caller's bytes, before any kept half of a CR LF.
    cursor.setPosition(ByteToDoc(from + static_cast<int>(bytes.size())));
    return cursor;
}

void TTextMirror::ReplaceAll(std::string_view bytes, bool loading, TProgress* progress) {
    if (loading) {
        beginLoad();
    }
    QTextCursor cursor(&doc_);
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    const QTextCharFormat base = loading ? QTextCharFormat() : cursor.charFormat();
    cursor.removeSelectedText();
    pending_ = Pending{0, Size(), bytes, true};
    insertSegments(cursor, bytes, base, progress);
    cursor.endEditBlock();
    pending_.active = false;
    if (loading) {
        endLoad();
    }
    lastBulk_ = !loading;
}

void TTextMirror::AppendLoaded(std::string_view bytes, TProgress* progress) {
    beginLoad();
    QTextCursor cursor(&doc_);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    const int end = Size();
    pending_ = Pending{end, end, bytes, true};
    insertSegments(cursor, bytes, cursor.charFormat(), progress);
    cursor.endEditBlock();
    pending_.active = false;
    endLoad();
}

void TTextMirror::beginLoad() {
    loading_ = true;
    // A load starts a fresh history: nothing before it can be undone.
    doc_.setUndoRedoEnabled(false);
}

void TTextMirror::endLoad() {
    doc_.setUndoRedoEnabled(true);
    doc_.setModified(false);
    loading_ = false;
}

std::string TTextMirror::extract(int from, int count, int firstBlock,
                                 std::vector<Paragraph>& paragraphs) const {
    std::string out;
    if (count > 0) {
        QTextCursor cursor(const_cast<QTextDocument*>(&doc_));
        cursor.setPosition(from);
        cursor.setPosition(from + count, QTextCursor::KeepAnchor);
        const QString text = cursor.selectedText();
        out.reserve(static_cast<size_t>(text.size()) + 16);
        QTextBlock block = doc_.findBlockByNumber(firstBlock);
        size_t start = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t ch = text[i].unicode();
            if (ch == kParagraph) {
                block = block.next();
                const LineEnd kind = LineEndOf(block.charFormat());
                out += LineEndBytes(kind);
                paragraphs.push_back({static_cast<std::uint32_t>(out.size() - start), kind});
                start = out.size();
                continue;
            }
            out.push_back(byteFor(ch));
        }
        paragraphs.push_back({static_cast<std::uint32_t>(out.size() - start), None});
        return out;
    }
    paragraphs.push_back({0, None});
    return out;
}

namespace {

// The paragraphs bytes make, cut where insertSegments cuts them.
template <typename Paragraph>
void splitParagraphs(std::string_view bytes, std::vector<Paragraph>& out) {
    size_t start = 0;
    const char* const data = bytes.data();
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = data[i];
        if (c != '\n' && c != '\r') {
            continue;
        }
        TTextMirror::LineEnd kind = TTextMirror::LF;
        if (c == '\r') {
            kind =
                (i + 1 < bytes.size() && data[i + 1] == '\n') ? TTextMirror::CRLF : TTextMirror::CR;
            i += kind == TTextMirror::CRLF ? 1 : 0;
        }
        out.push_back({static_cast<std::uint32_t>(i + 1 - start), kind});
        start = i + 1;
    }
    out.push_back({static_cast<std::uint32_t>(bytes.size() - start), TTextMirror::None});
}

} // namespace

void TTextMirror::resyncAll() {
    std::vector<Paragraph> paragraphs;
    docLength_ = doc_.characterCount() - 1;
    std::string bytes = extract(0, docLength_, 0, paragraphs);
    paragraphs_.Assign(paragraphs);
    if (bytes.size() != bytes_.Size() || !bytes_.Equals(0, bytes)) {
        bytes_.Assign(std::move(bytes));
        ++revision_;
        if (!loading_) {
            emit Changed();
        }
    }
}

void TTextMirror::onContentsChange(int from, int removed, int added) {
    const int oldLength = docLength_;
    const int newLength = doc_.characterCount() - 1;
    const int oldBlocks = static_cast<int>(paragraphs_.Size());
    const int newBlocks = doc_.blockCount();
    // The document may count its final break in a change that reaches the end.
    from = std::clamp(from, 0, oldLength);
    removed = std::clamp(removed, 0, oldLength - from);
    added = removed + (newLength - oldLength);
    if (added < 0 || from + added > newLength) {
        resyncAll();
        return;
    }

    const auto at = paragraphAtDoc(from);
    const int block = static_cast<int>(at.index);
    const int blockStart = static_cast<int>(at.before.bytes);
    const int byteFrom = from + static_cast<int>(at.before.crlf);

    // The paragraphs the new bytes make; the first and the last are yet to
    // take in what stays of the paragraphs they land in.
    std::vector<Paragraph> fresh;
    std::string freshBytes;
    lastBulk_ = false;
    const bool ours =
        pending_.active && pending_.byteFrom == byteFrom && added == docLengthOf(pending_.bytes);
    if (ours) {
        // Our own insertion: the bytes are known, no need to read them back.
        freshBytes.assign(pending_.bytes);
        splitParagraphs(freshBytes, fresh);
    } else {
        freshBytes = extract(from, added, block, fresh);
    }
    const int breaks = static_cast<int>(fresh.size()) - 1;
    // The breaks removed are those that ended the blocks from `block` on.
    const int removedBreaks = oldBlocks - newBlocks + breaks;
    if (removedBreaks < 0 || block + removedBreaks >= oldBlocks) {
        resyncAll();
        return;
    }
    const ParagraphTotals::Sum lastBefore =
        removedBreaks == 0 ? at.before
                           : paragraphs_.Prefix(static_cast<size_t>(block + removedBreaks));
    int byteTo = pending_.byteTo;
    if (!ours) {
        const int removedCrlf = static_cast<int>(lastBefore.crlf - at.before.crlf);
        byteTo = byteFrom + removed + removedCrlf;
    }
    const Paragraph lastOld = paragraphs_.At(static_cast<size_t>(block + removedBreaks));
    const int lastEnd = static_cast<int>(lastBefore.bytes) + static_cast<int>(lastOld.bytes);
    if (byteTo > lastEnd || byteTo > Size()) {
        resyncAll();
        return;
    }
    docLength_ = newLength;

    const auto span = static_cast<size_t>(byteTo - byteFrom);
    const bool same = removedBreaks == breaks && span == freshBytes.size() &&
                      bytes_.Equals(static_cast<size_t>(byteFrom), freshBytes);
    if (same) {
        // A change of format only; a replacement of ours that kept the bytes
        // changed nothing the caller meant.
        if (!loading_ && !pending_.active) {
            emit FormatChanged();
        }
        return;
    }
    fresh.front().bytes += static_cast<std::uint32_t>(byteFrom - blockStart);
    fresh.back().bytes += static_cast<std::uint32_t>(lastEnd - byteTo);
    fresh.back().kind = lastOld.kind;
    if (byteFrom == 0 && byteTo == Size()) {
        bytes_.Assign(std::move(freshBytes)); // the whole text: no copy
    } else {
        bytes_.Replace(static_cast<size_t>(byteFrom), span, freshBytes);
    }
    if (removedBreaks == 0 && breaks == 0) {
        paragraphs_.Set(static_cast<size_t>(block), fresh.front());
    } else {
        paragraphs_.Replace(static_cast<size_t>(block), static_cast<size_t>(removedBreaks) + 1,
                            fresh.data(), fresh.size());
    }
    ++revision_;
    if (!loading_) {
        emit Changed();
    }
}

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
    kind_.assign(static_cast<size_t>(doc_.blockCount()), LF);
    kind_.back() = None;
    extra_.assign(kind_.size(), 0);
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
    return kind_.size() > 1 ? static_cast<LineEnd>(kind_.front()) : LF;
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

int TTextMirror::DocToByte(int docPos) const {
    docPos = std::clamp(docPos, 0, docLength_);
    const int block = doc_.findBlock(docPos).blockNumber();
    return docPos + (block >= 0 ? extra_[static_cast<size_t>(block)] : 0);
}

int TTextMirror::ByteToDoc(int bytePos) const {
    bytePos = std::clamp(bytePos, 0, static_cast<int>(bytes_.size()));
    if (extra_.back() == 0) {
        return bytePos; // no CR LF: one byte, one character
    }
    // The last block whose first byte is at or before bytePos.
    int lo = 0;
    int hi = static_cast<int>(kind_.size()) - 1;
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        const int start = doc_.findBlockByNumber(mid).position() + extra_[static_cast<size_t>(mid)];
        if (start <= bytePos) {
            lo = mid;
        } else {
            hi = mid - 1;
        }
    }
    const QTextBlock block = doc_.findBlockByNumber(lo);
    const int offset = bytePos - (block.position() + extra_[static_cast<size_t>(lo)]);
    // A position on the LF of a CR LF lands on the break.
    return block.position() + std::min(offset, block.length() - 1);
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
    from = std::clamp(from, 0, static_cast<int>(bytes_.size()));
    to = std::clamp(to, from, static_cast<int>(bytes_.size()));
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
        widened.assign(bytes_, static_cast<size_t>(byteFrom), static_cast<size_t>(from - byteFrom));
        widened.append(bytes);
        widened.append(bytes_, static_cast<size_t>(to), static_cast<size_t>(byteTo - to));
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

TDeferredLayout::TDeferredLayout(QTextDocument& document)
    : doc_(document), saved_(document.pageSize()) {
    // A document without a page size is not laid out as it changes.
    doc_.setPageSize(QSizeF(0, 0));
}

TDeferredLayout::~TDeferredLayout() {
    // Setting the size back starts the lazy layout of the whole document.
    doc_.setPageSize(saved_);
}

void TTextMirror::ReplaceAll(std::string_view bytes, bool loading, TProgress* progress) {
    TDeferredLayout deferred(doc_);
    if (loading) {
        beginLoad();
    }
    QTextCursor cursor(&doc_);
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    const QTextCharFormat base = loading ? QTextCharFormat() : cursor.charFormat();
    cursor.removeSelectedText();
    pending_ = Pending{0, static_cast<int>(bytes_.size()), bytes, true};
    insertSegments(cursor, bytes, base, progress);
    cursor.endEditBlock();
    pending_.active = false;
    if (loading) {
        endLoad();
    }
    lastBulk_ = !loading;
}

void TTextMirror::AppendLoaded(std::string_view bytes, TProgress* progress) {
    TDeferredLayout deferred(doc_);
    beginLoad();
    QTextCursor cursor(&doc_);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    const int end = static_cast<int>(bytes_.size());
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
                                 std::vector<std::uint8_t>& kinds) const {
    std::string out;
    if (count <= 0) {
        return out;
    }
    QTextCursor cursor(const_cast<QTextDocument*>(&doc_));
    cursor.setPosition(from);
    cursor.setPosition(from + count, QTextCursor::KeepAnchor);
    const QString text = cursor.selectedText();
    out.reserve(static_cast<size_t>(text.size()) + 16);
    QTextBlock block = doc_.findBlockByNumber(firstBlock);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (ch == kParagraph) {
            block = block.next();
            const LineEnd kind = LineEndOf(block.charFormat());
            kinds.push_back(kind);
            out += LineEndBytes(kind);
            continue;
        }
        out.push_back(byteFor(ch));
    }
    return out;
}

void TTextMirror::rebuildLineIndex(int fromBlock) {
    const size_t n = kind_.size();
    extra_.resize(n);
    if (fromBlock <= 0) {
        extra_[0] = 0;
        fromBlock = 0;
    }
    for (size_t k = static_cast<size_t>(fromBlock); k + 1 < n; ++k) {
        extra_[k + 1] = extra_[k] + (kind_[k] == CRLF ? 1 : 0);
    }
}

void TTextMirror::resyncAll() {
    std::vector<std::uint8_t> kinds;
    docLength_ = doc_.characterCount() - 1;
    std::string bytes = extract(0, docLength_, 0, kinds);
    kinds.push_back(None);
    kind_ = std::move(kinds);
    rebuildLineIndex(0);
    if (bytes != bytes_) {
        bytes_ = std::move(bytes);
        ++revision_;
        if (!loading_) {
            emit Changed();
        }
    }
}

void TTextMirror::onContentsChange(int from, int removed, int added) {
    const int oldLength = docLength_;
    const int newLength = doc_.characterCount() - 1;
    const int oldBlocks = static_cast<int>(kind_.size());
    const int newBlocks = doc_.blockCount();
    // The document may count its final break in a change that reaches the end.
    from = std::clamp(from, 0, oldLength);
    removed = std::clamp(removed, 0, oldLength - from);
    added = removed + (newLength - oldLength);
    if (added < 0 || from + added > newLength) {
        resyncAll();
        return;
    }

    const int block = doc_.findBlock(from).blockNumber();
    const int byteFrom = from + extra_[static_cast<size_t>(block)];

    std::vector<std::uint8_t> kinds;
    std::string fresh;
    lastBulk_ = false;
    const bool ours =
        pending_.active && pending_.byteFrom == byteFrom && added == docLengthOf(pending_.bytes);
    if (ours) {
        // Our own insertion: the bytes are known, no need to read them back.
        fresh.assign(pending_.bytes);
        for (size_t i = 0; i < fresh.size(); ++i) {
            if (fresh[i] == '\n') {
                kinds.push_back(LF);
            } else if (fresh[i] == '\r') {
                const bool crlf = i + 1 < fresh.size() && fresh[i + 1] == '\n';
                kinds.push_back(crlf ? CRLF : CR);
                i += crlf ? 1 : 0;
            }
        }
    } else {
        fresh = extract(from, added, block, kinds);
    }
    // The breaks removed are those that ended the blocks from `block` on.
    const int removedBreaks = oldBlocks - newBlocks + static_cast<int>(kinds.size());
    if (removedBreaks < 0 || block + removedBreaks >= oldBlocks) {
        resyncAll();
        return;
    }
    int byteTo = pending_.byteTo;
    if (!ours) {
        int removedCrlf = 0;
        for (int k = block; k < block + removedBreaks; ++k) {
            removedCrlf += kind_[static_cast<size_t>(k)] == CRLF ? 1 : 0;
        }
        byteTo = byteFrom + removed + removedCrlf;
    }
    if (byteTo > static_cast<int>(bytes_.size())) {
        resyncAll();
        return;
    }
    docLength_ = newLength;

    const auto span = static_cast<size_t>(byteTo - byteFrom);
    const bool same = removedBreaks == static_cast<int>(kinds.size()) && span == fresh.size() &&
                      std::memcmp(bytes_.data() + byteFrom, fresh.data(), span) == 0;
    if (same) {
        // A change of format only; a replacement of ours that kept the bytes
        // changed nothing the caller meant.
        if (!loading_ && !pending_.active) {
            emit FormatChanged();
        }
        return;
    }
    bytes_.replace(static_cast<size_t>(byteFrom), span, fresh);
    if (removedBreaks != 0 || !kinds.empty()) {
        kind_.erase(kind_.begin() + block, kind_.begin() + block + removedBreaks);
        kind_.insert(kind_.begin() + block, kinds.begin(), kinds.end());
        rebuildLineIndex(block);
    }
    ++revision_;
    if (!loading_) {
        emit Changed();
    }
}

#include "framework/ui/TextMirror.h"

#include "framework/Progress.h"
#include "framework/ui/ShownText.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace {

// Marks a paragraph break with the line end it stands for.
constexpr int kLineEndProperty = QTextFormat::UserProperty + 0x50;

constexpr char16_t kParagraph = 0x2029;

int lineEndLength(TTextMirror::LineEnd kind) {
    return kind == TTextMirror::CRLF ? 2 : (kind == TTextMirror::None ? 0 : 1);
}

TTextMirror::LineEnd toMirror(Shown::LineEnd kind) {
    return static_cast<TTextMirror::LineEnd>(kind);
}

Shown::LineEnd toShown(TTextMirror::LineEnd kind) {
    return static_cast<Shown::LineEnd>(kind);
}

// A text is inserted in slices of at most this many bytes, so progress is
// told while a large text goes in.
constexpr std::size_t kSlice = std::size_t{1} << 20;

} // namespace

struct TTextMirror::Fresh {
    std::string bytes;
    std::vector<Shown::TBreak> breaks;
    std::vector<std::size_t> forced;
};

const char* TTextMirror::LineEndBytes(LineEnd kind) {
    return kind == CRLF ? "\r\n" : (kind == CR ? "\r" : "\n");
}

TTextMirror::TTextMirror(QTextDocument& document) : doc_(document) {
    // A document reports its changes only once it has a layout.
    doc_.documentLayout();
    resyncAll();
    connect(&doc_, &QTextDocument::contentsChange, this, &TTextMirror::onContentsChange);
}

void TTextMirror::SetUnicode(bool unicode) {
    unicode_ = unicode;
}

QChar TTextMirror::Display(unsigned char byte) {
    return QChar(Shown::CodePageChar(byte));
}

int TTextMirror::FromDisplay(char32_t ch) {
    if (ch == '?') {
        return '?';
    }
    std::string byte;
    Shown::AppendBytes(byte, ch, 0, false);
    return byte == "?" ? -1 : static_cast<unsigned char>(byte[0]);
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
    const auto hit = pieces_.Find([](const PieceTotals::Sum& s) { return s.breaks > 0; });
    return hit.index < pieces_.Size() ? pieces_.At(hit.index).kind : LF;
}

std::string TTextMirror::Range(int from, int count) const {
    return bytes_.Range(static_cast<size_t>(std::max(from, 0)),
                        static_cast<size_t>(std::max(count, 0)));
}

std::string TTextMirror::FromUserText(const QString& text) const {
    return Shown::FromUser(text, unicode_, LineEndBytes(OwnLineEnd()));
}

QString TTextMirror::ToUserText(std::string_view bytes) const {
    return Shown::ToUser(bytes, unicode_);
}

TTextMirror::Pieces::Hit TTextMirror::pieceAtDoc(int docPos) const {
    auto hit = pieces_.Find([docPos](const PieceTotals::Sum& s) { return s.units > docPos; });
    if (hit.index == pieces_.Size()) {
        // The very end lies in the last piece.
        hit.index = pieces_.Size() - 1;
        hit.before = pieces_.Prefix(hit.index);
    }
    return hit;
}

TTextMirror::Pieces::Hit TTextMirror::pieceAtByte(int bytePos) const {
    auto hit = pieces_.Find([bytePos](const PieceTotals::Sum& s) { return s.bytes > bytePos; });
    if (hit.index == pieces_.Size()) {
        hit.index = pieces_.Size() - 1;
        hit.before = pieces_.Prefix(hit.index);
    }
    return hit;
}

std::string_view TTextMirror::pieceBytes(const Pieces::Hit& hit) const {
    const Piece& p = pieces_.At(hit.index);
    return bytes_.View(static_cast<size_t>(hit.before.bytes),
                       p.bytes - static_cast<std::uint32_t>(lineEndLength(p.kind)));
}

int TTextMirror::unitToByteIn(const Pieces::Hit& hit, int units) const {
    const Piece& p = pieces_.At(hit.index);
    const int bodyUnits = static_cast<int>(p.units) - (p.kind == None ? 0 : 1);
    const int bodyBytes = static_cast<int>(p.bytes) - lineEndLength(p.kind);
    if (units >= bodyUnits) {
        return units > bodyUnits ? static_cast<int>(p.bytes) : bodyBytes;
    }
    if (!unicode_) {
        return units;
    }
    return static_cast<int>(Shown::ByteOfUnit(pieceBytes(hit), units));
}

int TTextMirror::byteToUnitIn(const Pieces::Hit& hit, int bytes, bool roundUp) const {
    const Piece& p = pieces_.At(hit.index);
    const int bodyUnits = static_cast<int>(p.units) - (p.kind == None ? 0 : 1);
    const int bodyBytes = static_cast<int>(p.bytes) - lineEndLength(p.kind);
    if (bytes >= bodyBytes) {
        if (bytes == bodyBytes) {
            return bodyUnits;
        }
        return bytes >= static_cast<int>(p.bytes) || roundUp ? static_cast<int>(p.units)
                                                             : bodyUnits;
    }
    if (!unicode_) {
        return bytes;
    }
    return Shown::UnitOfByte(pieceBytes(hit), static_cast<size_t>(bytes), roundUp);
}

int TTextMirror::DocToByte(int docPos) const {
    docPos = std::clamp(docPos, 0, docLength_);
    const auto hit = pieceAtDoc(docPos);
    return static_cast<int>(hit.before.bytes) +
           unitToByteIn(hit, docPos - static_cast<int>(hit.before.units));
}

int TTextMirror::BlockByteStart(int blockNumber) const {
    if (blockNumber <= 0) {
        return 0;
    }
    const auto hit =
        pieces_.Find([blockNumber](const PieceTotals::Sum& s) { return s.breaks >= blockNumber; });
    if (hit.index == pieces_.Size()) {
        return Size();
    }
    return static_cast<int>(hit.before.bytes) + static_cast<int>(pieces_.At(hit.index).bytes);
}

int TTextMirror::ByteToDoc(int bytePos, bool roundUp) const {
    bytePos = std::clamp(bytePos, 0, Size());
    const auto hit = pieceAtByte(bytePos);
    return static_cast<int>(hit.before.units) +
           byteToUnitIn(hit, bytePos - static_cast<int>(hit.before.bytes), roundUp);
}

int TTextMirror::CharBoundary(int bytePos, bool forward) const {
    return DocToByte(ByteToDoc(bytePos, forward));
}

std::int64_t TTextMirror::pairsBefore(int bytePos) const {
    const auto hit = pieceAtByte(bytePos);
    const std::string_view body = pieceBytes(hit);
    const auto offset = std::min(body.size(), static_cast<size_t>(bytePos - hit.before.bytes));
    int pairs = 0;
    Shown::Units(body.substr(0, offset), true, &pairs);
    return hit.before.pairs + pairs;
}

int TTextMirror::CharsBetween(int from, int to) const {
    const int units = ByteToDoc(to) - ByteToDoc(from);
    if (!unicode_) {
        return units;
    }
    // Document characters less the second halves of surrogate pairs.
    return units - static_cast<int>(pairsBefore(to) - pairsBefore(from));
}

std::string TTextMirror::BytesOfShown(const QString& shown, int from,
                                      std::string_view lineEnd) const {
    std::string out;
    out.reserve(static_cast<size_t>(shown.size()) + 16);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t ch = shown[i].unicode();
        if (ch == kParagraph) {
            out += lineEnd;
            continue;
        }
        char32_t c = ch;
        if (QChar::isHighSurrogate(ch) && i + 1 < shown.size() && shown[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(ch, shown[i + 1].unicode());
        }
        char32_t literal = 0;
        if (unicode_ && Shown::MayBeLiteral(ch)) {
            QTextCursor at(const_cast<QTextDocument*>(&doc_));
            at.setPosition(from + static_cast<int>(i) + 1);
            literal = static_cast<char32_t>(at.charFormat().intProperty(Shown::kLiteralProperty));
        }
        Shown::AppendBytes(out, c, literal, unicode_);
        if (c >= 0x10000) {
            ++i;
        }
    }
    return out;
}

void TTextMirror::insertSegments(QTextCursor& cursor, std::string_view bytes,
                                 const QTextCharFormat& base, TProgress* progress) {
    QString chunk;
    chunk.reserve(static_cast<qsizetype>(std::min(bytes.size(), kSlice)));
    LineEnd chunkKind = None;
    QTextCharFormat format = base;
    format.clearProperty(Shown::kLiteralProperty);
    std::vector<Shown::TLiteral> literals;
    auto flush = [&] {
        if (chunk.isEmpty()) {
            return;
        }
        MarkLineEnd(format, chunkKind == None ? LF : chunkKind);
        if (literals.empty()) {
            cursor.insertText(chunk, format);
        } else {
            // A literal goes in alone, its format holding what it stands for.
            qsizetype at = 0;
            for (const Shown::TLiteral& literal : literals) {
                if (literal.at > at) {
                    cursor.insertText(chunk.mid(at, literal.at - at), format);
                }
                QTextCharFormat own = format;
                own.setProperty(Shown::kLiteralProperty, static_cast<int>(literal.ch));
                cursor.insertText(chunk.mid(literal.at, 1), own);
                at = literal.at + 1;
            }
            if (at < chunk.size()) {
                cursor.insertText(chunk.mid(at), format);
            }
            literals.clear();
        }
        chunk.clear();
    };
    std::vector<Shown::TBreak> breaks;
    Shown::FindBreaks(bytes, breaks);
    breaks.push_back({bytes.size(), Shown::LineEnd::None});
    size_t start = 0;
    size_t nextReport = kSlice;
    for (const Shown::TBreak& br : breaks) {
        const LineEnd kind = toMirror(br.kind);
        const size_t bodyEnd = br.end - static_cast<size_t>(lineEndLength(kind));
        while (start < bodyEnd) {
            size_t end = std::min(bodyEnd, start + kSlice);
            if (end < bodyEnd && unicode_) {
                while (end > start + 1 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) {
                    --end; // never between a sequence's bytes
                }
            }
            Shown::AppendShown(chunk, bytes.substr(start, end - start), unicode_, &literals);
            start = end;
            if (progress != nullptr && start >= nextReport) {
                flush();
                progress->Report(static_cast<double>(start) / static_cast<double>(bytes.size()));
                nextReport = start + kSlice;
            }
        }
        if (kind == None) {
            break;
        }
        // One insertion per run of breaks of one kind: the breaks take the
        // chunk's format, which records their kind.
        if (chunkKind != None && kind != chunkKind) {
            flush();
        }
        chunkKind = kind;
        chunk.append(QLatin1Char('\n'));
        start = br.end;
    }
    flush();
    ReportProgress(progress, 1.0);
}

QTextCursor TTextMirror::ReplaceBytes(int from, int to, std::string_view bytes) {
    from = std::clamp(from, 0, Size());
    to = std::clamp(to, from, Size());
    // Widen to whole characters and line ends, keeping the other halves.
    int byteFrom = CharBoundary(from, false);
    int byteTo = CharBoundary(to, true);
    std::string insert = Range(byteFrom, from - byteFrom);
    insert.append(bytes);
    insert.append(Range(to, byteTo - to));
    // A lone CR and an LF that come to stand side by side are one CR LF:
    // the breaks shown follow the bytes.
    const auto byteAt = [&](int at) { return bytes_.At(static_cast<size_t>(at)); };
    const bool crBefore = byteFrom > 0 && byteAt(byteFrom - 1) == '\r';
    const bool lfAfter = byteTo < Size() && byteAt(byteTo) == '\n';
    if (crBefore && (insert.empty() ? lfAfter : insert.front() == '\n')) {
        --byteFrom;
        insert.insert(insert.begin(), '\r');
    }
    if (lfAfter && !insert.empty() && insert.back() == '\r') {
        ++byteTo;
        insert.push_back('\n');
    }
    const int docFrom = ByteToDoc(byteFrom);
    const int docTo = ByteToDoc(byteTo);

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
    // The caret goes after the caller's bytes, before any kept half.
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

void TTextMirror::extract(int from, int count, int firstBlock, Fresh& out) const {
    if (count <= 0) {
        return;
    }
    QTextCursor cursor(const_cast<QTextDocument*>(&doc_));
    cursor.setPosition(from);
    cursor.setPosition(from + count, QTextCursor::KeepAnchor);
    const QString text = cursor.selectedText();
    out.bytes.reserve(static_cast<size_t>(text.size()) + 16);
    QTextBlock block = doc_.findBlockByNumber(firstBlock);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (ch == kParagraph) {
            block = block.next();
            const LineEnd kind = LineEndOf(block.charFormat());
            out.bytes += LineEndBytes(kind);
            out.breaks.push_back({out.bytes.size(), toShown(kind)});
            continue;
        }
        if (!unicode_ || (ch < 0x80 && ch >= 0x20)) {
            Shown::AppendBytes(out.bytes, ch, 0, unicode_);
            continue;
        }
        out.bytes += BytesOfShown(text.mid(i, QChar::isHighSurrogate(ch) ? 2 : 1),
                                  from + static_cast<int>(i), {});
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size()) {
            ++i;
        } else if (ch >= Shown::kIllFormedBase + 0xC2 && ch <= Shown::kIllFormedBase + 0xF4) {
            // A lead byte shown on its own stays on its own, whatever follows.
            out.forced.push_back(out.bytes.size());
        }
    }
    // Only the cuts that keep a sequence from forming are needed.
    std::erase_if(out.forced, [&](size_t at) { return !Shown::JoinsAcross(out.bytes, at); });
}

void TTextMirror::resyncAll() {
    docLength_ = doc_.characterCount() - 1;
    Fresh fresh;
    extract(0, docLength_, 0, fresh);
    std::vector<Shown::TCut> cuts;
    Shown::CutPieces(fresh.bytes, fresh.breaks, fresh.forced, unicode_, cuts);
    std::vector<Piece> pieces;
    pieces.reserve(cuts.size() + 1);
    for (const Shown::TCut& cut : cuts) {
        pieces.push_back({cut.bytes, cut.units, cut.pairs, toMirror(cut.kind)});
    }
    if (pieces.empty() || pieces.back().kind != None) {
        pieces.push_back({0, 0, 0, None});
    }
    pieces_.Assign(pieces);
    if (fresh.bytes.size() != bytes_.Size() || !bytes_.Equals(0, fresh.bytes)) {
        bytes_.Assign(std::move(fresh.bytes));
        ++revision_;
        if (!loading_) {
            emit Changed();
        }
    }
}

void TTextMirror::applyEdit(int byteFrom, int byteTo, Fresh& fresh) {
    const auto first = pieceAtByte(byteFrom);
    const auto last = byteTo > byteFrom ? pieceAtByte(byteTo - 1) : first;
    const Piece lastPiece = pieces_.At(last.index);
    const auto start = static_cast<size_t>(first.before.bytes);
    const auto end = static_cast<size_t>(last.before.bytes) + lastPiece.bytes;
    const size_t head = static_cast<size_t>(byteFrom) - start;
    const size_t tail = end - static_cast<size_t>(byteTo);

    // The stretch of whole pieces the edit falls in, cut anew.
    std::string joined;
    std::string_view region = fresh.bytes;
    if (head != 0 || tail != 0) {
        joined = bytes_.Range(start, head);
        joined += fresh.bytes;
        std::string after = bytes_.Range(static_cast<size_t>(byteTo), tail);
        joined += after;
        region = joined;
        for (Shown::TBreak& br : fresh.breaks) {
            br.end += head;
        }
        for (size_t& at : fresh.forced) {
            at += head;
        }
    }
    if (tail != 0 && lastPiece.kind != None) {
        fresh.breaks.push_back({region.size(), toShown(lastPiece.kind)});
    }
    if (unicode_) {
        for (const size_t at : {head, head + fresh.bytes.size()}) {
            if (at > 0 && at < region.size() && Shown::JoinsAcross(region, at)) {
                fresh.forced.push_back(at);
            }
        }
        std::sort(fresh.forced.begin(), fresh.forced.end());
    }
    std::vector<Shown::TCut> cuts;
    Shown::CutPieces(region, fresh.breaks, fresh.forced, unicode_, cuts);
    std::vector<Piece> pieces;
    pieces.reserve(cuts.size() + 1);
    for (const Shown::TCut& cut : cuts) {
        pieces.push_back({cut.bytes, cut.units, cut.pairs, toMirror(cut.kind)});
    }
    const bool atEnd = last.index + 1 == pieces_.Size();
    if (atEnd && (pieces.empty() || pieces.back().kind != None)) {
        pieces.push_back({0, 0, 0, None}); // the last paragraph, even when empty
    }
    pieces_.Replace(first.index, last.index - first.index + 1, pieces.data(), pieces.size());
    const size_t n = pieces_.Size();
    if (n >= 2 && pieces_.At(n - 1).bytes == 0 && pieces_.At(n - 2).kind == None) {
        pieces_.Erase(n - 1); // the last paragraph needs no empty piece of its own
    }

    if (byteFrom == 0 && byteTo == Size()) {
        bytes_.Assign(std::move(fresh.bytes)); // the whole text: no copy
    } else {
        bytes_.Replace(static_cast<size_t>(byteFrom), static_cast<size_t>(byteTo - byteFrom),
                       fresh.bytes);
    }
}

void TTextMirror::onContentsChange(int from, int removed, int added) {
    const int oldLength = docLength_;
    const int newLength = doc_.characterCount() - 1;
    // The document may count its final break in a change that reaches the end.
    from = std::clamp(from, 0, oldLength);
    removed = std::clamp(removed, 0, oldLength - from);
    added = removed + (newLength - oldLength);
    if (added < 0 || from + added > newLength) {
        resyncAll();
        return;
    }
    const int byteFrom = DocToByte(from);
    const int byteTo = DocToByte(from + removed);
    lastBulk_ = false;

    Fresh fresh;
    bool ours = pending_.active && pending_.byteFrom == byteFrom && pending_.byteTo == byteTo;
    if (ours) {
        // The document must show the bytes as they go in; where it does not
        // (a stretch it keeps in pieces of its own), it is read back.
        Shown::FindBreaks(pending_.bytes, fresh.breaks);
        const auto crlf =
            std::count_if(fresh.breaks.begin(), fresh.breaks.end(),
                          [](const Shown::TBreak& br) { return br.kind == Shown::LineEnd::CRLF; });
        ours = Shown::Units(pending_.bytes, unicode_) - crlf == added;
    }
    if (ours) {
        // Our own insertion: the bytes are known, no need to read them back.
        fresh.bytes.assign(pending_.bytes);
    } else {
        fresh.breaks.clear();
        const int block = doc_.findBlock(from).blockNumber();
        extract(from, added, block, fresh);
    }
    if (byteTo > Size()) {
        resyncAll();
        return;
    }
    const auto span = static_cast<size_t>(byteTo - byteFrom);
    const std::int64_t oldBreaks = pieces_.Total().breaks;
    if (span == fresh.bytes.size() && bytes_.Equals(static_cast<size_t>(byteFrom), fresh.bytes) &&
        doc_.blockCount() - 1 == oldBreaks) {
        docLength_ = newLength;
        // A change of format only; a replacement of ours that kept the bytes
        // changed nothing the caller meant.
        if (!loading_ && !pending_.active) {
            emit FormatChanged();
        }
        return;
    }
    docLength_ = newLength;
    applyEdit(byteFrom, byteTo, fresh);
    const auto total = pieces_.Total();
    if (total.breaks != doc_.blockCount() - 1 || total.units != docLength_) {
        resyncAll(); // the document went its own way: read it anew
        return;
    }
    ++revision_;
    if (!loading_) {
        emit Changed();
    }
}

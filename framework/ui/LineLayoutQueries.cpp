// TLineLayout's questions in positions: carets, hits, steps, and drawing.
#include "framework/ui/LineLayout.h"
#include "framework/ui/LineLayoutLong.h"

#include <QPainter>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t';
}

// The visual line of a layout holding a unit (the last one past the end).
QTextLine lineOf(const QTextLayout& layout, int unit) {
    const QTextLine line = layout.lineForTextPosition(unit);
    return line.isValid() ? line : layout.lineAt(layout.lineCount() - 1);
}

} // namespace

TLinePos TLineLayout::clamped(TLinePos pos) const {
    ensureEstimates();
    if (records_.Empty()) {
        return {};
    }
    const size_t line = std::min(pos.line, records_.Size() - 1);
    return {line, std::min<size_t>(pos.byte, lengthOf(line))};
}

TLineLayout::TSpan TLineLayout::pieceSpan(size_t line, size_t piece) {
    TLongLine& l = longLine(line);
    TLaidOut& laidOut = l.Layout(line, piece);
    const qreal top = TopOf(line);
    const qreal offset = l.Offset(piece);
    settleLong(line);
    return {&laidOut, wraps() ? QPointF(margin_, top + offset) : QPointF(margin_ + offset, top)};
}

size_t TLineLayout::pieceOf(size_t line, size_t byte) {
    return longLine(line).PieceAt(byte);
}

size_t TLineLayout::pieceCount(size_t line) {
    return longLine(line).PieceCount();
}

TLineLayout::TSpan TLineLayout::spanAt(TLinePos pos, bool before) {
    const size_t line = std::min(pos.line, records_.Size() - 1);
    const size_t byte = std::min<size_t>(pos.byte, lengthOf(line));
    if (isLong(line)) {
        return pieceSpan(line, pieceOf(line, before && byte > 0 ? byte - 1 : byte));
    }
    TLaidOut& laidOut = shortLine(line);
    return {&laidOut, QPointF(margin_, TopOf(line))};
}

TLineLayout::TSpan TLineLayout::spanAtPoint(size_t line, const QPointF& point) {
    if (!isLong(line)) {
        TLaidOut& laidOut = shortLine(line);
        return {&laidOut, QPointF(margin_, TopOf(line))};
    }
    const qreal at = wraps() ? point.y() - TopOf(line) : point.x() - margin_;
    return pieceSpan(line, longLine(line).PieceAtExtent(line, at));
}

QRectF TLineLayout::CaretRect(TLinePos pos) {
    pos = clamped(pos);
    ensureEstimates();
    if (records_.Empty()) {
        return {margin_, margin_, 1, lineHeight_ / 64.0};
    }
    const TSpan span = spanAt(pos);
    const TLaidOut& laidOut = *span.laidOut;
    const int unit = laidOut.UnitOf(pos.byte);
    const QTextLine line = lineOf(laidOut.layout, unit);
    return {span.origin.x() + line.cursorToX(unit), span.origin.y() + line.y(), 1, line.height()};
}

TLinePos TLineLayout::PositionAt(const QPointF& point) {
    ensureEstimates();
    if (records_.Empty()) {
        return {};
    }
    const size_t line = LineAt(point.y());
    ensureLaidOut(line);
    const TSpan span = spanAtPoint(line, point);
    const QTextLayout& layout = span.laidOut->layout;
    const QPointF local = point - span.origin;
    int i = 0;
    while (i + 1 < layout.lineCount() &&
           local.y() >= layout.lineAt(i).y() + layout.lineAt(i).height()) {
        ++i;
    }
    const int unit = layout.lineAt(i).xToCursor(local.x(), QTextLine::CursorBetweenCharacters);
    return {line, span.laidOut->ByteOf(unit)};
}

TLinePos TLineLayout::VisualLineStart(TLinePos pos) {
    pos = clamped(pos);
    ensureEstimates();
    if (records_.Empty() || (!wraps() && isLong(pos.line))) {
        return {pos.line, 0};
    }
    const TSpan span = spanAt(pos);
    const QTextLine line = lineOf(span.laidOut->layout, span.laidOut->UnitOf(pos.byte));
    return {pos.line, span.laidOut->ByteOf(line.textStart())};
}

TLinePos TLineLayout::VisualLineEnd(TLinePos pos) {
    pos = clamped(pos);
    ensureEstimates();
    if (records_.Empty()) {
        return pos;
    }
    const size_t length = lengthOf(pos.line);
    if (!wraps() && isLong(pos.line)) {
        return {pos.line, length};
    }
    const TSpan span = spanAt(pos);
    const TLaidOut& laidOut = *span.laidOut;
    const QTextLine line = lineOf(laidOut.layout, laidOut.UnitOf(pos.byte));
    size_t end = laidOut.ByteOf(line.textStart() + line.textLength());
    // A wrapped line ends before the space it broke at, so End stays on it.
    if (end < length && end > pos.byte && end > laidOut.start &&
        isSpace(laidOut.bytes[end - 1 - laidOut.start])) {
        --end;
    }
    return {pos.line, end};
}

TLinePos TLineLayout::vertical(TLinePos pos, qreal goal, bool down) {
    pos = clamped(pos);
    ensureEstimates();
    if (records_.Empty()) {
        return pos;
    }
    qreal y = 0;
    if (wraps()) {
        // The line moved into is laid out first: its real height, not its
        // estimate, decides which of its visual lines the caret's y meets.
        if (down && pos.line + 1 < records_.Size()) {
            spanAt({pos.line + 1, 0});
        } else if (!down && pos.line > 0) {
            spanAt({pos.line - 1, lengthOf(pos.line - 1)});
        }
        const QRectF caret = CaretRect(pos);
        y = down ? caret.bottom() + 0.5 : caret.top() - 0.5;
        if (y < margin_ || y >= Size().height() - margin_) {
            return pos;
        }
    } else {
        // One visual line a line.
        if (down ? pos.line + 1 >= records_.Size() : pos.line == 0) {
            return pos;
        }
        const size_t to = down ? pos.line + 1 : pos.line - 1;
        y = TopOf(to) + 0.5;
    }
    return PositionAt(QPointF(goal, y));
}

TLinePos TLineLayout::Above(TLinePos pos, qreal goal) {
    return vertical(pos, goal, false);
}

TLinePos TLineLayout::Below(TLinePos pos, qreal goal) {
    return vertical(pos, goal, true);
}

TLinePos TLineLayout::NextCursorPosition(TLinePos pos) {
    pos = clamped(pos);
    ensureEstimates();
    if (records_.Empty()) {
        return pos;
    }
    if (pos.byte >= lengthOf(pos.line)) {
        return pos.line + 1 < records_.Size() ? TLinePos{pos.line + 1, 0} : pos;
    }
    const TLaidOut& laidOut = *spanAt(pos).laidOut;
    return {pos.line, laidOut.ByteOf(laidOut.layout.nextCursorPosition(laidOut.UnitOf(pos.byte)))};
}

TLinePos TLineLayout::PreviousCursorPosition(TLinePos pos) {
    pos = clamped(pos);
    ensureEstimates();
    if (records_.Empty()) {
        return pos;
    }
    if (pos.byte == 0) {
        return pos.line > 0 ? TLinePos{pos.line - 1, lengthOf(pos.line - 1)} : pos;
    }
    const TLaidOut& laidOut = *spanAt(pos, true).laidOut;
    return {pos.line,
            laidOut.ByteOf(laidOut.layout.previousCursorPosition(laidOut.UnitOf(pos.byte)))};
}

TLinePos TLineLayout::wordStep(TLinePos pos, bool forward) {
    pos = clamped(pos);
    ensureEstimates();
    if (records_.Empty()) {
        return pos;
    }
    const size_t length = lengthOf(pos.line);
    if (forward && pos.byte >= length) {
        return pos.line + 1 < records_.Size() ? TLinePos{pos.line + 1, 0} : pos;
    }
    if (!forward && pos.byte == 0) {
        return pos.line > 0 ? TLinePos{pos.line - 1, lengthOf(pos.line - 1)} : pos;
    }
    std::string before;
    for (size_t byte = pos.byte;;) {
        // A word that goes on across a piece's edge is followed into the next piece.
        const TLaidOut& laidOut = *spanAt({pos.line, byte}, !forward).laidOut;
        const int unit = laidOut.UnitOf(byte);
        const QTextLayout& layout = laidOut.layout;
        const size_t to =
            laidOut.ByteOf(forward ? layout.nextCursorPosition(unit, QTextLayout::SkipWords)
                                   : layout.previousCursorPosition(unit, QTextLayout::SkipWords));
        if (forward && to == laidOut.End() && to < length && !laidOut.bytes.empty() &&
            !isSpace(laidOut.bytes.back()) && to > byte) {
            byte = to;
            continue;
        }
        if (!forward && to == laidOut.start && to > 0 && to < byte) {
            before.clear();
            source_.Bytes(pos.line, to - 1, to, before);
            if (!before.empty() && !isSpace(before[0])) {
                byte = to;
                continue;
            }
        }
        return {pos.line, to};
    }
}

TLinePos TLineLayout::NextWordStart(TLinePos pos) {
    return wordStep(pos, true);
}

TLinePos TLineLayout::PreviousWordStart(TLinePos pos) {
    return wordStep(pos, false);
}

std::pair<TLinePos, TLinePos> TLineLayout::WordAround(TLinePos pos) {
    pos = clamped(pos);
    ensureEstimates();
    if (records_.Empty()) {
        return {pos, pos};
    }
    const TLaidOut& laidOut = *spanAt(pos).laidOut;
    const QString text = laidOut.layout.text();
    const int n = static_cast<int>(text.size());
    const int unit = laidOut.UnitOf(pos.byte);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    finder.setPosition(unit);
    const auto reasons = finder.boundaryReasons();
    const bool endsHere = finder.isAtBoundary() && (reasons & QTextBoundaryFinder::EndOfItem) &&
                          !(reasons & QTextBoundaryFinder::StartOfItem);
    int start = 0;
    int end = n;
    if (unit > 0 && (unit == n || endsHere)) {
        // Right after a word: that word.
        end = unit;
        start = finder.toPreviousBoundary();
    } else {
        start = finder.isAtBoundary() ? unit : finder.toPreviousBoundary();
        finder.setPosition(unit);
        end = finder.toNextBoundary();
    }
    start = start < 0 ? 0 : start;
    end = end < 0 ? n : end;
    return {{pos.line, laidOut.ByteOf(start)}, {pos.line, laidOut.ByteOf(end)}};
}

void TLineLayout::drawSpan(QPainter* painter, const TSpan& span, size_t line, const QRectF& clip,
                           const std::vector<TLineSelection>& selections, TLinePos caret,
                           bool caretShown, int caretWidth, bool lastSpan) {
    const TLaidOut& laidOut = *span.laidOut;
    const size_t length = lengthOf(line);
    QList<QTextLayout::FormatRange> marked;
    for (const TLineSelection& s : selections) {
        const TLinePos a = std::min(s.start, s.end);
        const TLinePos b = std::max(s.start, s.end);
        if (a.line > line || b.line < line) {
            continue;
        }
        const size_t from = std::max(a.line < line ? 0 : a.byte, laidOut.start);
        const size_t to = std::min(b.line > line ? length : b.byte, laidOut.End());
        if (from < to) {
            const int u = laidOut.UnitOf(from);
            marked.append({u, laidOut.UnitOf(to) - u, s.format});
        }
    }
    // Drawn from a painter moved to the layout, so far-down lines keep their
    // precision in the toolkit's fixed-point coordinates.
    painter->save();
    painter->translate(span.origin);
    laidOut.layout.draw(painter, QPointF(), marked, clip.translated(-span.origin));
    if (lastSpan) {
        // A selection that goes on past the line marks its line end too.
        const QTextLine last = laidOut.layout.lineAt(laidOut.layout.lineCount() - 1);
        const qreal x = last.cursorToX(static_cast<int>(laidOut.layout.text().size()));
        for (const TLineSelection& s : selections) {
            const TLinePos a = std::min(s.start, s.end);
            const TLinePos b = std::max(s.start, s.end);
            if (a <= TLinePos{line, length} && b.line > line &&
                s.format.hasProperty(QTextFormat::BackgroundBrush)) {
                painter->fillRect(
                    QRectF(x, last.y(), std::max<qreal>(3, charWidth_ / 2), last.height()),
                    s.format.background());
            }
        }
    }
    if (caretShown && caret.line == line && caret.byte >= laidOut.start &&
        (caret.byte < laidOut.End() || (lastSpan && caret.byte == laidOut.End()))) {
        laidOut.layout.drawCursor(painter, QPointF(), laidOut.UnitOf(caret.byte), caretWidth);
    }
    painter->restore();
}

void TLineLayout::Draw(QPainter* painter, const QRectF& clip,
                       const std::vector<TLineSelection>& selections, TLinePos caret,
                       bool caretShown, int caretWidth) {
    ensureEstimates();
    if (records_.Empty()) {
        return;
    }
    // Laid out first: the heights that come out place the lines below.
    std::vector<size_t> shown;
    const qreal widthBefore = alignWidth();
    for (size_t line = LineAt(clip.top()); line < records_.Size() && TopOf(line) < clip.bottom();
         ++line) {
        ensureLaidOut(line);
        shown.push_back(line);
    }
    if (alignWidth() != widthBefore) {
        // A longer line came to light: the aligned ones align anew.
        for (const size_t line : shown) {
            ensureLaidOut(line);
        }
    }
    for (const size_t line : shown) {
        if (!isLong(line)) {
            TLaidOut& laidOut = shortLine(line);
            drawSpan(painter, {&laidOut, QPointF(margin_, TopOf(line))}, line, clip, selections,
                     caret, caretShown, caretWidth, true);
            continue;
        }
        const qreal top = TopOf(line);
        const qreal lo = wraps() ? clip.top() - top : clip.left() - margin_;
        const qreal hi = wraps() ? clip.bottom() - top : clip.right() - margin_;
        for (const size_t piece : longLine(line).PiecesBetween(line, lo, hi)) {
            drawSpan(painter, pieceSpan(line, piece), line, clip, selections, caret, caretShown,
                     caretWidth, piece + 1 == pieceCount(line));
        }
        settleLong(line);
    }
}

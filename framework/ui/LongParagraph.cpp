#include "framework/ui/LongParagraph.h"

#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

namespace {

constexpr qreal kFixed = 64.0;
// Laid-out pieces kept at once: more than a screen shows.
constexpr size_t kKeptLayouts = 48;

std::int32_t toFixed(qreal pixels) {
    return static_cast<std::int32_t>(std::min<qreal>(std::llround(pixels * kFixed), INT32_MAX));
}

qreal fromFixed(std::int64_t fixed) {
    return static_cast<qreal>(fixed) / kFixed;
}

// The characters [from, to) of the block, without copying the rest of it
// (nor moving a cursor, which makes the toolkit lay the paragraph out whole).
QString textOf(const QTextBlock& block, int from, int to) {
    const QTextDocument* doc = block.document();
    QString out(to - from, Qt::Uninitialized);
    for (int i = from; i < to; ++i) {
        out[i - from] = doc->characterAt(block.position() + i);
    }
    return out;
}

bool geometryMatches(const TPieceGeometry& a, const TPieceGeometry& b) {
    return a.stamp == b.stamp && a.option.alignment() == b.option.alignment() &&
           a.option.textDirection() == b.option.textDirection();
}

} // namespace

bool TLongParagraph::IsLong(const QTextBlock& block) {
    return block.isValid() && block.length() > kMinChars;
}

TLongParagraph& TLongParagraph::Of(const QTextBlock& block, const TPieceGeometry& g) {
    auto* mine = dynamic_cast<TLongParagraph*>(block.userData());
    const int chars = block.length() - 1;
    if (mine == nullptr || mine->pieces_.Total().chars != chars) {
        mine = new TLongParagraph(g);
        std::vector<Piece> pieces;
        mine->cut(block.text(), 0, chars, pieces);
        mine->pieces_.Assign(pieces);
        QTextBlock(block).setUserData(mine); // frees what was there
    }
    mine->refresh(g);
    return *mine;
}

void TLongParagraph::Drop(const QTextBlock& block) {
    if (dynamic_cast<TLongParagraph*>(block.userData()) != nullptr) {
        QTextBlock(block).setUserData(nullptr);
    }
}

void TLongParagraph::cut(const QString& text, int from, int to, std::vector<Piece>& out) const {
    // After a space between one and two piece lengths, else at two.
    while (from < to) {
        int end = to;
        if (to - from > 2 * kPieceChars) {
            end = from + 2 * kPieceChars;
            for (int i = from + kPieceChars; i < from + 2 * kPieceChars; ++i) {
                if (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')) {
                    end = i + 1;
                    break;
                }
            }
            if (end == from + 2 * kPieceChars && text[end - 1].isHighSurrogate()) {
                --end; // never between the halves of a character
            }
        }
        const auto chars = static_cast<std::uint32_t>(end - from);
        out.push_back(Piece{chars, estimate(chars), 0});
        from = end;
    }
}

std::int32_t TLongParagraph::estimate(std::uint32_t chars) const {
    const qreal width = static_cast<qreal>(chars) * geometry_.charWidth;
    if (!geometry_.wraps) {
        return std::max(1, toFixed(width));
    }
    const auto lines = std::max<std::int64_t>(
        1, static_cast<std::int64_t>(std::ceil(width / std::max<qreal>(1, geometry_.wrapWidth))));
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(lines * geometry_.lineHeight, INT32_MAX));
}

void TLongParagraph::refresh(const TPieceGeometry& g) {
    if (geometryMatches(geometry_, g) && !pieces_.Empty() && pieces_.At(0).extent > 0) {
        geometry_.device = g.device;
        geometry_.laidOut = g.laidOut;
        geometry_.charsLaidOut = g.charsLaidOut;
        return;
    }
    geometry_ = g;
    layouts_.clear();
    tallest_ = 0;
    std::vector<Piece> all = pieces_.Items();
    for (Piece& p : all) {
        p = Piece{p.chars, estimate(p.chars), 0};
    }
    pieces_.Assign(all);
}

void TLongParagraph::Change(const QTextBlock& block, int at, int removed, int added) {
    auto* mine = dynamic_cast<TLongParagraph*>(block.userData());
    if (mine != nullptr && !mine->edited(block, at, removed, added)) {
        Drop(block);
    }
}

bool TLongParagraph::edited(const QTextBlock& block, int at, int removed, int added) {
    const std::int64_t total = pieces_.Total().chars;
    if (pieces_.Empty() || at < 0 || at + removed > total ||
        total - removed + added != block.length() - 1) {
        return false;
    }
    const size_t first = pieceAt(at);
    const size_t last = removed > 0 ? pieceAt(at + removed - 1) : first;
    const int start = startOf(first);
    const Totals::Sum old = {pieces_.Prefix(last + 1).chars - pieces_.Prefix(first).chars,
                             pieces_.Prefix(last + 1).extent - pieces_.Prefix(first).extent};
    int end = start + static_cast<int>(old.chars) - removed + added;
    size_t upTo = last;
    if (end - start < kPieceChars / 4 && upTo + 1 < pieces_.Size()) {
        // Too small to stand alone: joins the next piece.
        end += static_cast<int>(pieces_.At(++upTo).chars);
    }
    std::vector<Piece> fresh;
    if (end - start > 2 * kPieceChars) {
        cut(textOf(block, start, end), 0, end - start, fresh);
    } else if (end > start) {
        // Edited in place, a piece most likely keeps its extent.
        fresh.push_back(Piece{static_cast<std::uint32_t>(end - start),
                              upTo == last ? static_cast<std::int32_t>(old.extent)
                                           : estimate(static_cast<std::uint32_t>(end - start)),
                              0});
    }
    if (fresh.size() == 1 && upTo == first) {
        layouts_.erase(first);
    } else {
        layouts_.clear();
    }
    pieces_.Replace(first, upTo - first + 1, fresh.data(), fresh.size());
    return true;
}

size_t TLongParagraph::pieceAt(int position) const {
    const auto hit = pieces_.Find([position](const Totals::Sum& s) { return s.chars > position; });
    return std::min(hit.index, pieces_.Size() - 1);
}

int TLongParagraph::startOf(size_t index) const {
    return static_cast<int>(pieces_.Prefix(index).chars);
}

qreal TLongParagraph::offsetOf(size_t index) const {
    return fromFixed(pieces_.Prefix(index).extent);
}

qreal TLongParagraph::Height() const {
    if (geometry_.wraps) {
        return fromFixed(pieces_.Total().extent);
    }
    return fromFixed(std::max(tallest_, geometry_.lineHeight));
}

qreal TLongParagraph::Width() const {
    return geometry_.wraps ? geometry_.wrapWidth : fromFixed(pieces_.Total().extent);
}

QTextLayout* TLongParagraph::layoutOf(const QTextBlock& block, size_t index) {
    auto found = layouts_.find(index);
    if (found != layouts_.end()) {
        return found->second.get();
    }
    if (layouts_.size() >= kKeptLayouts) {
        layouts_.clear();
    }
    const int start = startOf(index);
    Piece piece = pieces_.At(index);
    const int end = start + static_cast<int>(piece.chars);
    auto layout =
        std::make_unique<QTextLayout>(textOf(block, start, end), geometry_.font, geometry_.device);
    QList<QTextLayout::FormatRange> formats;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        const int from = std::max(start, f.position() - block.position());
        const int to = std::min(end, f.position() - block.position() + f.length());
        if (from < to) {
            formats.append({from - start, to - from, f.charFormat()});
        }
    }
    layout->setFormats(formats);
    QTextOption option = geometry_.option;
    option.setWrapMode(geometry_.wraps ? option.wrapMode() : QTextOption::NoWrap);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    qreal y = 0;
    qreal advance = 0;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(geometry_.wraps ? geometry_.wrapWidth : 1e6);
        line.setPosition(QPointF(0, y));
        y += line.height();
        advance = line.horizontalAdvance();
    }
    layout->endLayout();
    if (geometry_.laidOut != nullptr) {
        ++*geometry_.laidOut;
        *geometry_.charsLaidOut += piece.chars;
    }
    piece.extent = std::max(1, toFixed(geometry_.wraps ? y : advance));
    piece.stamp = geometry_.stamp;
    pieces_.Set(index, piece);
    if (!geometry_.wraps) {
        tallest_ = std::max(tallest_, toFixed(y));
    }
    QTextLayout* raw = layout.get();
    layouts_.emplace(index, std::move(layout));
    return raw;
}

size_t TLongParagraph::pieceAtExtent(const QTextBlock& block, qreal at) {
    const auto fixed = static_cast<std::int64_t>(std::floor(at * kFixed));
    // Laying a piece out settles its extent, which may move the boundary.
    for (int tries = 0;; ++tries) {
        const auto hit = pieces_.Find([fixed](const Totals::Sum& s) { return s.extent > fixed; });
        const size_t index = std::min(hit.index, pieces_.Size() - 1);
        const bool exact = pieces_.At(index).stamp == geometry_.stamp;
        layoutOf(block, index);
        if (exact || tries == 2) {
            return index;
        }
    }
}

QRectF TLongParagraph::CaretRect(const QTextBlock& block, int position) {
    const size_t index = pieceAt(position);
    const QTextLayout* layout = layoutOf(block, index);
    const qreal offset = offsetOf(index);
    const int relative = position - startOf(index);
    QTextLine line = layout->lineForTextPosition(relative);
    if (!line.isValid()) {
        line = layout->lineAt(layout->lineCount() - 1);
    }
    const qreal x = line.cursorToX(relative);
    if (geometry_.wraps) {
        return {x, offset + line.y(), 1, line.height()};
    }
    return {offset + x, 0, 1, line.height()};
}

int TLongParagraph::HitTest(const QTextBlock& block, const QPointF& point) {
    const size_t index = pieceAtExtent(block, geometry_.wraps ? point.y() : point.x());
    const QTextLayout* layout = layoutOf(block, index);
    const qreal offset = offsetOf(index);
    const qreal y = geometry_.wraps ? point.y() - offset : point.y();
    int i = 0;
    while (i + 1 < layout->lineCount() && y >= layout->lineAt(i).y() + layout->lineAt(i).height()) {
        ++i;
    }
    const QTextLine line = layout->lineAt(i);
    const qreal x = geometry_.wraps ? point.x() : point.x() - offset;
    const int relative = line.xToCursor(x, QTextLine::CursorBetweenCharacters);
    return startOf(index) + std::clamp(relative, 0, static_cast<int>(pieces_.At(index).chars));
}

int TLongParagraph::LineStart(const QTextBlock& block, int position) {
    if (!geometry_.wraps) {
        return 0;
    }
    const size_t index = pieceAt(position);
    const QTextLayout* layout = layoutOf(block, index);
    const QTextLine line = layout->lineForTextPosition(position - startOf(index));
    return startOf(index) + (line.isValid() ? line.textStart() : 0);
}

int TLongParagraph::LineEnd(const QTextBlock& block, int position) {
    const int total = static_cast<int>(pieces_.Total().chars);
    if (!geometry_.wraps) {
        return total;
    }
    const size_t index = pieceAt(position);
    const QTextLayout* layout = layoutOf(block, index);
    const QTextLine line = layout->lineForTextPosition(position - startOf(index));
    if (!line.isValid()) {
        return total;
    }
    int end = startOf(index) + line.textStart() + line.textLength();
    // A wrapped line ends before the space it broke at, so End stays on it.
    if (end < total && end > position && textOf(block, end - 1, end) == QLatin1String(" ")) {
        --end;
    }
    return end;
}

void TLongParagraph::LayOutSpan(const QTextBlock& block, qreal lo, qreal hi) {
    for (size_t index = pieceAtExtent(block, std::max<qreal>(0, lo));
         index < pieces_.Size() && offsetOf(index) < hi; ++index) {
        layoutOf(block, index);
    }
}

bool TLongParagraph::Draw(QPainter* painter, const QTextBlock& block, const QRectF& clip,
                          const std::vector<Range>& selections, int caret, int caretWidth) {
    const qreal heightBefore = Height();
    const qreal lo = geometry_.wraps ? clip.top() : clip.left();
    const qreal hi = geometry_.wraps ? clip.bottom() : clip.right();
    struct Shown {
        size_t index;
        QTextLayout* layout;
    };
    std::vector<Shown> shown;
    LayOutSpan(block, lo, hi);
    size_t index = pieceAtExtent(block, std::max<qreal>(0, lo));
    for (; index < pieces_.Size() && offsetOf(index) < hi; ++index) {
        shown.push_back({index, layoutOf(block, index)});
    }
    for (const Shown& s : shown) {
        const int start = startOf(s.index);
        const int chars = static_cast<int>(pieces_.At(s.index).chars);
        QList<QTextLayout::FormatRange> marked;
        for (const Range& r : selections) {
            const int from = std::max(r.start, start);
            const int to = std::min(r.start + r.length, start + chars);
            if (from < to) {
                marked.append({from - start, to - from, r.format});
            }
        }
        const qreal offset = offsetOf(s.index);
        const QPointF origin = geometry_.wraps ? QPointF(0, offset) : QPointF(offset, 0);
        painter->save();
        painter->translate(origin);
        s.layout->draw(painter, QPointF(), marked, clip.translated(-origin));
        const bool last = s.index + 1 == pieces_.Size();
        if (caret >= start && (caret < start + chars || (last && caret == start + chars))) {
            s.layout->drawCursor(painter, QPointF(), caret - start, caretWidth);
        }
        painter->restore();
    }
    return Height() != heightBefore;
}

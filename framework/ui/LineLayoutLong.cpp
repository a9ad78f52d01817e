#include "framework/ui/LineLayoutLong.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal kFixed = 64.0;
// Laid-out pieces kept at once: more than a screen shows.
constexpr size_t kKeptLayouts = 48;
// Unwrapped pieces are laid out on one line this wide.
constexpr qreal kUnwrappedWidth = 1e6;

std::int32_t toFixed(qreal pixels) {
    return static_cast<std::int32_t>(std::min<qreal>(std::llround(pixels * kFixed), INT32_MAX));
}

qreal fromFixed(std::int64_t fixed) {
    return static_cast<qreal>(fixed) / kFixed;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

TLongLine::TLongLine(TLineLayout& owner, size_t line) : owner_(owner), stamp_(owner.stamp_) {
    std::vector<Piece> pieces;
    cut(line, 0, owner.source_.LineLength(line), pieces);
    pieces_.Assign(pieces);
}

void TLongLine::cut(size_t line, size_t from, size_t to, std::vector<Piece>& out) const {
    const size_t piece = TLineLayout::kPieceBytes;
    std::string window;
    // After the first space in a window of a piece's length, else at its
    // end. The window starts a piece in, or, when a little over two pieces
    // are left, so that both halves are over half a piece: a piece that
    // grows past two is halved, not cut into two and a sliver.
    while (from < to) {
        size_t end = to;
        if (to - from > 2 * piece) {
            const size_t rest = to - from;
            const size_t lo = from + (rest < 3 * piece ? rest / 2 - piece / 2 : piece);
            window.clear();
            owner_.source_.Bytes(line, lo, lo + piece, window);
            const auto space = std::find_if(window.begin(), window.end(), isSpace);
            if (space != window.end()) {
                end = lo + static_cast<size_t>(space - window.begin()) + 1;
            } else {
                // Never inside a character.
                end = owner_.source_.CharStart(line, lo + piece);
                if (end <= from) {
                    end = lo + piece;
                }
            }
        }
        out.push_back(Piece{static_cast<std::uint32_t>(end - from), estimate(end - from), 0});
        from = end;
    }
}

std::int32_t TLongLine::estimate(size_t bytes) const {
    const qreal width = static_cast<qreal>(bytes) * owner_.charWidth_;
    if (!owner_.wraps()) {
        return std::max(1, toFixed(width));
    }
    const auto lines =
        std::max<std::int64_t>(1, static_cast<std::int64_t>(std::ceil(width / owner_.wrapWidth())));
    return static_cast<std::int32_t>(std::min<std::int64_t>(lines * owner_.lineHeight_, INT32_MAX));
}

void TLongLine::refresh() {
    if (stamp_ == owner_.stamp_) {
        return;
    }
    stamp_ = owner_.stamp_;
    layouts_.clear();
    tallest_ = 0;
    std::vector<Piece> all = pieces_.Items();
    for (Piece& p : all) {
        p = Piece{p.bytes, estimate(p.bytes), 0};
    }
    pieces_.Assign(all);
}

bool TLongLine::Edited(size_t line, size_t at, size_t removed, size_t added) {
    refresh();
    const size_t total = Bytes();
    const TLineSource& source = owner_.source_;
    if (pieces_.Empty() || at + removed > total ||
        total - removed + added != source.LineLength(line)) {
        return false;
    }
    size_t first = PieceAt(at);
    size_t last = removed > 0 ? PieceAt(at + removed - 1) : first;
    if (at == Start(first) && first > 0) {
        --first; // what is put at a piece's start may join the end of the one before
    }
    const size_t start = Start(first);
    const Totals::Sum before = pieces_.Prefix(first);
    const Totals::Sum through = pieces_.Prefix(last + 1);
    size_t end = start + static_cast<size_t>(through.bytes - before.bytes) - removed + added;
    size_t upTo = last;
    const size_t newTotal = total - removed + added;
    while (upTo + 1 < pieces_.Size() && (end - start < TLineLayout::kPieceBytes / 4 ||
                                         (end < newTotal && source.CharStart(line, end) != end))) {
        // Too small to stand alone, or its end now inside a character: joins the next.
        end += pieces_.At(++upTo).bytes;
    }
    end = std::min(end, newTotal);
    std::vector<Piece> fresh;
    if (end - start > 2 * TLineLayout::kPieceBytes) {
        cut(line, start, end, fresh);
    } else if (end > start) {
        // Edited in place, a piece most likely keeps its extent.
        const bool inPlace = upTo == last && first == last;
        fresh.push_back(Piece{static_cast<std::uint32_t>(end - start),
                              inPlace ? static_cast<std::int32_t>(through.extent - before.extent)
                                      : estimate(end - start),
                              0});
    }
    // The layouts of the pieces before stay; those after stay too, moved to
    // their new index and start.
    std::unordered_map<size_t, std::unique_ptr<TLineLayout::TLaidOut>> kept;
    for (auto& [index, laidOut] : layouts_) {
        if (index < first) {
            kept.emplace(index, std::move(laidOut));
        } else if (index > upTo) {
            laidOut->start = laidOut->start + added - removed;
            kept.emplace(index - (upTo - first + 1) + fresh.size(), std::move(laidOut));
        }
    }
    layouts_ = std::move(kept);
    pieces_.Replace(first, upTo - first + 1, fresh.data(), fresh.size());
    return !pieces_.Empty();
}

size_t TLongLine::PieceAt(size_t byte) const {
    const auto at = static_cast<std::int64_t>(byte);
    const auto hit = pieces_.Find([at](const Totals::Sum& s) { return s.bytes > at; });
    return std::min(hit.index, pieces_.Size() - 1);
}

qreal TLongLine::Offset(size_t piece) const {
    return fromFixed(pieces_.Prefix(piece).extent);
}

qreal TLongLine::Height() const {
    if (owner_.wraps()) {
        return fromFixed(pieces_.Total().extent);
    }
    return fromFixed(std::max(tallest_, owner_.lineHeight_));
}

qreal TLongLine::Width() const {
    return owner_.wraps() ? owner_.wrapWidth() : fromFixed(pieces_.Total().extent);
}

TLineLayout::TLaidOut& TLongLine::Layout(size_t line, size_t piece) {
    refresh();
    auto found = layouts_.find(piece);
    if (found != layouts_.end()) {
        return *found->second;
    }
    if (layouts_.size() >= kKeptLayouts) {
        layouts_.clear();
    }
    const size_t start = Start(piece);
    Piece p = pieces_.At(piece);
    const bool wraps = owner_.wraps();
    auto laidOut = owner_.layOut(line, start, start + p.bytes,
                                 wraps ? owner_.source_.LineAlignment(line) : Qt::AlignLeft, wraps,
                                 wraps ? owner_.wrapWidth() : kUnwrappedWidth);
    ++owner_.laidOut_;
    owner_.longBytesLaidOut_ += p.bytes;
    const QTextLayout& layout = laidOut->layout;
    qreal height = 0;
    for (int i = 0; i < layout.lineCount(); ++i) {
        height += layout.lineAt(i).height();
    }
    const qreal advance = layout.lineCount() > 0 ? layout.lineAt(0).horizontalAdvance() : 0;
    p.extent = std::max(1, toFixed(wraps ? height : advance));
    p.stamp = stamp_;
    pieces_.Set(piece, p);
    if (!wraps) {
        tallest_ = std::max(tallest_, toFixed(height));
    }
    TLineLayout::TLaidOut& raw = *laidOut;
    layouts_.emplace(piece, std::move(laidOut));
    return raw;
}

size_t TLongLine::PieceAtExtent(size_t line, qreal at) {
    refresh();
    const auto fixed = static_cast<std::int64_t>(std::floor(at * kFixed));
    // Laying a piece out settles its extent, which may move the boundary.
    for (int tries = 0;; ++tries) {
        const auto hit = pieces_.Find([fixed](const Totals::Sum& s) { return s.extent > fixed; });
        const size_t index = std::min(hit.index, pieces_.Size() - 1);
        const bool exact = pieces_.At(index).stamp == stamp_;
        Layout(line, index);
        if (exact || tries == 2) {
            return index;
        }
    }
}

void TLongLine::LayOutSpan(size_t line, qreal lo, qreal hi) {
    for (size_t index = PieceAtExtent(line, std::max<qreal>(0, lo));
         index < pieces_.Size() && Offset(index) < hi; ++index) {
        Layout(line, index);
    }
}

std::vector<size_t> TLongLine::PiecesBetween(size_t line, qreal lo, qreal hi) {
    LayOutSpan(line, lo, hi);
    std::vector<size_t> out;
    for (size_t index = PieceAtExtent(line, std::max<qreal>(0, lo));
         index < pieces_.Size() && Offset(index) < hi; ++index) {
        out.push_back(index);
    }
    return out;
}

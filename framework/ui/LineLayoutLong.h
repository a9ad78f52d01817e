#pragma once

#include "framework/ui/LineLayout.h"

// A line too long to be laid out whole at every keystroke, for TLineLayout.
// It is cut into pieces of a few thousand bytes, each laid out on its own
// when it is shown, hit or asked about; the pieces' extents (widths without
// wrap, heights with it) are kept in a tree of running totals, estimated
// from their lengths until they are laid out. An edit lays out again only
// the piece it falls in. Without wrap the pieces sit side by side on one
// visual line; with wrap each piece's lines follow the last piece's, so a
// visual line also ends where a piece does (pieces end after a space where
// there is one). Unwrapped, such a line is drawn aligned left: it is wider
// than what it would align in, and its pieces cannot align as one. Offsets
// are bytes of the line; extents in 1/64 pixel.
class TLongLine {
public:
    TLongLine(TLineLayout& owner, size_t line);

    // The line's bytes [at, at + removed) became `added` bytes; false when
    // the pieces cannot follow (the line must be cut afresh).
    bool Edited(size_t line, size_t at, size_t removed, size_t added);

    size_t Bytes() const { return static_cast<size_t>(pieces_.Total().bytes); }
    size_t PieceCount() const { return pieces_.Size(); }
    qreal Height() const;
    qreal Width() const;

    // The piece holding the byte (the last one for the very end).
    size_t PieceAt(size_t byte) const;
    // The piece at an extent (y with wrap, x without), laid out.
    size_t PieceAtExtent(size_t line, qreal at);
    size_t Start(size_t piece) const { return static_cast<size_t>(pieces_.Prefix(piece).bytes); }
    size_t Length(size_t piece) const { return pieces_.At(piece).bytes; }
    qreal Offset(size_t piece) const;
    TLineLayout::TLaidOut& Layout(size_t line, size_t piece);
    // Lays out the pieces between the extents `lo` and `hi`.
    void LayOutSpan(size_t line, qreal lo, qreal hi);
    // The pieces the extents [lo, hi) meet, laid out.
    std::vector<size_t> PiecesBetween(size_t line, qreal lo, qreal hi);

    // For keeping the latest used few of them.
    std::uint64_t used = 0;

private:
    struct Piece {
        std::uint32_t bytes;
        std::int32_t extent;
        std::uint32_t stamp; // 0: estimated
    };
    struct Totals {
        using Item = Piece;
        struct Sum {
            std::int64_t bytes = 0;
            std::int64_t extent = 0;
        };
        static Sum Of(const Piece& p) { return {p.bytes, p.extent}; }
        static Sum Add(const Sum& a, const Sum& b) {
            return {a.bytes + b.bytes, a.extent + b.extent};
        }
    };

    void cut(size_t line, size_t from, size_t to, std::vector<Piece>& out) const;
    std::int32_t estimate(size_t bytes) const;
    // Extents estimated afresh when the geometry changed.
    void refresh();

    TLineLayout& owner_;
    TSumTree<Totals> pieces_;
    std::uint32_t stamp_ = 0;
    std::unordered_map<size_t, std::unique_ptr<TLineLayout::TLaidOut>> layouts_;
    std::int32_t tallest_ = 0; // without wrap: the tallest piece laid out
};

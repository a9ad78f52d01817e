#pragma once

#include "framework/ui/SumTree.h"

#include <QFont>
#include <QList>
#include <QTextBlockUserData>
#include <QTextLayout>
#include <QTextOption>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class QPaintDevice;
class QPainter;
class QTextBlock;

// What the pieces of a long paragraph are laid out in.
struct TPieceGeometry {
    QFont font;
    QTextOption option; // the paragraph's alignment and direction set
    bool wraps = false;
    qreal wrapWidth = 0;
    qreal charWidth = 0;
    std::int32_t lineHeight = 0; // 1/64 pixel
    std::uint32_t stamp = 0;     // changes whenever lines may move
    QPaintDevice* device = nullptr;
    // Where the layouts of pieces are counted: pieces and characters.
    int* laidOut = nullptr;
    std::int64_t* charsLaidOut = nullptr;
};

// A paragraph too long to be laid out whole at every keystroke. It is cut
// into pieces of a few thousand characters, each laid out on its own when it
// is shown, hit or asked about; the pieces' extents (widths without wrap,
// heights with it) are kept in a tree of running totals, estimated from
// their lengths until they are laid out. An edit lays out again only the
// piece it falls in. Without wrap the pieces sit side by side on one line;
// with wrap each piece's lines follow the last piece's, so a line also ends
// where a piece does (pieces end after a space where there is one).
//
// Kept as the block's user data, so it goes when its block goes. Positions
// are relative to the block; extents in 1/64 pixel.
class TLongParagraph : public QTextBlockUserData {
public:
    // Paragraphs longer than this are laid out in pieces.
    static constexpr int kMinChars = 32768;
    static constexpr int kPieceChars = 2048;

    static bool IsLong(const QTextBlock& block);
    // The block's pieces, cut afresh when missing or out of step with it.
    static TLongParagraph& Of(const QTextBlock& block, const TPieceGeometry& g);
    // Forgets the block's pieces (its structure changed).
    static void Drop(const QTextBlock& block);
    // The block's characters [at, at + removed) became `added` characters:
    // the pieces follow, or are dropped when the change does not fit them.
    static void Change(const QTextBlock& block, int at, int removed, int added);

    qreal Height() const;
    qreal Width() const;

    // Relative to the paragraph's top left.
    QRectF CaretRect(const QTextBlock& block, int position);
    int HitTest(const QTextBlock& block, const QPointF& point);
    // The start of the visual line holding the position, and its end.
    int LineStart(const QTextBlock& block, int position);
    int LineEnd(const QTextBlock& block, int position);

    struct Range {
        int start;
        int length;
        QTextCharFormat format;
    };
    // Lays out the pieces between the extents `lo` and `hi` (heights with
    // wrap, widths without).
    void LayOutSpan(const QTextBlock& block, qreal lo, qreal hi);
    // Lays out the pieces the clip (relative) meets, then draws them; the
    // caret is drawn at `caret` unless it is negative. True when the
    // paragraph's height changed.
    bool Draw(QPainter* painter, const QTextBlock& block, const QRectF& clip,
              const std::vector<Range>& selections, int caret, int caretWidth);

    size_t PieceCount() const { return pieces_.Size(); }

private:
    struct Piece {
        std::uint32_t chars;
        std::int32_t extent;
        std::uint32_t stamp; // 0: estimated
    };
    struct Totals {
        using Item = Piece;
        struct Sum {
            std::int64_t chars = 0;
            std::int64_t extent = 0;
        };
        static Sum Of(const Piece& p) { return {p.chars, p.extent}; }
        static Sum Add(const Sum& a, const Sum& b) {
            return {a.chars + b.chars, a.extent + b.extent};
        }
    };

    explicit TLongParagraph(const TPieceGeometry& g) : geometry_(g) {}
    bool edited(const QTextBlock& block, int at, int removed, int added);
    void cut(const QString& text, int from, int to, std::vector<Piece>& out) const;
    std::int32_t estimate(std::uint32_t chars) const;
    void refresh(const TPieceGeometry& g);
    // The piece holding the position (the last one for the very end).
    size_t pieceAt(int position) const;
    // The piece at an extent, laid out.
    size_t pieceAtExtent(const QTextBlock& block, qreal at);
    QTextLayout* layoutOf(const QTextBlock& block, size_t index);
    qreal offsetOf(size_t index) const;
    int startOf(size_t index) const;

    TSumTree<Totals> pieces_;
    TPieceGeometry geometry_;
    std::unordered_map<size_t, std::unique_ptr<QTextLayout>> layouts_;
    std::int32_t tallest_ = 0; // without wrap: the tallest line laid out
};

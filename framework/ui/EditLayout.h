#pragma once

#include "framework/ui/LongParagraph.h"
#include "framework/ui/SumTree.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QTextOption>
#include <cstdint>
#include <functional>

class QTextLayout;

// The edit control's document layout. It lays out only the paragraphs that
// are shown, hit or asked about, and keeps every paragraph's height in a tree
// of running totals: estimated from its length until it is laid out, exact
// after. Positions and searches by height cost O(log n), so an edit, a page
// down or a jump to the end costs the same in a text of any size.
//
// The document is a flat run of paragraphs (no frames, tables or lists), as
// the control makes it. Word wrap follows the document's default text option:
// wrapped lines fill the page width; unwrapped ones are aligned within the
// page width or the longest line laid out so far, whichever is wider.
class TEditLayout : public QAbstractTextDocumentLayout {
    Q_OBJECT
public:
    explicit TEditLayout(QTextDocument* document);
    ~TEditLayout() override;

    void draw(QPainter* painter, const PaintContext& context) override;
    int hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const override;
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame* frame) const override;
    // Lays the paragraph out when it is not.
    QRectF blockBoundingRect(const QTextBlock& block) const override;

    // Where a caret at the position stands: its line's top, its x and the
    // line's height (document coordinates).
    QRectF CaretRect(int position) const;
    // The position nearest to a point (document coordinates).
    int PositionAt(const QPointF& point) const { return hitTest(point, Qt::FuzzyHit); }
    // The paragraph at a height (document coordinates), laid out or not.
    QTextBlock BlockAt(qreal y) const;

    // Paragraphs (or pieces of long ones) laid out so far, and the
    // characters of those pieces, to tell how little was laid out.
    int LaidOutCount() const { return laidOut_; }
    std::int64_t LongCharsLaidOut() const { return longCharsLaidOut_; }

    // Lays out what lies between two heights (document coordinates), so
    // that placing the view there moves nothing it shows.
    void LayOutBetween(qreal top, qreal bottom) const;
    // Where the caret is drawn in a long paragraph, whose caret blinks by
    // the control's own clock: -1 hidden, -2 where the toolkit says.
    void SetOwnCaret(int position) { ownCaret_ = position; }
    // A paragraph laid out in pieces holds the position.
    bool InLongParagraph(int position) const;
    // The start and end of the visual line holding a position in such a paragraph.
    int LineStartOf(int position) const;
    int LineEndOf(int position) const;

signals:
    // Paragraphs wholly above `y` changed their height by `delta` as they
    // were laid out, moving everything below them.
    void HeightChangedAbove(qreal y, qreal delta);

protected:
    void documentChanged(int from, int removed, int added) override;

private:
    struct Record {
        std::int32_t height; // 1/64 pixel
        std::int32_t width;  // the widest line, whole pixels; 0 while not known
        std::uint32_t chars; // the paragraph's length when recorded
        std::uint32_t stamp; // the geometry it was laid out in; 0: estimated
    };
    struct Totals {
        using Item = Record;
        struct Sum {
            std::int64_t height = 0;
            std::int32_t widest = 0;
        };
        static Sum Of(const Record& r) { return {r.height, r.width}; }
        static Sum Add(const Sum& a, const Sum& b) {
            return {a.height + b.height, std::max(a.widest, b.widest)};
        }
    };
    using Records = TSumTree<Totals>;

    // What the lines of every paragraph depend on.
    struct Geometry {
        qreal pageWidth = 0;
        qreal margin = 0;
        QFont font;
        QTextOption option;
        bool operator==(const Geometry& o) const;
    };

    bool wraps() const;
    qreal wrapWidth() const;
    // The width unwrapped lines are aligned in.
    qreal alignWidth() const;
    std::int32_t estimate(std::uint32_t chars) const;
    // Checks the geometry against the document; a change that moves lines
    // makes every paragraph's layout stale.
    bool refreshGeometry();
    // Heights made afresh from lengths after a change of geometry.
    void ensureEstimates() const;
    bool inStep() const;
    void resyncAll();

    qreal topOf(size_t index) const;
    // Lays the paragraph out unless its lines are good for the geometry.
    // True when its height changed.
    bool ensureLaidOut(const QTextBlock& block, size_t index) const;
    void layOut(const QTextBlock& block, Record& record) const;
    TPieceGeometry pieceGeometry(const QTextBlock& block) const;
    TLongParagraph& longOf(const QTextBlock& block) const;
    // A long paragraph whose pieces can be trusted now.
    bool longInStep(const QTextBlock& block) const;
    void drawLong(QPainter* painter, const PaintContext& context, const QTextBlock& block,
                  qreal top, const QRectF& clip) const;
    void drawBlock(QPainter* painter, const PaintContext& context, const QTextBlock& block,
                   qreal top, const QRectF& clip) const;
    // After layouts done while drawing or answering: tell the view once.
    void noteChange(qreal top, std::int64_t oldHeight, std::int64_t newHeight) const;
    void reportSizeLater() const;
    void reportSize() const;

    mutable Records records_;
    Geometry geometry_;
    std::int32_t lineHeight_ = 0; // one line of the base font, 1/64 pixel
    qreal charWidth_ = 0;
    mutable std::uint32_t stamp_ = 1;
    mutable bool estimatesStale_ = false;
    mutable bool sizePending_ = false;
    mutable QSizeF reportedSize_;
    mutable int laidOut_ = 0;
    int ownCaret_ = -2;
    mutable std::int64_t longCharsLaidOut_ = 0;
};

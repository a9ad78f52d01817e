#pragma once

#include "framework/ui/SumTree.h"

#include <QFont>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTextLayout>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class QPaintDevice;
class QPainter;
class TLongLine;

// What the edit control's layout needs of its text: lines (paragraphs) of
// bytes, each without its line end, in Windows-1252 or UTF-8.
class TLineSource {
public:
    // A byte range of a line as the control shows it (Shown::AppendShown's
    // rules), with the character formats over it, and the bytes themselves
    // so that offsets in the shown text map back (Shown::ByteOfUnit).
    struct TShown {
        QString text;
        QList<QTextLayout::FormatRange> formats; // relative to `text`
        std::string bytes;
        bool unicode = false;
    };

    virtual ~TLineSource() = default;
    virtual size_t LineCount() const = 0;
    virtual size_t LineLength(size_t line) const = 0;
    // The body lengths of the lines [first, first + count), appended in order.
    virtual void LineLengths(size_t first, size_t count, std::vector<std::uint32_t>& out) const = 0;
    virtual Qt::Alignment LineAlignment(size_t line) const = 0;
    // The bytes [from, to) of a line's body.
    virtual void Bytes(size_t line, size_t from, size_t to, std::string& out) const = 0;
    // The bytes [from, to) of a line's body as shown; `out` is overwritten.
    virtual void ShownText(size_t line, size_t from, size_t to, TShown& out) const = 0;
    // The start of the character holding the byte `at` of a line's body.
    virtual size_t CharStart(size_t line, size_t at) const = 0;
};

// A place in the text: a line and a byte offset in its body (its length is
// the place before the line end).
struct TLinePos {
    size_t line = 0;
    size_t byte = 0;
    auto operator<=>(const TLinePos&) const = default;
};

// Text drawn marked, from `start` to `end`.
struct TLineSelection {
    TLinePos start;
    TLinePos end;
    QTextCharFormat format;
};

// The edit control's layout of a TLineSource, with no toolkit document under
// it. Every line's height is kept in a tree of running totals, estimated
// from its length until it is laid out, exact after, so a position or search
// by height costs O(log n) in a text of any length. Only lines that are
// shown, hit or asked about are laid out, and only the latest few hundred
// layouts are kept. A line longer than kLongBytes is laid out in pieces of
// about kPieceBytes (see TLongLine), never whole.
//
// Document coordinates: y down from the top, the text inside a margin. Word
// wrap fills the page width less the margins; unwrapped lines are aligned
// within that width or the widest line laid out so far, whichever is wider.
// Text is drawn in the painter's pen.
class TLineLayout {
public:
    static constexpr size_t kLongBytes = 32768;
    static constexpr size_t kPieceBytes = 2048;

    explicit TLineLayout(const TLineSource& source);
    ~TLineLayout();
    TLineLayout(const TLineLayout&) = delete;
    TLineLayout& operator=(const TLineLayout&) = delete;

    // Geometry; a change of any makes every line's height an estimate again.
    void SetFont(const QFont& font);
    void SetWordWrap(bool wrap);
    void SetPageWidth(qreal width);
    void SetMargin(qreal margin);
    void SetTabStopDistance(qreal distance);
    void SetPaintDevice(QPaintDevice* device);
    const QFont& Font() const { return font_; }
    bool WordWrap() const { return wrap_; }
    qreal Margin() const { return margin_; }

    // Forgets everything and takes the source's lines afresh.
    void Reset();
    // The lines [first, first + removed) became the source's lines
    // [first, first + added). A line edited in place keeps its height until
    // it is laid out again.
    void Changed(size_t first, size_t removed, size_t added);
    // The bytes [at, at + removed) of one line became `added` bytes: a long
    // line lays out again only the piece the change falls in.
    void ChangedInLine(size_t line, size_t at, size_t removed, size_t added);

    // The whole text's extent, margins included.
    QSizeF Size() const;
    size_t LineCount() const { return records_.Size(); }
    // The line at a height (the first or last beyond the text), laid out or not.
    size_t LineAt(qreal y) const;
    qreal TopOf(size_t line) const;
    qreal HeightOf(size_t line) const;
    // Lays out what lies between two heights (and, of an unwrapped long
    // line, between two x), so that showing them moves nothing.
    void LayOutBetween(qreal top, qreal bottom, qreal left = 0, qreal right = 1);

    // Where a caret at the position stands: its visual line's top and height.
    QRectF CaretRect(TLinePos pos);
    // The position nearest to a point.
    TLinePos PositionAt(const QPointF& point);
    // The start and end of the visual line holding the position; a wrapped
    // line's end is before the space it broke at.
    TLinePos VisualLineStart(TLinePos pos);
    TLinePos VisualLineEnd(TLinePos pos);
    // The position on the visual line above or below at the x `goal`; the
    // position itself when there is no such line.
    TLinePos Above(TLinePos pos, qreal goal);
    TLinePos Below(TLinePos pos, qreal goal);
    // Character (grapheme cluster) and word steps; the line end steps to
    // the next line's start and back.
    TLinePos NextCursorPosition(TLinePos pos);
    TLinePos PreviousCursorPosition(TLinePos pos);
    TLinePos NextWordStart(TLinePos pos);
    TLinePos PreviousWordStart(TLinePos pos);
    // The word (or run of spaces or punctuation) the position is in, or
    // that ends at it.
    std::pair<TLinePos, TLinePos> WordAround(TLinePos pos);

    // Lays out and draws the lines the clip (document coordinates) meets.
    void Draw(QPainter* painter, const QRectF& clip, const std::vector<TLineSelection>& selections,
              TLinePos caret, bool caretShown, int caretWidth = 1);

    // Lines and pieces laid out so far, and the bytes of the pieces, to
    // tell how little was laid out.
    int LaidOutCount() const { return laidOut_; }
    std::int64_t LongBytesLaidOut() const { return longBytesLaidOut_; }
    // Called as lines are laid out: everything from `below` on moved by `delta`.
    std::function<void(qreal below, qreal delta)> HeightChanged;

private:
    friend class TLongLine;

    // One QTextLayout over the bytes [start, start + bytes.size()) of a line.
    struct TLaidOut {
        TLaidOut(const QString& text, const QFont& font, QPaintDevice* device)
            : layout(text, font, device) {}
        QTextLayout layout;
        std::string bytes;
        size_t start = 0;
        bool unicode = false;
        int UnitOf(size_t byte) const; // byte in the line
        size_t ByteOf(int unit) const; // byte in the line
        size_t End() const { return start + bytes.size(); }
    };
    // Where a layout stands in the document.
    struct TSpan {
        TLaidOut* laidOut = nullptr;
        QPointF origin;
    };

    // Eight bytes a line, so that 1.8 million lines cost little to set up;
    // the lengths stay the source's.
    struct Record {
        std::int32_t height; // 1/64 pixel
        std::int32_t width;  // the widest visual line, whole pixels; kEstimated until laid out
    };
    static constexpr std::int32_t kEstimated = -1;
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
    struct Cached {
        std::unique_ptr<TLaidOut> laidOut;
        std::list<size_t>::iterator used;
    };

    bool wraps() const { return wrap_ && pageWidth_ > 0; }
    qreal wrapWidth() const;
    qreal alignWidth() const;
    std::int32_t estimate(size_t bytes) const;
    void geometryChanged();
    void ensureEstimates() const;
    void estimateAll() const;
    size_t lengthOf(size_t line) const { return source_.LineLength(line); }
    bool isLong(size_t line) const { return lengthOf(line) > kLongBytes; }

    // A fresh layout of bytes [from, to) of a line, its lines placed.
    std::unique_ptr<TLaidOut> layOut(size_t line, size_t from, size_t to, Qt::Alignment alignment,
                                     bool wrap, qreal width) const;
    // Lays the line out unless its lines are good for the geometry.
    void ensureLaidOut(size_t line);
    TLaidOut& shortLine(size_t line);
    void forgetLine(size_t line);
    void forgetLines();
    TLongLine& longLine(size_t line);
    // The long line's height and width into its record.
    void settleLong(size_t line);
    void setRecord(size_t line, const Record& record);
    // Moves cached layouts of lines at or after `from` by `delta` lines.
    void shiftCaches(size_t from, size_t removed, std::ptrdiff_t delta);

    // Within the text: the last line at most, the line's end at most.
    TLinePos clamped(TLinePos pos) const;
    // The layout holding the byte (at the line's end: the last one).
    TSpan spanAt(TLinePos pos, bool before = false);
    TSpan spanAtPoint(size_t line, const QPointF& point);
    TSpan pieceSpan(size_t line, size_t piece);
    size_t pieceCount(size_t line);
    size_t pieceOf(size_t line, size_t byte);
    TLinePos vertical(TLinePos pos, qreal goal, bool down);
    TLinePos wordStep(TLinePos pos, bool forward);
    void drawSpan(QPainter* painter, const TSpan& span, size_t line, const QRectF& clip,
                  const std::vector<TLineSelection>& selections, TLinePos caret, bool caretShown,
                  int caretWidth, bool lastSpan);

    const TLineSource& source_;
    mutable TSumTree<Totals> records_;
    QFont font_;
    bool wrap_ = false;
    qreal pageWidth_ = 0;
    qreal margin_ = 4;
    qreal tabStop_ = 80;
    QPaintDevice* device_ = nullptr;
    std::int32_t lineHeight_ = 0; // one line of the base font, 1/64 pixel
    qreal charWidth_ = 0;
    std::uint32_t stamp_ = 1;
    mutable bool estimatesStale_ = false;

    std::unordered_map<size_t, Cached> cache_;
    std::list<size_t> lru_; // most recently used first
    size_t cachedBytes_ = 0;
    std::unordered_map<size_t, std::unique_ptr<TLongLine>> long_;
    std::uint64_t longClock_ = 0;
    int laidOut_ = 0;
    std::int64_t longBytesLaidOut_ = 0;
};

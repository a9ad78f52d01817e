#include "framework/ui/LineLayout.h"

#include "tests/framework/FakeLineSource.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <string>

namespace {

constexpr qreal kPage = 400;

// Words of ASCII, two-, three- and four-byte characters (a surrogate pair
// shown), and a combining mark.
std::string mixedWords(size_t bytes) {
    static const char* const kWords[] = {
        "alpha ",      "caf\xC3\xA9 ", "\xE4\xB8\xAD\xE6\x96\x87 ", "\xF0\x9F\x98\x80x ",
        "e\xCC\x81t ", "tab\t"};
    std::string out;
    for (size_t i = 0; out.size() < bytes; ++i) {
        out += kWords[i % 6];
    }
    return out;
}

struct TFixture {
    TFakeLineSource source;
    TLineLayout layout{source};
    explicit TFixture(bool wrap, std::vector<std::string> lines) {
        source.lines = std::move(lines);
        layout.SetPageWidth(kPage);
        layout.SetWordWrap(wrap);
        layout.Reset();
    }
    QPointF centre(TLinePos pos) { return layout.CaretRect(pos).center(); }
};

// Each position from `from` on, `steps` characters, comes back from a hit
// on its caret's centre.
void expectRoundTrips(TFixture& t, TLinePos from, int steps) {
    TLinePos pos = from;
    for (int i = 0; i < steps; ++i) {
        const TLinePos hit = t.layout.PositionAt(t.centre(pos));
        ASSERT_EQ(hit.line, pos.line) << "step " << i;
        ASSERT_EQ(hit.byte, pos.byte) << "step " << i;
        const TLinePos next = t.layout.NextCursorPosition(pos);
        if (next == pos) {
            return;
        }
        ASSERT_LT(pos, next);
        pos = next;
    }
}

} // namespace

TEST(LineLayout, CaretRectAndHitTestAgreeInShortAndLongLines) {
    const std::string longLine = mixedWords(200000);
    for (const bool wrap : {false, true}) {
        SCOPED_TRACE(wrap ? "wrap" : "no wrap");
        TFixture t(wrap, {"", mixedWords(300), longLine, "last"});
        expectRoundTrips(t, {0, 0}, 200);
        // Across the first pieces of the long line and around one far in.
        expectRoundTrips(t, {2, 0}, 3000);
        expectRoundTrips(t, t.layout.NextCursorPosition({2, 100003}), 3000);
        expectRoundTrips(t, t.layout.NextCursorPosition({2, longLine.size() - 20}), 100);
        EXPECT_LT(t.layout.LongBytesLaidOut(), 40 * TLineLayout::kPieceBytes);
        // Steps never land inside a character nor between e and its mark.
        EXPECT_EQ(t.layout.NextCursorPosition({1, 25}).byte, 28u) << "e + U+0301 is one step";
        EXPECT_EQ(t.layout.NextCursorPosition({1, 19}).byte, 23u) << "a surrogate pair is one";
        EXPECT_EQ(t.layout.PreviousCursorPosition({1, 23}).byte, 19u);
        const size_t end = t.source.lines[1].size();
        EXPECT_EQ(t.layout.NextCursorPosition({1, end}), (TLinePos{2, 0}));
        EXPECT_EQ(t.layout.PreviousCursorPosition({2, 0}), (TLinePos{1, end}));
    }
}

TEST(LineLayout, EstimatesBecomeExactAndChangesKeepTheRest) {
    std::vector<std::string> lines;
    for (int i = 0; i < 200; ++i) {
        lines.push_back(std::string(static_cast<size_t>(i % 7) * 40, 'w') + " end");
    }
    TFixture t(true, lines);
    t.layout.LayOutBetween(0, 1e9);
    const int laidOut = t.layout.LaidOutCount();
    EXPECT_EQ(laidOut, 200);
    // Each line's height is what a layout of its own says.
    qreal sum = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        QTextLayout own(QString::fromStdString(lines[i]), t.layout.Font());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        own.setTextOption(option);
        qreal height = 0;
        own.beginLayout();
        for (QTextLine l = own.createLine(); l.isValid(); l = own.createLine()) {
            l.setLeadingIncluded(true);
            l.setLineWidth(kPage - 2 * t.layout.Margin());
            height += l.height();
        }
        own.endLayout();
        ASSERT_NEAR(t.layout.HeightOf(i), height, 0.05) << i;
        ASSERT_NEAR(t.layout.TopOf(i), t.layout.Margin() + sum, 0.1) << i;
        sum += height;
    }
    EXPECT_NEAR(t.layout.Size().height(), sum + 2 * t.layout.Margin(), 0.1);
    // A narrower page: every line an estimate again, laid out anew when asked.
    t.layout.SetPageWidth(kPage / 2);
    EXPECT_GT(t.layout.Size().height(), sum);
    t.layout.CaretRect({199, 0});
    EXPECT_EQ(t.layout.LaidOutCount(), laidOut + 1);
    t.layout.SetPageWidth(kPage);
    t.layout.LayOutBetween(0, 1e9);
    EXPECT_NEAR(t.layout.Size().height(), sum + 2 * t.layout.Margin(), 0.1);
    const int laidOutTwice = t.layout.LaidOutCount();

    // Two lines in, one edited, one out: the others keep their laid-out lines.
    const qreal below = t.layout.TopOf(150);
    const qreal tenth = t.layout.HeightOf(10);
    t.source.lines.insert(t.source.lines.begin() + 100, {"new one", "new two"});
    t.layout.Changed(100, 0, 2);
    t.source.lines[50] += " more";
    t.layout.ChangedInLine(50, lines[50].size(), 0, 5);
    t.source.lines.erase(t.source.lines.begin() + 10);
    t.layout.Changed(10, 1, 0);
    ASSERT_EQ(t.layout.LineCount(), 201u);
    EXPECT_NEAR(t.layout.TopOf(151) - below, t.layout.HeightOf(99) + t.layout.HeightOf(100) - tenth,
                0.1);
    const TLinePos old150{151, lines[150].size()};
    EXPECT_EQ(t.layout.PositionAt(t.centre(old150)), old150);
    EXPECT_EQ(t.layout.LaidOutCount(), laidOutTwice) << "the line moved along with its layout";
    t.layout.CaretRect({49, 0});
    EXPECT_EQ(t.layout.LaidOutCount(), laidOutTwice + 1) << "the edited line alone laid out again";

    // The layouts kept are bounded by their text too.
    TFixture big(false, std::vector<std::string>(80, std::string(30000, 'x')));
    big.layout.LayOutBetween(0, 1e9);
    const int all = big.layout.LaidOutCount();
    big.layout.CaretRect({79, 0});
    EXPECT_EQ(big.layout.LaidOutCount(), all);
    big.layout.CaretRect({0, 0});
    EXPECT_EQ(big.layout.LaidOutCount(), all + 1);
}

TEST(LineLayout, LinesAlignWithinTheWrapWidthOrTheWidestLine) {
    struct Case {
        bool wrap;
        Qt::Alignment alignment;
        qreal startX; // of the short line's caret at 0, less the margin, in the width it aligns in
    };
    const Case cases[] = {{true, Qt::AlignLeft, 0.0},
                          {true, Qt::AlignRight, 1.0},
                          {true, Qt::AlignHCenter, 0.5},
                          {false, Qt::AlignRight, 1.0},
                          {false, Qt::AlignHCenter, 0.5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.alignment) * 2 + c.wrap);
        const std::string wide(200, 'm'); // wider than the page unwrapped
        TFixture t(c.wrap, {"ab", wide});
        t.source.alignments = {c.alignment, Qt::AlignLeft};
        t.layout.LayOutBetween(0, 1e9);
        const qreal margin = t.layout.Margin();
        const qreal inWidth = c.wrap ? kPage - 2 * margin : t.layout.Size().width() - 2 * margin;
        EXPECT_GT(inWidth, c.wrap ? 0 : kPage) << "unwrapped, the widest line sets the width";
        const QRectF end = t.layout.CaretRect({0, 2});
        const QRectF start = t.layout.CaretRect({0, 0});
        const qreal natural = end.left() - start.left();
        EXPECT_NEAR(start.left() - margin, c.startX * (inWidth - natural), 1.5);
        EXPECT_EQ(t.layout.PositionAt(end.center()), (TLinePos{0, 2}));
        if (!c.wrap) {
            // A wider page: no line estimated again, the aligned one aligned anew.
            const int before = t.layout.LaidOutCount();
            t.layout.SetPageWidth(kPage * 8);
            t.layout.CaretRect({1, 0});
            EXPECT_EQ(t.layout.LaidOutCount(), before);
            EXPECT_NEAR(t.layout.CaretRect({0, 0}).left() - margin,
                        c.startX * (kPage * 8 - 2 * margin - natural), 1.5);
        }
    }
}

TEST(LineLayout, QueriesInATenMegabyteLineLayOutAFewPieces) {
    const std::string huge = mixedWords(10 << 20);
    for (const bool wrap : {false, true}) {
        SCOPED_TRACE(wrap ? "wrap" : "no wrap");
        TFixture t(wrap, {"first", huge, "last"});
        const size_t middle = huge.find("alpha", huge.size() / 2);
        const QRectF caret = t.layout.CaretRect({1, middle});
        EXPECT_EQ(t.layout.PositionAt(caret.center()), (TLinePos{1, middle}));
        const std::int64_t bytesBefore = t.layout.LongBytesLaidOut();
        EXPECT_LE(bytesBefore, 8 * static_cast<std::int64_t>(TLineLayout::kPieceBytes));

        // One byte typed in the middle: the piece it falls in is laid out
        // again, and one laid out further on keeps its place in the text.
        const size_t later = huge.find("alpha", middle + 3 * TLineLayout::kPieceBytes);
        t.layout.CaretRect({1, later});
        t.source.lines[1].insert(middle, "Z");
        t.layout.ChangedInLine(1, middle, 0, 1);
        const TLinePos after{1, middle + 1};
        EXPECT_EQ(t.layout.PositionAt(t.layout.CaretRect(after).center()), after);
        EXPECT_EQ(t.layout.WordAround({1, later + 1}).first.byte, later + 1);
        const auto word = t.layout.WordAround(after);
        EXPECT_EQ(word.first.byte, middle);
        EXPECT_EQ(word.second.byte, middle + 6);
        const TLinePos next = t.layout.NextWordStart(after);
        EXPECT_EQ(next.byte, middle + 7);
        EXPECT_EQ(t.layout.PreviousWordStart(next).byte, middle);
        const TLinePos end = t.layout.VisualLineEnd(after);
        EXPECT_EQ(end.byte == t.source.lines[1].size(), !wrap);
        const TLinePos below = t.layout.Below(after, caret.left());
        const TLinePos above = t.layout.Above(below, caret.left());
        EXPECT_EQ(below.line, wrap ? 1u : 2u);
        EXPECT_EQ(above.line, 1u);
        if (wrap) {
            EXPECT_GT(below.byte, after.byte);
            EXPECT_NEAR(static_cast<double>(above.byte), static_cast<double>(after.byte), 4);
        }
        EXPECT_LE(t.layout.LongBytesLaidOut() - bytesBefore,
                  12 * static_cast<std::int64_t>(TLineLayout::kPieceBytes));
    }
}

TEST(LineLayout, WordsAndDrawing) {
    TFixture t(false, {"alpha beta, gamma", "", "second line"});
    struct Step {
        TLinePos from;
        TLinePos next;
        TLinePos previous;
        std::pair<size_t, size_t> word;
    };
    const Step steps[] = {
        {{0, 0}, {0, 6}, {0, 0}, {0, 5}},     {{0, 2}, {0, 6}, {0, 0}, {0, 5}},
        {{0, 5}, {0, 6}, {0, 0}, {0, 5}},     {{0, 8}, {0, 10}, {0, 6}, {6, 10}},
        {{0, 17}, {1, 0}, {0, 12}, {12, 17}}, {{1, 0}, {2, 0}, {0, 17}, {0, 0}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.from.byte);
        EXPECT_EQ(t.layout.NextWordStart(s.from), s.next);
        EXPECT_EQ(t.layout.PreviousWordStart(s.from), s.previous);
        const auto word = t.layout.WordAround(s.from);
        EXPECT_EQ(word.first.byte, s.word.first);
        EXPECT_EQ(word.second.byte, s.word.second);
    }
    EXPECT_EQ(t.layout.VisualLineStart({2, 5}), (TLinePos{2, 0}));
    EXPECT_EQ(t.layout.VisualLineEnd({2, 5}), (TLinePos{2, 11}));

    // The selection is drawn where its caret rects say, the caret where it stands.
    QImage image(400, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QTextCharFormat marked;
    marked.setBackground(Qt::red);
    t.layout.Draw(&painter, QRectF(0, 0, 400, 100), {{{0, 6}, {0, 10}, marked}}, {2, 0}, true, 2);
    painter.end();
    const QRectF from = t.layout.CaretRect({0, 6});
    const QRectF to = t.layout.CaretRect({0, 10});
    const auto redIn = [&](qreal left, qreal right) {
        int red = 0;
        int all = 0;
        for (int x = static_cast<int>(left) + 1; x < static_cast<int>(right); ++x) {
            for (int y = static_cast<int>(from.top()) + 1; y < static_cast<int>(from.bottom());
                 ++y) {
                red += image.pixelColor(x, y) == QColor(Qt::red) ? 1 : 0;
                ++all;
            }
        }
        return all > 0 ? static_cast<double>(red) / all : 0;
    };
    EXPECT_GT(redIn(from.left(), to.left()), 0.5);
    EXPECT_EQ(redIn(from.left() - 12, from.left() - 1), 0);

    // Marked across lines: the empty line between shows its line end marked.
    image.fill(Qt::white);
    painter.begin(&image);
    t.layout.Draw(&painter, QRectF(0, 0, 400, 100), {{{0, 6}, {2, 3}, marked}}, {2, 0}, false);
    painter.end();
    const QRectF empty = t.layout.CaretRect({1, 0});
    EXPECT_EQ(
        image.pixelColor(static_cast<int>(empty.left()) + 1, static_cast<int>(empty.center().y())),
        QColor(Qt::red));
    EXPECT_EQ(
        image.pixelColor(static_cast<int>(empty.left()) + 12, static_cast<int>(empty.center().y())),
        QColor(Qt::white));
    const QRectF caret = t.layout.CaretRect({2, 0});
    EXPECT_NE(
        image.pixelColor(static_cast<int>(caret.left()), static_cast<int>(caret.center().y())),
        QColor(Qt::white));
}

TEST(LineLayout, TypingInALongWordKeepsItsVisualLines) {
    // No space to cut at: each piece that grows past two is halved, so no
    // slivers pile up, each of which would start a visual line of its own.
    TFixture t(true, {std::string(100000, 'w')});
    const size_t at = 50000;
    t.layout.LayOutBetween(0, 1e9);
    const qreal before = t.layout.HeightOf(0);
    const qreal line = t.layout.CaretRect({0, 0}).height();
    for (size_t i = 0; i < 200; ++i) {
        t.source.lines[0].insert(at + i, "w");
        t.layout.ChangedInLine(0, at + i, 0, 1);
        t.layout.CaretRect({0, at + i + 1});
    }
    t.layout.LayOutBetween(0, 1e9);
    const qreal typedLines = 200 *
                             QFontMetricsF(t.layout.Font()).horizontalAdvance(QLatin1Char('w')) /
                             (kPage - 2 * t.layout.Margin());
    EXPECT_LE(t.layout.HeightOf(0), before + (typedLines + 4) * line);
}

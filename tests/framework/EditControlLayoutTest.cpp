#include "framework/ui/LineLayout.h"
#include "framework/ui/RichEdit.h"
#include "framework/ui/ScriptedPlatform.h"
#include "tests/common/CpuTime.h"
#include "tests/framework/EditControlTestSupport.h"

#include <QFile>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string numberedLines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "line " + std::to_string(i) + " of the text\r\n";
    }
    return text;
}

int caretLine(const TEditControl& edit) {
    return edit.CaretPos().y();
}

// Prints into a PDF file, so that the pages can be counted.
struct TPdfPlatform : TScriptedPlatform {
    QString file;
    QString Print(const QTextDocument& document, const QString&) override {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        document.print(&printer);
        return {};
    }
};

} // namespace

TEST(EditLayout, PagesAndScrollsThroughALongTextLayingOutOnlyWhatIsShown) {
    constexpr int kLines = 100000;
    TShownEdit t(numberedLines(kLines));
    TRichEdit& edit = t.edit;
    EXPECT_LT(t.layout.LaidOutCount(), 200) << "opening lays out one screen";
    const qreal line = t.layout.HeightOf(0);
    ASSERT_GT(line, 0);
    EXPECT_NEAR(t.layout.Size().height(), (kLines + 1) * line + 2 * t.layout.Margin(), 1);

    // A page is about as many lines as the view shows, and the view follows.
    const int perPage = static_cast<int>(edit.viewport()->height() / line);
    t.key(Qt::Key_PageDown);
    const int page = caretLine(edit);
    EXPECT_NEAR(page, perPage, 2);
    EXPECT_TRUE(caretShown(edit));
    t.key(Qt::Key_PageDown);
    EXPECT_NEAR(caretLine(edit), 2 * page, 1);
    t.key(Qt::Key_PageUp);
    EXPECT_NEAR(caretLine(edit), page, 1);
    for (int i = 0; i < 200; ++i) {
        t.key(Qt::Key_PageDown);
    }
    paint(edit);
    EXPECT_NEAR(caretLine(edit), 201 * page, 200);
    EXPECT_TRUE(edit.viewport()->rect().contains(caretInView(edit))) << "the caret stays in view";
    t.key(Qt::Key_PageUp);
    EXPECT_NEAR(caretLine(edit), 200 * page, 200);

    t.key(Qt::Key_End, Qt::ControlModifier);
    paint(edit);
    EXPECT_EQ(caretLine(edit), kLines);
    EXPECT_EQ(edit.verticalScrollBar()->value(), edit.verticalScrollBar()->maximum());
    const size_t last = t.layout.LineCount() - 1;
    EXPECT_LE(t.layout.TopOf(last) + t.layout.HeightOf(last) - edit.verticalScrollBar()->value(),
              edit.viewport()->height())
        << "the last line shows";
    EXPECT_LT(t.layout.LaidOutCount(), 20000) << "pages passed, not the whole text";
    t.key(Qt::Key_Home, Qt::ControlModifier);
    paint(edit);
    EXPECT_EQ(edit.verticalScrollBar()->value(), 0);

    // The bar dragged to the end and back lands where it was put.
    QScrollBar& bar = *edit.verticalScrollBar();
    const int laidOutBefore = t.layout.LaidOutCount();
    for (const double share : {1.0, 0.5, 0.25, 0.999, 0.0}) {
        SCOPED_TRACE(share);
        const int value = static_cast<int>(bar.maximum() * share);
        bar.setValue(value);
        paint(edit);
        EXPECT_EQ(bar.value(), value) << "the view stays where the bar was put";
        const size_t top = t.layout.LineAt(value);
        EXPECT_NEAR(static_cast<double>(top), (value - t.layout.Margin()) / line, 1);
        // What shows is the text at that place: a click on the top line hits it.
        QTest::mouseClick(edit.viewport(), Qt::LeftButton, {}, QPoint(5, 0));
        EXPECT_EQ(caretLine(edit), static_cast<int>(top));
    }
    EXPECT_LT(t.layout.LaidOutCount() - laidOutBefore, 400) << "a few screens only";
}

TEST(EditLayout, HitTestingAndCaretRectsAgreeAcrossFontsAndPlaces) {
    // A 96 pt line among 8 pt lines, and a paragraph of many formats.
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Sans;}}\\f0\\fs16 ";
    for (int i = 0; i < 3000; ++i) {
        rtf += i == 1500 ? "{\\fs192 the big line}\\par\n"
                         : "small line " + std::to_string(i) + "\\par\n";
    }
    for (int i = 0; i < 2000; ++i) {
        rtf += (i % 2 ? "{\\b " : "{\\i\\fs") + std::to_string(10 + i % 30) + " w" +
               std::to_string(i) + "}";
    }
    rtf += "\\par}";
    TShownEdit t("");
    TRichEdit& edit = t.edit;
    edit.SetRtfText(rtf);
    paint(edit);
    TLineLayout& layout = t.layout;

    for (size_t line = 1499; line <= 1501; ++line) {
        layout.CaretRect({line, 0}); // laid out: measured, not estimated
    }
    EXPECT_GT(layout.HeightOf(1500), 4 * layout.HeightOf(1499));
    EXPECT_NEAR(layout.TopOf(1499) + layout.HeightOf(1499), layout.TopOf(1500), 0.01)
        << "no gap and no overlap";
    EXPECT_NEAR(layout.TopOf(1500) + layout.HeightOf(1500), layout.TopOf(1501), 0.01);

    // Lines found by how they start, and places in them.
    const struct {
        size_t line;
        const char* start;
    } lines[] = {{0, "small line 0"},       {1499, "small line 1499"}, {1500, "the big line"},
                 {1501, "small line 1501"}, {2999, "small line 2999"}, {3000, "w0"}};
    for (const auto& [line, start] : lines) {
        const std::string& text = edit.Text();
        const size_t from = text.find(start);
        const int length =
            static_cast<int>(std::min(text.find_first_of("\r\n", from), text.size()) - from);
        for (const int offset : {0, 3, length / 2, length}) {
            SCOPED_TRACE(testing::Message() << "line " << line << " offset " << offset);
            const int byte = static_cast<int>(from) + offset;
            caretTo(edit, byte);
            EXPECT_EQ(caretLine(edit), static_cast<int>(line));
            const QRect caret = caretInView(edit);
            EXPECT_TRUE(edit.viewport()->rect().intersects(caret));
            // A click just right of the caret's left edge, the caret elsewhere, lands on it.
            edit.SetSelStart(byte == 0 ? 1 : 0);
            QTest::mouseClick(edit.viewport(), Qt::LeftButton, {}, caret.center() + QPoint(1, 0));
            EXPECT_EQ(edit.SelStart(), byte);
        }
    }
    // Far below the text, left of it or right of a short line, a click still finds a place.
    EXPECT_EQ(layout.PositionAt(QPointF(5, 1e7)).line, layout.LineCount() - 1);
    EXPECT_EQ(layout.PositionAt(QPointF(-50, 1)), (TLinePos{0, 0}));
    EXPECT_EQ(layout.PositionAt(QPointF(400, layout.TopOf(0) + 1)),
              (TLinePos{0, std::string("small line 0").size()}));
}

TEST(EditLayout, AlignsWithWrapOnAndTogglesWrapOnAHundredThousandLines) {
    constexpr int kLines = 100000;
    // One long paragraph at the end.
    const std::string text =
        numberedLines(kLines) + std::string(2000, 'x') + " " + std::string(40, 'y');
    TShownEdit t(text, 400, 300);
    TRichEdit& edit = t.edit;
    const qreal margin = t.layout.Margin();
    const qreal width = edit.viewport()->width() - 2 * margin;
    const qreal line = t.layout.HeightOf(0);
    const qreal unwrapped = t.layout.Size().height();

    const double cpu = testcpu::secondsOf([&] {
        edit.SetWordWrap(true);
        paint(edit);
    });
    EXPECT_LT(cpu, 3.0) << "wrapping does not lay out every line";
    EXPECT_LT(t.layout.LaidOutCount(), 1000);
    EXPECT_GT(t.layout.Size().height(), unwrapped) << "the long paragraph takes lines";
    EXPECT_LE(t.layout.Size().width(), edit.viewport()->width());
    EXPECT_EQ(edit.horizontalScrollBar()->maximum(), 0) << "no horizontal bar";

    // Centred and right-aligned lines within the wrap width.
    edit.SetSelStart(0);
    edit.SetParagraphAlignment(TParaAlignment::Center);
    edit.SetSelStart(30);
    edit.SetParagraphAlignment(TParaAlignment::Right);
    paint(edit);
    const size_t length = std::string("line 0 of the text").size();
    for (const auto& [aligned, share] : {std::pair<size_t, qreal>{0, 0.5}, {1, 1.0}}) {
        const qreal start = t.layout.CaretRect({aligned, 0}).left();
        const qreal natural = t.layout.CaretRect({aligned, length}).left() - start;
        EXPECT_NEAR(start - margin, share * (width - natural), 1.5) << aligned;
    }

    // At the end, the long paragraph wraps within the width and the bar reaches it.
    t.key(Qt::Key_End, Qt::ControlModifier);
    paint(edit);
    const size_t last = t.layout.LineCount() - 1;
    EXPECT_GT(t.layout.HeightOf(last), 3 * line);
    for (const size_t byte : {0, 500, 1999, 2000, 2041}) {
        EXPECT_LE(t.layout.CaretRect({last, byte}).right(), margin + width + 0.5) << byte;
    }
    EXPECT_EQ(edit.verticalScrollBar()->value(), edit.verticalScrollBar()->maximum());
    EXPECT_TRUE(edit.viewport()->rect().contains(caretInView(edit)));

    // Off again: one line per paragraph, the height as before, every byte kept.
    edit.SetWordWrap(false);
    paint(edit);
    EXPECT_NEAR(t.layout.HeightOf(last), line, 0.5);
    EXPECT_NEAR(t.layout.Size().height(), unwrapped, 1);
    EXPECT_TRUE(edit.Text() == text);
    EXPECT_NEAR(edit.horizontalScrollBar()->maximum() + edit.viewport()->width(),
                t.layout.Size().width(), 1)
        << "the long line can be scrolled to";
}

TEST(EditLayout, EmptyLinesResizingAndEditsKeepHeightsInStep) {
    // A million empty lines: the end is reachable and each line has a height.
    const std::string text(1000000, '\n');
    TShownEdit t(text, 300, 200);
    TRichEdit& edit = t.edit;
    const qreal line = t.layout.HeightOf(0);
    const qreal height = 1000001 * line + 2 * t.layout.Margin();
    EXPECT_NEAR(t.layout.Size().height(), height, 2);
    t.key(Qt::Key_End, Qt::ControlModifier);
    paint(edit);
    EXPECT_EQ(edit.verticalScrollBar()->value(), edit.verticalScrollBar()->maximum());

    // Typing lines in the middle and taking them out moves what is below.
    const qreal before = t.layout.TopOf(900000);
    edit.SetSelStart(500000);
    edit.SetSelText("a\nb\nc\n");
    EXPECT_NEAR(t.layout.TopOf(900003), before + 3 * line, 0.01);
    edit.SetSelStart(500000);
    edit.SetSelLength(6);
    edit.SetSelText("");
    EXPECT_NEAR(t.layout.TopOf(900000), before, 0.01);

    // A resize in the middle of it changes nothing that is kept.
    edit.resize(600, 400);
    paint(edit);
    EXPECT_TRUE(edit.Text() == text);
    EXPECT_NEAR(t.layout.Size().height(), height, 2);
}

TEST(EditLayout, AKeystrokeLaysOutOnlyTheLineItChanges) {
    std::string text = numberedLines(2000);
    const size_t longAt = text.find("line 1000 ");
    text.insert(longAt, std::string(100000, 'w') + " "); // laid out in pieces
    const size_t shortAt = text.find("line 1010 ") + 3;
    for (const bool wrap : {false, true}) {
        for (const size_t at : {shortAt, longAt + 50000}) {
            SCOPED_TRACE(testing::Message() << "wrap " << wrap << " at " << at);
            TShownEdit t(text, 400, 300, wrap);
            TRichEdit& edit = t.edit;
            caretTo(edit, static_cast<int>(at));
            t.key(Qt::Key_X);
            paint(edit);
            const int before = t.layout.LaidOutCount();
            t.key(Qt::Key_X);
            paint(edit);
            EXPECT_EQ(t.layout.LaidOutCount() - before, 1);
        }
    }
}

TEST(EditLayout, MovingUpIntoLinesNotYetMeasuredScrollsByTheLinesMoved) {
    // Wide letters take more lines than a line's length suggests.
    const std::string wide(600, 'W');
    std::string text;
    for (int i = 0; i < 4000; ++i) {
        text += (i % 2 ? "short" : wide) + "\n";
    }
    TShownEdit t(text, 400, 300, true);
    TRichEdit& edit = t.edit;
    QScrollBar& bar = *edit.verticalScrollBar();
    bar.setValue(bar.maximum() / 2);
    paint(edit);
    const size_t top = t.layout.LineAt(bar.value());
    edit.SetSelStart(static_cast<int>(top / 2 * (wide.size() + 7) + top % 2 * (wide.size() + 1)));
    const qreal heightBefore = t.layout.Size().height();
    const qreal line = t.layout.HeightOf(1); // "short": one visual line
    const auto up3 = [&] {
        for (int i = 0; i < 3; ++i) {
            t.key(Qt::Key_Up);
        }
        paint(edit);
    };
    up3();
    ASSERT_GT(t.layout.Size().height(), heightBefore + 3 * line) << "the estimates were short";
    EXPECT_TRUE(edit.viewport()->rect().contains(caretInView(edit)));
    EXPECT_NEAR(t.layout.TopOf(top) - bar.value(), 3 * line, 1);

    // In lines measured, the text moves by the lines moved.
    const qreal shownAt = t.layout.TopOf(top) - bar.value();
    up3();
    EXPECT_NEAR(t.layout.TopOf(top) - bar.value(), shownAt + 3 * line, 1);

    // All the lines above the view get their real heights: the view moves
    // with its text.
    const size_t shownTop = t.layout.LineAt(bar.value());
    const qreal offset = t.layout.TopOf(shownTop) - bar.value();
    const qreal estimated = t.layout.TopOf(shownTop);
    t.layout.LayOutBetween(0, t.layout.TopOf(shownTop) - 1);
    EXPECT_GT(std::abs(t.layout.TopOf(shownTop) - estimated), 100); // they did move
    EXPECT_EQ(t.layout.LineAt(bar.value()), shownTop);
    EXPECT_NEAR(t.layout.TopOf(shownTop) - bar.value(), offset, 1.0);
}

TEST(EditLayout, PrintingLaysOutEveryPage) {
    const std::string text = numberedLines(3000);
    TShownEdit t(text);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("out.pdf"));
    auto printer = std::make_unique<TPdfPlatform>();
    printer->file = file;
    SetPlatform(std::move(printer));
    t.edit.Print(QStringLiteral("lines"));
    SetPlatform(MakeQtPlatform());
    QFile pdf(file);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    // About 50 lines a page: every line printed, not only the ones shown.
    const qsizetype pages = bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r");
    EXPECT_GT(pages, 30);
    EXPECT_LT(pages, 200);
    EXPECT_TRUE(t.edit.Text() == text) << "the shown text is untouched";
}

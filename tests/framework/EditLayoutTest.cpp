#include "framework/ui/EditLayout.h"

#include "framework/ui/RichEdit.h"
#include "tests/common/CpuTime.h"
#include "tests/framework/LayoutTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
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

struct TShownEdit {
    TRichEdit edit;
    explicit TShownEdit(const std::string& text, int width = 500, int height = 300) {
        edit.resize(width, height);
        edit.show();
        edit.SetText(text);
        paint(edit);
    }
    int caretBlock() const { return edit.textCursor().blockNumber(); }
    int topBlock() {
        return layoutOf(edit).BlockAt(edit.verticalScrollBar()->value()).blockNumber();
    }
    qreal lineHeight() {
        return edit.document()
            ->documentLayout()
            ->blockBoundingRect(edit.document()->begin())
            .height();
    }
};

} // namespace

TEST(EditLayout, MovesTheCaretByLineAndPageThroughALongTextLayingOutOnlyWhatIsShown) {
    constexpr int kLines = 100000;
    TShownEdit t(numberedLines(kLines));
    TRichEdit& edit = t.edit;
    EXPECT_LT(layoutOf(edit).LaidOutCount(), 200) << "opening lays out one screen";
    const qreal line = t.lineHeight();
    ASSERT_GT(line, 0);
    EXPECT_NEAR(edit.document()->documentLayout()->documentSize().height(),
                (kLines + 1) * line + 2 * edit.document()->documentMargin(), 1);

    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(&edit, Qt::Key_Down);
    }
    EXPECT_EQ(t.caretBlock(), 5);
    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_EQ(t.caretBlock(), 4);

    // A page is about as many lines as the view shows, and the view follows.
    const int perPage = static_cast<int>(edit.viewport()->height() / line);
    QTest::keyClick(&edit, Qt::Key_PageDown);
    const int afterOne = t.caretBlock();
    EXPECT_NEAR(afterOne - 4, perPage, 2);
    for (int i = 0; i < 200; ++i) {
        QTest::keyClick(&edit, Qt::Key_PageDown);
    }
    paint(edit);
    EXPECT_NEAR(t.caretBlock(), afterOne + 200 * (afterOne - 4), 200);
    const QRect caret = edit.cursorRect();
    EXPECT_TRUE(edit.viewport()->rect().contains(caret.center())) << "the caret stays in view";
    QTest::keyClick(&edit, Qt::Key_PageUp);
    EXPECT_NEAR(t.caretBlock(), afterOne + 199 * (afterOne - 4), 200);

    // The end and back, by keys.
    QTest::keyClick(&edit, Qt::Key_End, Qt::ControlModifier);
    paint(edit);
    EXPECT_EQ(t.caretBlock(), kLines);
    EXPECT_EQ(edit.verticalScrollBar()->value(), edit.verticalScrollBar()->maximum());
    EXPECT_EQ(edit.SelStart(), edit.TextLength());
    QTest::keyClick(&edit, Qt::Key_Home, Qt::ControlModifier);
    paint(edit);
    EXPECT_EQ(t.caretBlock(), 0);
    EXPECT_EQ(edit.verticalScrollBar()->value(), 0) << "the margin above the text shows too";
    EXPECT_LT(layoutOf(edit).LaidOutCount(), 20000) << "pages passed, not the whole text";
}

TEST(EditLayout, ScrollsToTheEndAndBackLandingWhereDragged) {
    constexpr int kLines = 100000;
    TShownEdit t(numberedLines(kLines));
    TRichEdit& edit = t.edit;
    QScrollBar& bar = *edit.verticalScrollBar();
    const qreal line = t.lineHeight();
    const int laidOutBefore = layoutOf(edit).LaidOutCount();
    for (const double share : {1.0, 0.5, 0.25, 0.999, 0.0}) {
        const int value = static_cast<int>(bar.maximum() * share);
        bar.setValue(value);
        paint(edit);
        EXPECT_EQ(bar.value(), value) << "the view stays where the bar was put";
        const qreal margin = edit.document()->documentMargin();
        EXPECT_NEAR(t.topBlock(), (value - margin) / line, 1) << share;
        // What shows is the text at that place: a click on the top line hits it.
        const QTextCursor hit = edit.cursorForPosition(QPoint(5, 0));
        EXPECT_EQ(hit.blockNumber(), t.topBlock()) << share;
    }
    EXPECT_LT(layoutOf(edit).LaidOutCount() - laidOutBefore, 400) << "a few screens only";
    bar.setValue(bar.maximum());
    paint(edit);
    const QTextBlock last = edit.document()->lastBlock();
    const QRectF lastRect = edit.document()->documentLayout()->blockBoundingRect(last);
    EXPECT_LE(lastRect.bottom() - bar.value(), edit.viewport()->height()) << "the last line shows";
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
    TRichEdit edit;
    edit.resize(500, 300);
    edit.show();
    edit.SetRtfText(rtf);
    paint(edit);
    QTextDocument& doc = *edit.document();
    QAbstractTextDocumentLayout& layout = *doc.documentLayout();

    const QTextBlock big = doc.findBlockByNumber(1500);
    // Each laid out in turn: the last rects are of them all measured.
    for (int round = 0; round < 2; ++round) {
        for (QTextBlock b = big.previous(); b != big.next().next(); b = b.next()) {
            layout.blockBoundingRect(b);
        }
    }
    const QRectF bigRect = layout.blockBoundingRect(big);
    const QRectF above = layout.blockBoundingRect(big.previous());
    const QRectF below = layout.blockBoundingRect(big.next());
    EXPECT_GT(bigRect.height(), 4 * above.height()) << "the big line measured, not estimated";
    EXPECT_NEAR(above.bottom(), bigRect.top(), 0.01) << "no gap and no overlap";
    EXPECT_NEAR(bigRect.bottom(), below.top(), 0.01);

    for (const int block : {0, 1499, 1500, 1501, 2999, 3000}) {
        const QTextBlock b = doc.findBlockByNumber(block);
        for (const int offset : {0, 3, b.length() / 2, b.length() - 1}) {
            QTextCursor c(&doc);
            c.setPosition(b.position() + offset);
            edit.setTextCursor(c);
            edit.ensureCursorVisible();
            paint(edit);
            const QRect caret = edit.cursorRect();
            EXPECT_TRUE(edit.viewport()->rect().intersects(caret)) << block << " " << offset;
            // A click just right of the caret's left edge lands on it.
            const QTextCursor hit = edit.cursorForPosition(caret.center() + QPoint(1, 0));
            EXPECT_EQ(hit.position(), c.position()) << block << " " << offset;
        }
    }
    // Far below the text, or left of it, a click still finds a place.
    EXPECT_GE(layout.hitTest(QPointF(5, 1e7), Qt::FuzzyHit), doc.lastBlock().position());
    EXPECT_EQ(layout.hitTest(QPointF(-50, 1), Qt::FuzzyHit), 0);
    EXPECT_EQ(layout.hitTest(QPointF(400, 1), Qt::ExactHit), -1) << "right of a short line";
}

TEST(EditLayout, AlignsWithWrapOnAndTogglesWrapOnAHundredThousandLines) {
    constexpr int kLines = 100000;
    std::string text = numberedLines(kLines);
    text += std::string(2000, 'x') + " " + std::string(40, 'y'); // one long paragraph at the end
    TShownEdit t(text, 400, 300);
    TRichEdit& edit = t.edit;
    QAbstractTextDocumentLayout& layout = *edit.document()->documentLayout();
    const qreal margin = edit.document()->documentMargin();
    const qreal width = edit.viewport()->width() - 2 * margin;
    const qreal unwrapped = layout.documentSize().height();

    const double cpu = testcpu::secondsOf([&] {
        edit.SetWordWrap(true);
        paint(edit);
    });
    EXPECT_LT(cpu, 3.0) << "wrapping does not lay out every line";
    EXPECT_LT(layoutOf(edit).LaidOutCount(), 1000);
    EXPECT_GT(layout.documentSize().height(), unwrapped) << "the long paragraph takes lines";
    EXPECT_LE(layout.documentSize().width(), edit.viewport()->width());

    // Centred and right-aligned lines within the wrap width.
    edit.SetSelStart(0);
    edit.SetParagraphAlignment(TParaAlignment::Center);
    edit.SetSelStart(30);
    edit.SetParagraphAlignment(TParaAlignment::Right);
    paint(edit);
    const QTextBlock first = edit.document()->begin();
    const QTextLine centred = first.layout()->lineAt(0);
    const qreal left = layout.blockBoundingRect(first).left() + centred.cursorToX(0);
    EXPECT_NEAR(left + centred.naturalTextWidth() / 2, margin + width / 2, 1);
    const QTextBlock second = first.next();
    const QTextLine right = second.layout()->lineAt(0);
    EXPECT_NEAR(layout.blockBoundingRect(second).left() + right.cursorToX(0) +
                    right.naturalTextWidth(),
                margin + width, 1);

    // At the end, the long paragraph wraps within the width, its last line
    // holds the y's, and the bar reaches it.
    QTest::keyClick(&edit, Qt::Key_End, Qt::ControlModifier);
    paint(edit);
    const QTextBlock last = edit.document()->lastBlock();
    ASSERT_GT(last.layout()->lineCount(), 3);
    for (int i = 0; i < last.layout()->lineCount(); ++i) {
        EXPECT_LE(last.layout()->lineAt(i).naturalTextWidth(), width + 0.5);
    }
    EXPECT_EQ(edit.verticalScrollBar()->value(), edit.verticalScrollBar()->maximum());
    EXPECT_TRUE(edit.viewport()->rect().contains(edit.cursorRect()));

    // Off again: one line per paragraph, the height as before, every byte kept.
    edit.SetWordWrap(false);
    paint(edit);
    EXPECT_EQ(last.layout()->lineCount(), 1);
    EXPECT_NEAR(layout.documentSize().height(), unwrapped, 1);
    EXPECT_EQ(edit.Text(), text);
    EXPECT_NEAR(edit.horizontalScrollBar()->maximum() + edit.viewport()->width(),
                layout.documentSize().width(), 1)
        << "the long line can be scrolled to";
}

TEST(EditLayout, EmptyLinesResizingAndEditsKeepHeightsInStep) {
    // A million empty lines: the end is reachable and each line has a height.
    TShownEdit t(std::string(1000000, '\n'), 300, 200);
    TRichEdit& edit = t.edit;
    const qreal line = t.lineHeight();
    QAbstractTextDocumentLayout& layout = *edit.document()->documentLayout();
    EXPECT_NEAR(layout.documentSize().height(),
                1000001 * line + 2 * edit.document()->documentMargin(), 2);
    QTest::keyClick(&edit, Qt::Key_End, Qt::ControlModifier);
    paint(edit);
    EXPECT_EQ(edit.verticalScrollBar()->value(), edit.verticalScrollBar()->maximum());

    // Typing lines in the middle and taking them out moves what is below.
    const QTextBlock probe = edit.document()->findBlockByNumber(900000);
    const qreal before = layout.blockBoundingRect(probe).top();
    edit.SetSelStart(500000);
    edit.SetSelText("a\nb\nc\n");
    EXPECT_NEAR(layout.blockBoundingRect(probe).top(), before + 3 * line, 0.01);
    edit.SetSelStart(500000);
    edit.SetSelLength(6);
    edit.SetSelText("");
    EXPECT_NEAR(layout.blockBoundingRect(probe).top(), before, 0.01);

    // A resize in the middle of it changes nothing that is kept.
    edit.resize(600, 400);
    paint(edit);
    EXPECT_EQ(edit.Text(), std::string(1000000, '\n'));
    EXPECT_NEAR(layout.documentSize().height(),
                1000001 * line + 2 * edit.document()->documentMargin(), 2);
}

TEST(EditLayout, AKeystrokeLaysOutOnlyTheParagraphItChanges) {
    for (const bool wrap : {false, true}) {
        std::string text = numberedLines(2000);
        text.insert(text.size() / 2, std::string(100000, 'w') + " ");
        TRichEdit edit;
        edit.resize(400, 300);
        edit.show();
        edit.SetWordWrap(wrap);
        edit.SetText(text);
        edit.SetSelStart(static_cast<int>(text.size() / 2) + 50000);
        edit.ensureCursorVisible();
        paint(edit);
        QTest::keyClick(&edit, Qt::Key_X, Qt::NoModifier);
        paint(edit);
        const int before = layoutOf(edit).LaidOutCount();
        QTest::keyClick(&edit, Qt::Key_X, Qt::NoModifier);
        paint(edit);
        EXPECT_EQ(layoutOf(edit).LaidOutCount() - before, 1) << "wrap " << wrap;
    }
}

TEST(EditLayout, TheViewStaysOnItsTextWhenParagraphsAboveItAreMeasured) {
    // Wide letters take more lines than a paragraph's length suggests.
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        text += i % 2 ? "short\n" : std::string(150, 'W') + "\n";
    }
    TShownEdit t(text, 400, 300);
    TRichEdit& edit = t.edit;
    edit.SetWordWrap(true);
    QScrollBar& bar = *edit.verticalScrollBar();
    bar.setValue(bar.maximum() / 2);
    paint(edit);
    QAbstractTextDocumentLayout& layout = *edit.document()->documentLayout();
    const QTextBlock shown = layoutOf(edit).BlockAt(bar.value() + 50);
    const qreal shownAt = layout.blockBoundingRect(shown).top() - bar.value();

    const qreal heightBefore = layout.documentSize().height();

    // Paragraphs above the view measured one by one, as moving the caret up
    // into them does.
    QTextBlock above = layoutOf(edit).BlockAt(bar.value()).previous();
    for (int i = 0; i < 30; ++i, above = above.previous()) {
        layout.blockBoundingRect(above);
    }
    QCoreApplication::processEvents();
    ASSERT_GT(layout.documentSize().height(), heightBefore + 30) << "the estimates were short";
    EXPECT_NEAR(layout.blockBoundingRect(shown).top() - bar.value(), shownAt, 1);

    // Moving the caret up there scrolls by the lines moved, not by the
    // paragraphs measured.
    QTextCursor c(edit.document());
    c.setPosition(layoutOf(edit).BlockAt(bar.value()).position());
    edit.setTextCursor(c);
    paint(edit);
    const int valueBefore = bar.value();
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(&edit, Qt::Key_Up);
    }
    paint(edit);
    EXPECT_TRUE(edit.viewport()->rect().contains(edit.cursorRect()));
    EXPECT_NEAR(bar.value(), valueBefore - 3 * t.lineHeight(), 3 * t.lineHeight());
}

TEST(EditLayout, PrintingLaysOutEveryPage) {
    TShownEdit t(numberedLines(3000));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("out.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    t.edit.document()->print(&printer);
    QFile pdf(file);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    // About 50 lines a page: every line printed, not only the ones shown.
    const qsizetype pages = bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r");
    EXPECT_GT(pages, 30);
    EXPECT_LT(pages, 200);
    EXPECT_EQ(t.edit.Text(), numberedLines(3000)) << "the shown document is untouched";
}

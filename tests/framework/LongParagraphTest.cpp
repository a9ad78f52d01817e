#include "framework/ui/LongParagraph.h"

#include "framework/ui/EditLayout.h"
#include "framework/ui/RichEdit.h"
#include "tests/framework/LayoutTestSupport.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <gtest/gtest.h>
#include <string>

namespace {

// A paragraph of ~120,000 characters between two short lines.
std::string longText() {
    std::string line;
    for (int i = 0; line.size() < 120000; ++i) {
        line += "word" + std::to_string(i % 97) + " ";
    }
    return "before\n" + line + "\nafter\n";
}

constexpr int kLongStart = 7; // after "before\n"

struct TLongEdit {
    TRichEdit edit;
    std::string text = longText();
    explicit TLongEdit(bool wrap) {
        edit.resize(500, 300);
        edit.show();
        edit.SetWordWrap(wrap);
        edit.SetText(text);
        paint(edit);
    }
    void caretTo(int position) {
        edit.SetSelStart(position);
        edit.ensureCursorVisible();
        paint(edit);
    }
    // The caret's rectangle in viewport coordinates.
    QRect caretOnScreen() {
        const QRectF r = layoutOf(edit).CaretRect(edit.textCursor().position());
        return r
            .translated(-edit.horizontalScrollBar()->value(), -edit.verticalScrollBar()->value())
            .toAlignedRect();
    }
    bool caretShown() { return edit.viewport()->rect().intersects(caretOnScreen()); }
    QTextBlock longBlock() { return edit.document()->findBlockByNumber(1); }
};

} // namespace

TEST(LongParagraph, TypingDeletingAndUndoingCostAPieceAndKeepTheBytes) {
    for (const bool wrap : {false, true}) {
        SCOPED_TRACE(wrap ? "wrap" : "no wrap");
        TLongEdit t(wrap);
        TRichEdit& edit = t.edit;
        const int middle = kLongStart + 60000;
        t.caretTo(middle);
        QTest::keyClick(&edit, Qt::Key_A);
        paint(edit);
        const std::int64_t charsBefore = layoutOf(edit).LongCharsLaidOut();
        QTest::keyClicks(&edit, QStringLiteral("bc"));
        paint(edit);
        const std::int64_t perKey = (layoutOf(edit).LongCharsLaidOut() - charsBefore) / 2;
        EXPECT_LE(perKey, 2 * TLongParagraph::kPieceChars);
        EXPECT_EQ(t.longBlock().layout()->lineCount(), 0) << "never laid out whole";

        std::string expected = t.text;
        expected.insert(static_cast<size_t>(middle), "abc");
        EXPECT_TRUE(edit.Text() == expected);
        EXPECT_TRUE(t.caretShown());

        QTest::keyClick(&edit, Qt::Key_Backspace);
        QTest::keyClick(&edit, Qt::Key_Left);
        QTest::keyClick(&edit, Qt::Key_Delete);
        expected.erase(static_cast<size_t>(middle) + 1, 2); // "c", then "b"
        EXPECT_TRUE(edit.Text() == expected);
        EXPECT_EQ(edit.SelStart(), middle + 1);

        // Typing over a selection that crosses pieces.
        edit.SetSelStart(middle - 5000);
        edit.SetSelLength(10000);
        QTest::keyClick(&edit, Qt::Key_Z);
        expected.replace(static_cast<size_t>(middle) - 5000, 10000, "z");
        EXPECT_TRUE(edit.Text() == expected);

        // The typed run, Backspace, Delete, the overtyped selection.
        for (int i = 0; i < 4; ++i) {
            edit.Undo();
        }
        EXPECT_TRUE(edit.Text() == t.text);
        paint(edit);
    }
}

TEST(LongParagraph, CaretAndHitTestAgreeAcrossPieces) {
    for (const bool wrap : {false, true}) {
        SCOPED_TRACE(wrap ? "wrap" : "no wrap");
        TLongEdit t(wrap);
        TEditLayout& layout = layoutOf(t.edit);
        const int length = t.longBlock().length() - 1;
        const int piece = TLongParagraph::kPieceChars;
        QRectF previous;
        for (const int at :
             {0, 1, piece - 1, piece, piece + 1, 3 * piece + 7, length / 2, length - 1, length}) {
            const int position = kLongStart + at;
            const QRectF caret = layout.CaretRect(position);
            ASSERT_GT(caret.height(), 0) << at;
            EXPECT_EQ(layout.PositionAt(caret.center() + QPointF(0.5, 0)), position) << at;
            if (!previous.isNull()) {
                // Further into the text is further right, or further down.
                EXPECT_TRUE(wrap ? caret.top() >= previous.top() : caret.left() > previous.left())
                    << at;
            }
            if (wrap) {
                EXPECT_LE(caret.right(), t.edit.document()->pageSize().width()) << at;
            }
            previous = caret;
        }
        // The short paragraphs around it stay where they are.
        EXPECT_EQ(layout.PositionAt(layout.CaretRect(2).center()), 2);
        const int after = t.edit.document()->findBlockByNumber(2).position() + 2;
        EXPECT_EQ(layout.PositionAt(layout.CaretRect(after).center()), after);
        EXPECT_GT(layout.CaretRect(after).top(), previous.top());
    }
}

TEST(LongParagraph, KeysMoveByCharacterAndVisualLineAndTheViewFollows) {
    {
        TLongEdit t(true);
        TRichEdit& edit = t.edit;
        TEditLayout& layout = layoutOf(edit);
        t.caretTo(kLongStart + 50000);
        const QRectF start = layout.CaretRect(edit.SelStart());
        QTest::keyClick(&edit, Qt::Key_Down);
        const QRectF below = layout.CaretRect(edit.SelStart());
        EXPECT_NEAR(below.top() - start.top(), start.height(), 1);
        EXPECT_NEAR(below.left(), start.left(), 20);
        QTest::keyClick(&edit, Qt::Key_Up);
        EXPECT_NEAR(layout.CaretRect(edit.SelStart()).top(), start.top(), 0.5);

        QTest::keyClick(&edit, Qt::Key_Home);
        const QRectF home = layout.CaretRect(edit.SelStart());
        EXPECT_NEAR(home.top(), start.top(), 0.5);
        EXPECT_LT(home.left(), 10);
        QTest::keyClick(&edit, Qt::Key_End, Qt::ShiftModifier);
        EXPECT_NEAR(layout.CaretRect(edit.SelStart() + edit.SelLength()).top(), start.top(), 0.5);
        EXPECT_GT(edit.SelLength(), 10);

        QTest::keyClick(&edit, Qt::Key_Right);
        const int afterLine = edit.SelStart();
        QTest::keyClick(&edit, Qt::Key_Right, Qt::ShiftModifier);
        EXPECT_EQ(edit.SelStart(), afterLine);
        EXPECT_EQ(edit.SelLength(), 1);

        const int pageFrom = edit.SelStart();
        QTest::keyClick(&edit, Qt::Key_PageDown);
        EXPECT_GT(edit.SelStart(), pageFrom + 500);
        EXPECT_EQ(edit.textCursor().blockNumber(), 1);
        paint(edit);
        EXPECT_TRUE(t.caretShown());

        // Down from the line above enters the paragraph's first line.
        t.caretTo(2);
        QTest::keyClick(&edit, Qt::Key_Down);
        EXPECT_EQ(edit.SelStart(), kLongStart + 2);
    }
    {
        TLongEdit t(false);
        TRichEdit& edit = t.edit;
        t.caretTo(kLongStart + 90000);
        EXPECT_GT(edit.horizontalScrollBar()->value(), 0);
        EXPECT_TRUE(t.caretShown());
        // The input method is told of the caret and the text around it.
        const QWidget& widget = edit;
        const QString around = widget.inputMethodQuery(Qt::ImSurroundingText).toString();
        const int at = widget.inputMethodQuery(Qt::ImCursorPosition).toInt();
        EXPECT_LE(around.size(), 1024);
        EXPECT_EQ(around.mid(at, 8).toStdString(), t.text.substr(kLongStart + 90000, 8));
        EXPECT_TRUE(
            edit.rect().intersects(widget.inputMethodQuery(Qt::ImCursorRectangle).toRect()));
        QTest::keyClick(&edit, Qt::Key_End);
        paint(edit);
        EXPECT_EQ(edit.SelStart(), t.longBlock().position() + t.longBlock().length() - 1);
        EXPECT_TRUE(t.caretShown());
        QTest::keyClick(&edit, Qt::Key_Home);
        EXPECT_EQ(edit.SelStart(), kLongStart);
        EXPECT_EQ(edit.horizontalScrollBar()->value(), 0);
        QTest::keyClick(&edit, Qt::Key_Down);
        EXPECT_EQ(edit.textCursor().blockNumber(), 2);
    }
}

TEST(LongParagraph, SplittingAndJoiningItKeepsTheBytesAndDrawsTheText) {
    TLongEdit t(true);
    TRichEdit& edit = t.edit;
    const int at = kLongStart + 40000;
    t.caretTo(at);
    QTest::keyClick(&edit, Qt::Key_Return);
    paint(edit);
    std::string expected = t.text;
    expected.insert(static_cast<size_t>(at), "\n");
    EXPECT_TRUE(edit.Text() == expected);
    EXPECT_TRUE(t.caretShown());
    QTest::keyClick(&edit, Qt::Key_Backspace);
    paint(edit);
    EXPECT_TRUE(edit.Text() == t.text);

    // The shown part of the paragraph is drawn: text-coloured pixels in the view.
    const QImage shot = edit.viewport()->grab().toImage();
    int ink = 0;
    for (int y = 0; y < shot.height(); y += 2) {
        for (int x = 0; x < shot.width(); x += 2) {
            ink += qGray(shot.pixel(x, y)) < 100 ? 1 : 0;
        }
    }
    EXPECT_GT(ink, 200);
}

TEST(LongParagraph, AClickPlacesTheCaretAndAFormatChangeLaysOutAnew) {
    TLongEdit t(false);
    TRichEdit& edit = t.edit;
    TEditLayout& layout = layoutOf(edit);
    const int at = kLongStart + 70000;
    t.caretTo(at);
    const QRect caret = t.caretOnScreen();
    t.caretTo(at - 30); // elsewhere on the same screen
    QTest::mouseClick(edit.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(caret.center().x() + 1, caret.center().y()));
    EXPECT_EQ(edit.SelStart(), at);

    // Bold letters are wider: what follows them moves right, the text stays.
    const qreal before = layout.CaretRect(at + 200).left();
    edit.SetSelStart(at);
    edit.SetSelLength(100);
    TFont bold = edit.SelAttributes();
    bold.Bold = true;
    edit.SetSelAttributes(bold);
    paint(edit);
    EXPECT_TRUE(edit.Text() == t.text);
    EXPECT_GT(layout.CaretRect(at + 200).left(), before + 5);
    EXPECT_EQ(layout.PositionAt(layout.CaretRect(at + 200).center() + QPointF(0.5, 0)), at + 200);
}

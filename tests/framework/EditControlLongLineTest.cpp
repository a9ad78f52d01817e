#include "framework/ui/LineLayout.h"
#include "framework/ui/RichEdit.h"
#include "tests/framework/EditControlTestSupport.h"

#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <string>

namespace {

// A line of ~120,000 bytes, laid out in pieces, between two short lines.
std::string longText() {
    std::string line;
    for (int i = 0; line.size() < 120000; ++i) {
        line += "word" + std::to_string(i % 97) + " ";
    }
    return "before\n" + line + "\nafter\n";
}

constexpr int kLongStart = 7; // after "before\n"

struct TLongEdit : TShownEdit {
    const std::string text = longText();
    const size_t length = text.size() - kLongStart - std::string("\nafter\n").size();
    explicit TLongEdit(bool wrap) : TShownEdit(longText(), 500, 300, wrap) {}
    // A byte of the text in the long line, where the layout takes it.
    static TLinePos inLong(int byte) { return {1, static_cast<size_t>(byte - kLongStart)}; }
    QRectF caretRect() { return layout.CaretRect(inLong(edit.SelStart())); }
};

// Whether a caret stands after another as the text reads: further down, or
// further right on the same visual line.
bool readsAfter(const QRectF& caret, const QRectF& other) {
    return caret.top() > other.top() || (caret.top() == other.top() && caret.left() > other.left());
}

} // namespace

TEST(LongParagraph, TypingDeletingAndUndoingCostAPieceAndKeepTheBytes) {
    for (const bool wrap : {false, true}) {
        SCOPED_TRACE(wrap ? "wrap" : "no wrap");
        TLongEdit t(wrap);
        TRichEdit& edit = t.edit;
        const int middle = kLongStart + 60000;
        caretTo(edit, middle);
        t.key(Qt::Key_A);
        paint(edit);
        const std::int64_t bytesBefore = t.layout.LongBytesLaidOut();
        QTest::keyClicks(&edit, QStringLiteral("bc"));
        paint(edit);
        const std::int64_t perKey = (t.layout.LongBytesLaidOut() - bytesBefore) / 2;
        EXPECT_LE(perKey, static_cast<std::int64_t>(2 * TLineLayout::kPieceBytes));
        EXPECT_LT(t.layout.LongBytesLaidOut(), static_cast<std::int64_t>(t.length / 4))
            << "never laid out whole";

        std::string expected = t.text;
        expected.insert(static_cast<size_t>(middle), "abc");
        EXPECT_TRUE(edit.Text() == expected);
        EXPECT_TRUE(caretShown(edit));

        t.key(Qt::Key_Backspace);
        t.key(Qt::Key_Left);
        t.key(Qt::Key_Delete);
        expected.erase(static_cast<size_t>(middle) + 1, 2); // "c", then "b"
        EXPECT_TRUE(edit.Text() == expected);
        EXPECT_EQ(edit.SelStart(), middle + 1);

        // Typing over a selection that crosses pieces.
        edit.SetSelStart(middle - 5000);
        edit.SetSelLength(10000);
        t.key(Qt::Key_Z);
        expected.replace(static_cast<size_t>(middle) - 5000, 10000, "z");
        EXPECT_TRUE(edit.Text() == expected);

        // The typed run, Backspace, Delete, the overtyped selection.
        for (int i = 0; i < 4; ++i) {
            edit.Undo();
        }
        EXPECT_TRUE(edit.Text() == t.text);

        // A line break splits it into two long lines, Backspace joins them.
        caretTo(edit, middle);
        t.key(Qt::Key_Return);
        paint(edit);
        EXPECT_TRUE(edit.Text() == t.text.substr(0, middle) + "\n" + t.text.substr(middle));
        EXPECT_TRUE(caretShown(edit));
        t.key(Qt::Key_Backspace);
        paint(edit);
        EXPECT_TRUE(edit.Text() == t.text);
        // The shown part of the line is drawn: text-coloured pixels in the view.
        const QImage shot = edit.viewport()->grab().toImage();
        int ink = 0;
        for (int y = 0; y < shot.height(); y += 2) {
            for (int x = 0; x < shot.width(); x += 2) {
                ink += qGray(shot.pixel(x, y)) < 100 ? 1 : 0;
            }
        }
        EXPECT_GT(ink, 200);
    }
}

TEST(LongParagraph, CaretRectsClicksAndFormatsAgreeAcrossPieces) {
    for (const bool wrap : {false, true}) {
        SCOPED_TRACE(wrap ? "wrap" : "no wrap");
        TLongEdit t(wrap);
        TRichEdit& edit = t.edit;
        const size_t piece = TLineLayout::kPieceBytes;
        QRectF previous;
        for (const size_t at : {size_t{0}, size_t{1}, piece - 1, piece, piece + 1, 3 * piece + 7,
                                t.length / 2, t.length - 1, t.length}) {
            SCOPED_TRACE(at);
            const int byte = kLongStart + static_cast<int>(at);
            caretTo(edit, byte);
            EXPECT_TRUE(caretShown(edit)) << "the view follows";
            const QRect shown = caretInView(edit);
            ASSERT_TRUE(edit.viewport()->rect().intersects(shown));
            const QRectF caret = t.layout.CaretRect({1, at});
            ASSERT_GT(caret.height(), 0);
            EXPECT_TRUE(previous.isNull() || readsAfter(caret, previous));
            if (wrap) {
                EXPECT_LE(caret.right(), edit.viewport()->width());
            }
            // A click just right of where the caret stood, the caret elsewhere, puts it back.
            edit.SetSelStart(at == 0 ? kLongStart + 1 : kLongStart);
            QTest::mouseClick(edit.viewport(), Qt::LeftButton, {}, shown.center() + QPoint(1, 0));
            EXPECT_EQ(edit.SelStart(), byte);
            previous = caret;
        }
        EXPECT_GT(t.layout.CaretRect({2, 2}).top(), previous.top()) << "the next line below it";

        // Bold letters are wider: what follows them moves on, the text stays.
        const int at = kLongStart + 40000;
        const TLinePos follow = TLongEdit::inLong(at + 200);
        caretTo(edit, at);
        const QRectF before = t.layout.CaretRect(follow);
        edit.SetSelLength(100);
        TFont bold = edit.SelAttributes();
        bold.Bold = true;
        edit.SetSelAttributes(bold);
        paint(edit);
        EXPECT_TRUE(edit.Text() == t.text);
        const QRectF after = t.layout.CaretRect(follow);
        EXPECT_TRUE(readsAfter(after, before));
        EXPECT_EQ(t.layout.PositionAt(after.center() + QPointF(0.5, 0)), follow);
    }
}

TEST(LongParagraph, KeysMoveByCharacterAndVisualLineAndTheViewFollows) {
    {
        TLongEdit t(true);
        TRichEdit& edit = t.edit;
        caretTo(edit, kLongStart + 50000);
        const QRectF start = t.caretRect();
        t.key(Qt::Key_Down);
        const QRectF below = t.caretRect();
        EXPECT_NEAR(below.top() - start.top(), start.height(), 1);
        EXPECT_NEAR(below.left(), start.left(), 20);
        t.key(Qt::Key_Up);
        EXPECT_NEAR(t.caretRect().top(), start.top(), 0.5);

        t.key(Qt::Key_Home);
        const QRectF home = t.caretRect();
        EXPECT_NEAR(home.top(), start.top(), 0.5);
        EXPECT_LT(home.left(), 10);
        t.key(Qt::Key_End, Qt::ShiftModifier);
        EXPECT_NEAR(t.layout.CaretRect(TLongEdit::inLong(edit.SelStart() + edit.SelLength())).top(),
                    start.top(), 0.5);
        EXPECT_GT(edit.SelLength(), 10);

        t.key(Qt::Key_Right);
        const int pageFrom = edit.SelStart();
        t.key(Qt::Key_PageDown);
        EXPECT_GT(edit.SelStart(), pageFrom + 500);
        EXPECT_EQ(edit.CaretPos().y(), 1);
        paint(edit);
        EXPECT_TRUE(caretShown(edit));

        // Down from the line above enters the long line's first visual line,
        // at the caret's x.
        caretTo(edit, 2);
        t.key(Qt::Key_Down);
        EXPECT_EQ(edit.SelStart(), kLongStart + 2);
    }
    {
        TLongEdit t(false);
        TRichEdit& edit = t.edit;
        const int at = kLongStart + 90000;
        caretTo(edit, at);
        EXPECT_GT(edit.horizontalScrollBar()->value(), 0);
        EXPECT_TRUE(caretShown(edit));
        // The input method is told of the caret and the text around it, not
        // of the whole line.
        const QString around = edit.inputMethodQuery(Qt::ImSurroundingText).toString();
        const int inAround = edit.inputMethodQuery(Qt::ImCursorPosition).toInt();
        EXPECT_LE(around.size(), 4096);
        EXPECT_EQ(around.mid(inAround, 8).toStdString(), t.text.substr(at, 8));
        t.key(Qt::Key_End);
        paint(edit);
        EXPECT_EQ(edit.SelStart(), kLongStart + static_cast<int>(t.length));
        EXPECT_TRUE(caretShown(edit));
        t.key(Qt::Key_Home);
        EXPECT_EQ(edit.SelStart(), kLongStart);
        EXPECT_EQ(edit.horizontalScrollBar()->value(), 0);
        t.key(Qt::Key_Down);
        EXPECT_EQ(edit.CaretPos().y(), 2);
    }
}

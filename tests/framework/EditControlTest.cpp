#include "framework/ui/EditControl.h"

#include "framework/ui/LineLayout.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A shown control with the text, the caret at `caret`.
struct TShownEdit {
    TEditControl edit;
    TShownEdit(const std::string& text, bool unicode, int caret = 0) {
        edit.resize(400, 300);
        edit.SetEncoding(unicode ? TEncoding::Utf8 : TEncoding::Windows1252);
        edit.SetText(text);
        edit.show();
        edit.setFocus();
        edit.SetSelStart(caret);
    }
    void key(int key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&edit, static_cast<Qt::Key>(key), modifiers);
    }
    // Where the caret would stand at a byte, in the viewport.
    QPoint pointAt(int byte) {
        const int keep = edit.SelStart();
        edit.SetSelStart(byte);
        const QRect r = edit.inputMethodQuery(Qt::ImCursorRectangle).toRect();
        edit.SetSelStart(keep);
        return r.center() - edit.viewport()->pos();
    }
};

} // namespace

TEST(EditControl, KeysMoveAndSelectAsADesktopEditor) {
    constexpr auto Ctrl = Qt::ControlModifier;
    constexpr auto Shift = Qt::ShiftModifier;
    // A code-page character; one of each UTF-8 width; a surrogate pair; stray bytes.
    const char* const kCodePage = "a\xE9"
                                  "b";
    const char* const kWidths = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"
                                "b";
    const char* const kPair = "a\xF0\x9F\x98\x80"
                              "b";
    const char* const kStray = "a\xFF\xFE"
                               "b";
    struct Case {
        bool unicode;
        const char* text;
        int caret;
        std::vector<std::pair<int, Qt::KeyboardModifiers>> keys;
        int selStart;
        int selLength;
    } const cases[] = {
        {false, "ab\r\ncd", 2, {{Qt::Key_Right, {}}}, 4, 0}, // CR LF: one step
        {false, "ab\r\ncd", 4, {{Qt::Key_Left, {}}}, 2, 0},
        {false, kCodePage, 1, {{Qt::Key_Right, {}}}, 2, 0},
        {true, kWidths, 1, {{Qt::Key_Right, {}}}, 3, 0},
        {true, kWidths, 3, {{Qt::Key_Right, {}}}, 6, 0},
        {true, kWidths, 6, {{Qt::Key_Right, {}}}, 10, 0},
        {true, kWidths, 10, {{Qt::Key_Left, {}}}, 6, 0},
        {true, kPair, 0, {{Qt::Key_Right, Shift}, {Qt::Key_Right, Shift}}, 0, 5},
        {true, kStray, 1, {{Qt::Key_Right, {}}}, 2, 0}, // a stray byte: one step
        {false, "one two three", 0, {{Qt::Key_Right, Ctrl}}, 4, 0},
        {false, "one two three", 9, {{Qt::Key_Left, Ctrl}}, 8, 0},
        {true, "\xC3\xA9t\xC3\xA9 two", 0, {{Qt::Key_Right, Ctrl | Shift}}, 0, 6},
        {false, "abc\ndef", 5, {{Qt::Key_Home, {}}}, 4, 0},
        {false, "abc\ndef", 5, {{Qt::Key_End, {}}}, 7, 0},
        {false, "abc\r\ndef", 1, {{Qt::Key_End, Shift}}, 1, 2},
        // Up and down keep the x they started from.
        {false, "abcdef\nab\nabcdef", 5, {{Qt::Key_Down, {}}}, 9, 0},
        {false, "abcdef\nab\nabcdef", 5, {{Qt::Key_Down, {}}, {Qt::Key_Down, {}}}, 15, 0},
        {false, "abcdef\nab\nabcdef", 15, {{Qt::Key_Up, {}}, {Qt::Key_Up, {}}}, 5, 0},
        {false, "ab\ncd\nef", 4, {{Qt::Key_End, Ctrl}}, 8, 0},
        {false, "ab\ncd\nef", 4, {{Qt::Key_Home, Ctrl | Shift}}, 0, 4},
        // A selection collapses to the side the arrow points to.
        {false,
         "abcdef",
         1,
         {{Qt::Key_Right, Shift}, {Qt::Key_Right, Shift}, {Qt::Key_Left, {}}},
         1,
         0},
        {false, "abcdef", 1, {{Qt::Key_Right, Shift}, {Qt::Key_Right, {}}}, 2, 0},
        {false, "abc", 1, {{Qt::Key_A, Ctrl}}, 0, 3},
    };
    for (const Case& c : cases) {
        TShownEdit e(c.text, c.unicode, c.caret);
        for (const auto& [key, modifiers] : c.keys) {
            e.key(key, modifiers);
        }
        EXPECT_EQ(e.edit.SelStart(), c.selStart) << c.text << " from " << c.caret;
        EXPECT_EQ(e.edit.SelLength(), c.selLength) << c.text << " from " << c.caret;
    }
}

TEST(EditControl, TypingAndDeletingAsTheUserSeesIt) {
    // `typed`: text typed key by key; else `key` pressed. Then one undo.
    struct Case {
        bool unicode;
        std::string text;
        int caret;
        const char* typed;
        int key;
        Qt::KeyboardModifiers modifiers;
        std::string after;
        std::string undone;
    } const cases[] = {
        {false, "ab", 1, "xyz", 0, {}, "axyzb", "ab"}, // typing merges into one step
        {false, "", 0, "\xC3\xA9\xE2\x82\xAC", 0, {}, "\xE9\x80", ""}, // é € in the code page
        {false, "", 0, "\xF0\x9F\x98\x80", 0, {}, "?", ""},
        {true, "", 0, "\xF0\x9F\x98\x80", 0, {}, "\xF0\x9F\x98\x80", ""},
        {true, "a\xE2\x82\xAC", 4, nullptr, Qt::Key_Backspace, {}, "a", "a\xE2\x82\xAC"},
        {false, "ab\r\ncd", 4, nullptr, Qt::Key_Backspace, {}, "abcd", "ab\r\ncd"},
        {false, "ab\r\ncd", 2, nullptr, Qt::Key_Delete, {}, "abcd", "ab\r\ncd"},
        {true, "\xF0\x9F\x98\x80x", 0, nullptr, Qt::Key_Delete, {}, "x", "\xF0\x9F\x98\x80x"},
        {false, "ab\r\ncd", 1, nullptr, Qt::Key_Return, {}, "a\r\nb\r\ncd", "ab\r\ncd"},
        {false, "ab", 1, nullptr, Qt::Key_Enter, {}, "a\nb", "ab"},
        {false, "ab", 1, nullptr, Qt::Key_Tab, {}, "a\tb", "ab"},
        {false, "one two", 7, nullptr, Qt::Key_Backspace, Qt::ControlModifier, "one ", "one two"},
        {false, "one two", 0, nullptr, Qt::Key_Delete, Qt::ControlModifier, "two", "one two"},
        // Breaks take the kind of the text's first line end; a lone CR deleted comes back.
        {false, "a\r\nb\nc", 1, nullptr, Qt::Key_Return, {}, "a\r\n\r\nb\nc", "a\r\nb\nc"},
        {false, "no breaks", 2, nullptr, Qt::Key_Enter, Qt::ShiftModifier, "no\n breaks",
         "no breaks"},
        {false, "x\ry\r\nz", 2, nullptr, Qt::Key_Backspace, {}, "xy\r\nz", "x\ry\r\nz"},
        {true, "x\xF0\x9F\x98\x80", 5, nullptr, Qt::Key_Backspace, {}, "x", "x\xF0\x9F\x98\x80"},
        // ñ Ω 😀, and a control picture typed is the picture, not the control.
        {true,
         "",
         0,
         "\xC3\xB1\xCE\xA9\xF0\x9F\x98\x80",
         0,
         {},
         "\xC3\xB1\xCE\xA9\xF0\x9F\x98\x80",
         ""},
        {true, "", 0, "\xE2\x90\x80", 0, {}, "\xE2\x90\x80", ""},
    };
    for (const Case& c : cases) {
        TShownEdit e(c.text, c.unicode, c.caret);
        if (c.typed) {
            for (const QChar ch : QString::fromUtf8(c.typed)) {
                if (ch.isLowSurrogate()) {
                    continue;
                }
                const QString text =
                    ch.isHighSurrogate()
                        ? QString::fromUtf8(c.typed).mid(QString::fromUtf8(c.typed).indexOf(ch), 2)
                        : QString(ch);
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, {}, text);
                QApplication::sendEvent(&e.edit, &press);
            }
        } else {
            e.key(c.key, c.modifiers);
        }
        EXPECT_EQ(e.edit.Text(), c.after) << c.text;
        EXPECT_TRUE(e.edit.isModified());
        e.key(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(e.edit.Text(), c.undone) << c.text;
        e.edit.Redo();
        EXPECT_EQ(e.edit.Text(), c.after) << c.text;
    }
}

TEST(EditControl, MouseClicksPlaceAndSelect) {
    // A double click selects a word of whole characters.
    struct Case {
        bool unicode;
        const char* text;
        int at;
        const char* word;
    } const words[] = {
        {false, "caf\xE9 na\xEFve", 7, "na\xEFve"},
        {true, "caf\xC3\xA9 na\xC3\xAFve", 8, "na\xC3\xAFve"},
        {true, "\xCE\xB8\xCE\xB5\xCF\x8C\xCF\x82 x", 2, "\xCE\xB8\xCE\xB5\xCF\x8C\xCF\x82"},
        {false, "one\r\ntwo three", 6, "two"},
    };
    for (const Case& c : words) {
        TShownEdit e(c.text, c.unicode);
        QTest::mouseDClick(e.edit.viewport(), Qt::LeftButton, {}, e.pointAt(c.at));
        EXPECT_EQ(e.edit.SelText(), c.word) << c.text;
    }
    QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 10);

    TShownEdit e("alpha beta gamma\nsecond line", false);
    QWidget* view = e.edit.viewport();
    const QPoint at8 = e.pointAt(8), at13 = e.pointAt(13), at19 = e.pointAt(19),
                 at23 = e.pointAt(23);
    QTest::mouseClick(view, Qt::LeftButton, {}, at8);
    EXPECT_EQ(e.edit.SelStart(), 8);
    QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, at13);
    EXPECT_EQ(e.edit.SelStart(), 8);
    EXPECT_EQ(e.edit.SelLength(), 5);
    QTest::mouseDClick(view, Qt::LeftButton, {}, at8);
    EXPECT_EQ(e.edit.SelText(), "beta");
    // A third click soon after selects the paragraph with its line end.
    QTest::mouseClick(view, Qt::LeftButton, {}, at8);
    EXPECT_EQ(e.edit.SelText(), "alpha beta gamma\n");
    // Drag selects from the press to the release.
    QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 10);
    QTest::mousePress(view, Qt::LeftButton, {}, at19);
    QMouseEvent move(QEvent::MouseMove, at23, view->mapToGlobal(at23), Qt::NoButton, Qt::LeftButton,
                     {});
    QApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, {}, at23);
    EXPECT_EQ(e.edit.SelText(), "cond");
    // The program's own menu, where the viewport was clicked.
    e.edit.setContextMenuPolicy(Qt::CustomContextMenu);
    QPoint asked;
    QObject::connect(&e.edit, &QWidget::customContextMenuRequested,
                     [&](const QPoint& pos) { asked = pos; });
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at8, view->mapToGlobal(at8));
    QApplication::sendEvent(view, &menu);
    EXPECT_EQ(asked, at8);
}

TEST(EditControl, InputMethodCommitsAndComposes) {
    TShownEdit e("ab", true, 1);
    QInputMethodEvent compose(QStringLiteral("u"), {});
    QApplication::sendEvent(&e.edit, &compose);
    EXPECT_EQ(e.edit.Text(), "ab"); // composing types nothing yet
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("\u00FC"));
    QApplication::sendEvent(&e.edit, &commit);
    EXPECT_EQ(e.edit.Text(), "a\xC3\xBC"
                             "b");
    EXPECT_EQ(e.edit.SelStart(), 3);
    EXPECT_EQ(e.edit.inputMethodQuery(Qt::ImSurroundingText).toString(),
              QStringLiteral("a\u00FCb"));
    EXPECT_EQ(e.edit.inputMethodQuery(Qt::ImCursorPosition).toInt(), 2);
    // A commit that replaces what is before the caret.
    QInputMethodEvent replace;
    replace.setCommitString(QStringLiteral("x"), -1, 1);
    QApplication::sendEvent(&e.edit, &replace);
    EXPECT_EQ(e.edit.Text(), "axb");
}

TEST(EditControl, WorkInALongLineStaysNearTheCaret) {
    std::string line;
    while (line.size() < 10'000'000) {
        line += "word some ";
    }
    TShownEdit e(line, false, 5'000'000);
    QTest::qWait(1);
    e.edit.repaint();
    TLineLayout& layout = e.edit.Layout();
    const auto boundedSteps = [&](const char* what, const std::function<void()>& step) {
        const std::int64_t before = layout.LongBytesLaidOut();
        step();
        e.edit.repaint();
        EXPECT_LT(layout.LongBytesLaidOut() - before, 100'000) << what;
    };
    boundedSteps("type", [&] { e.key(Qt::Key_X); });
    boundedSteps("right", [&] { e.key(Qt::Key_Right); });
    boundedSteps("ctrl right", [&] { e.key(Qt::Key_Right, Qt::ControlModifier); });
    boundedSteps("backspace", [&] { e.key(Qt::Key_Backspace); });
    boundedSteps("click", [&] {
        QTest::mouseClick(e.edit.viewport(), Qt::LeftButton, {}, QPoint(100, 10));
    });
    boundedSteps("double click", [&] {
        QTest::mouseDClick(e.edit.viewport(), Qt::LeftButton, {}, QPoint(120, 10));
    });
    const int word = e.edit.SelLength();
    EXPECT_GT(word, 0);
    boundedSteps("cut", [&] { e.edit.CutToClipboard(); });
    boundedSteps("paste", [&] { e.edit.PasteFromClipboard(); });
    boundedSteps("undo", [&] { e.edit.Undo(); });
    EXPECT_EQ(e.edit.TextLength(), static_cast<int>(line.size()) - word);
}

TEST(EditControl, AFormatAtTheCaretIsTakenByWhatIsTypedNext) {
    TShownEdit e("ab", false, 1);
    e.edit.setModified(false);
    TFont bold = e.edit.SelAttributes();
    bold.Bold = true;
    e.edit.SetSelAttributes(bold);
    EXPECT_FALSE(e.edit.isModified()); // no change of the document yet
    EXPECT_TRUE(e.edit.SelAttributes().Bold);
    e.key(Qt::Key_X, {});
    EXPECT_EQ(e.edit.Text(), "axb");
    e.edit.SetSelStart(1);
    e.edit.SetSelLength(1);
    EXPECT_TRUE(e.edit.SelAttributes().Bold);
    e.edit.SetSelStart(2);
    e.edit.SetSelLength(1);
    EXPECT_FALSE(e.edit.SelAttributes().Bold);
    // At a line's start, typing takes the format of the line's text, as in
    // the toolkit's controls, not that of the line end before.
    e.edit.SetText("ab\ncd");
    e.edit.SetSelStart(3);
    e.edit.SetSelLength(2);
    e.edit.SetSelAttributes(bold);
    e.edit.SetSelStart(3);
    EXPECT_TRUE(e.edit.SelAttributes().Bold);
    e.key(Qt::Key_Y, {});
    e.edit.SetSelStart(3);
    e.edit.SetSelLength(1);
    EXPECT_EQ(e.edit.SelText(), "y");
    EXPECT_TRUE(e.edit.SelAttributes().Bold);
}

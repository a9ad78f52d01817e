#include "MainFormTest.h"
#include "texttools/FindDialog.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>

namespace {

void typeInto(QWidget& dialog, const char* field, const QString& text) {
    auto* edit = dialog.findChild<QLineEdit*>(QString::fromLatin1(field));
    ASSERT_NE(edit, nullptr) << field;
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

void press(QWidget& dialog, const char* button) {
    auto* b = dialog.findChild<QPushButton*>(QString::fromLatin1(button));
    ASSERT_NE(b, nullptr) << button;
    b->click();
}

} // namespace

TEST_F(MainFormTest, FindDialogWalksThroughTheActiveDocument) {
    const QList<TfrmNew*> windows = OpenWindows(2);
    windows[0]->Edit1().SetText("cat and Cat");
    windows[1]->Edit1().SetText("a cat, a CAT, a cat");
    windows[1]->SetChanged(false);
    Click(10); // the Find button
    ASSERT_TRUE(form.FindDialog->isVisible());
    typeInto(*form.FindDialog, "FindWhat", QStringLiteral("cat"));
    QTest::keyClick(form.FindDialog->findChild<QLineEdit*>(QStringLiteral("FindWhat")),
                    Qt::Key_Return);
    TRichEdit& edit = windows[1]->Edit1();
    EXPECT_EQ(edit.SelStart(), 2);
    EXPECT_EQ(edit.SelText(), "cat");
    EXPECT_EQ(form.CurrentDocument.data(), windows[1]);
    press(*form.FindDialog, "FindNextButton");
    EXPECT_EQ(edit.SelText(), "CAT");
    form.FindDialog->SetOptions(form.FindDialog->Options() | frMatchCase);
    press(*form.FindDialog, "FindNextButton");
    EXPECT_EQ(edit.SelStart(), 16);
    press(*form.FindDialog, "FindNextButton"); // no more: nothing changes, nothing is said
    EXPECT_EQ(edit.SelStart(), 16);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Flag(windows[1]), "false");

    // The dialog stays open and serves whichever window is active now.
    form.DocumentArea().setActiveSubWindow(windows[0]);
    press(*form.FindDialog, "FindNextButton");
    EXPECT_EQ(windows[0]->Edit1().SelStart(), 0);
    Trigger("Find1"); // shown again: it comes forward, the same one
    EXPECT_EQ(form.FindDialog->FindText(), "cat");
}

TEST_F(MainFormTest, ReplaceDialogReplacesOneOrAllAndOneUndoTakesAllBack) {
    TfrmNew* window = OpenWindows(1)[0];
    TRichEdit& edit = window->Edit1();
    const std::string text = "cat cat\r\ncat";
    edit.SetText(text);
    window->SetChanged(false);
    Trigger("Replace1");
    TReplaceDialog& dialog = *form.ReplaceDialog;
    ASSERT_TRUE(dialog.isVisible());
    typeInto(dialog, "FindWhat", QStringLiteral("cow"));
    typeInto(dialog, "ReplaceWith", QStringLiteral("dog"));
    press(dialog, "ReplaceAllButton");
    EXPECT_EQ(edit.Text(), text);
    EXPECT_EQ(Flag(window), "false") << "no match is no change";

    typeInto(dialog, "FindWhat", QStringLiteral("cat"));
    press(dialog, "FindNextButton");
    press(dialog, "ReplaceButton");
    EXPECT_EQ(edit.Text(), "dog cat\r\ncat");
    EXPECT_EQ(edit.SelStart(), 3);
    press(dialog, "ReplaceAllButton");
    EXPECT_EQ(edit.Text(), "dog dog\r\ndog");
    EXPECT_EQ(edit.SelStart(), 12);
    EXPECT_EQ(Flag(window), "true");
    Trigger("Undo1");
    EXPECT_EQ(edit.Text(), "dog cat\r\ncat");
    Trigger("Undo1");
    EXPECT_EQ(edit.Text(), text);

    // Replace with nothing selected inserts at the caret; Replace All of a
    // text its replacement holds ends.
    edit.SetSelStart(3);
    press(dialog, "ReplaceButton");
    EXPECT_EQ(edit.Text(), "catdog cat\r\ncat");
    typeInto(dialog, "ReplaceWith", QStringLiteral("CAT"));
    press(dialog, "ReplaceAllButton");
    EXPECT_EQ(edit.Text(), "CATdog cat\r\ncat");
}

TEST_F(MainFormTest, CaseCommandsFromTheMenuAndTheContextMenu) {
    TfrmNew* window = OpenWindows(1)[0];
    TRichEdit& edit = window->Edit1();
    struct Step {
        const char* item;
        const char* result;
    };
    const Step steps[] = {
        {"AllUpperCase1", "x HELLO W\xC9RLD\r\n42"},
        {"AllLowerCase1", "x hello w\xE9rld\r\n42"},
        {"InitialUpperCase1", "x Hello w\xE9rld\r\n42"},
        {"Reverse1", "x hELLO W\xE9RLD\r\n42"},
        {"AllUpperCase2", "x HELLO W\xC9RLD\r\n42"},
        {"AllLowerCase2", "x hello w\xE9rld\r\n42"},
        {"ReverseUpperCaseLowerCase1", "x HELLO W\xE9RLD\r\n42"},
        {"InitialUpperCase2", "x HELLO W\xE9RLD\r\n42"},
    };
    edit.SetText("x hello w\xE9rld\r\n42");
    for (const Step& step : steps) {
        edit.SetSelStart(2);
        edit.SetSelLength(15);
        Trigger(step.item);
        EXPECT_EQ(edit.Text(), step.result) << step.item;
        EXPECT_EQ(edit.SelStart(), 17) << step.item;
    }
}

TEST_F(MainFormTest, FindAndReplaceKeysOpenTheirDialogs) {
    TfrmNew* window = OpenWindows(1)[0];
    form.activateWindow();
    window->Edit1().setFocus();
    if (!QTest::qWaitForWindowActive(&form)) {
        GTEST_SKIP() << "this platform activates no window";
    }
    QTest::keyClick(&window->Edit1(), Qt::Key_F3);
    EXPECT_TRUE(form.FindDialog->isVisible());
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&window->Edit1(), Qt::Key_F5);
    EXPECT_TRUE(form.ReplaceDialog->isVisible());
}

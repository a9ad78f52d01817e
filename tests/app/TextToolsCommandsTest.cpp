#include "MainFormTest.h"
#include "texttools/FindDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>

namespace {

QLineEdit& field(QWidget& dialog, const char* name) {
    return *dialog.findChild<QLineEdit*>(QString::fromLatin1(name));
}

void typeInto(QWidget& dialog, const char* name, const QString& text) {
    field(dialog, name).selectAll();
    QTest::keyClicks(&field(dialog, name), text);
}

void press(QWidget& dialog, const char* button) {
    dialog.findChild<QPushButton*>(QString::fromLatin1(button))->click();
}

} // namespace

TEST_F(MainFormTest, FindAndReplaceDialogsServeTheActiveDocument) {
    const QList<TfrmNew*> windows = OpenWindows(2);
    TRichEdit& edit = windows[1]->Edit1();
    // The caret label follows every command, once it is over.
    const auto label = [&] {
        QCoreApplication::processEvents();
        return windows[1]->Label1().text().toStdString();
    };
    windows[0]->Edit1().SetText("cat");
    edit.SetText("a cat, a CAT\r\ncat");
    windows[1]->SetChanged(false);
    edit.SetSelStart(5); // after the first match, nothing selected: from the top
    Click(10);           // Find
    TFindDialog& find = *form.FindDialog;
    EXPECT_FALSE(find.findChild<QPushButton*>(QStringLiteral("FindNextButton"))->isEnabled());
    typeInto(find, "FindWhat", QStringLiteral("cat"));
    QTest::keyClick(&field(find, "FindWhat"), Qt::Key_Return);
    EXPECT_EQ(edit.SelStart(), 2);
    EXPECT_EQ(form.CurrentDocument.data(), windows[1]);
    press(find, "FindNextButton");
    EXPECT_EQ(edit.SelText(), "CAT");
    EXPECT_EQ(label(), "Cursor: 13,1");
    press(find, "FindNextButton");
    press(find, "FindNextButton"); // no more: nothing changes, nothing is said
    EXPECT_EQ(edit.SelStart(), 14);
    EXPECT_EQ(label(), "Cursor: 4,2");
    // Another window active: the next press acts on it.
    form.DocumentArea().setActiveSubWindow(windows[0]);
    press(find, "FindNextButton");
    EXPECT_EQ(windows[0]->Edit1().SelLength(), 3);
    form.DocumentArea().setActiveSubWindow(windows[1]);
    // Escape hides the dialog; shown again it has its text, selected.
    QTest::keyClick(&field(find, "FindWhat"), Qt::Key_Escape);
    EXPECT_FALSE(find.isVisible());
    Trigger("Find1");
    EXPECT_EQ(field(find, "FindWhat").selectedText(), QStringLiteral("cat"));

    Click(11); // Replace
    TReplaceDialog& replace = *form.ReplaceDialog;
    typeInto(replace, "FindWhat", QStringLiteral("cow"));
    typeInto(replace, "ReplaceWith", QStringLiteral("dog"));
    press(replace, "ReplaceAllButton");
    EXPECT_EQ(Flag(windows[1]), "false") << "no match is no change";
    typeInto(replace, "FindWhat", QStringLiteral("cat"));
    edit.SetSelStart(0);
    QTest::keyClick(&field(replace, "ReplaceWith"), Qt::Key_Enter); // Find Next
    press(replace, "ReplaceButton");
    EXPECT_EQ(edit.Text(), "a dog, a CAT\r\ncat");
    EXPECT_EQ(label(), "Cursor: 6,1");
    press(replace, "ReplaceAllButton");
    EXPECT_EQ(edit.Text(), "a dog, a dog\r\ndog");
    EXPECT_EQ(edit.SelStart(), 17);
    EXPECT_EQ(label(), "Cursor: 4,2");
    EXPECT_EQ(Flag(windows[1]), "true");
    Trigger("Undo1"); // one Undo for all of Replace All
    EXPECT_EQ(edit.Text(), "a dog, a CAT\r\ncat");
    EXPECT_EQ(label(), "Cursor: 1,1");

    // The field keeps every character typed; a document whose code page
    // cannot hold one gets "?", a Unicode one gets it whole. Any byte shows.
    QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("\u4e2d"));
    QCoreApplication::sendEvent(&field(replace, "ReplaceWith"), &key);
    EXPECT_EQ(replace.ReplaceText(), QStringLiteral("dog\u4e2d"));
    EXPECT_EQ(FieldBytes(replace.ReplaceText()), "dog?");
    EXPECT_EQ(FieldBytes(replace.ReplaceText(), TEncoding::Utf8), "dog\xE4\xB8\xAD");
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(FieldBytes(FieldText(all)), all);
}

TEST_F(MainFormTest, RegularExpressionsByKeyboardAndMouseWithProblemsBesideTheirField) {
    TRichEdit& edit = OpenWindows(1)[0]->Edit1();
    edit.SetText("id=7\r\nid=42");
    Click(11); // Replace
    TReplaceDialog& replace = *form.ReplaceDialog;
    auto* regex = replace.findChild<QCheckBox*>(QStringLiteral("RegularExpression"));
    EXPECT_FALSE(regex->isChecked());
    QApplication::setActiveWindow(&replace);
    QTest::keyClick(&field(replace, "FindWhat"), Qt::Key_X, Qt::AltModifier);
    // A mnemonic clicks the way a mouse does, after a moment.
    EXPECT_TRUE(QTest::qWaitFor([&] { return regex->isChecked(); }));
    EXPECT_TRUE(replace.Options().testFlag(frRegularExpression));
    typeInto(replace, "FindWhat", QStringLiteral("(\\d+)$"));
    typeInto(replace, "ReplaceWith", QStringLiteral("<$1>\\n"));
    press(replace, "ReplaceAllButton");
    EXPECT_EQ(edit.Text(), "id=<7>\r\n\r\nid=<42>\r\n");

    // A problem is said beside its field, changes nothing, and goes when the
    // field is edited; the buttons stay usable.
    const std::string before = edit.Text();
    auto* patternProblem = replace.findChild<QLabel*>(QStringLiteral("FindWhatProblem"));
    auto* replacementProblem = replace.findChild<QLabel*>(QStringLiteral("ReplaceWithProblem"));
    typeInto(replace, "FindWhat", QStringLiteral("(id"));
    press(replace, "ReplaceAllButton");
    EXPECT_TRUE(patternProblem->isVisible());
    EXPECT_EQ(patternProblem->text(), QStringLiteral("At the end: missing closing parenthesis"));
    press(replace, "FindNextButton");
    EXPECT_TRUE(patternProblem->isVisible());
    QTest::keyClick(&field(replace, "FindWhat"), Qt::Key_ParenRight);
    EXPECT_FALSE(patternProblem->isVisible());
    typeInto(replace, "ReplaceWith", QStringLiteral("$2"));
    press(replace, "ReplaceAllButton");
    EXPECT_EQ(replacementProblem->text(), QStringLiteral("No group 2 in the pattern"));
    EXPECT_FALSE(patternProblem->isVisible());
    EXPECT_EQ(edit.Text(), before);
    EXPECT_EQ(replace.findChild<QPushButton*>(QStringLiteral("ReplaceAllButton"))->isEnabled(),
              true);

    // Remembered from one showing to the next; the Find dialog has its own, by mouse.
    QTest::keyClick(&field(replace, "FindWhat"), Qt::Key_Escape);
    Trigger("Replace1");
    EXPECT_TRUE(regex->isChecked());
    Trigger("Find1");
    auto* findRegex = form.FindDialog->findChild<QCheckBox*>(QStringLiteral("RegularExpression"));
    EXPECT_FALSE(findRegex->isChecked());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.FindDialog));
    // On its box: the row is wider than the box and its caption.
    QTest::mouseClick(findRegex, Qt::LeftButton, {}, QPoint(6, findRegex->height() / 2));
    typeInto(*form.FindDialog, "FindWhat", QStringLiteral("\\d{2}"));
    edit.SetSelStart(0);
    press(*form.FindDialog, "FindNextButton");
    EXPECT_EQ(edit.SelText(), "42");
}

TEST_F(MainFormTest, CaseCommandsKeepLineEndsAndFormatsFromBothMenus) {
    TRichEdit& edit = OpenWindows(1)[0]->Edit1();
    const std::pair<const char*, const char*> steps[] = {
        {"AllUpperCase1", "HELLO\r\nW\xC9\rRLD\n"},
        {"AllLowerCase1", "hello\r\nw\xE9\rrld\n"},
        {"InitialUpperCase1", "Hello\r\nw\xE9\rrld\n"},
        {"Reverse1", "hELLO\r\nW\xE9\rRLD\n"},
        {"AllLowerCase2", "hello\r\nw\xE9\rrld\n"},
        {"InitialUpperCase2", "Hello\r\nw\xE9\rrld\n"},
        {"AllUpperCase2", "HELLO\r\nW\xC9\rRLD\n"},
        {"ReverseUpperCaseLowerCase1", "hello\r\nw\xC9\rrld\n"},
    };
    edit.SetText("x hello\r\nw\xE9\rrld\n.");
    edit.SetSelStart(2);
    edit.SetSelLength(5);
    TFont bold = edit.SelAttributes();
    bold.Bold = true;
    edit.SetSelAttributes(bold); // "hello"
    for (const auto& [item, result] : steps) {
        edit.SetSelStart(2);
        edit.SetSelLength(14);
        Trigger(item);
        EXPECT_EQ(edit.Text(), "x " + std::string(result) + ".") << item;
        EXPECT_EQ(edit.SelStart(), 16) << item; // the old start plus the length
        EXPECT_EQ(edit.SelLength(), 0) << item;
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(form.ActiveDocument()->Label1().text(), QStringLiteral("Cursor: 1,4"));
    edit.SetSelStart(4);
    EXPECT_TRUE(edit.SelAttributes().Bold);
    Trigger("Undo1");
    EXPECT_EQ(edit.Text(), "x HELLO\r\nW\xC9\rRLD\n.");
    edit.SetSelStart(3); // nothing selected: nothing changes
    Trigger("AllUpperCase1");
    EXPECT_EQ(edit.SelStart(), 3);
}

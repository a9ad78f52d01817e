#include "MainFormTest.h"

#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace {
QStringList itemNames(const QWidget* menu) {
    QStringList names;
    for (const QAction* action : menu->actions()) {
        names << action->objectName();
    }
    return names;
}

// The entries easiest to get wrong: odd spellings, the shortcuts users rely
// on, and the context menu's repeats of main-menu items.
struct Entry {
    const char* name;
    const char* caption;
    const char* shortcut;
    const char* hint;
};
const Entry Sample[] = {
    {"ImportfromWeb1", "&Import from Web...", "", "Import a File direcly from Web"},
    {"ClearAll2", "C&lear All", "Ctrl+L", "Clear All the text"},
    {"Undo1", "&Undo", "Ctrl+U", "Undo last changes"},
    {"Find1", "&Find...", "F3", "Find text"},
    {"Replace1", "&Replace...", "F5", "Replace text"},
    {"SetasHTML1", "Set as &HTML", "Ctrl+H", "set the page as an html page"},
    {"Mosaic21", "Mosaic 2", "", "Mosaic function for 2 windows"},
    {"Cut2", "Cu&t", "Ctrl+X", "Cut selected text into Clipboard"},
    {"SaveAs1", "Sa&ve As...", "", "Save current file under a new name"},
};
} // namespace

TEST_F(MainFormTest, MenusHoldEveryEntryWithItsTexts) {
    EXPECT_EQ(itemNames(form.MainMenu), QStringList({"FileMenu", "Edit2", "View", "Help1"}));
    EXPECT_EQ(itemNames(form.findChild<QMenu*>(QStringLiteral("FileMenu"))),
              QStringList({"FileNewItem", "FileOpenItem", "FileSaveItem", "FileSaveAsItem",
                           "ImportfromWeb1", "mnuSendbyEmail", "Print1", "N1", "FileExitItem"}));
    EXPECT_EQ(itemNames(form.PopupMenu),
              QStringList({"Cut2", "Copy2", "Paste2", "SelectAll1", "ClearAll1",
                           "ChangeUpperCaseLowerCase2", "SetasHTML2", "N4", "Save1", "SaveAs1"}));

    // Every entry has a name; all but separators a caption, and all but the
    // menu bar's titles a hint. With a document open every item works.
    QList<QAction*> entries = form.MainMenu->actions();
    for (const QMenu* menu : form.findChildren<QMenu*>()) {
        entries += menu->objectName().isEmpty() ? QList<QAction*>() : menu->actions();
    }
    EXPECT_EQ(entries.size(), 61);
    form.CreateStartupDocument({});
    for (const QAction* action : entries) {
        const std::string name = action->objectName().toStdString();
        EXPECT_FALSE(name.empty()) << action->text().toStdString();
        if (!action->isSeparator()) {
            EXPECT_FALSE(action->text().isEmpty()) << name;
            EXPECT_TRUE(form.MainMenu->actions().contains(action) || !action->statusTip().isEmpty())
                << name;
            EXPECT_TRUE(action->isEnabled()) << name;
        }
    }
    for (const Entry& entry : Sample) {
        const QAction* action = Action(entry.name);
        ASSERT_NE(action, nullptr) << entry.name;
        EXPECT_EQ(action->text(), QString::fromLatin1(entry.caption)) << entry.name;
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromLatin1(entry.shortcut)))
            << entry.name;
        EXPECT_EQ(action->statusTip(), QString::fromLatin1(entry.hint)) << entry.name;
    }
    EXPECT_TRUE(form.Standard->isChecked() && form.Web->isChecked());
    EXPECT_FALSE(form.WordWrap1->isChecked());
}

TEST_F(MainFormTest, ButtonsStandInTwoRowsWithTheHintsOfTheirCommands) {
    form.CreateStartupDocument({});
    EXPECT_EQ(form.Panel1->findChildren<QToolButton*>().size(), 33);
    EXPECT_EQ(Button(1)->geometry(), QRect(4, 5, 53, 49));
    EXPECT_EQ(Button(2)->geometry(), QRect(57, 5, 53, 49));
    // Each row runs left to right from 110 (standard) or 206 (web) in steps
    // of 24 or 25, every button 25 x 25 with its hint as its tool tip.
    for (const auto& [first, last, left, top] :
         {std::tuple{3, 20, 110, 5}, std::tuple{112, 124, 206, 30}}) {
        int next = left;
        for (int number = first; number <= last; ++number) {
            const QToolButton* button = Button(number);
            ASSERT_NE(button, nullptr) << number;
            EXPECT_EQ(button->size(), QSize(25, 25)) << number;
            EXPECT_EQ(button->y(), top) << number;
            EXPECT_TRUE(button->x() == next || button->x() == next + 1) << number;
            next = button->x() + 24;
            EXPECT_FALSE(button->toolTip().isEmpty()) << number;
            EXPECT_EQ(button->statusTip(), button->toolTip()) << number;
            EXPECT_TRUE(button->isEnabled()) << number;
        }
    }
    // A button doing a menu item's work shows that item's hint.
    for (const auto& [number, item] :
         {std::pair{13, "PreviewWebPage1"}, std::pair{14, "Mosaic41"}, std::pair{15, "Mosaic21"},
          std::pair{16, "AlignCenter1"}, std::pair{17, "AlignLeft1"}, std::pair{18, "AlignRight1"},
          std::pair{19, "Undo1"}, std::pair{20, "mnuSendbyEmail"}}) {
        EXPECT_EQ(Button(number)->toolTip(), Action(item)->statusTip()) << number;
    }
    EXPECT_EQ(Button(124)->toolTip(), QStringLiteral("Go to my HomePage"));
    EXPECT_EQ(Button(112)->text(), QStringLiteral("\u00b6"));
    EXPECT_EQ(Button(113)->text(), QStringLiteral("BR"));
    EXPECT_TRUE(Button(113)->font().bold());
}

TEST_F(MainFormTest, ShortcutsClearAllAndUndo) {
    TfrmNew* window = form.CreateStartupDocument({});
    form.activateWindow();
    window->Edit1().setFocus();
    if (!QTest::qWaitForWindowActive(&form)) {
        GTEST_SKIP() << "this platform activates no window";
    }
    window->Edit1().SetText("some text");
    QTest::keyClick(&window->Edit1(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(window->Edit1().Text(), "");
    QTest::keyClick(&window->Edit1(), Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(window->Edit1().Text(), "some text");
}

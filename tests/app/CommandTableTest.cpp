#include "MainFormTest.h"

#include <QMenu>
#include <QMenuBar>

namespace {
QStringList itemNames(const QWidget* menu) {
    QStringList names;
    for (const QAction* action : menu->actions()) {
        names << action->objectName();
    }
    return names;
}
} // namespace

TEST_F(MainFormTest, MenusAndButtonsHoldEveryEntryWithItsTextsAndAllWorkWithADocument) {
    EXPECT_EQ(itemNames(form.MainMenu), QStringList({"FileMenu", "Edit2", "View", "Help1"}));
    EXPECT_EQ(itemNames(form.PopupMenu),
              QStringList({"Cut2", "Copy2", "Paste2", "SelectAll1", "ClearAll1",
                           "ChangeUpperCaseLowerCase2", "SetasHTML2", "N4", "Save1", "SaveAs1"}));
    // Every entry has a name; all but separators a caption, and all but the
    // menu bar's titles a hint. With a document open from its file every item
    // works.
    QList<QAction*> entries = form.MainMenu->actions();
    for (const QMenu* menu : form.findChildren<QMenu*>()) {
        entries += menu->objectName().isEmpty() ? QList<QAction*>() : menu->actions();
    }
    EXPECT_EQ(entries.size(), 82);
    WriteFile(Path("a.txt"), "text");
    form.CreateStartupDocument({Path("a.txt")});
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
    // Odd spellings and the shortcuts users rely on.
    for (const auto& [name, caption, shortcut, hint] :
         {std::tuple{"ImportfromWeb1", "&Import from Web...", "", "Import a File direcly from Web"},
          std::tuple{"ClearAll2", "C&lear All", "Ctrl+L", "Clear All the text"},
          std::tuple{"Undo1", "&Undo", "Ctrl+U", "Undo last changes"},
          std::tuple{"Find1", "&Find...", "F3; Ctrl+F", "Find text"},
          std::tuple{"Replace1", "&Replace...", "F5", "Replace text"},
          std::tuple{"SetasHTML1", "Set as &HTML", "Ctrl+H", "set the page as an html page"},
          std::tuple{"Redo1", "&Redo", "Ctrl+Y; Ctrl+Shift+Z", "Redo the last change undone"}}) {
        EXPECT_EQ(Action(name)->text() + Action(name)->statusTip(),
                  QString::fromLatin1(caption) + QString::fromLatin1(hint));
        EXPECT_EQ(QKeySequence::listToString(Action(name)->shortcuts()),
                  QString::fromLatin1(shortcut))
            << name;
    }
    // The desktop's keys where the table leaves them free; Redo after Undo.
    for (const auto& [name, key] :
         {std::pair{"FileNewItem", "Ctrl+N"}, std::pair{"FileOpenItem", "Ctrl+O"},
          std::pair{"FileSaveItem", "Ctrl+S"}, std::pair{"FileSaveAsItem", "Ctrl+Shift+S"},
          std::pair{"Print1", "Ctrl+P"}, std::pair{"FileExitItem", "Ctrl+Q"}}) {
        EXPECT_EQ(Action(name)->shortcut(), QKeySequence(QString::fromLatin1(key))) << name;
    }
    const QStringList editItems = itemNames(form.findChild<QMenu*>(QStringLiteral("Edit2")));
    EXPECT_EQ(editItems.indexOf(QStringLiteral("Redo1")),
              editItems.indexOf(QStringLiteral("Undo1")) + 1);

    // 33 buttons in two rows of 25 x 25 below New and Open, each enabled, its
    // hint its tool tip; one doing a menu item's work shows that item's hint.
    EXPECT_EQ(form.Panel1->findChildren<QToolButton*>().size(), 33);
    EXPECT_EQ(Button(2)->geometry(), QRect(57, 5, 53, 49));
    for (int number = 3; number <= 124; number = number == 20 ? 112 : number + 1) {
        const QToolButton* button = Button(number);
        ASSERT_NE(button, nullptr) << number;
        EXPECT_EQ(button->geometry().size(), QSize(25, 25)) << number;
        EXPECT_EQ(button->y(), number < 100 ? 5 : 30) << number;
        EXPECT_FALSE(button->toolTip().isEmpty()) << number;
        EXPECT_EQ(button->statusTip(), button->toolTip()) << number;
        EXPECT_TRUE(button->isEnabled()) << number;
    }
    EXPECT_EQ(Button(20)->x(), 520); // the last of the standard row
    for (const auto& [number, item] :
         {std::pair{13, "PreviewWebPage1"}, std::pair{14, "Mosaic41"}, std::pair{15, "Mosaic21"},
          std::pair{16, "AlignCenter1"}, std::pair{19, "Undo1"}, std::pair{20, "mnuSendbyEmail"}}) {
        EXPECT_EQ(Button(number)->toolTip(), Action(item)->statusTip()) << number;
    }
    EXPECT_EQ(Button(112)->text(), QStringLiteral("\u00b6"));
}

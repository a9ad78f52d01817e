#include "MainFormTest.h"

#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace {
struct Entry {
    const char* name;
    const char* caption;
    const char* shortcut;
    const char* hint;
    bool enabled; // entries of later features stand disabled
};

const Entry Entries[] = {
    {"FileNewItem", "&New", "", "Create a new file", true},
    {"FileOpenItem", "&Open...", "", "Open an existing file", true},
    {"FileSaveItem", "&Save", "", "Save current file", true},
    {"FileSaveAsItem", "Save &As...", "", "Save current file under a new name", true},
    {"ImportfromWeb1", "&Import from Web...", "", "Import a File direcly from Web", false},
    {"mnuSendbyEmail", "Send by &Email...", "", "Send text by Email", false},
    {"Print1", "&Print", "", "Print current file", true},
    {"FileExitItem", "E&xit", "", "Exit this application", true},
    {"Cut1", "Cu&t", "Ctrl+X", "Cut selected text into Clipboard", true},
    {"Copy1", "&Copy", "Ctrl+C", "Copy selected text into Clipboard", true},
    {"Paste1", "&Paste", "Ctrl+V", "Paste text from the Clipboard", true},
    {"SelectAll", "Select &All", "Ctrl+A", "Select all text", true},
    {"ClearAll2", "C&lear All", "Ctrl+L", "Clear All the text", true},
    {"Undo1", "&Undo", "Ctrl+U", "Undo last changes", true},
    {"Find1", "&Find...", "F3", "Find text", false},
    {"Replace1", "&Replace...", "F5", "Replace text", false},
    {"SetFont1", "&Set Font...", "", "Set your favourite Font", true},
    {"SetasHTML1", "Set as &HTML", "Ctrl+H", "set the page as an html page", false},
    {"ChangeUpperCaseLowerCase1", "Change UpperCase/LowerCase", "",
     "Change selected text to UpperCase/LowerCase", true},
    {"AllUpperCase1", "All &UpperCase", "", "Change selected text all to UpperCase", false},
    {"AllLowerCase1", "All &LowerCase", "", "Change selected text all to LowerCase", false},
    {"Reverse1", "&Reverse UpperCase/LowerCase", "", "Reverse selected text", false},
    {"InitialUpperCase1", "&Initial UpperCase", "", "Make Initial character UpperCase", false},
    {"Cryptutility", "Crypt utility", "", "Crypt/Decrypt text", true},
    {"Crypt1", "Crypt", "", "Crypt Text", false},
    {"Decrypt1", "Decrypt", "", "Decrypt Text", false},
    {"Standard", "&Standard", "", "View Standard Toolbar", true},
    {"Web", "&Web", "", "View Web Toolbar", true},
    {"Mosaic41", "&Mosaic 4", "", "Mosaic function for 4 windows", true},
    {"Mosaic21", "Mosaic 2", "", "Mosaic function for 2 windows", true},
    {"AlignCenter1", "Align Text to &Center", "", "Align Pennivale text to the center", true},
    {"AlignLeft1", "Align Text to &Left", "", "Align Pennivale text to the left", true},
    {"AlignRight1", "Align Text to &Right", "", "Align Pennivale text to the right", true},
    {"WordWrap1", "WordWrap", "", "WordWrap for the text in the current window", true},
    {"PreviewWebPage1", "&Preview Web Page...", "", "Preview Web Page in default browser", false},
    {"About1", "&About...", "", "About Pennivale", false},
    {"CheckforUpdates1", "Check for &Updates...", "", "Check for Pennivale Updates", false},
    {"Cut2", "Cu&t", "Ctrl+X", "Cut selected text into Clipboard", true},
    {"Copy2", "&Copy", "Ctrl+C", "Copy selected text into Clipboard", true},
    {"Paste2", "&Paste", "Ctrl+V", "Paste text from the Clipboard", true},
    {"SelectAll1", "Select &All", "Ctrl+A", "Select all text", true},
    {"ClearAll1", "C&lear All", "Ctrl+L", "Clear All the text", true},
    {"AllUpperCase2", "All &UpperCase", "", "Change selected text all to UpperCase", false},
    {"AllLowerCase2", "All &LowerCase", "", "Change selected text all to LowerCase", false},
    {"ReverseUpperCaseLowerCase1", "&Reverse UpperCase/LowerCase", "", "Reverse selected text",
     false},
    {"InitialUpperCase2", "&Initial UpperCase", "", "Make Initial character UpperCase", false},
    {"SetasHTML2", "Set as &HTML", "Ctrl+H", "set the page as an html page", false},
    {"Save1", "&Save", "", "Save current file", true},
    {"SaveAs1", "Sa&ve As...", "", "Save current file under a new name", true},
};

struct Place {
    const char* name;
    QRect geometry;
    const char* hint;
};

const Place Places[] = {
    {"SpeedButton1", {4, 5, 53, 49}, "New"},
    {"SpeedButton2", {57, 5, 53, 49}, "Open"},
    {"SpeedButton3", {110, 5, 25, 25}, "Save"},
    {"SpeedButton4", {134, 5, 25, 25}, "Save As"},
    {"SpeedButton5", {158, 5, 25, 25}, "Print"},
    {"SpeedButton6", {182, 5, 25, 25}, "Exit from Pennivale"},
    {"SpeedButton7", {206, 5, 25, 25}, "Cut"},
    {"SpeedButton8", {230, 5, 25, 25}, "Copy"},
    {"SpeedButton9", {254, 5, 25, 25}, "Paste"},
    {"SpeedButton10", {278, 5, 25, 25}, "Find"},
    {"SpeedButton11", {302, 5, 25, 25}, "Replace"},
    {"SpeedButton12", {327, 5, 25, 25}, "Set Font"},
    {"SpeedButton13", {351, 5, 25, 25}, "Preview Web Page in default browser"},
    {"SpeedButton14", {375, 5, 25, 25}, "Mosaic function for 4 windows"},
    {"SpeedButton15", {399, 5, 25, 25}, "Mosaic function for 2 windows"},
    {"SpeedButton16", {423, 5, 25, 25}, "Align Pennivale text to the center"},
    {"SpeedButton17", {447, 5, 25, 25}, "Align Pennivale text to the left"},
    {"SpeedButton18", {471, 5, 25, 25}, "Align Pennivale text to the right"},
    {"SpeedButton19", {495, 5, 25, 25}, "Undo last changes"},
    {"SpeedButton20", {520, 5, 25, 25}, "Send text by Email"},
    {"SpeedButton112", {206, 30, 25, 25}, "Paragraph HTML Tag"},
    {"SpeedButton113", {230, 30, 25, 25}, "Break HTML Tag"},
    {"SpeedButton114", {254, 30, 25, 25}, "Non-breaking space HTML Tag"},
    {"SpeedButton115", {278, 30, 25, 25}, "Align to Center HTML Tag"},
    {"SpeedButton116", {302, 30, 25, 25}, "Bold HTML Tag"},
    {"SpeedButton117", {326, 30, 25, 25}, "Italic HTML Tag"},
    {"SpeedButton118", {350, 30, 25, 25}, "Underlined HTML Tag"},
    {"SpeedButton119", {375, 30, 25, 25}, "Link HTML Tag"},
    {"SpeedButton120", {399, 30, 25, 25}, "Image HTML Tag"},
    {"SpeedButton121", {423, 30, 25, 25}, "HTML Color"},
    {"SpeedButton122", {447, 30, 25, 25}, "Font HTML Tag"},
    {"SpeedButton123", {471, 30, 25, 25}, "Highlight HTML Tag"},
    {"SpeedButton124", {496, 30, 25, 25}, "Go to my HomePage"},
};
} // namespace

TEST_F(MainFormTest, EveryMenuEntryHasItsCaptionShortcutHintAndState) {
    form.CreateStartupDocument({});
    for (const Entry& entry : Entries) {
        QAction* action = form.Action(QString::fromLatin1(entry.name));
        ASSERT_NE(action, nullptr) << entry.name;
        EXPECT_EQ(action->text(), QString::fromLatin1(entry.caption)) << entry.name;
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromLatin1(entry.shortcut)))
            << entry.name;
        EXPECT_EQ(action->statusTip(), QString::fromLatin1(entry.hint)) << entry.name;
        EXPECT_EQ(action->isEnabled(), entry.enabled) << entry.name;
    }
    EXPECT_TRUE(form.Standard->isChecked());
    EXPECT_TRUE(form.Web->isChecked());
    EXPECT_FALSE(form.WordWrap1->isChecked());
}

TEST_F(MainFormTest, MenusHoldTheirItemsInOrder) {
    auto names = [](const QWidget* menu) {
        QStringList list;
        for (const QAction* action : menu->actions()) {
            list << action->objectName();
        }
        return list;
    };
    EXPECT_EQ(names(form.MainMenu), QStringList({"FileMenu", "Edit2", "View", "Help1"}));
    const QStringList captions = [&] {
        QStringList list;
        for (const QAction* action : form.MainMenu->actions()) {
            list << action->text();
        }
        return list;
    }();
    EXPECT_EQ(captions, QStringList({"&File", "&Edit", "&View", "&Help"}));
    EXPECT_EQ(names(form.findChild<QMenu*>(QStringLiteral("FileMenu"))),
              QStringList({"FileNewItem", "FileOpenItem", "FileSaveItem", "FileSaveAsItem",
                           "ImportfromWeb1", "mnuSendbyEmail", "Print1", "N1", "FileExitItem"}));
    EXPECT_EQ(names(form.findChild<QMenu*>(QStringLiteral("View"))),
              QStringList({"Standard", "Web", "N5", "Mosaic41", "Mosaic21", "AlignCenter1",
                           "AlignLeft1", "AlignRight1", "WordWrap1", "N7", "PreviewWebPage1"}));
    EXPECT_EQ(names(form.PopupMenu),
              QStringList({"Cut2", "Copy2", "Paste2", "SelectAll1", "ClearAll1",
                           "ChangeUpperCaseLowerCase2", "SetasHTML2", "N4", "Save1", "SaveAs1"}));
    EXPECT_FALSE(form.Action(QStringLiteral("FileNewItem"))->icon().isNull());
    EXPECT_FALSE(form.Action(QStringLiteral("Replace1"))->icon().isNull());
}

TEST_F(MainFormTest, ButtonsStandAtTheirPlacesWithTheirHintsAndFaces) {
    for (const Place& place : Places) {
        QToolButton* button = form.Button(QString::fromLatin1(place.name));
        ASSERT_NE(button, nullptr) << place.name;
        EXPECT_EQ(button->geometry(), place.geometry) << place.name;
        EXPECT_EQ(button->toolTip(), QString::fromLatin1(place.hint)) << place.name;
        EXPECT_EQ(button->statusTip(), QString::fromLatin1(place.hint)) << place.name;
    }
    EXPECT_EQ(form.Button(QStringLiteral("SpeedButton112"))->text(), QStringLiteral("\u00b6"));
    EXPECT_EQ(form.Button(QStringLiteral("SpeedButton113"))->text(), QStringLiteral("BR"));
    EXPECT_TRUE(form.Button(QStringLiteral("SpeedButton113"))->font().bold());
    EXPECT_EQ(form.Button(QStringLiteral("SpeedButton113"))->font().pixelSize(), 13);
    EXPECT_EQ(form.Button(QStringLiteral("SpeedButton114"))->text(), QStringLiteral("nb"));
    EXPECT_EQ(form.Button(QStringLiteral("SpeedButton116"))->text(), QStringLiteral("B"));
    EXPECT_TRUE(form.Button(QStringLiteral("SpeedButton117"))->font().italic());
    EXPECT_TRUE(form.Button(QStringLiteral("SpeedButton118"))->font().underline());
    EXPECT_FALSE(form.Button(QStringLiteral("SpeedButton10"))->isEnabled())
        << "Find stands disabled until its feature connects it";
    EXPECT_EQ(form.Panel1->findChildren<QToolButton*>().size(), 33);
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

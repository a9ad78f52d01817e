// The main menu and the context menu: every item with its name, caption,
// shortcut, hint, image and handler.
#include "app/Icons.h"
#include "app/Main.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <optional>

namespace {

struct TItem {
    const char* name;
    const char* caption; // nullptr: a separator
    const char* shortcut;
    const char* hint;
    std::optional<TGlyph> image;
    TMainForm::THandler handler; // nullptr: connected by a later feature
    bool needsDocument;
};

using F = TMainForm;

// Entries without a handler stand in place, disabled, until the feature
// that serves them connects them (TMainForm::ConnectCommand).
const TItem FileItems[] = {
    {"FileNewItem", "&New", "", "Create a new file", TGlyph::New, &F::FileNew, false},
    {"FileOpenItem", "&Open...", "", "Open an existing file", TGlyph::Open, &F::FileOpen, false},
    {"FileSaveItem", "&Save", "", "Save current file", TGlyph::Save, &F::FileSave, true},
    {"FileSaveAsItem",
     "Save &As...",
     "",
     "Save current file under a new name",
     {},
     &F::FileSaveAs,
     true},
    {"ImportfromWeb1", "&Import from Web...", "", "Import a File direcly from Web", TGlyph::Web,
     nullptr, false},
    {"mnuSendbyEmail", "Send by &Email...", "", "Send text by Email", TGlyph::Email, nullptr, true},
    {"Print1", "&Print", "", "Print current file", TGlyph::Print, &F::Print1Click, true},
    {"N1", nullptr, "", "", {}, nullptr, false},
    {"FileExitItem", "E&xit", "", "Exit this application", {}, &F::FileExit, false},
};

const TItem EditItems[] = {
    {"Cut1", "Cu&t", "Ctrl+X", "Cut selected text into Clipboard", TGlyph::Cut, &F::Cut1Click,
     true},
    {"Copy1", "&Copy", "Ctrl+C", "Copy selected text into Clipboard", TGlyph::Copy, &F::Copy1Click,
     true},
    {"Paste1", "&Paste", "Ctrl+V", "Paste text from the Clipboard", TGlyph::Paste, &F::Paste1Click,
     true},
    {"SelectAll", "Select &All", "Ctrl+A", "Select all text", {}, &F::SelectAllClick, true},
    {"ClearAll2", "C&lear All", "Ctrl+L", "Clear All the text", TGlyph::Clear, &F::ClearAll2Click,
     true},
    {"Undo1", "&Undo", "Ctrl+U", "Undo last changes", TGlyph::Undo, &F::Undo1Click, true},
    {"N3", nullptr, "", "", {}, nullptr, false},
    {"Find1", "&Find...", "F3", "Find text", TGlyph::Find, nullptr, true},
    {"Replace1", "&Replace...", "F5", "Replace text", TGlyph::Replace, nullptr, true},
    {"SetFont1", "&Set Font...", "", "Set your favourite Font", TGlyph::Font, &F::SetFont1Click,
     true},
    {"SetasHTML1", "Set as &HTML", "Ctrl+H", "set the page as an html page", {}, nullptr, true},
    {"N2", nullptr, "", "", {}, nullptr, false},
};

const TItem CaseItems[] = {
    {"AllUpperCase1",
     "All &UpperCase",
     "",
     "Change selected text all to UpperCase",
     {},
     nullptr,
     true},
    {"AllLowerCase1",
     "All &LowerCase",
     "",
     "Change selected text all to LowerCase",
     {},
     nullptr,
     true},
    {"Reverse1", "&Reverse UpperCase/LowerCase", "", "Reverse selected text", {}, nullptr, true},
    {"InitialUpperCase1",
     "&Initial UpperCase",
     "",
     "Make Initial character UpperCase",
     {},
     nullptr,
     true},
};

const TItem CryptItems[] = {
    {"Crypt1", "Crypt", "", "Crypt Text", {}, nullptr, true},
    {"Decrypt1", "Decrypt", "", "Decrypt Text", {}, nullptr, true},
};

const TItem ViewItems[] = {
    {"Standard", "&Standard", "", "View Standard Toolbar", {}, &F::StandardClick, false},
    {"Web", "&Web", "", "View Web Toolbar", {}, &F::WebClick, false},
    {"N5", nullptr, "", "", {}, nullptr, false},
    {"Mosaic41", "&Mosaic 4", "", "Mosaic function for 4 windows", TGlyph::Mosaic4,
     &F::Mosaic41Click, false},
    {"Mosaic21", "Mosaic 2", "", "Mosaic function for 2 windows", TGlyph::Mosaic2,
     &F::Mosaic21Click, false},
    {"AlignCenter1",
     "Align Text to &Center",
     "",
     "Align Pennivale text to the center",
     {},
     &F::AlignCenter1Click,
     true},
    {"AlignLeft1",
     "Align Text to &Left",
     "",
     "Align Pennivale text to the left",
     {},
     &F::AlignLeft1Click,
     true},
    {"AlignRight1",
     "Align Text to &Right",
     "",
     "Align Pennivale text to the right",
     {},
     &F::AlignRight1Click,
     true},
    {"WordWrap1",
     "WordWrap",
     "",
     "WordWrap for the text in the current window",
     {},
     &F::WordWrap1Click,
     true},
    {"N7", nullptr, "", "", {}, nullptr, false},
    {"PreviewWebPage1", "&Preview Web Page...", "", "Preview Web Page in default browser",
     TGlyph::Web, nullptr, true},
};

const TItem HelpItems[] = {
    {"About1", "&About...", "", "About Pennivale", TGlyph::About, nullptr, false},
    {"N6", nullptr, "", "", {}, nullptr, false},
    {"CheckforUpdates1", "Check for &Updates...", "", "Check for Pennivale Updates", TGlyph::Update,
     nullptr, false},
};

// The context menu: each item's handler only calls the main menu's.
const TItem PopupItems[] = {
    {"Cut2", "Cu&t", "Ctrl+X", "Cut selected text into Clipboard", TGlyph::Cut, &F::Cut2Click,
     true},
    {"Copy2", "&Copy", "Ctrl+C", "Copy selected text into Clipboard", TGlyph::Copy, &F::Copy2Click,
     true},
    {"Paste2", "&Paste", "Ctrl+V", "Paste text from the Clipboard", TGlyph::Paste, &F::Paste2Click,
     true},
    {"SelectAll1", "Select &All", "Ctrl+A", "Select all text", {}, &F::SelectAll1Click, true},
    {"ClearAll1", "C&lear All", "Ctrl+L", "Clear All the text", TGlyph::Clear, &F::ClearAll1Click,
     true},
};

const TItem PopupCaseItems[] = {
    {"AllUpperCase2",
     "All &UpperCase",
     "",
     "Change selected text all to UpperCase",
     {},
     nullptr,
     true},
    {"AllLowerCase2",
     "All &LowerCase",
     "",
     "Change selected text all to LowerCase",
     {},
     nullptr,
     true},
    {"ReverseUpperCaseLowerCase1",
     "&Reverse UpperCase/LowerCase",
     "",
     "Reverse selected text",
     {},
     nullptr,
     true},
    {"InitialUpperCase2",
     "&Initial UpperCase",
     "",
     "Make Initial character UpperCase",
     {},
     nullptr,
     true},
};

const TItem PopupTailItems[] = {
    {"SetasHTML2", "Set as &HTML", "Ctrl+H", "set the page as an html page", {}, nullptr, true},
    {"N4", nullptr, "", "", {}, nullptr, false},
    {"Save1", "&Save", "", "Save current file", TGlyph::Save, &F::Save1Click, true},
    {"SaveAs1",
     "Sa&ve As...",
     "",
     "Save current file under a new name",
     {},
     &F::SaveAs1Click,
     true},
};

QMenu* namedMenu(QWidget* owner, const char* name, const char* caption, const char* hint) {
    auto* menu = new QMenu(QString::fromUtf8(caption), owner);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setStatusTip(QString::fromUtf8(hint));
    return menu;
}

} // namespace

void TMainForm::createMenus() {
    auto addItems = [this](QMenu* menu, const auto& items, bool popup) {
        for (const TItem& item : items) {
            QAction* action = nullptr;
            if (!item.caption) {
                action = menu->addSeparator();
                action->setParent(this);
            } else {
                action = new QAction(QString::fromUtf8(item.caption), this);
                action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
                if (popup) {
                    // The main menu's items own these keys; the context menu
                    // only shows them.
                    action->setShortcutContext(Qt::WidgetShortcut);
                }
                action->setStatusTip(QString::fromUtf8(item.hint));
                if (item.image) {
                    action->setIcon(GlyphIcon(*item.image));
                }
                if (item.handler) {
                    ConnectCommand(action, item.handler, item.needsDocument);
                } else {
                    action->setEnabled(false);
                }
                menu->addAction(action);
            }
            action->setObjectName(QString::fromLatin1(item.name));
        }
    };

    MainMenu = menuBar();
    MainMenu->setObjectName(QStringLiteral("MainMenu"));

    QMenu* fileMenu = namedMenu(this, "FileMenu", "&File", "");
    addItems(fileMenu, FileItems, false);
    MainMenu->addMenu(fileMenu);

    QMenu* editMenu = namedMenu(this, "Edit2", "&Edit", "");
    addItems(editMenu, EditItems, false);
    QMenu* caseMenu = namedMenu(this, "ChangeUpperCaseLowerCase1", "Change UpperCase/LowerCase",
                                "Change selected text to UpperCase/LowerCase");
    addItems(caseMenu, CaseItems, false);
    editMenu->addMenu(caseMenu);
    QMenu* cryptMenu = namedMenu(this, "Cryptutility", "Crypt utility", "Crypt/Decrypt text");
    addItems(cryptMenu, CryptItems, false);
    editMenu->addMenu(cryptMenu);
    MainMenu->addMenu(editMenu);

    QMenu* viewMenu = namedMenu(this, "View", "&View", "");
    addItems(viewMenu, ViewItems, false);
    MainMenu->addMenu(viewMenu);

    QMenu* helpMenu = namedMenu(this, "Help1", "&Help", "");
    addItems(helpMenu, HelpItems, false);
    MainMenu->addMenu(helpMenu);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    addItems(PopupMenu, PopupItems, true);
    QMenu* popupCase = namedMenu(this, "ChangeUpperCaseLowerCase2", "Change UpperCase/LowerCase",
                                 "Change selected text to UpperCase/LowerCase");
    addItems(popupCase, PopupCaseItems, true);
    PopupMenu->addMenu(popupCase);
    addItems(PopupMenu, PopupTailItems, true);

    Standard = Action(QStringLiteral("Standard"));
    Web = Action(QStringLiteral("Web"));
    WordWrap1 = Action(QStringLiteral("WordWrap1"));
    for (QAction* mark : {Standard, Web, WordWrap1}) {
        mark->setCheckable(true);
    }
    Standard->setChecked(true);
    Web->setChecked(true);
}

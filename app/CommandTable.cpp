// The main menu and the context menu: every item with its name, caption,
// shortcut, hint, image and handler.
#include "app/Icons.h"
#include "app/Main.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <optional>
#include <utility>

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
    {"FileSaveAsItem", "Save &As...", "", "Save current file under a new name", std::nullopt,
     &F::FileSaveAs, true},
    {"ImportfromWeb1", "&Import from Web...", "", "Import a File direcly from Web", TGlyph::Web,
     &F::ImportfromWeb1Click, false},
    {"mnuSendbyEmail", "Send by &Email...", "", "Send text by Email", TGlyph::Email,
     &F::mnuSendbyEmailClick, true},
    {"Print1", "&Print", "", "Print current file", TGlyph::Print, &F::Print1Click, true},
    {"N1", nullptr, "", "", std::nullopt, nullptr, false},
    {"FileExitItem", "E&xit", "", "Exit this application", std::nullopt, &F::FileExit, false},
};

const TItem EditItems[] = {
    {"Cut1", "Cu&t", "Ctrl+X", "Cut selected text into Clipboard", TGlyph::Cut, &F::Cut1Click,
     true},
    {"Copy1", "&Copy", "Ctrl+C", "Copy selected text into Clipboard", TGlyph::Copy, &F::Copy1Click,
     true},
    {"Paste1", "&Paste", "Ctrl+V", "Paste text from the Clipboard", TGlyph::Paste, &F::Paste1Click,
     true},
    {"SelectAll", "Select &All", "Ctrl+A", "Select all text", std::nullopt, &F::SelectAllClick,
     true},
    {"ClearAll2", "C&lear All", "Ctrl+L", "Clear All the text", TGlyph::Clear, &F::ClearAll2Click,
     true},
    {"Undo1", "&Undo", "Ctrl+U", "Undo last changes", TGlyph::Undo, &F::Undo1Click, true},
    {"Redo1", "&Redo", "Ctrl+Y", "Redo the last change undone", TGlyph::Redo, &F::Redo1Click, true},
    {"N3", nullptr, "", "", std::nullopt, nullptr, false},
    {"Find1", "&Find...", "F3", "Find text", TGlyph::Find, &F::Find1Click, true},
    {"Replace1", "&Replace...", "F5", "Replace text", TGlyph::Replace, &F::Replace1Click, true},
    {"SetFont1", "&Set Font...", "", "Set your favourite Font", TGlyph::Font, &F::SetFont1Click,
     true},
    {"SetasHTML1", "Set as &HTML", "Ctrl+H", "set the page as an html page", std::nullopt,
     &F::SetasHTML1Click, true},
    {"N2", nullptr, "", "", std::nullopt, nullptr, false},
};

// The keys desktop users know, where the table leaves them free: a second
// shortcut beside an item's own.
const std::pair<const char*, const char*> DesktopShortcuts[] = {
    {"FileNewItem", "Ctrl+N"},  {"FileOpenItem", "Ctrl+O"},
    {"FileSaveItem", "Ctrl+S"}, {"FileSaveAsItem", "Ctrl+Shift+S"},
    {"Print1", "Ctrl+P"},       {"FileExitItem", "Ctrl+Q"},
    {"Find1", "Ctrl+F"},        {"Redo1", "Ctrl+Shift+Z"}};

const TItem CaseItems[] = {
    {"AllUpperCase1", "All &UpperCase", "", "Change selected text all to UpperCase", std::nullopt,
     &F::AllUpperCase1Click, true},
    {"AllLowerCase1", "All &LowerCase", "", "Change selected text all to LowerCase", std::nullopt,
     &F::AllLowerCase1Click, true},
    {"Reverse1", "&Reverse UpperCase/LowerCase", "", "Reverse selected text", std::nullopt,
     &F::Reverse1Click, true},
    {"InitialUpperCase1", "&Initial UpperCase", "", "Make Initial character UpperCase",
     std::nullopt, &F::InitialUpperCase1Click, true},
};

const TItem CryptItems[] = {
    {"Crypt1", "Crypt", "", "Crypt Text", std::nullopt, &F::Crypt1Click, true},
    {"Decrypt1", "Decrypt", "", "Decrypt Text", std::nullopt, &F::Decrypt1Click, true},
};

const TItem ViewItems[] = {
    {"Standard", "&Standard", "", "View Standard Toolbar", std::nullopt, &F::StandardClick, false},
    {"Web", "&Web", "", "View Web Toolbar", std::nullopt, &F::WebClick, false},
    {"N5", nullptr, "", "", std::nullopt, nullptr, false},
    {"Mosaic41", "&Mosaic 4", "", "Mosaic function for 4 windows", TGlyph::Mosaic4,
     &F::Mosaic41Click, false},
    {"Mosaic21", "Mosaic 2", "", "Mosaic function for 2 windows", TGlyph::Mosaic2,
     &F::Mosaic21Click, false},
    {"AlignCenter1", "Align Text to &Center", "", "Align Pennivale text to the center",
     std::nullopt, &F::AlignCenter1Click, true},
    {"AlignLeft1", "Align Text to &Left", "", "Align Pennivale text to the left", std::nullopt,
     &F::AlignLeft1Click, true},
    {"AlignRight1", "Align Text to &Right", "", "Align Pennivale text to the right", std::nullopt,
     &F::AlignRight1Click, true},
    {"WordWrap1", "WordWrap", "", "WordWrap for the text in the current window", std::nullopt,
     &F::WordWrap1Click, true},
    {"N7", nullptr, "", "", std::nullopt, nullptr, false},
    {"PreviewWebPage1", "&Preview Web Page...", "", "Preview Web Page in default browser",
     TGlyph::Web, &F::PreviewWebPage1Click, true},
};

const TItem HelpItems[] = {
    {"About1", "&About...", "", "About Pennivale", TGlyph::About, &F::About1Click, false},
    {"N6", nullptr, "", "", std::nullopt, nullptr, false},
    {"CheckforUpdates1", "Check for &Updates...", "", "Check for Pennivale Updates", TGlyph::Update,
     &F::CheckforUpdates1Click, false},
};

// The context menu repeats items of the main menu, with their caption,
// shortcut, hint and image unless it gives a caption of its own; each of its
// handlers only calls the main menu's.
struct TPopupItem {
    const char* name;
    const char* mainItem;        // nullptr: a separator
    TMainForm::THandler handler; // nullptr: connected by a later feature
    const char* caption = nullptr;
};

const TPopupItem PopupItems[] = {
    {"Cut2", "Cut1", &F::Cut2Click},
    {"Copy2", "Copy1", &F::Copy2Click},
    {"Paste2", "Paste1", &F::Paste2Click},
    {"SelectAll1", "SelectAll", &F::SelectAll1Click},
    {"ClearAll1", "ClearAll2", &F::ClearAll1Click},
};

const TPopupItem PopupCaseItems[] = {
    {"AllUpperCase2", "AllUpperCase1", &F::AllUpperCase2Click},
    {"AllLowerCase2", "AllLowerCase1", &F::AllLowerCase2Click},
    {"ReverseUpperCaseLowerCase1", "Reverse1", &F::ReverseUpperCaseLowerCase1Click},
    {"InitialUpperCase2", "InitialUpperCase1", &F::InitialUpperCase2Click},
};

const TPopupItem PopupTailItems[] = {
    {"SetasHTML2", "SetasHTML1", &F::SetasHTML2Click},
    {"N4", nullptr, nullptr},
    {"Save1", "FileSaveItem", &F::Save1Click},
    {"SaveAs1", "FileSaveAsItem", &F::SaveAs1Click, "Sa&ve As..."},
};

QMenu* namedMenu(QWidget* owner, const char* name, const QString& caption,
                 const QString& hint = QString()) {
    auto* menu = new QMenu(caption, owner);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setStatusTip(hint);
    return menu;
}

} // namespace

void TMainForm::createMenus() {
    // A separator, or an entry connected to its handler (disabled until a
    // later feature connects it).
    auto addEntry = [this](QMenu* menu, const char* name, QAction* action, THandler handler,
                           bool needsDocument) {
        if (!action) {
            action = menu->addSeparator();
            action->setParent(this);
        } else if (handler) {
            ConnectCommand(action, handler, needsDocument);
        } else {
            action->setEnabled(false);
        }
        menu->addAction(action);
        action->setObjectName(QString::fromLatin1(name));
    };
    auto addItems = [&](QMenu* menu, const auto& items) {
        for (const TItem& item : items) {
            QAction* action = nullptr;
            if (item.caption) {
                action = new QAction(QString::fromUtf8(item.caption), this);
                action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
                action->setStatusTip(QString::fromUtf8(item.hint));
                if (item.image) {
                    action->setIcon(GlyphIcon(*item.image));
                }
            }
            addEntry(menu, item.name, action, item.handler, item.needsDocument);
        }
    };
    auto addPopupItems = [&](QMenu* menu, const auto& items) {
        for (const TPopupItem& item : items) {
            QAction* action = nullptr;
            if (const QAction* main =
                    item.mainItem ? Action(QString::fromLatin1(item.mainItem)) : nullptr) {
                action = new QAction(item.caption ? QString::fromUtf8(item.caption) : main->text(),
                                     this);
                action->setShortcut(main->shortcut());
                // The main menu's items own these keys; the context menu only
                // shows them.
                action->setShortcutContext(Qt::WidgetShortcut);
                action->setStatusTip(main->statusTip());
                action->setIcon(main->icon());
            }
            addEntry(menu, item.name, action, item.handler, true);
        }
    };

    MainMenu = menuBar();
    MainMenu->setObjectName(QStringLiteral("MainMenu"));

    QMenu* fileMenu = namedMenu(this, "FileMenu", QStringLiteral("&File"));
    addItems(fileMenu, FileItems);
    createEncodingMenu(fileMenu, Action(QStringLiteral("N1")));
    MainMenu->addMenu(fileMenu);

    QMenu* editMenu = namedMenu(this, "Edit2", QStringLiteral("&Edit"));
    addItems(editMenu, EditItems);
    QMenu* caseMenu =
        namedMenu(this, "ChangeUpperCaseLowerCase1", QStringLiteral("Change UpperCase/LowerCase"),
                  QStringLiteral("Change selected text to UpperCase/LowerCase"));
    addItems(caseMenu, CaseItems);
    editMenu->addMenu(caseMenu);
    QMenu* cryptMenu = namedMenu(this, "Cryptutility", QStringLiteral("Crypt utility"),
                                 QStringLiteral("Crypt/Decrypt text"));
    addItems(cryptMenu, CryptItems);
    editMenu->addMenu(cryptMenu);
    MainMenu->addMenu(editMenu);

    QMenu* viewMenu = namedMenu(this, "View", QStringLiteral("&View"));
    addItems(viewMenu, ViewItems);
    MainMenu->addMenu(viewMenu);

    QMenu* helpMenu = namedMenu(this, "Help1", QStringLiteral("&Help"));
    addItems(helpMenu, HelpItems);
    MainMenu->addMenu(helpMenu);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    addPopupItems(PopupMenu, PopupItems);
    QMenu* popupCase = namedMenu(this, "ChangeUpperCaseLowerCase2", caseMenu->title(),
                                 caseMenu->menuAction()->statusTip());
    addPopupItems(popupCase, PopupCaseItems);
    PopupMenu->addMenu(popupCase);
    addPopupItems(PopupMenu, PopupTailItems);

    for (const auto& [name, keys] : DesktopShortcuts) {
        QAction* action = Action(QString::fromLatin1(name));
        QList<QKeySequence> shortcuts = action->shortcuts();
        shortcuts.removeAll(QKeySequence());
        action->setShortcuts(shortcuts << QKeySequence(QString::fromLatin1(keys)));
    }

    Standard = Action(QStringLiteral("Standard"));
    Web = Action(QStringLiteral("Web"));
    WordWrap1 = Action(QStringLiteral("WordWrap1"));
    for (QAction* mark : {Standard, Web, WordWrap1}) {
        mark->setCheckable(true);
    }
    Standard->setChecked(true);
    Web->setChecked(true);
}

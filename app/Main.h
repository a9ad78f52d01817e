#pragma once

#include "crypt/Unit2.h"
#include "document/DocumentHost.h"
#include "document/EditCommands.h"
#include "document/FileCommands.h"
#include "document/Unit1.h"
#include "html/HtmlColors.h"
#include "web/WebHost.h"

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QMdiArea;
class QMenu;
class QMenuBar;
class QStatusBar;
class QToolButton;
class TStatusProgress;
class TFindDialog;
class TReplaceDialog;
class TNMHTTP;
class TWebRequests;

// The main window: the MDI frame holding every document window, with its
// menus, the toolbar panel and the status line. Its handlers are thin: each
// takes the active document window and hands it to the document commands.
class TMainForm : public QMainWindow, public TDocumentHost, public TCryptHost, public TWebHost {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The start-up document window "Untitled", holding the first file named
    // on the command line; each other file named opens in a window of its own.
    TfrmNew* CreateStartupDocument(const std::vector<std::string>& arguments);

    // A menu item, context-menu item or toolbar button by its name.
    QAction* Action(const QString& name) const;
    QToolButton* Button(const QString& name) const;

    // The frame's active document window (none when none is open).
    TfrmNew* ActiveDocument() const;
    // The open document windows, the most recently active first.
    QList<TfrmNew*> DocumentWindows() const;
    QString StatusText() const;

    // Components.
    QMenuBar* MainMenu = nullptr;
    QMenu* PopupMenu = nullptr;
    QFrame* Panel1 = nullptr;
    QFrame* Bevel1 = nullptr;
    QLabel* Image1 = nullptr;
    QStatusBar* StatusLine = nullptr;
    QAction* Standard = nullptr;
    QAction* Web = nullptr;
    QAction* WordWrap1 = nullptr;
    // File, Encoding; the status line's field shows the active document's
    // encoding and opens that menu.
    QMenu* EncodingMenu = nullptr;
    QToolButton* EncodingButton = nullptr;
    // The status line's progress bar for long loads and saves.
    TStatusProgress& LoadSaveBar() const { return *loadSaveBar_; }
    // The HTTP client of the import and the update check.
    TNMHTTP* NMHTTP = nullptr;

    TFileCommands Files;
    TEditCommands Edits;
    // The window the last document command took as active; it can outlive it.
    QPointer<TfrmNew> CurrentDocument;
    QPointer<TfrmNew> StartupDocument;
    // Find and replace: modeless, kept for the whole run.
    TFindDialog* FindDialog = nullptr;
    TReplaceDialog* ReplaceDialog = nullptr;
    TColorDialog ColorDialog;

    // Handlers of the command table.
    void FileNew();
    void FileOpen();
    void FileSave();
    void FileSaveAs();
    void FileExit();
    void Cut1Click();
    void Copy1Click();
    void Paste1Click();
    void SelectAllClick();
    void ClearAll2Click();
    void Undo1Click();
    void Redo1Click();
    void SetFont1Click();
    void Print1Click();
    void AlignCenter1Click();
    void AlignLeft1Click();
    void AlignRight1Click();
    void WordWrap1Click();
    void StandardClick();
    void WebClick();
    void Mosaic41Click();
    void Mosaic21Click();
    void Cut2Click() { Cut1Click(); }
    void Copy2Click() { Copy1Click(); }
    void Paste2Click() { Paste1Click(); }
    void SelectAll1Click() { SelectAllClick(); }
    void ClearAll1Click() { ClearAll2Click(); }
    void Save1Click() { FileSave(); }
    void SaveAs1Click() { FileSaveAs(); }
    // CryptHandlers.cpp
    void Crypt1Click();
    void Decrypt1Click();
    // TextToolsHandlers.cpp
    void Find1Click();
    void Replace1Click();
    void FindDialogFind();
    void ReplaceDialogFind();
    int ReplaceFind();
    void ReplaceDialogReplace();
    void AllUpperCase1Click();
    void AllLowerCase1Click();
    void Reverse1Click();
    void InitialUpperCase1Click();
    void AllUpperCase2Click() { AllUpperCase1Click(); }
    void AllLowerCase2Click() { AllLowerCase1Click(); }
    void ReverseUpperCaseLowerCase1Click() { Reverse1Click(); }
    void InitialUpperCase2Click() { InitialUpperCase1Click(); }
    // HtmlHandlers.cpp
    void Paragraph();
    void Break();
    void Space();
    void Center();
    void Link();
    void Image();
    void Bold();
    void Italic();
    void UnderLine();
    void SetasHTML1Click();
    void SetasHTML2Click() { SetasHTML1Click(); }
    void Color();
    void SetWebFont();
    void Highlight();
    // WebHandlers.cpp
    void ImportfromWeb1Click();
    void mnuSendbyEmailClick();
    void PreviewWebPage1Click();
    void SpeedButton124Click();
    void About1Click();
    void CheckforUpdates1Click();
    void NMHTTPPacketRecvd();
    // The application's hint event: the hint goes to the status line unchanged.
    void ShowHint(const QString& hint);

    // Connects an entry to a handler, run through the application's dispatch.
    // Entries that need a document are greyed out while none is open.
    using THandler = void (TMainForm::*)();
    void ConnectCommand(QAction* action, THandler handler, bool needsDocument);
    void ConnectCommand(QToolButton* button, THandler handler, bool needsDocument);
    void ConnectCommand(QAction* action, const std::function<void()>& command, bool needsDocument);

    // TDocumentHost
    QMdiArea& DocumentArea() override;
    QMenu* DocumentPopupMenu() override;
    void SetStatusText(const QString& text) override;
    void SaveDocument(TfrmNew& window) override;
    void DocumentsChanged() override;
    int DocumentAreaTop() const override;
    TProgress* LoadSaveProgress() override;
    // TCryptHost
    TRichEdit* CryptTarget() const override;
    // TWebHost
    TNMHTTP& Http() override { return *NMHTTP; }
    TWebRequests& Requests() override { return *requests_; }
    TfrmNew* ActiveDocumentWindow() override { return ActiveDocument(); }
    TfrmNew* NewDocumentWindow() override { return Files.FileNew(); }
    QPointer<TfrmNew>& CurrentDocumentRef() override { return CurrentDocument; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // CommandTable.cpp
    void createMenus();
    // EncodingHandlers.cpp: the Encoding submenu, placed before `before`; the
    // status line's field; the marks, the enabled items and the field's text,
    // following the active document and its encoding.
    void createEncodingMenu(QMenu* fileMenu, QAction* before);
    void createEncodingField();
    void watchActiveEncoding();
    void refreshEncoding();
    // Panel.cpp
    void createPanel();
    // TextToolsHandlers.cpp
    void createFindDialogs();
    // The buttons whose numbers lie from first to last.
    QList<QToolButton*> row(int first, int last) const;
    // Mosaic.cpp: the windows, the active one first, in cells half the frame
    // wide and the given height, two to a row.
    void arrangeDocuments(int cells, int height);
    // WebHandlers.cpp
    void createWebComponents();
    // With a request waiting inside a command, ends it and closes the window
    // once the command has returned; true when the close must wait for it.
    bool closeAfterRunningRequest();

    // Stores the active window in CurrentDocument and runs the command on it;
    // nothing when no document window is open.
    void onActiveDocument(const std::function<void(TfrmNew&)>& command);
    void updateCommandStates();

    QMdiArea* mdiArea_ = nullptr;
    std::unique_ptr<TStatusProgress> loadSaveBar_;
    QList<QObject*> documentCommands_;
    TWebRequests* requests_ = nullptr;
    std::array<QAction*, kEncodingCount> reopenItems_{};
    std::array<QAction*, kEncodingCount> convertItems_{};
    std::array<QAction*, kEncodingCount> defaultItems_{};
    QPointer<TfrmNew> encodingWatched_;
    std::array<QMetaObject::Connection, 2> encodingWatch_;
};

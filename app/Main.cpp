#include "app/Main.h"

#include "app/Icons.h"
#include "framework/ui/Application.h"
#include "framework/ui/Platform.h"
#include "framework/ui/RichEdit.h"
#include "framework/ui/StatusProgress.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent), Files(*this) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Pennivale"));
    setWindowIcon(ApplicationIcon());
    // Document windows show the program's icon too.
    QApplication::setWindowIcon(windowIcon());

    // The panel is not docked; the MDI area begins below it, so that neither
    // a maximized nor a tiled window lies under it.
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    mdiArea_ = new QMdiArea(client);
    mdiArea_->setObjectName(QStringLiteral("MDIArea"));
    mdiArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(mdiArea_);
    setCentralWidget(client);

    StatusLine = new QStatusBar(this);
    StatusLine->setObjectName(QStringLiteral("StatusLine"));
    StatusLine->setSizeGripEnabled(false);
    StatusLine->setFixedHeight(23);
    setStatusBar(StatusLine);
    loadSaveBar_ = std::make_unique<TStatusProgress>(*StatusLine);

    createMenus();
    createEncodingField();
    createPanel();
    layout->setContentsMargins(0, Panel1->height(), 0, 0);
    createFindDialogs();
    createWebComponents();

    connect(&Application(), &TApplication::OnHint, this, &TMainForm::ShowHint);
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, [this] { updateCommandStates(); });

    // The system's default place and size, then maximized.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        resize(screen->availableGeometry().size());
    }
    Panel1->setFixedWidth(frameGeometry().width() - 8);
    updateCommandStates();
}

TMainForm::~TMainForm() {
    // The widgets below still signal while the base class tears them down.
    disconnect(mdiArea_, nullptr, this, nullptr);
    for (const QMetaObject::Connection& watch : encodingWatch_) {
        disconnect(watch);
    }
    disconnect(&Application(), nullptr, this, nullptr);
}

TfrmNew* TMainForm::CreateStartupDocument(const std::vector<std::string>& arguments) {
    auto* window = new TfrmNew(*this);
    StartupDocument = window;
    Files.OpenNamedFiles(arguments, *window);
    if (TfrmNew* active = ActiveDocument()) {
        active->Edit1().setFocus();
    }
    return window;
}

QAction* TMainForm::Action(const QString& name) const {
    return findChild<QAction*>(name);
}

QToolButton* TMainForm::Button(const QString& name) const {
    return Panel1->findChild<QToolButton*>(name);
}

TfrmNew* TMainForm::ActiveDocument() const {
    // The current subwindow stays current while the frame is inactive, like
    // the MDI client's active child.
    auto* window = qobject_cast<TfrmNew*>(mdiArea_->currentSubWindow());
    return window && !window->IsClosed() ? window : nullptr;
}

QList<TfrmNew*> TMainForm::DocumentWindows() const {
    QList<TfrmNew*> windows;
    const QList<QMdiSubWindow*> history = mdiArea_->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = history.rbegin(); it != history.rend(); ++it) {
        auto* window = qobject_cast<TfrmNew*>(*it);
        if (window && !window->IsClosed()) {
            windows.append(window);
        }
    }
    return windows;
}

QString TMainForm::StatusText() const {
    return StatusLine->currentMessage();
}

void TMainForm::onActiveDocument(const std::function<void(TfrmNew&)>& command) {
    CurrentDocument = ActiveDocument();
    if (CurrentDocument) {
        command(*CurrentDocument);
    }
}

void TMainForm::ConnectCommand(QAction* action, THandler handler, bool needsDocument) {
    ConnectCommand(
        action, [this, handler] { (this->*handler)(); }, needsDocument);
}

void TMainForm::ConnectCommand(QAction* action, const std::function<void()>& command,
                               bool needsDocument) {
    connect(action, &QAction::triggered, this, [action, command] {
        // A check mark flips before triggered(); the handlers flip their own
        // marks, so put it back first.
        if (action->isCheckable()) {
            action->setChecked(!action->isChecked());
        }
        Application().Dispatch(command);
    });
    action->setEnabled(true);
    if (needsDocument) {
        documentCommands_.append(action);
    }
}

void TMainForm::ConnectCommand(QToolButton* button, THandler handler, bool needsDocument) {
    connect(button, &QToolButton::clicked, this,
            [this, handler] { Application().Dispatch([this, handler] { (this->*handler)(); }); });
    button->setEnabled(true);
    if (needsDocument) {
        documentCommands_.append(button);
    }
}

void TMainForm::updateCommandStates() {
    const bool any = !DocumentWindows().isEmpty();
    for (QObject* command : documentCommands_) {
        if (auto* action = qobject_cast<QAction*>(command)) {
            action->setEnabled(any);
        } else if (auto* button = qobject_cast<QToolButton*>(command)) {
            button->setEnabled(any);
        }
    }
    refreshEncoding();
}

// ---- TDocumentHost

QMdiArea& TMainForm::DocumentArea() {
    return *mdiArea_;
}

QMenu* TMainForm::DocumentPopupMenu() {
    return PopupMenu;
}

void TMainForm::SetStatusText(const QString& text) {
    if (text.isEmpty()) {
        StatusLine->clearMessage();
    } else {
        StatusLine->showMessage(text);
    }
}

void TMainForm::SaveDocument(TfrmNew& window) {
    Files.FileSave(window);
}

TProgress* TMainForm::LoadSaveProgress() {
    return loadSaveBar_.get();
}

int TMainForm::DocumentAreaTop() const {
    return Panel1->height();
}

void TMainForm::DocumentsChanged() {
    updateCommandStates();
}

void TMainForm::ShowHint(const QString& hint) {
    SetStatusText(hint);
}

// ---- File

void TMainForm::FileNew() {
    Files.FileNew();
}

void TMainForm::FileOpen() {
    Files.FileOpen();
}

void TMainForm::FileSave() {
    onActiveDocument([this](TfrmNew& window) { Files.FileSave(window); });
}

void TMainForm::FileSaveAs() {
    onActiveDocument([this](TfrmNew& window) { Files.FileSaveAs(window); });
}

void TMainForm::FileExit() {
    close();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    if (closeAfterRunningRequest()) {
        event->ignore();
        return;
    }
    // Every document window is asked in turn; one refusal keeps the program
    // running with all its windows.
    for (TfrmNew* window : DocumentWindows()) {
        bool allowed = false;
        Application().Dispatch([&] { allowed = window->CloseQuery(); });
        if (!allowed) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Panel1->setFixedWidth(frameGeometry().width() - 8);
}

// ---- Edit and View

void TMainForm::Cut1Click() {
    onActiveDocument([this](TfrmNew& window) { Edits.Cut(window); });
}

void TMainForm::Copy1Click() {
    onActiveDocument([this](TfrmNew& window) { Edits.Copy(window); });
}

void TMainForm::Paste1Click() {
    onActiveDocument([this](TfrmNew& window) { Edits.Paste(window); });
}

void TMainForm::SelectAllClick() {
    onActiveDocument([this](TfrmNew& window) { Edits.SelectAll(window); });
}

void TMainForm::ClearAll2Click() {
    onActiveDocument([this](TfrmNew& window) { Edits.ClearAll(window); });
}

void TMainForm::Undo1Click() {
    onActiveDocument([this](TfrmNew& window) { Edits.Undo(window); });
}

void TMainForm::Redo1Click() {
    onActiveDocument([this](TfrmNew& window) { Edits.Redo(window); });
}

void TMainForm::SetFont1Click() {
    onActiveDocument([this](TfrmNew& window) { Edits.SetFont(window, this); });
}

void TMainForm::Print1Click() {
    onActiveDocument([this](TfrmNew& window) { Edits.Print(window); });
}

void TMainForm::AlignCenter1Click() {
    onActiveDocument([this](TfrmNew& window) { Edits.Align(window, TParaAlignment::Center); });
}

void TMainForm::AlignLeft1Click() {
    onActiveDocument([this](TfrmNew& window) { Edits.Align(window, TParaAlignment::Left); });
}

void TMainForm::AlignRight1Click() {
    onActiveDocument([this](TfrmNew& window) { Edits.Align(window, TParaAlignment::Right); });
}

void TMainForm::WordWrap1Click() {
    // One mark for the whole program: it is not brought into line with the
    // window that happens to be active.
    onActiveDocument([this](TfrmNew& window) {
        const bool wrap = !WordWrap1->isChecked();
        WordWrap1->setChecked(wrap);
        Edits.SetWordWrap(window, wrap);
    });
}

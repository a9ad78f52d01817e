#pragma once

// A frame of its own for the document tests: an MDI area, a context menu and
// a status line, in place of the main window.
#include "document/DocumentHost.h"
#include "document/EditCommands.h"
#include "document/FileCommands.h"
#include "tests/common/DocumentTestSupport.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>

class TTestFrame : public QMainWindow, public TDocumentHost {
public:
    TTestFrame() : Files(*this) {
        setCentralWidget(area_);
        resize(800, 600);
        show();
    }

    QMdiArea& DocumentArea() override { return *area_; }
    QMenu* DocumentPopupMenu() override { return popup_; }
    void SetStatusText(const QString& text) override { Status = text; }
    void SaveDocumentAs(TfrmNew& window) override { Files.FileSaveAs(window); }

    // The window a failed load left behind: the last one made.
    TfrmNew* LastWindow() { return static_cast<TfrmNew*>(area_->subWindowList().last()); }

    TFileCommands Files;
    TEditCommands Edits;
    QString Status = QStringLiteral("(untouched)");

private:
    QMdiArea* area_ = new QMdiArea(this);
    QMenu* popup_ = new QMenu(this);
};

class DocumentTest : public DocumentTestSupport {
protected:
    // Opens the file through the open dialog with the given file type.
    TfrmNew* Open(const std::string& path, int filterIndex) {
        AnswerOpen(path, filterIndex);
        return frame.Files.FileOpen();
    }

    TTestFrame frame;
};

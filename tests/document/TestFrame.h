#pragma once

// A frame of its own for the document tests: an MDI area, a context menu and
// a status line, in place of the main window.
#include "document/DocumentHost.h"
#include "document/EditCommands.h"
#include "document/FileCommands.h"
#include "framework/Progress.h"
#include "tests/common/DocumentTestSupport.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <functional>
#include <vector>

// Records the jobs the file commands report.
class TRecordedProgress : public TProgress {
public:
    void Begin() override { ++begun; }
    void Report(double done) override {
        reports.push_back(done);
        if (onReport) {
            onReport();
        }
    }
    void End() override { ++ended; }

    int begun = 0;
    int ended = 0;
    std::vector<double> reports;
    std::function<void()> onReport;
};

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
    void SaveDocument(TfrmNew& window) override { Files.FileSave(window); }
    TProgress* LoadSaveProgress() override { return &Progress; }

    // The window a failed load left behind: the last one made.
    TfrmNew* LastWindow() { return static_cast<TfrmNew*>(area_->subWindowList().last()); }

    TFileCommands Files;
    TEditCommands Edits;
    TRecordedProgress Progress;
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

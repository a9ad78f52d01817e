#pragma once

// A frame of its own for the document tests: an MDI area, a context menu and
// a status line, in place of the main window.
#include "document/DocumentHost.h"
#include "document/EditCommands.h"
#include "document/FileCommands.h"
#include "document/Unit1.h"
#include "framework/ui/Application.h"
#include "framework/ui/RichEdit.h"
#include "framework/ui/ScriptedPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

class TTestFrame : public QMainWindow, public TDocumentHost {
public:
    TTestFrame() : Files(*this) {
        area_ = new QMdiArea(this);
        setCentralWidget(area_);
        popup_ = new QMenu(this);
        resize(800, 600);
        show();
    }

    QMdiArea& DocumentArea() override { return *area_; }
    QMenu* DocumentPopupMenu() override { return popup_; }
    void SetStatusText(const QString& text) override { Status = text; }
    void SaveDocumentAs(TfrmNew& window) override { Files.FileSaveAs(window); }

    TFileCommands Files;
    TEditCommands Edits;
    QString Status = QStringLiteral("(untouched)");

private:
    QMdiArea* area_;
    QMenu* popup_;
};

// Each test gets a fresh scripted seam, a frame and a temporary directory.
class DocumentTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_FALSE(seam->AnyUnexpected()) << "a dialog or message box nobody answered";
    }

    std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }

    static void WriteFile(const std::string& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Runs a command as the main window does, through the dispatch.
    static void Run(const std::function<void()>& command) { Application().Dispatch(command); }

    void AnswerOpen(const std::string& path, int filterIndex) {
        seam->openAnswers.push_back(TScriptedPlatform::FileAnswer{{path}, filterIndex});
    }
    void AnswerSave(const std::string& path, int filterIndex) {
        seam->saveAnswers.push_back(TScriptedPlatform::FileAnswer{{path}, filterIndex});
    }

    // The message boxes shown so far.
    std::vector<TScriptedPlatform::Call> Messages() {
        return seam->CallsOf(TScriptedPlatform::Call::Kind::MessageBox);
    }

    static void FlushDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    TScriptedPlatformScope seam;
    QTemporaryDir dir;
    TTestFrame frame;
};

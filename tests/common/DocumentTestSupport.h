#pragma once

// What the app and document tests share for driving document windows: a
// scripted seam that answers every dialog, a temporary directory, file
// helpers, and the checks on what the user was shown.
#include "document/Unit1.h"
#include "framework/ui/Application.h"
#include "framework/ui/RichEdit.h"
#include "framework/ui/ScriptedPlatform.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

using TCall = TScriptedPlatform::Call;

// The base of each test executable's fixture. Its members come first, so the
// seam is in place before the fixture's frame is built and after it is gone.
class DocumentTestSupport : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_FALSE(seam->AnyUnexpected()) << "a dialog or message box nobody answered";
    }

    std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }

    static void WriteFile(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Runs a command as the main window does: through the dispatch, whose
    // error box shows whatever the command raised.
    static void Run(const std::function<void()>& command) { Application().Dispatch(command); }

    // Queues the file dialogs' answers.
    void AnswerOpen(const std::string& path, int filterIndex) {
        seam->openAnswers.push_back(TScriptedPlatform::FileAnswer{{path}, filterIndex});
    }
    void AnswerSave(const std::string& path, int filterIndex) {
        seam->saveAnswers.push_back(TScriptedPlatform::FileAnswer{{path}, filterIndex});
    }
    void CancelSave() { seam->saveAnswers.push_back(std::nullopt); }

    std::vector<TCall> Messages() { return seam->CallsOf(TCall::Kind::MessageBox); }
    size_t SaveDialogs() { return seam->CallsOf(TCall::Kind::SaveDialog).size(); }

    // The one message box shown so far (an empty one, and a failure, if not one).
    TCall OnlyMessage() {
        const auto messages = Messages();
        if (messages.size() != 1) {
            ADD_FAILURE() << messages.size() << " message boxes instead of one";
            return {};
        }
        return messages[0];
    }

    static std::string Flag(const TfrmNew* window) {
        return window->Changed().text().toStdString();
    }

    // Destroys the windows closed so far.
    static void FlushDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    TScriptedPlatformScope seam;
    QTemporaryDir dir;
};

#pragma once

#include "app/Main.h"
#include "framework/ui/Application.h"
#include "framework/ui/RichEdit.h"
#include "framework/ui/ScriptedPlatform.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QToolButton>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

// The main window on an 800 x 600 frame with its start-up document, driven
// through its named entries; the scripted seam answers every dialog.
class MainFormTest : public ::testing::Test {
protected:
    MainFormTest() {
        form.showNormal();
        ResizeFrame(800, 600);
    }

    // Sizes the window so that its outer frame is width x height.
    void ResizeFrame(int width, int height) {
        form.resize(width, height);
        QCoreApplication::processEvents();
        const QSize margins = form.frameGeometry().size() - form.size();
        form.resize(width - margins.width(), height - margins.height());
        QCoreApplication::processEvents();
    }

    void TearDown() override {
        EXPECT_FALSE(seam->AnyUnexpected()) << "a dialog or message box nobody answered";
    }

    void Trigger(const char* name) {
        QAction* action = form.Action(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr) << name;
        action->trigger();
    }

    void Click(const char* name) {
        QToolButton* button = form.Button(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
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

    std::vector<TScriptedPlatform::Call> Messages() {
        return seam->CallsOf(TScriptedPlatform::Call::Kind::MessageBox);
    }

    static void FlushDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    TScriptedPlatformScope seam;
    QTemporaryDir dir;
    TMainForm form;
};

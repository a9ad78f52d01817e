#pragma once

// The main window as the editor shows it, for benchmarks of its commands on
// large documents: dialogs answered by the scripted seam, a 1024 x 768 frame,
// and windows closed without a question.

#include "app/Main.h"
#include "bench/common/GuiBench.h"
#include "framework/ui/ScriptedPlatform.h"

#include <QCoreApplication>

namespace bench {

struct TMainWindowBench {
    TScriptedPlatformScope seam;
    std::unique_ptr<TMainForm> form = std::make_unique<TMainForm>();

    TMainWindowBench() {
        form->showNormal();
        form->resize(1024, 768);
        QCoreApplication::processEvents();
    }

    void Close(TfrmNew* window) {
        window->SetChanged(false);
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    void CloseAll() {
        for (TfrmNew* window : form->DocumentWindows()) {
            window->SetChanged(false);
            window->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
};

} // namespace bench

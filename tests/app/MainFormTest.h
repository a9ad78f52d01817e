#pragma once

#include "app/Main.h"
#include "tests/common/DocumentTestSupport.h"

#include <QAction>
#include <QToolButton>

// The main window on an 800 x 600 frame, driven through its named entries.
class MainFormTest : public DocumentTestSupport {
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

    QAction* Action(const char* name) { return form.Action(QString::fromLatin1(name)); }
    QToolButton* Button(const char* name) { return form.Button(QString::fromLatin1(name)); }
    QToolButton* Button(int number) {
        return form.Button(QStringLiteral("SpeedButton%1").arg(number));
    }

    void Trigger(const char* name) {
        ASSERT_NE(Action(name), nullptr) << name;
        Action(name)->trigger();
    }
    void Click(int number) {
        ASSERT_NE(Button(number), nullptr) << number;
        Button(number)->click();
    }

    // A document window's place in the frame's client area, where the
    // toolbar panel covers the top 60 pixels.
    QRect InClientArea(const QWidget* window) const {
        return {window->parentWidget()->mapTo(form.centralWidget(), window->pos()), window->size()};
    }

    // The start-up window and count - 1 new ones; the last is active.
    QList<TfrmNew*> OpenWindows(int count) {
        QList<TfrmNew*> windows{form.CreateStartupDocument({})};
        while (windows.size() < count) {
            Trigger("FileNewItem");
            windows.append(form.ActiveDocument());
        }
        return windows;
    }

    TMainForm form;
};

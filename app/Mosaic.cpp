// Window arrangement: the document windows in a two-by-two grid or in two
// columns, sized from the main window's outer size.
#include "app/Main.h"
#include "framework/ui/Platform.h"

namespace {
constexpr int GridTop = 60;
} // namespace

void TMainForm::Mosaic41Click() {
    const QList<TfrmNew*> windows = DocumentWindows();
    if (windows.size() > 4) {
        Platform().MessageBox(this, QStringLiteral("There are more than 4 windows!"),
                              QStringLiteral("Mosaic 4"), TMsgButtons::Ok, TMsgIcon::None);
        return;
    }
    const QRect frame = frameGeometry();
    for (int i = 0; i < windows.size(); ++i) {
        TfrmNew* window = windows[i];
        // Resized first: the window's own resize step puts it at top 60, and
        // the top set here is the one that stays.
        window->resize(frame.width() / 2 - 10, window->height());
        window->resize(window->width(), frame.height() / 2 - 70);
        const int top = i < 2 ? GridTop : window->height() + GridTop;
        const int left = i % 2 == 0 ? 0 : window->width();
        window->move(window->x(), top);
        window->move(left, window->y());
    }
}

void TMainForm::Mosaic21Click() {
    const QList<TfrmNew*> windows = DocumentWindows();
    if (windows.size() > 2) {
        Platform().MessageBox(this, QStringLiteral("There are more than 2 windows!"),
                              QStringLiteral("Mosaic 2"), TMsgButtons::Ok, TMsgIcon::None);
        return;
    }
    const QRect frame = frameGeometry();
    for (int i = 0; i < windows.size(); ++i) {
        TfrmNew* window = windows[i];
        window->resize(frame.width() / 2 - 10, window->height());
        window->resize(window->width(), frame.height() - 140);
        window->move(i == 0 ? 0 : window->width(), window->y());
    }
}

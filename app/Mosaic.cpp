// Window arrangement: the document windows in a two-by-two grid or in two
// columns, sized from the main window's outer size.
#include "app/Main.h"
#include "framework/ui/Platform.h"

void TMainForm::Mosaic41Click() {
    arrangeDocuments(4, frameGeometry().height() / 2 - 70);
}

void TMainForm::Mosaic21Click() {
    arrangeDocuments(2, frameGeometry().height() - 140);
}

void TMainForm::arrangeDocuments(int cells, int height) {
    const QList<TfrmNew*> windows = DocumentWindows();
    if (windows.size() > cells) {
        Platform().MessageBox(this, QStringLiteral("There are more than %1 windows!").arg(cells),
                              QStringLiteral("Mosaic %1").arg(cells), TMsgButtons::Ok,
                              TMsgIcon::None);
        return;
    }
    const int width = frameGeometry().width() / 2 - 10;
    const int gridTop = DocumentTop();
    for (int i = 0; i < windows.size(); ++i) {
        TfrmNew* window = windows[i];
        // Resized first: the window's own resize step puts it at top 60, so
        // the top set here is the one that stays. Mosaic 2 sets no top.
        window->resize(width, height);
        const int left = i % 2 == 0 ? 0 : window->width();
        const int top = cells == 2 ? window->y() : i < 2 ? gridTop : window->height() + gridTop;
        window->move(left, top);
    }
}

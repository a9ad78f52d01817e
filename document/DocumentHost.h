#pragma once

class QMdiArea;
class QMenu;
class QString;
class TProgress;
class TfrmNew;

// What the document windows and their commands need of the main window. The
// main window implements it; tests put a small frame of their own in its place.
class TDocumentHost {
public:
    virtual ~TDocumentHost() = default;

    // The MDI area holding the document windows.
    virtual QMdiArea& DocumentArea() = 0;
    // The context menu of every document's edit control.
    virtual QMenu* DocumentPopupMenu() = 0;
    // The status line's one simple text.
    virtual void SetStatusText(const QString& text) = 0;
    // File Save for a window whose close query was answered Yes: under its
    // file name, through Save As when it has none.
    virtual void SaveDocument(TfrmNew& window) = 0;
    // A document window appeared or closed.
    virtual void DocumentsChanged() {}
    // Shows how far a load or a save has come; none: nothing is shown.
    virtual TProgress* LoadSaveProgress() { return nullptr; }

    // How far below the top of the frame's client area the MDI area begins:
    // the main window keeps it clear of its toolbar panel.
    virtual int DocumentAreaTop() const { return 0; }
    // Where a document window's top edge stands, in the MDI area's own
    // coordinates: 60 pixels below the top of the frame's client area.
    int DocumentTop() const { return kDocumentTop - DocumentAreaTop(); }

    static constexpr int kDocumentTop = 60;
};

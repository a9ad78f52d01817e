#pragma once

#include "framework/ui/EditControl.h"

#include <QCoreApplication>
#include <QRect>

// Lays out and paints what the control shows now.
inline void paint(TEditControl& edit) {
    QCoreApplication::processEvents();
    edit.viewport()->repaint();
    QCoreApplication::processEvents();
}

// The caret's rectangle in viewport coordinates, as the input method is told.
inline QRect caretInView(const TEditControl& edit) {
    return edit.inputMethodQuery(Qt::ImCursorRectangle)
        .toRect()
        .translated(-edit.viewport()->pos());
}

inline bool caretShown(const TEditControl& edit) {
    return edit.viewport()->rect().intersects(caretInView(edit));
}

// The caret to a byte of the text, scrolled into view and painted.
inline void caretTo(TEditControl& edit, int byte) {
    edit.SetSelStart(byte);
    edit.SetSelLength(0); // scrolls, where SetSelStart does not
    paint(edit);
}

#pragma once

#include "framework/ui/EditLayout.h"
#include "framework/ui/RichEdit.h"

#include <QCoreApplication>
#include <QTextDocument>

// The control's own document layout.
inline TEditLayout& layoutOf(TRichEdit& edit) {
    return *qobject_cast<TEditLayout*>(edit.document()->documentLayout());
}

// Lays out and paints what the control shows now.
inline void paint(TRichEdit& edit) {
    QCoreApplication::processEvents();
    edit.viewport()->repaint();
    QCoreApplication::processEvents();
}

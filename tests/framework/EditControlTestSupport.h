#pragma once

#include "framework/ui/LineLayout.h"
#include "framework/ui/RichEdit.h"

#include <QCoreApplication>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

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

// A control shown with the text, painted.
struct TShownEdit {
    TRichEdit edit;
    TLineLayout& layout = edit.Layout();
    explicit TShownEdit(const std::string& text, int width = 500, int height = 300,
                        bool wrap = false) {
        edit.resize(width, height);
        edit.show();
        edit.SetWordWrap(wrap);
        edit.SetText(text);
        paint(edit);
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&edit, key, modifiers);
    }
};

// Undoes back through `states` (each text the edits left, the first the
// start), checking each; `check`, if given, is called at each state reached.
inline void undoThrough(TEditControl& edit, const std::vector<std::string>& states,
                        const std::function<void(size_t)>& check = {}) {
    for (size_t i = states.size() - 1; i > 0; --i) {
        while (edit.Text() == states[i] && edit.CanUndo()) {
            edit.Undo();
        }
        ASSERT_EQ(edit.Text(), states[i - 1]) << "undo to " << i - 1;
        if (check) {
            check(i - 1);
        }
    }
}

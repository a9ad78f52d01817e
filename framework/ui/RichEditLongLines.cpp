// Caret placement, movement and repaints where the caret stands in a
// paragraph laid out in pieces.
#include "framework/ui/EditLayout.h"
#include "framework/ui/RichEdit.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextBlock>
#include <QTextCursor>

namespace {

QObject* textControlOf(QTextEdit* edit) {
    for (QObject* child : edit->children()) {
        if (child->inherits("QWidgetTextControl")) {
            return child;
        }
    }
    return nullptr;
}

} // namespace

void TRichEdit::routeCaretRequests() {
    QObject* control = textControlOf(this);
    if (control == nullptr) {
        return;
    }
    textControl_ = control;
    control->installEventFilter(this);
    restartBlink();
    // Between the control and the view: the requests pass through unchanged
    // unless the caret is in a long paragraph.
    if (disconnect(control, SIGNAL(visibilityRequest(QRectF)), this,
                   SLOT(_q_ensureVisible(QRectF)))) {
        connect(control, SIGNAL(visibilityRequest(QRectF)), this, SLOT(showCaretRect(QRectF)));
    }
    if (disconnect(control, SIGNAL(updateRequest(QRectF)), this,
                   SLOT(_q_repaintContents(QRectF)))) {
        connect(control, SIGNAL(updateRequest(QRectF)), this, SLOT(repaintCaretRect(QRectF)));
    }
    // Up and down keep to their x until the caret is put elsewhere.
    connect(this, &QTextEdit::cursorPositionChanged, this, [this] { goalX_ = -1; });
}

void TRichEdit::showCaretRect(const QRectF& rect) {
    const int position = textCursor().position();
    QRectF shown = rect;
    if (layout_->InLongParagraph(position)) {
        // What will show around the caret is measured first, so that it
        // stays where the view is put.
        const qreal page = viewport()->height();
        const QRectF caret = layout_->CaretRect(position);
        layout_->LayOutBetween(caret.top() - page, caret.bottom() + page);
        shown = layout_->CaretRect(position).adjusted(-5, 0, 5, 0);
    }
    QMetaObject::invokeMethod(this, "_q_ensureVisible", Qt::DirectConnection, Q_ARG(QRectF, shown));
}

void TRichEdit::repaintCaretRect(const QRectF& rect) {
    const QTextCursor cursor = textCursor();
    if (layout_->InLongParagraph(cursor.position()) || layout_->InLongParagraph(cursor.anchor())) {
        // The rectangle was worked out without the paragraph's lines.
        viewport()->update();
        return;
    }
    QMetaObject::invokeMethod(this, "_q_repaintContents", Qt::DirectConnection,
                              Q_ARG(QRectF, rect));
}

void TRichEdit::restartBlink() {
    caretOn_ = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (flash >= 2) {
        blink_.start(flash / 2, this);
    } else {
        blink_.stop();
    }
}

bool TRichEdit::eventFilter(QObject* watched, QEvent* event) {
    // The toolkit's blink asks for the caret's place by the paragraph's
    // whole layout; in a long paragraph the control blinks the caret itself.
    if (watched == textControl_ && event->type() == QEvent::Timer &&
        layout_->InLongParagraph(textCursor().position())) {
        return true;
    }
    return QTextEdit::eventFilter(watched, event);
}

void TRichEdit::timerEvent(QTimerEvent* event) {
    if (event->timerId() != blink_.timerId()) {
        QTextEdit::timerEvent(event);
        return;
    }
    caretOn_ = !caretOn_;
    const int position = textCursor().position();
    if (layout_->InLongParagraph(position)) {
        const QPointF offset(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
        viewport()->update(
            layout_->CaretRect(position).translated(offset).toAlignedRect().adjusted(-2, 0, 2, 0));
    }
}

bool TRichEdit::modifierInLongParagraph(const QKeyEvent* event) const {
    const int key = event->key();
    const bool modifier = key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
                          key == Qt::Key_Meta || key == Qt::Key_AltGr || key == Qt::Key_CapsLock ||
                          key == Qt::Key_NumLock || key == Qt::Key_Super_L ||
                          key == Qt::Key_Super_R;
    // The toolkit would place the caret anew by the whole paragraph's layout.
    return modifier && layout_->InLongParagraph(textCursor().position());
}

bool TRichEdit::moveInLongParagraph(QKeyEvent* event) {
    using K = QKeySequence;
    const bool up = event->matches(K::MoveToPreviousLine) || event->matches(K::SelectPreviousLine);
    const bool down = event->matches(K::MoveToNextLine) || event->matches(K::SelectNextLine);
    const bool pageUp =
        event->matches(K::MoveToPreviousPage) || event->matches(K::SelectPreviousPage);
    const bool pageDown = event->matches(K::MoveToNextPage) || event->matches(K::SelectNextPage);
    const bool left =
        event->matches(K::MoveToPreviousChar) || event->matches(K::SelectPreviousChar);
    const bool right = event->matches(K::MoveToNextChar) || event->matches(K::SelectNextChar);
    const bool home = event->matches(K::MoveToStartOfLine) || event->matches(K::SelectStartOfLine);
    const bool end = event->matches(K::MoveToEndOfLine) || event->matches(K::SelectEndOfLine);
    const bool vertical = up || down || pageUp || pageDown;
    if (!vertical) {
        goalX_ = -1;
    }
    if (!(vertical || left || right || home || end)) {
        return false;
    }
    QTextCursor cursor = textCursor();
    const int position = cursor.position();
    const bool select = (event->modifiers() & Qt::ShiftModifier) != 0;
    const QTextBlock block = cursor.block();
    const QTextBlock beside = up ? block.previous() : down ? block.next() : QTextBlock();
    if (!layout_->InLongParagraph(position) &&
        !(beside.isValid() && layout_->InLongParagraph(beside.position()))) {
        return false;
    }
    const QRectF caret = layout_->CaretRect(position);
    int target = position;
    if (left || right) {
        // One byte is one character in the code page, so a step is one position.
        if (cursor.hasSelection() && !select) {
            target = left ? cursor.selectionStart() : cursor.selectionEnd();
        } else {
            const int last = document()->characterCount() - 1;
            target = std::clamp(position + (left ? -1 : 1), 0, last);
        }
    } else if (home) {
        target = layout_->LineStartOf(position);
    } else if (end) {
        target = layout_->LineEndOf(position);
    } else {
        if (goalX_ < 0) {
            goalX_ = caret.left();
        }
        const qreal page = viewport()->height();
        const qreal y = up       ? caret.top() - 1
                        : down   ? caret.bottom() + 1
                        : pageUp ? caret.top() - page
                                 : caret.top() + page;
        target = layout_->PositionAt(QPointF(goalX_, std::max<qreal>(0, y)));
        if (pageUp || pageDown) {
            QScrollBar* bar = verticalScrollBar();
            bar->setValue(bar->value() + static_cast<int>(pageUp ? -page : page));
        }
    }
    cursor.setPosition(std::max(target, 0),
                       select ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    const qreal keep = goalX_;
    setTextCursor(cursor);
    goalX_ = keep;
    ensureCursorVisible();
    restartBlink();
    return true;
}

bool TRichEdit::editInLongParagraph(QKeyEvent* event, const QString& text) {
    if (isReadOnly() || overwriteMode()) {
        return false;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool plain = !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    const bool back = event->key() == Qt::Key_Backspace && plain;
    const bool forward = event->matches(QKeySequence::Delete);
    bool typed = plain && !text.isEmpty();
    for (const QChar ch : event->text()) {
        typed = typed && (ch.isPrint() || ch == QLatin1Char('\t'));
    }
    if (!(back || forward || typed)) {
        return false;
    }
    QTextCursor cursor = textCursor();
    if (!layout_->InLongParagraph(cursor.position()) &&
        !layout_->InLongParagraph(cursor.anchor())) {
        return false;
    }
    // Edited through a copy inside an edit block, the toolkit does not ask
    // the paragraph's whole layout where the caret went; the control's own
    // cursor follows the edit as any cursor does.
    const bool joins = typed && !cursor.hasSelection() && typedEnd_ == cursor.position() &&
                       typedRevision_ == document()->revision();
    if (joins) {
        cursor.joinPreviousEditBlock();
    } else {
        cursor.beginEditBlock();
    }
    if (typed) {
        cursor.insertText(text);
    } else if (!cursor.hasSelection()) {
        const int at = cursor.position();
        const int last = document()->characterCount() - 1;
        // A character outside the Basic Multilingual Plane is two positions.
        QTextDocument& doc = *document();
        int step = back ? -1 : 1;
        if (back && at >= 2 && doc.characterAt(at - 1).isLowSurrogate() &&
            doc.characterAt(at - 2).isHighSurrogate()) {
            step = -2;
        } else if (!back && at + 1 < last && doc.characterAt(at).isHighSurrogate() &&
                   doc.characterAt(at + 1).isLowSurrogate()) {
            step = 2;
        }
        const int to = std::clamp(at + step, 0, last);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    } else {
        cursor.removeSelectedText();
    }
    cursor.endEditBlock();
    typedEnd_ = typed ? cursor.position() : -1;
    typedRevision_ = typed ? document()->revision() : -1;
    goalX_ = -1;
    showCaretRect(QRectF());
    restartBlink();
    return true;
}

QVariant TRichEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
    const QTextCursor cursor = textCursor();
    if (!layout_->InLongParagraph(cursor.position())) {
        return QTextEdit::inputMethodQuery(query);
    }
    // The input method asks at every keystroke: answered from the pieces,
    // and with the text near the caret rather than the whole paragraph.
    constexpr int kAround = 512;
    const QTextBlock block = cursor.block();
    const int caret = cursor.position() - block.position();
    const int from = std::max(0, caret - kAround);
    const int to = std::min(block.length() - 1, caret + kAround);
    const QPointF offset(viewport()->x() - horizontalScrollBar()->value(),
                         viewport()->y() - verticalScrollBar()->value());
    switch (query) {
    case Qt::ImCursorRectangle:
        return layout_->CaretRect(cursor.position()).translated(offset).toAlignedRect();
    case Qt::ImAnchorRectangle:
        return layout_->CaretRect(cursor.anchor()).translated(offset).toAlignedRect();
    case Qt::ImSurroundingText: {
        QString text(to - from, Qt::Uninitialized);
        for (int i = from; i < to; ++i) {
            text[i - from] = document()->characterAt(block.position() + i);
        }
        return text;
    }
    case Qt::ImCursorPosition:
        return caret - from;
    case Qt::ImAnchorPosition:
        return std::clamp(cursor.anchor() - block.position(), from, to) - from;
    default:
        return QTextEdit::inputMethodQuery(query);
    }
}

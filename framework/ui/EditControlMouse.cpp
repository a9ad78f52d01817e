// TEditControl's mouse: clicks, drags by characters, words and lines,
// the X11 selection's middle click, the context menu, and drag and drop.
#include "framework/ui/EditControl.h"
#include "framework/ui/EditHistory.h"
#include "framework/ui/EditText.h"
#include "framework/ui/LineLayout.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>

namespace {

using Kind = TEditHistory::Kind;

} // namespace

void TEditControl::selectByUnit(std::size_t byte, bool extend) {
    if (dragUnit_ == Unit::Char) {
        select(extend ? selection_.anchor : byte, byte);
        return;
    }
    std::size_t from = 0;
    std::size_t to = 0;
    if (dragUnit_ == Unit::Word) {
        const auto word = layout_->WordAround(toPos(byte));
        from = toByte(word.first);
        to = toByte(word.second);
    } else {
        const std::size_t line = text_->LineOf(byte);
        from = text_->LineStart(line);
        to = line + 1 < text_->LineCount() ? text_->LineStart(line + 1) : text_->Size();
    }
    if (!extend) {
        dragFrom_ = from;
        dragTo_ = to;
        select(from, to);
    } else if (from < dragFrom_) {
        select(dragTo_, from);
    } else {
        select(dragFrom_, std::max(to, dragTo_));
    }
}

void TEditControl::mousePressEvent(QMouseEvent* event) {
    const std::size_t at = toByte(layout_->PositionAt(toDocument(event->position().toPoint())));
    history_->BreakMerge();
    goalX_ = -1;
    if (event->button() == Qt::LeftButton) {
        const bool inside = selection_.Start() != selection_.End() && at >= selection_.Start() &&
                            at < selection_.End();
        if (tripleClick_.isActive() &&
            (event->position().toPoint() - tripleClickPoint_).manhattanLength() <
                QApplication::startDragDistance()) {
            dragUnit_ = Unit::Line;
            selectByUnit(at, false);
            selecting_ = true;
        } else if (event->modifiers() & Qt::ShiftModifier) {
            dragUnit_ = Unit::Char;
            selectByUnit(at, true);
            selecting_ = true;
        } else if (inside) {
            mayDrag_ = true;
            pressPoint_ = event->position().toPoint();
        } else {
            dragUnit_ = Unit::Char;
            selectByUnit(at, false);
            selecting_ = true;
        }
    } else if (event->button() == Qt::MiddleButton && !readOnly_) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        const QMimeData* data = clipboard->mimeData(QClipboard::Selection);
        if (clipboard->supportsSelection() && data != nullptr && canInsertFromMimeData(data)) {
            settlePrimarySelection(); // it may be this control's own, which the click moves
            select(at, at);
            insertFromMimeData(data);
        }
    }
    emit OnMouseDown(event);
    event->accept();
}

void TEditControl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (mayDrag_ && (point - pressPoint_).manhattanLength() >= QApplication::startDragDistance()) {
        mayDrag_ = false;
        auto* drag = new QDrag(this);
        drag->setMimeData(createMimeDataFromSelection());
        const Qt::DropActions actions =
            readOnly_ ? Qt::CopyAction : Qt::CopyAction | Qt::MoveAction;
        const std::size_t start = selection_.Start();
        const std::size_t end = selection_.End();
        if (drag->exec(actions, Qt::MoveAction) == Qt::MoveAction && drag->target() != viewport() &&
            drag->target() != this) {
            deleteRange(start, end, static_cast<int>(Kind::Other));
        }
        return;
    }
    if (!selecting_) {
        return;
    }
    const QPoint clamped(std::clamp(point.x(), 0, viewport()->width() - 1),
                         std::clamp(point.y(), 0, viewport()->height() - 1));
    selectByUnit(toByte(layout_->PositionAt(toDocument(clamped))), true);
    if (viewport()->rect().contains(point)) {
        autoScroll_.stop();
    } else if (!autoScroll_.isActive()) {
        autoScroll_.start(50, this);
    }
}

void TEditControl::autoScroll() {
    const QPoint point = viewport()->mapFromGlobal(QCursor::pos());
    QScrollBar* v = verticalScrollBar();
    QScrollBar* h = horizontalScrollBar();
    if (point.y() < 0) {
        v->setValue(v->value() - v->singleStep());
    } else if (point.y() >= viewport()->height()) {
        v->setValue(v->value() + v->singleStep());
    }
    if (point.x() < 0) {
        h->setValue(h->value() - h->singleStep());
    } else if (point.x() >= viewport()->width()) {
        h->setValue(h->value() + h->singleStep());
    }
    const QPoint clamped(std::clamp(point.x(), 0, viewport()->width() - 1),
                         std::clamp(point.y(), 0, viewport()->height() - 1));
    selectByUnit(toByte(layout_->PositionAt(toDocument(clamped))), true);
}

void TEditControl::mouseReleaseEvent(QMouseEvent* event) {
    autoScroll_.stop();
    if (mayDrag_) {
        // A press in the selection that dragged nothing places the caret.
        mayDrag_ = false;
        dragUnit_ = Unit::Char;
        selectByUnit(toByte(layout_->PositionAt(toDocument(event->position().toPoint()))), false);
    }
    if (selecting_) {
        selecting_ = false;
        setPrimarySelection();
    }
    event->accept();
}

void TEditControl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const std::size_t at = toByte(layout_->PositionAt(toDocument(event->position().toPoint())));
    dragUnit_ = Unit::Word;
    selectByUnit(at, false);
    selecting_ = true;
    mayDrag_ = false;
    tripleClickPoint_ = event->position().toPoint();
    tripleClick_.start(QGuiApplication::styleHints()->mouseDoubleClickInterval(), this);
    event->accept();
}

void TEditControl::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    const bool selected = selection_.Start() != selection_.End();
    const bool editable = !readOnly_;
    menu.addAction(tr("&Undo"), QKeySequence::Undo, this, &TEditControl::Undo)
        ->setEnabled(editable && CanUndo());
    menu.addAction(tr("&Redo"), QKeySequence::Redo, this, &TEditControl::Redo)
        ->setEnabled(editable && CanRedo());
    menu.addSeparator();
    menu.addAction(tr("Cu&t"), QKeySequence::Cut, this, &TEditControl::CutToClipboard)
        ->setEnabled(editable && selected);
    menu.addAction(tr("&Copy"), QKeySequence::Copy, this, &TEditControl::CopyToClipboard)
        ->setEnabled(selected);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    menu.addAction(tr("&Paste"), QKeySequence::Paste, this, &TEditControl::PasteFromClipboard)
        ->setEnabled(editable && data != nullptr && canInsertFromMimeData(data));
    menu.addAction(tr("Delete"), this, [this] { SetSelText({}); })
        ->setEnabled(editable && selected);
    menu.addSeparator();
    menu.addAction(tr("Select All"), QKeySequence::SelectAll, this, &TEditControl::SelectAll)
        ->setEnabled(text_->Size() != 0);
    menu.exec(event->globalPos());
}

void TEditControl::dragEnterEvent(QDragEnterEvent* event) {
    if (!readOnly_ && canInsertFromMimeData(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TEditControl::dragMoveEvent(QDragMoveEvent* event) {
    if (readOnly_ || !canInsertFromMimeData(event->mimeData())) {
        event->ignore();
        return;
    }
    dropAt_ = toByte(layout_->PositionAt(toDocument(event->position().toPoint())));
    viewport()->update();
    event->acceptProposedAction();
}

void TEditControl::dragLeaveEvent(QDragLeaveEvent*) {
    dropAt_.reset();
    viewport()->update();
}

void TEditControl::dropEvent(QDropEvent* event) {
    dropAt_.reset();
    if (readOnly_ || !canInsertFromMimeData(event->mimeData())) {
        event->ignore();
        return;
    }
    std::size_t at = toByte(layout_->PositionAt(toDocument(event->position().toPoint())));
    const bool own = event->source() == this;
    const bool move = own && event->dropAction() == Qt::MoveAction;
    if (own && at >= selection_.Start() && at <= selection_.End()) {
        event->ignore(); // onto itself: nothing to do
        return;
    }
    event->acceptProposedAction();
    settlePrimarySelection();
    const std::size_t start = selection_.Start();
    const std::size_t end = selection_.End();
    // A move is one undo step: the text leaves and arrives.
    history_->Begin({start, end - start});
    if (move) {
        text_->Replace(start, end, {});
        if (at > end) {
            at -= end - start;
        }
    }
    select(at, at, false);
    insertFromMimeData(event->mimeData());
    history_->End({selection_.caret, 0});
}

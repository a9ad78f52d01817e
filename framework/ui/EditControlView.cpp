// TEditControl's view: painting, scrolling and the caret.
#include "framework/ui/EditControl.h"
#include "framework/ui/EditText.h"
#include "framework/ui/LineLayout.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

QPointF TEditControl::toDocument(const QPoint& viewportPoint) const {
    return QPointF(viewportPoint) +
           QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

QRectF TEditControl::caretRect() const {
    const QRectF rect = layout_->CaretRect(toPos(selection_.caret));
    return rect.translated(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
}

void TEditControl::syncPageWidth() {
    // Unwrapped lines aligned left do not depend on the width, and a new
    // width has the layout estimate every line again: a resize of a large
    // plain text would cost a walk over all of them.
    const int width = viewport()->width();
    if (width == pageWidth_) {
        return;
    }
    const std::vector<TEditText::TRun> alignments = text_->AlignmentRuns(0, text_->LineCount());
    const bool allLeft = alignments.size() == 1 &&
                         Qt::Alignment(static_cast<int>(alignments[0].value)) == Qt::AlignLeft;
    if (layout_->WordWrap() || !allLeft) {
        layout_->SetPageWidth(width);
        pageWidth_ = width;
    }
}

void TEditControl::relayout() {
    syncPageWidth();
    updateScrollBars();
    viewport()->update();
}

void TEditControl::updateScrollBars() {
    const QSizeF size = layout_->Size();
    const QSize view = viewport()->size();
    QScrollBar* v = verticalScrollBar();
    // A dragged bar keeps its range until it is let go.
    if (!v->isSliderDown()) {
        v->setRange(0, std::max(0, static_cast<int>(std::ceil(size.height())) - view.height()));
    }
    v->setPageStep(view.height());
    v->setSingleStep(std::max(1, static_cast<int>(QFontMetricsF(layout_->Font()).lineSpacing())));
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, std::max(0, static_cast<int>(std::ceil(size.width())) - view.width()));
    h->setPageStep(view.width());
    h->setSingleStep(
        std::max(1, static_cast<int>(QFontMetricsF(layout_->Font()).averageCharWidth() * 2)));
}

void TEditControl::ensureCaretVisible() {
    // Before it is shown the viewport has no size to show the caret in.
    if (!isVisible()) {
        return;
    }
    const QSize view = viewport()->size();
    QScrollBar* v = verticalScrollBar();
    QScrollBar* h = horizontalScrollBar();
    int top = v->value();
    QRectF rect;
    // The lines shown around the caret laid out first, so that their real
    // heights place it; twice at most, as estimates settle.
    for (int round = 0; round < 3; ++round) {
        rect = layout_->CaretRect(toPos(selection_.caret));
        int wanted = top;
        if (rect.top() < top) {
            wanted = static_cast<int>(std::floor(rect.top()));
        } else if (rect.bottom() > top + view.height()) {
            wanted = static_cast<int>(std::ceil(rect.bottom())) - view.height();
        }
        if (wanted == top && round > 0) {
            break;
        }
        top = wanted;
        painting_ = true; // the view is being placed: nothing to keep
        layout_->LayOutBetween(top, top + view.height());
        painting_ = false;
    }
    updateScrollBars();
    v->setMaximum(std::max(v->maximum(), top));
    v->setValue(top);
    // Across, the same: the pieces of a long line shown beside the caret
    // settle their widths, which may move it.
    const int margin = std::min(view.width() / 4, 40);
    int left = h->value();
    for (int round = 0; round < 3; ++round) {
        rect = layout_->CaretRect(toPos(selection_.caret));
        int wanted = left;
        if (rect.left() < left) {
            wanted = std::max(0, static_cast<int>(rect.left()) - margin);
        } else if (rect.right() > left + view.width()) {
            wanted = static_cast<int>(rect.right()) - view.width() + margin;
        }
        if (wanted == left && round > 0) {
            break;
        }
        left = wanted;
        layout_->LayOutBetween(top, top + view.height(), left, left + view.width());
    }
    updateScrollBars();
    h->setMaximum(std::max(h->maximum(), left));
    h->setValue(left);
}

void TEditControl::keepViewOnText(qreal below, qreal delta) {
    QScrollBar* bar = verticalScrollBar();
    // While painting, only what is shown is laid out; a dragged bar stays
    // under the mouse.
    if (painting_ || bar->isSliderDown() || below > bar->value()) {
        return;
    }
    const int shift = static_cast<int>(std::lround(delta));
    bar->setMaximum(std::max(bar->maximum(), bar->value() + shift));
    bar->setValue(bar->value() + shift);
}

void TEditControl::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().brush(QPalette::Base));
    const QPointF offset(horizontalScrollBar()->value(), verticalScrollBar()->value());
    painter.translate(-offset);
    const QRectF clip = QRectF(event->rect()).translated(offset);
    std::vector<TLineSelection> selections;
    if (selection_.Start() != selection_.End()) {
        TLineSelection s{toPos(selection_.Start()), toPos(selection_.End()), {}};
        s.format.setBackground(palette().brush(QPalette::Highlight));
        s.format.setForeground(palette().brush(QPalette::HighlightedText));
        selections.push_back(std::move(s));
    }
    const TLinePos caret = toPos(selection_.caret);
    const bool caretShown = caretOn_ && hasFocus() && !readOnly_ && preedit_.isEmpty();
    painter.setPen(palette().color(QPalette::Text));
    painting_ = true;
    layout_->Draw(&painter, clip, selections, caret, caretShown);
    painting_ = false;
    if (!preedit_.isEmpty()) {
        // The text being composed, over the text at the caret, underlined.
        const QRectF at = layout_->CaretRect(caret);
        QTextLayout composed(preedit_, layout_->Font(), viewport());
        QTextCharFormat underline;
        underline.setFontUnderline(true);
        composed.setFormats({{0, static_cast<int>(preedit_.size()), underline}});
        composed.beginLayout();
        QTextLine line = composed.createLine();
        line.setLeadingIncluded(true);
        line.setLineWidth(1e6);
        composed.endLayout();
        const QRectF box(at.topLeft(), QSizeF(line.naturalTextWidth() + 1, at.height()));
        painter.fillRect(box, palette().brush(QPalette::Base));
        composed.draw(&painter, at.topLeft());
        if (caretOn_ && hasFocus()) {
            composed.drawCursor(&painter, at.topLeft(), preeditCursor_);
        }
    }
    if (dropAt_) {
        // Where a dragged text would go.
        const QRectF at = layout_->CaretRect(toPos(*dropAt_));
        painter.fillRect(QRectF(at.left(), at.top(), 1, at.height()), palette().text());
    }
    painter.end();
    // Heights found while painting: the bars follow later, not this paint.
    updateScrollBars();
}

void TEditControl::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

void TEditControl::scrollContentsBy(int, int) {
    viewport()->update();
}

void TEditControl::restartBlink() {
    caretOn_ = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0) {
        blink_.start(flash / 2, this);
    } else {
        blink_.stop();
    }
}

void TEditControl::repaintCaret() {
    const QRectF rect = caretRect();
    viewport()->update(rect.toAlignedRect().adjusted(-2, 0, 2, 0));
}

void TEditControl::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
    viewport()->update();
}

void TEditControl::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    restartBlink();
    viewport()->update();
}

void TEditControl::timerEvent(QTimerEvent* event) {
    if (event->timerId() == blink_.timerId()) {
        caretOn_ = !caretOn_;
        repaintCaret();
    } else if (event->timerId() == autoScroll_.timerId()) {
        autoScroll();
    } else if (event->timerId() == tripleClick_.timerId()) {
        tripleClick_.stop();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

void TEditControl::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        layout_->SetFont(font());
        relayout();
    } else if (event->type() == QEvent::PaletteChange) {
        viewport()->update();
    }
}

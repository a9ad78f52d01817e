#include "framework/ui/UnwrappedWidth.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>
#include <cmath>

TUnwrappedWidth::TUnwrappedWidth(QTextEdit& edit) : QObject(&edit), edit_(edit) {
    QTextDocument* document = edit_.document();
    // Lines laid out for the first time may be longer than any before.
    connect(document->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            [this] { update(false); });
    // An edit may have shortened the longest line.
    connect(document, &QTextDocument::contentsChange, this, [this] { scheduleRescan(); });
    edit_.viewport()->installEventFilter(this);
}

void TUnwrappedWidth::SetActive(bool active) {
    if (active == active_) {
        return;
    }
    active_ = active;
    if (active_) {
        width_ = -1; // set afresh below
        edit_.setWordWrapMode(QTextOption::NoWrap);
        edit_.setLineWrapMode(QTextEdit::FixedPixelWidth);
        update(true);
    }
}

void TUnwrappedWidth::NoteAlignment() {
    if (!aligned_) {
        aligned_ = true;
        update(true);
    }
}

void TUnwrappedWidth::Reset() {
    aligned_ = false;
    update(true);
}

bool TUnwrappedWidth::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == edit_.viewport()) {
        // The width follows the control's; the longest line known may have
        // shortened since it was measured.
        update(aligned_);
    }
    return QObject::eventFilter(watched, event);
}

void TUnwrappedWidth::scheduleRescan() {
    // Only a longest line wider than the control can have set the width.
    if (!active_ || !aligned_ || lineWidth_ <= edit_.viewport()->width() || rescanPending_) {
        return;
    }
    rescanPending_ = true;
    // Once the change is laid out; a burst of typing is one rescan.
    QTimer::singleShot(0, this, [this] {
        rescanPending_ = false;
        update(true);
    });
}

qreal TUnwrappedWidth::widestLine() const {
    qreal widest = 0;
    for (QTextBlock block = edit_.document()->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        for (int i = 0; layout != nullptr && i < layout->lineCount(); ++i) {
            widest = std::max(widest, layout->lineAt(i).naturalTextWidth());
        }
    }
    return widest;
}

void TUnwrappedWidth::update(bool rescan) {
    if (!active_ || applying_) {
        return;
    }
    if (!aligned_) {
        apply(0);
        return;
    }
    const QTextDocument* document = edit_.document();
    if (rescan) {
        lineWidth_ = widestLine() + 2 * document->documentMargin();
    }
    // Laying out in the new width may reach lines longer than any before:
    // the document then grows wider than the width, as wide as they are.
    for (int round = 0; round < 8; ++round) {
        const qreal laidOut = document->documentLayout()->documentSize().width();
        if (width_ > 0 && laidOut > width_ + 0.5) {
            lineWidth_ = std::max(lineWidth_, laidOut);
        }
        const int width =
            std::max(edit_.viewport()->width(), static_cast<int>(std::ceil(lineWidth_)));
        if (width == width_) {
            break;
        }
        apply(width);
    }
}

void TUnwrappedWidth::apply(int width) {
    if (width == width_) {
        return;
    }
    width_ = width;
    applying_ = true;
    edit_.setLineWrapColumnOrWidth(width);
    applying_ = false;
}

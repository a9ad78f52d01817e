#pragma once

#include <QObject>

class QTextEdit;

// The layout width of an edit control whose lines do not wrap. Aligned
// paragraphs need a width to be centred or right-aligned in: the visible
// width of the control, or the longest line's when that is wider, so that
// line starts at the left edge and the others align with it. Until a
// paragraph is aligned other than left (since the last plain load), the
// width stays 0, as in the toolkit's own no-wrap mode, and resizing the
// control lays nothing out again.
class TUnwrappedWidth : public QObject {
public:
    explicit TUnwrappedWidth(QTextEdit& edit);

    // Takes over the control's wrap settings while active (wrap off).
    void SetActive(bool active);
    bool Active() const { return active_; }

    // A paragraph may now be aligned other than left.
    void NoteAlignment();
    // The whole text was replaced by text without alignments.
    void Reset();

    // The width lines are laid out in; 0: no alignment to honour.
    int Width() const { return width_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Brings the width up to date; with `rescan`, also finds out whether the
    // longest line got shorter.
    void update(bool rescan);
    void scheduleRescan();
    // The natural width of the longest line laid out so far.
    qreal widestLine() const;
    void apply(int width);

    QTextEdit& edit_;
    bool active_ = false;
    bool aligned_ = false;
    bool rescanPending_ = false;
    bool applying_ = false;
    int width_ = 0;
    qreal lineWidth_ = 0; // the longest line known, margins included
};

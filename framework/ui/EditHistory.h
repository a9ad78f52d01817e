#pragma once

#include "framework/ui/EditText.h"

#include <cstddef>
#include <vector>

// The undo history of a TEditText. The caller opens and closes steps around
// what one command does (Begin / End, with the selection before and after);
// every change made meanwhile is recorded with what undoes and redoes it, and
// a change made outside a step is a step of its own. Undo and Redo apply one
// step and give the selection to restore.
//
// Typing merges as in a desktop editor: one-character insertions, each right
// after the one before, are one step, and so is a run of Backspaces; another
// kind of step, a line end, a caret moved elsewhere (BreakMerge) or an undo
// ends the run. A load clears the history.
class TEditHistory : private TEditRecorder {
public:
    struct TSelection {
        std::size_t start = 0;
        std::size_t length = 0;
        bool operator==(const TSelection&) const = default;
    };
    enum class Kind { Other, Typing, Backspace };

    explicit TEditHistory(TEditText& text);
    ~TEditHistory();
    TEditHistory(const TEditHistory&) = delete;
    TEditHistory& operator=(const TEditHistory&) = delete;

    void Begin(TSelection before, Kind kind = Kind::Other);
    void End(TSelection after);
    // The caret moved by other means than the last step: typing starts anew.
    void BreakMerge() { mergeBroken_ = true; }

    bool CanUndo() const { return done_ > 0 && depth_ == 0; }
    bool CanRedo() const { return done_ < steps_.size() && depth_ == 0; }
    TSelection Undo();
    TSelection Redo();

    // Whether the text differs from the state last marked saved.
    bool Modified() const { return done_ != saved_; }
    void SetModified(bool modified) { saved_ = modified ? kNever : done_; }
    void Clear();

private:
    struct Change {
        TEditPatch inverse;
        TEditPatch forward;
    };
    struct Step {
        std::vector<Change> changes;
        TSelection before;
        TSelection after;
        Kind kind = Kind::Other;
        bool mergeable = false; // later typing may join it
    };
    static constexpr std::size_t kNever = static_cast<std::size_t>(-1);

    bool Recording() const override { return !applying_; }
    void Record(TEditPatch&& inverse, TEditPatch&& forward) override;
    void Loaded() override { Clear(); }

    void push(Step&& step);
    // Whether the step is one typed character or Backspace continuing the top.
    bool continuesTop(const Step& step) const;

    TEditText& text_;
    std::vector<Step> steps_;
    std::size_t done_ = 0; // steps_[0, done_) are done
    std::size_t saved_ = 0;
    Step open_;
    int depth_ = 0;
    bool applying_ = false;
    bool mergeBroken_ = false;
};

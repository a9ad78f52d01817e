#include "framework/ui/EditHistory.h"

namespace {

bool holdsLineEnd(const std::string& bytes) {
    return bytes.find_first_of("\r\n") != std::string::npos;
}

// The one edit of a patch that makes exactly one, else null.
const TByteEdit* onlyEdit(const TEditPatch& patch) {
    if (patch.kind != TEditPatch::Kind::Bytes || patch.edits.size() != 1) {
        return nullptr;
    }
    return &patch.edits[0];
}

// A whole patch applied holds the text it replaced, which is what the
// patch of the other way applies next.
void passBackWhole(TEditPatch& applied, TEditPatch& other) {
    if (applied.whole) {
        std::swap(applied.edits[0].Bytes, other.edits[0].Bytes);
    }
}

} // namespace

TEditHistory::TEditHistory(TEditText& text) : text_(text) {
    text_.SetRecorder(this);
}

TEditHistory::~TEditHistory() {
    text_.SetRecorder(nullptr);
}

void TEditHistory::Begin(TSelection before, Kind kind) {
    if (depth_++ == 0) {
        open_ = Step{{}, before, before, kind, false};
    }
}

void TEditHistory::End(TSelection after) {
    if (depth_ == 0 || --depth_ > 0) {
        return;
    }
    open_.after = after;
    if (!open_.changes.empty()) {
        push(std::move(open_));
    }
    open_ = Step{};
    mergeBroken_ = false;
}

void TEditHistory::Record(TEditPatch&& inverse, TEditPatch&& forward) {
    if (depth_ > 0) {
        open_.changes.push_back({std::move(inverse), std::move(forward)});
        return;
    }
    // A change outside any step is one of its own.
    Step step;
    if (!forward.edits.empty()) {
        const TByteEdit& first = forward.edits.front();
        step.before = {first.From, forward.edits.back().To - first.From};
        step.after = {first.From + first.Bytes.size(), 0};
    }
    step.changes.push_back({std::move(inverse), std::move(forward)});
    push(std::move(step));
    mergeBroken_ = false;
}

bool TEditHistory::continuesTop(const Step& step) const {
    if (mergeBroken_ || step.kind == Kind::Other || done_ == 0 || done_ != steps_.size() ||
        saved_ == done_) {
        return false;
    }
    const Step& top = steps_[done_ - 1];
    if (top.kind != step.kind || !top.mergeable || step.changes.size() != 1) {
        return false;
    }
    const TEditPatch& forward = step.changes[0].forward;
    if (forward.kind != TEditPatch::Kind::Bytes || forward.edits.size() != 1) {
        return false;
    }
    const TByteEdit& e = forward.edits[0];
    const std::size_t caret = top.after.start;
    if (step.kind == Kind::Typing) {
        return e.From == e.To && e.From == caret && !e.Bytes.empty() && !holdsLineEnd(e.Bytes);
    }
    return e.Bytes.empty() && e.To == caret && e.From < e.To &&
           !holdsLineEnd(step.changes[0].inverse.edits[0].Bytes);
}

void TEditHistory::push(Step&& step) {
    if (continuesTop(step)) {
        Step& top = steps_[done_ - 1];
        top.changes.push_back(std::move(step.changes[0]));
        top.after = step.after;
        return;
    }
    const TByteEdit* e = step.changes.size() == 1 ? onlyEdit(step.changes[0].forward) : nullptr;
    step.mergeable = e != nullptr && step.kind != Kind::Other && !holdsLineEnd(e->Bytes) &&
                     !holdsLineEnd(step.changes[0].inverse.edits[0].Bytes);
    if (steps_.size() > done_) {
        steps_.resize(done_);
        if (saved_ != kNever && saved_ > done_) {
            saved_ = kNever; // the saved state can no longer be reached
        }
    }
    steps_.push_back(std::move(step));
    ++done_;
}

TEditHistory::TSelection TEditHistory::Undo() {
    if (!CanUndo()) {
        return {};
    }
    Step& step = steps_[--done_];
    applying_ = true;
    text_.BeginChange();
    for (auto it = step.changes.rbegin(); it != step.changes.rend(); ++it) {
        text_.Apply(it->inverse);
        passBackWhole(it->inverse, it->forward);
    }
    text_.EndChange();
    applying_ = false;
    mergeBroken_ = true;
    return step.before;
}

TEditHistory::TSelection TEditHistory::Redo() {
    if (!CanRedo()) {
        return {};
    }
    Step& step = steps_[done_++];
    applying_ = true;
    text_.BeginChange();
    for (Change& change : step.changes) {
        text_.Apply(change.forward);
        passBackWhole(change.forward, change.inverse);
    }
    text_.EndChange();
    applying_ = false;
    mergeBroken_ = true;
    return step.after;
}

void TEditHistory::Clear() {
    steps_.clear();
    done_ = 0;
    saved_ = 0;
    mergeBroken_ = false;
}

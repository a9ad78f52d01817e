#include "framework/ui/RunList.h"

#include <algorithm>

void TRunList::Append(std::vector<TRun>& runs, TRun run) {
    if (run.length == 0) {
        return;
    }
    if (!runs.empty() && runs.back().value == run.value) {
        runs.back().length += run.length;
    } else {
        runs.push_back(run);
    }
}

void TRunList::Assign(std::size_t length, std::uint32_t value) {
    if (length == 0) {
        tree_.Assign(nullptr, 0);
        return;
    }
    const TRun run{length, value};
    tree_.Assign(&run, 1);
}

void TRunList::AssignRuns(const std::vector<TRun>& runs) {
    std::vector<TRun> merged;
    merged.reserve(runs.size());
    for (const TRun& run : runs) {
        Append(merged, run);
    }
    tree_.Assign(merged);
}

std::uint32_t TRunList::ValueAt(std::size_t at) const {
    const auto hit = runAt(at);
    return hit.index < tree_.Size() ? tree_.At(hit.index).value : 0;
}

std::vector<TRunList::TRun> TRunList::RunsIn(std::size_t from, std::size_t to) const {
    std::vector<TRun> out;
    to = std::min(to, Size());
    if (from >= to) {
        return out;
    }
    auto hit = runAt(from);
    std::size_t start = hit.before.length;
    for (std::size_t i = hit.index; i < tree_.Size() && start < to; ++i) {
        const TRun& run = tree_.At(i);
        const std::size_t end = start + run.length;
        out.push_back({std::min(end, to) - std::max(start, from), run.value});
        start = end;
    }
    return out;
}

void TRunList::Replace(std::size_t from, std::size_t removed, const TRun* runs, std::size_t count) {
    const std::size_t size = Size();
    from = std::min(from, size);
    removed = std::min(removed, size - from);
    const std::size_t end = from + removed;
    const std::size_t n = tree_.Size();
    // The runs [first, last) that change: those holding `from` and `end`,
    // and one more on each side so that equal neighbours merge.
    const auto head = runAt(from);
    const auto tail = runAt(end);
    std::size_t first = head.index;
    std::size_t last = std::min(tail.index + 1, n);
    std::vector<TRun> fresh;
    fresh.reserve(count + 4);
    if (first > 0) {
        --first;
        Append(fresh, tree_.At(first));
    }
    if (head.index < n) {
        Append(fresh, {from - head.before.length, tree_.At(head.index).value});
    }
    for (std::size_t i = 0; i < count; ++i) {
        Append(fresh, runs[i]);
    }
    if (tail.index < n) {
        const TRun& run = tree_.At(tail.index);
        Append(fresh, {tail.before.length + run.length - end, run.value});
    }
    if (last < n) {
        Append(fresh, tree_.At(last));
        ++last;
    }
    tree_.Replace(first, last - first, fresh.data(), fresh.size());
}

bool TRunList::Set(std::size_t from, std::size_t to, std::uint32_t value) {
    to = std::min(to, Size());
    if (from >= to) {
        return false;
    }
    const auto hit = runAt(from);
    const TRun& run = tree_.At(hit.index);
    if (run.value == value && hit.before.length + run.length >= to) {
        return false;
    }
    Replace(from, to - from, to - from, value);
    return true;
}

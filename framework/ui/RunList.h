#pragma once

#include "framework/ui/SumTree.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Values over the positions [0, Size()) as runs of equal values, in a tree of
// running lengths: the value at a position, the runs of a range and a change
// of a range each cost O(log n) plus the runs they touch. Neighbours of equal
// value are always one run, so a list holding one value is one run whatever
// its length. Used for the character formats over bytes and the paragraph
// alignments over lines.
class TRunList {
public:
    struct TRun {
        std::size_t length = 0;
        std::uint32_t value = 0;
        bool operator==(const TRun&) const = default;
    };

    std::size_t Size() const { return tree_.Total().length; }
    std::size_t RunCount() const { return tree_.Size(); }

    void Assign(std::size_t length, std::uint32_t value);
    // Neighbours of equal value are merged, empty runs dropped.
    void AssignRuns(const std::vector<TRun>& runs);
    std::vector<TRun> Runs() const { return tree_.Items(); }

    // The value at a position before Size().
    std::uint32_t ValueAt(std::size_t at) const;
    // The runs of [from, to), the first and last cut to it.
    std::vector<TRun> RunsIn(std::size_t from, std::size_t to) const;

    // The positions [from, from + removed) give way to the runs (of any total
    // length).
    void Replace(std::size_t from, std::size_t removed, const TRun* runs, std::size_t count);
    void Replace(std::size_t from, std::size_t removed, std::size_t added, std::uint32_t value) {
        const TRun run{added, value};
        Replace(from, removed, &run, 1);
    }
    // Sets [from, to) to the value; false, changing nothing, when all of it
    // holds the value already.
    bool Set(std::size_t from, std::size_t to, std::uint32_t value);

    // Appends a run to a list being built, merged with the last when equal.
    static void Append(std::vector<TRun>& runs, TRun run);

private:
    struct Lengths {
        using Item = TRun;
        struct Sum {
            std::size_t length = 0;
        };
        static Sum Of(const TRun& run) { return {run.length}; }
        static Sum Add(const Sum& a, const Sum& b) { return {a.length + b.length}; }
    };
    using Tree = TSumTree<Lengths>;

    // The run holding the position (RunCount() at the end) and where it starts.
    Tree::Hit runAt(std::size_t at) const {
        return tree_.Find([at](const Lengths::Sum& s) { return s.length > at; });
    }

    Tree tree_;
};

// Many edits as one change (Replace All, a case change, and undoing them):
// many are made in one pass over the text, which then costs about the same
// for 10,000 edits as for 100,000.
#include "framework/ui/EditText.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

// From this many edits on, one pass over the whole text beats an edit each.
constexpr std::size_t kOnePass = 64;

// Cuts runs laid end to end into the stretches of the given lengths.
std::vector<std::vector<TRunList::TRun>> slice(const std::vector<TByteEdit>& edits,
                                               const std::vector<TRunList::TRun>& runs) {
    std::vector<std::vector<TRunList::TRun>> out(edits.size());
    std::size_t r = 0;
    std::size_t used = 0; // of runs[r]
    for (std::size_t i = 0; i < edits.size(); ++i) {
        std::size_t want = edits[i].Bytes.size();
        while (want > 0 && r < runs.size()) {
            const std::size_t take = std::min(want, runs[r].length - used);
            TRunList::Append(out[i], {take, runs[r].value});
            want -= take;
            used += take;
            if (used == runs[r].length) {
                ++r;
                used = 0;
            }
        }
    }
    return out;
}

// Calls `f` with the start of every line but the first, in order.
template <typename F> void forEachLineStart(std::string_view bytes, F&& f) {
    const char* const data = bytes.data();
    const std::size_t n = bytes.size();
    const auto find = [&](char c, std::size_t from) {
        const void* hit = from < n ? std::memchr(data + from, c, n - from) : nullptr;
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - data) : n;
    };
    std::size_t nextCr = find('\r', 0);
    std::size_t nextLf = find('\n', 0);
    for (std::size_t start = 0;;) {
        if (nextCr < start) {
            nextCr = find('\r', start);
        }
        if (nextLf < start) {
            nextLf = find('\n', start);
        }
        const std::size_t at = std::min(nextCr, nextLf);
        if (at >= n) {
            return;
        }
        start = at + (data[at] == '\r' && at + 1 < n && data[at + 1] == '\n' ? 2 : 1);
        f(start);
    }
}

} // namespace

void TEditText::ReplaceRanges(const std::vector<TByteEdit>& input) {
    std::vector<TByteEdit> clamped;
    const std::vector<TByteEdit>* edits = &input;
    const bool clean = std::all_of(input.begin(), input.end(), [&](const TByteEdit& e) {
        return e.From <= e.To && e.To <= Size() && (e.From < e.To || !e.Bytes.empty());
    });
    if (!clean) {
        clamped = input;
        for (TByteEdit& e : clamped) {
            e.From = std::min(e.From, Size());
            e.To = std::clamp(e.To, e.From, Size());
        }
        std::erase_if(clamped,
                      [](const TByteEdit& e) { return e.From == e.To && e.Bytes.empty(); });
        edits = &clamped;
    }
    if (edits->empty()) {
        return;
    }
    std::vector<TRun> runs;
    runs.reserve(edits->size());
    for (const TByteEdit& e : *edits) {
        runs.push_back({e.Bytes.size(), InheritedFormat(e.From, e.To)});
    }
    const bool record = recording();
    TEditPatch inverse;
    if (record) {
        inverse.edits.reserve(edits->size());
        std::int64_t shift = 0;
        for (const TByteEdit& e : *edits) {
            const auto from = static_cast<std::size_t>(static_cast<std::int64_t>(e.From) + shift);
            inverse.edits.push_back({from, from + e.Bytes.size(), Range(e.From, e.To - e.From)});
            for (const TRun& run : formats_.RunsIn(e.From, e.To)) {
                inverse.formats.push_back(run);
            }
            shift += static_cast<std::int64_t>(e.Bytes.size()) -
                     static_cast<std::int64_t>(e.To - e.From);
        }
        inverse.alignments = alignments_.Runs();
    }
    BeginChange();
    if (edits->size() >= kOnePass) {
        replaceAll(*edits, &runs);
    } else {
        replaceEach(*edits, &runs);
    }
    EndChange();
    if (record) {
        TEditPatch forward{TEditPatch::Kind::Bytes, *edits, std::move(runs), 0, 0,
                           alignments_.Runs()};
        recorder_->Record(std::move(inverse), std::move(forward));
    }
}

void TEditText::replaceEach(const std::vector<TByteEdit>& edits, const std::vector<TRun>* runs) {
    const auto slices = slice(edits, *runs);
    // From the back, so that the positions before each edit stay as they were.
    for (std::size_t i = edits.size(); i-- > 0;) {
        const TByteEdit& e = edits[i];
        if (e.From == e.To && e.Bytes.empty()) {
            continue;
        }
        replace(e.From, e.To, e.Bytes, slices[i].data(), slices[i].size());
    }
}

void TEditText::replaceAll(const std::vector<TByteEdit>& edits, const std::vector<TRun>* runs) {
    const std::string& old = bytes_.Contiguous();
    const std::size_t size = old.size();
    std::size_t newSize = size;
    for (const TByteEdit& e : edits) {
        newSize += e.Bytes.size() - (e.To - e.From);
    }
    const std::size_t reportFrom = edits.front().From;
    const std::size_t reportTo = edits.back().To;
    const std::size_t startLine = LineOf(reportFrom);
    const std::size_t reportLine =
        startLine > 0 && isLineStart(reportFrom) && bytes_.At(reportFrom - 1) == '\r'
            ? startLine - 1
            : startLine;
    const std::size_t lastLine = LineOf(reportTo);

    // The bytes and the format runs, each assembled once.
    std::string fresh;
    fresh.reserve(newSize);
    const std::vector<TRun> oldRuns = formats_.Runs();
    std::vector<TRun> newRuns;
    newRuns.reserve(oldRuns.size() + edits.size() * 2);
    std::size_t r = 0;
    std::size_t runStart = 0;
    const auto copyRuns = [&](std::size_t from, std::size_t to) {
        while (r < oldRuns.size() && runStart + oldRuns[r].length <= from) {
            runStart += oldRuns[r++].length;
        }
        std::size_t at = from;
        while (at < to) {
            const std::size_t runEnd = runStart + oldRuns[r].length;
            const std::size_t end = std::min(runEnd, to);
            TRunList::Append(newRuns, {end - at, oldRuns[r].value});
            at = end;
            if (at == runEnd) {
                runStart = runEnd;
                ++r;
            }
        }
    };
    std::size_t insertedRun = 0;
    std::size_t insertedUsed = 0;
    std::size_t at = 0;
    for (const TByteEdit& e : edits) {
        fresh.append(old, at, e.From - at);
        copyRuns(at, e.From);
        fresh.append(e.Bytes);
        std::size_t want = e.Bytes.size();
        while (want > 0 && insertedRun < runs->size()) {
            const TRun& run = (*runs)[insertedRun];
            const std::size_t take = std::min(want, run.length - insertedUsed);
            TRunList::Append(newRuns, {take, run.value});
            want -= take;
            insertedUsed += take;
            if (insertedUsed == run.length) {
                ++insertedRun;
                insertedUsed = 0;
            }
        }
        while (insertedRun < runs->size() && (*runs)[insertedRun].length == 0) {
            ++insertedRun;
        }
        at = e.To;
    }
    fresh.append(old, at, size - at);
    copyRuns(at, size);

    // The lines: cut anew in one pass; each takes the alignment of the line
    // its start came from, or of the line an edit starts in when its start
    // lies within the edit's bytes.
    std::vector<Piece> cuts;
    cut(fresh, cuts, false);
    std::vector<TRun> newAlignments;
    if (alignments_.RunCount() == 1) {
        std::size_t lines = 1;
        for (const Piece& p : cuts) {
            lines += p.breaks;
        }
        newAlignments.push_back({lines, alignments_.ValueAt(0)});
    } else {
        std::vector<std::size_t> oldStarts{0};
        forEachLineStart(old, [&](std::size_t at) { oldStarts.push_back(at); });
        const std::vector<TRun> oldAlign = alignments_.Runs();
        std::size_t line = 0; // the old line of the last position looked up
        std::size_t a = 0;    // the alignment run holding it
        std::size_t aStart = 0;
        std::size_t edit = 0;   // the first edit that starts after the new position
        std::int64_t shift = 0; // new less old, before that edit
        const auto alignOfNew = [&](std::size_t s) {
            while (edit < edits.size() && static_cast<std::int64_t>(edits[edit].From) + shift <=
                                              static_cast<std::int64_t>(s)) {
                shift += static_cast<std::int64_t>(edits[edit].Bytes.size()) -
                         static_cast<std::int64_t>(edits[edit].To - edits[edit].From);
                ++edit;
            }
            std::size_t oldPos = static_cast<std::size_t>(static_cast<std::int64_t>(s) - shift);
            if (edit > 0) {
                const TByteEdit& e = edits[edit - 1];
                const std::size_t newEnd =
                    static_cast<std::size_t>(static_cast<std::int64_t>(e.To) + shift);
                if (s < newEnd) {
                    oldPos = e.From;
                }
            }
            while (line + 1 < oldStarts.size() && oldStarts[line + 1] <= oldPos) {
                ++line;
            }
            while (aStart + oldAlign[a].length <= line) {
                aStart += oldAlign[a++].length;
            }
            return oldAlign[a].value;
        };
        TRunList::Append(newAlignments, {1, alignOfNew(0)});
        forEachLineStart(fresh, [&](std::size_t at) {
            TRunList::Append(newAlignments, {1, alignOfNew(at)});
        });
    }
    const std::size_t newReportTo = reportTo + newSize - size;
    pieces_.Assign(cuts);
    bytes_.Assign(std::move(fresh));
    formats_.AssignRuns(newRuns);
    alignments_.AssignRuns(newAlignments);
    report({reportFrom, reportTo - reportFrom, newReportTo - reportFrom, reportLine,
            lastLine - reportLine + 1, LineOf(newReportTo) - reportLine + 1, false});
}

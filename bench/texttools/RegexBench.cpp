// Regular-expression search and Replace All on 20 MB, side by side with
// `grep -P -c` (PCRE2 as well, in the C locale: one byte a character) on the
// same bytes in a file, and with the plain Replace All.
//   Find Next to a match 99 % down   against grep counting that one match
//   counting every match             against grep counting them (one a line)
//   Replace All, 100,000 matches     against the plain Replace All of the
//                                    same matches (BM_ReplaceAll_Control)
// grep is a process of its own: BM_GrepStartUp times the same command on a
// 3-byte file, to take its start-up out of the ratio. Each press compiles the
// pattern afresh, as the dialog's buttons do, and that is timed too.
#include "bench/texttools/TextToolsBenchSupport.h"
#include "texttools/RegexFindReplace.h"
#include "texttools/RegexMatcher.h"
#include "texttools/RegexReplaceAll.h"
#include "texttools/ReplaceTemplate.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <sys/resource.h>

namespace {

constexpr char kFindPattern[] = "Marker\\w+End";
constexpr char kCountPattern[] = "^lorem \\w+";

// The 20 MB text, and three bytes, in files for grep.
struct GrepFiles {
    QTemporaryDir dir;
    std::string big = (dir.path() + QStringLiteral("/text.txt")).toStdString();
    std::string tiny = (dir.path() + QStringLiteral("/tiny.txt")).toStdString();
    GrepFiles() {
        std::ofstream(big, std::ios::binary) << bench::TextWith(0);
        std::ofstream(tiny, std::ios::binary) << "ab\n";
    }
};

GrepFiles& files() {
    static GrepFiles f;
    return f;
}

// CPU time (user and system) of the children that have ended, in ms: on a
// loaded machine grep's own time, beside the CPU column of our side.
double childCpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Times grep's runs in the state's loop, reporting its CPU per run.
template <typename F> void timeGrep(benchmark::State& state, F&& run) {
    const double before = childCpuMs();
    for (auto _ : state) {
        run();
    }
    state.counters["grep_cpu_ms"] =
        benchmark::Counter(childCpuMs() - before, benchmark::Counter::kAvgIterations);
}

// grep -P -c on a file: the count it prints, -1 when it fails.
long grepCount(const char* pattern, const std::string& file) {
    const std::string command = std::string("LC_ALL=C grep -P -c '") + pattern + "' '" + file + "'";
    FILE* out = ::popen(command.c_str(), "r");
    long count = -1;
    if (out) {
        if (std::fscanf(out, "%ld", &count) != 1) {
            count = -1;
        }
        ::pclose(out);
    }
    return count;
}

// Matches of the pattern in the text, one search after another, as Replace
// All finds them.
long countMatches(const char* pattern, const std::string& text) {
    TRegexMatcher matcher(pattern, TRegexOptions{true, false, false});
    long count = 0;
    for (size_t from = 0; matcher.Find(text, from) == TRegexStatus::Found; ++count) {
        from = matcher.End() > matcher.Start() ? matcher.End()
                                               : matcher.NextCharacter(text, matcher.End());
    }
    return count;
}

void BM_RegexFindNext_Control(benchmark::State& state) {
    auto edit = bench::ControlWith(bench::TextWith(0));
    int found = -1;
    TRegexProblem problem;
    for (auto _ : state) {
        state.PauseTiming();
        edit->SetSelStart(0);
        state.ResumeTiming();
        found = RegexSearchStep(*edit, kFindPattern, TRegexOptions{true, false, false}, problem);
    }
    if (found < 0 || edit->SelLength() != 16) {
        state.SkipWithError("marker not found");
    }
}
BENCHMARK(BM_RegexFindNext_Control)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_RegexFindNext_GrepP(benchmark::State& state) {
    long count = -1;
    timeGrep(state, [&] { count = grepCount(kFindPattern, files().big); });
    if (count != 1) {
        state.SkipWithError("grep failed");
    }
}
BENCHMARK(BM_RegexFindNext_GrepP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_RegexCount_Matcher(benchmark::State& state) {
    const std::string& text = bench::TextWith(0);
    long count = 0;
    for (auto _ : state) {
        count = countMatches(kCountPattern, text);
    }
    state.counters["matches"] = static_cast<double>(count);
    if (count <= 0 || count != grepCount(kCountPattern, files().big)) {
        state.SkipWithError("count differs from grep's");
    }
}
BENCHMARK(BM_RegexCount_Matcher)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_RegexCount_GrepP(benchmark::State& state) {
    long count = -1;
    timeGrep(state, [&] { count = grepCount(kCountPattern, files().big); });
    state.counters["matches"] = static_cast<double>(count);
    if (count <= 0) {
        state.SkipWithError("grep failed");
    }
}
BENCHMARK(BM_RegexCount_GrepP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_GrepStartUp(benchmark::State& state) {
    long count = -1;
    timeGrep(state, [&] { count = grepCount(kCountPattern, files().tiny); });
    if (count != 0) {
        state.SkipWithError("grep failed");
    }
}
BENCHMARK(BM_GrepStartUp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// As BM_ReplaceAll_Control, by a pattern that matches the same words.
void BM_RegexReplaceAll_Control(benchmark::State& state) {
    const int matches = static_cast<int>(state.range(0));
    const std::string& text = bench::TextWith(matches);
    bool right = true;
    TRegexProblem problem;
    for (auto _ : state) {
        state.PauseTiming();
        auto edit = bench::ControlWith(text);
        state.ResumeTiming();
        const size_t count = RegexReplaceAll(*edit, "Z[a-z]bra", bench::kReplacement,
                                             TRegexOptions{true, false, false}, problem);
        bench::Painted(*edit);
        state.PauseTiming();
        right = right && count == static_cast<size_t>(matches) &&
                edit->Text().size() == text.size() + static_cast<size_t>(matches) &&
                edit->Text().compare(0, 6, bench::kReplacement) == 0;
        edit.reset();
        state.ResumeTiming();
    }
    if (!right) {
        state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_RegexReplaceAll_Control)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// Its first half alone, beside BM_ReplaceAll_PlanOnly: the edits worked out
// on the bytes.
void BM_RegexReplaceAll_PlanOnly(benchmark::State& state) {
    const int matches = static_cast<int>(state.range(0));
    const std::string& text = bench::TextWith(matches);
    size_t count = 0;
    for (auto _ : state) {
        TRegexMatcher matcher("Z[a-z]bra", TRegexOptions{true, false, false});
        TReplaceTemplate with(bench::kReplacement);
        with.Bind(matcher);
        TReplacePlan plan;
        PlanRegexReplaceAll(text, matcher, with, "\n", plan);
        count = plan.Count;
    }
    if (count != static_cast<size_t>(matches)) {
        state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_RegexReplaceAll_PlanOnly)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

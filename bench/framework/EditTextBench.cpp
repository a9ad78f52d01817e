// The edit control's text model on its own, each beside its baseline.
//   edit_text_bench   loading 100 MB, setting 20 MB, many edits and their
//                     undo, one typed byte in 100 MB
#include "framework/ByteEdit.h"
#include "framework/Files.h"
#include "framework/ui/EditHistory.h"
#include "framework/ui/EditText.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kMB = std::size_t{1} << 20;

// Lines of 58 bytes (57 and an LF) of lower-case words, with "fox" every
// `foxEvery` lines.
std::string makeText(std::size_t bytes, std::size_t foxEvery) {
    static const char* const words[] = {"lorem", "ipsum",  "dolor", "sit",  "amet", "edit",
                                        "text",  "window", "line",  "byte", "page", "word"};
    std::string out;
    out.reserve(bytes + 64);
    std::uint32_t seed = 12345;
    std::string line;
    for (std::size_t n = 0; out.size() + 58 <= bytes; ++n) {
        line = foxEvery != 0 && n % foxEvery == 0 ? "fox " : "";
        while (line.size() < 57) {
            seed = seed * 1103515245u + 12345u;
            line += words[(seed >> 16) % 12];
            line += ' ';
        }
        line.resize(57);
        out += line;
        out += '\n';
    }
    return out;
}

const std::string& fileOf100MB() {
    static const std::string name = [] {
        const std::string path = "/tmp/edit_text_bench_100mb.txt";
        WriteFileBytes(path, makeText(100 * kMB, 0));
        return path;
    }();
    return name;
}

void BM_ReadFile100MB(benchmark::State& state) {
    const std::string& path = fileOf100MB();
    for (auto _ : state) {
        std::string bytes = ReadFileBytes(path);
        if (bytes.size() < 99 * kMB) {
            state.SkipWithError("short read");
        }
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_ReadFile100MB)->Unit(benchmark::kMillisecond);

void BM_ReadAndAssign100MB(benchmark::State& state) {
    const std::string& path = fileOf100MB();
    for (auto _ : state) {
        TEditText text;
        text.Assign(ReadFileBytes(path), false);
        if (text.LineCount() != text.Size() / 58 + 1) {
            state.SkipWithError("wrong line count");
        }
        benchmark::DoNotOptimize(text.Size());
    }
}
BENCHMARK(BM_ReadAndAssign100MB)->Unit(benchmark::kMillisecond);

// Arg: 1 for UTF-8.
void BM_Assign20MB(benchmark::State& state) {
    static const std::string source = makeText(20 * kMB, 0);
    for (auto _ : state) {
        state.PauseTiming();
        std::string bytes = source;
        auto text = std::make_unique<TEditText>();
        state.ResumeTiming();
        text->Assign(std::move(bytes), state.range(0) != 0);
        if (text->LineCount() != source.size() / 58 + 1) {
            state.SkipWithError("wrong line count");
        }
        state.PauseTiming();
        text.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Assign20MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// 100,000 "fox" spread through 20 MB; the edits replace every one or every
// tenth.
const std::string& foxText() {
    static const std::string text = makeText(20 * kMB, 3);
    return text;
}

std::vector<TByteEdit> foxEdits(std::size_t count, const std::string& with) {
    const std::string& text = foxText();
    std::vector<std::size_t> at;
    for (std::size_t p = text.find("fox"); p != std::string::npos; p = text.find("fox", p + 3)) {
        at.push_back(p);
    }
    std::vector<TByteEdit> edits;
    const std::size_t step = at.size() / count;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t p = at[i * step];
        edits.push_back({p, p + 3, with});
    }
    return edits;
}

// Args: the edits, and 1 for a longer word.
void BM_ReplaceRanges20MB(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const std::string with = state.range(1) != 0 ? "marmot" : "cat";
    const auto edits = foxEdits(count, with);
    for (auto _ : state) {
        state.PauseTiming();
        auto text = std::make_unique<TEditText>();
        text->Assign(foxText(), false);
        state.ResumeTiming();
        text->ReplaceRanges(edits);
        if (text->Size() != foxText().size() + count * (with.size() - 3)) {
            state.SkipWithError("wrong size");
        }
        state.PauseTiming();
        text.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReplaceRanges20MB)
    ->Args({10000, 0})
    ->Args({100000, 0})
    ->Args({10000, 1})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond);

// Arg: 0 times the undo of 100,000 replacements, 1 their redo.
void BM_UndoReplaceRanges20MB(benchmark::State& state) {
    const auto edits = foxEdits(100000, "marmot");
    for (auto _ : state) {
        state.PauseTiming();
        auto text = std::make_unique<TEditText>();
        auto history = std::make_unique<TEditHistory>(*text);
        text->Assign(foxText(), false);
        history->Begin({0, 0});
        text->ReplaceRanges(edits);
        history->End({0, 0});
        if (state.range(0) != 0) {
            history->Undo();
        }
        state.ResumeTiming();
        if (state.range(0) == 0) {
            history->Undo();
        } else {
            history->Redo();
        }
        const std::size_t want = foxText().size() + (state.range(0) != 0 ? 300000 : 0);
        if (text->Size() != want || (state.range(0) == 0 && text->Bytes() != foxText())) {
            state.SkipWithError("wrong text");
        }
        state.PauseTiming();
        history.reset();
        text.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UndoReplaceRanges20MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One byte typed in the middle of 100 MB, and taken away again, with the
// history recording.
void BM_TypeIn100MB(benchmark::State& state) {
    static TEditText* text = [] {
        auto* t = new TEditText;
        t->Assign(makeText(100 * kMB, 0), false);
        return t;
    }();
    TEditHistory history(*text);
    const std::size_t mid = text->Size() / 2 + 7;
    const std::size_t size = text->Size();
    for (auto _ : state) {
        history.Begin({mid, 0}, TEditHistory::Kind::Typing);
        text->Replace(mid, mid, "x");
        history.End({mid + 1, 0});
        text->Replace(mid, mid + 1, "");
        benchmark::DoNotOptimize(text->LineOf(mid));
    }
    if (text->Size() != size) {
        state.SkipWithError("wrong size");
    }
}
BENCHMARK(BM_TypeIn100MB)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

// The text tools on 20 MB documents, side by side with what they are judged
// against. Run with --benchmark_repetitions=N
// --benchmark_enable_random_interleaving=true for medians.
//   Replace All           against the toolkit's own find-and-insert loop in one
//                         edit block, on the same text, for the same result,
//                         and against its floor: the same planner and the
//                         text model with its history taking the same edits;
//                         its Undo and Redo
//   Find Next to the end  against memmem over the same bytes
//   All upper, all text   against setting the same result, and the case
//                         conversion of the bytes alone
//   ...ByEncoding         Find Next, Replace All and All upper in a UTF-8
//                         document of mixed scripts beside a Windows-1252 one
// Every iteration starts from a fresh, shown widget holding the text, its
// first screen painted, as a window is once it has been idle for a moment;
// a command is timed until its result is painted.
#include "bench/common/GuiBench.h"
#include "bench/texttools/TextToolsBenchSupport.h"
#include "framework/ui/EditHistory.h"
#include "framework/ui/EditText.h"
#include "framework/ui/RichEdit.h"
#include "texttools/CaseConversion.h"
#include "texttools/FindReplace.h"
#include "texttools/ReplaceAll.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <benchmark/benchmark.h>
#include <cstring>
#include <map>
#include <memory>

namespace {

using bench::ControlWith;
using bench::kReplacement;
using bench::kSearch;
using bench::LayOut;
using bench::Painted;
using bench::TextWith;

// Replace All of a word that starts `matches` lines by a longer one, judged
// twice: against the toolkit's loop, and against the floor (the same planner
// and the text model taking the same edits, which no control can beat).
void BM_ReplaceAll_Control(benchmark::State& state) {
    const int matches = static_cast<int>(state.range(0));
    const std::string& text = TextWith(matches);
    bool right = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto edit = ControlWith(text);
        state.ResumeTiming();
        const size_t count = ReplaceAll(*edit, kSearch, kReplacement, false, true);
        Painted(*edit);
        state.PauseTiming();
        right = right && count == static_cast<size_t>(matches) &&
                edit->Text().size() == text.size() + static_cast<size_t>(matches) &&
                edit->Text().compare(0, 6, kReplacement) == 0;
        edit.reset();
        state.ResumeTiming();
    }
    if (!right) {
        state.SkipWithError("wrong result");
    }
}

void BM_ReplaceAll_ToolkitLoop(benchmark::State& state) {
    const int matches = static_cast<int>(state.range(0));
    const QString text = QString::fromLatin1(TextWith(matches));
    const QString search = QString::fromLatin1(kSearch);
    const QString replacement = QString::fromLatin1(kReplacement);
    bool right = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto edit = bench::Shown<QTextEdit>();
        edit->setPlainText(text);
        LayOut(*edit);
        Painted(*edit);
        QTextDocument* doc = edit->document();
        state.ResumeTiming();
        QTextCursor block(doc);
        block.beginEditBlock();
        int count = 0;
        for (QTextCursor found = doc->find(search, 0, QTextDocument::FindCaseSensitively);
             !found.isNull();
             found = doc->find(search, found, QTextDocument::FindCaseSensitively)) {
            found.insertText(replacement);
            ++count;
        }
        block.endEditBlock();
        Painted(*edit);
        state.PauseTiming();
        right = right && count == matches && doc->characterCount() - 1 == text.size() + matches;
        edit.reset();
        state.ResumeTiming();
    }
    if (!right) {
        state.SkipWithError("wrong result");
    }
}

BENCHMARK(BM_ReplaceAll_Control)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_ReplaceAll_ToolkitLoop)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The planner alone: the first half of the floor below.
void BM_ReplaceAll_PlanOnly(benchmark::State& state) {
    const int matches = static_cast<int>(state.range(0));
    const std::string& text = TextWith(matches);
    size_t count = 0;
    for (auto _ : state) {
        count = PlanReplaceAll(text, kSearch, kReplacement, 0, false, true).Count;
    }
    if (count != static_cast<size_t>(matches)) {
        state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_ReplaceAll_PlanOnly)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The floor of Replace All: the planner working out the edits on the bytes,
// and a fresh text model with its history (shown by nobody) taking them as
// one step. The control's Replace All is this plus its selection and view.
void BM_ReplaceAll_Floor(benchmark::State& state) {
    const int matches = static_cast<int>(state.range(0));
    const std::string& text = TextWith(matches);
    bool right = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto model = std::make_unique<TEditText>();
        auto history = std::make_unique<TEditHistory>(*model);
        model->Assign(text, false);
        state.ResumeTiming();
        const TReplacePlan plan = PlanReplaceAll(text, kSearch, kReplacement, 0, false, true);
        history->Begin({0, 0});
        model->ReplaceRanges(plan.Edits);
        history->End({plan.Caret, 0});
        state.PauseTiming();
        right = right && plan.Count == static_cast<size_t>(matches) &&
                model->Size() == text.size() + static_cast<size_t>(matches) &&
                model->Range(0, 6) == kReplacement;
        history.reset();
        model.reset();
        state.ResumeTiming();
    }
    if (!right) {
        state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_ReplaceAll_Floor)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Undo of a Replace All of 100,000 matches (arg 0), or its Redo after the
// Undo (arg 1), in the control, until painted.
void BM_ReplaceAll_UndoRedo(benchmark::State& state) {
    constexpr int kMatches = 100000;
    const bool redo = state.range(0) != 0;
    const std::string& text = TextWith(kMatches);
    bool right = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto edit = ControlWith(text);
        right = right && ReplaceAll(*edit, kSearch, kReplacement, false, true) == kMatches;
        Painted(*edit);
        if (redo) {
            edit->Undo();
            Painted(*edit);
        }
        state.ResumeTiming();
        if (redo) {
            edit->Redo();
        } else {
            edit->Undo();
        }
        Painted(*edit);
        state.PauseTiming();
        right = right && (redo ? edit->Text().size() == text.size() + kMatches &&
                                     edit->Text().compare(0, 6, kReplacement) == 0
                               : edit->Text() == text);
        edit.reset();
        state.ResumeTiming();
    }
    if (!right) {
        state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_ReplaceAll_UndoRedo)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("redo")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Find Next from the top (nothing selected) to a match 99 % of the way down:
// the match is selected and scrolled into view.
void BM_FindNext_Control(benchmark::State& state) {
    const bool matchCase = state.range(0) != 0;
    auto edit = ControlWith(TextWith(0));
    const char* marker = matchCase ? "MarkerNearTheEnd" : "mARKERnEARtHEeND";
    int found = -1;
    for (auto _ : state) {
        state.PauseTiming();
        edit->SetSelStart(0);
        state.ResumeTiming();
        found = SearchStep(*edit, marker, false, matchCase);
    }
    if (found < 0 || edit->SelLength() != 16) {
        state.SkipWithError("marker not found");
    }
}
BENCHMARK(BM_FindNext_Control)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_FindNext_Memmem(benchmark::State& state) {
    const std::string& text = TextWith(0);
    const void* hit = nullptr;
    for (auto _ : state) {
        hit = ::memmem(text.data(), text.size(), "MarkerNearTheEnd", 16);
        benchmark::DoNotOptimize(hit);
    }
    if (!hit) {
        state.SkipWithError("marker not found");
    }
}
BENCHMARK(BM_FindNext_Memmem)->Unit(benchmark::kMillisecond)->Iterations(10);

// All upper on the whole text selected, until painted, against setting the
// upper-cased text in place of the same text, and the conversion of the
// bytes alone.
const std::string& upperText() {
    static const std::string upper = ConvertCase(TextWith(0), TCaseConversion::AllUpper);
    return upper;
}

void BM_AllUpper_Control(benchmark::State& state) {
    const std::string& text = TextWith(0);
    bool right = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto edit = ControlWith(text);
        edit->SelectAll();
        state.ResumeTiming();
        ConvertSelectionCase(*edit, TCaseConversion::AllUpper);
        Painted(*edit);
        state.PauseTiming();
        right = right && edit->Text() == upperText() &&
                edit->SelStart() == static_cast<int>(text.size());
        edit.reset();
        state.ResumeTiming();
    }
    if (!right) {
        state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_AllUpper_Control)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_AllUpper_SetText(benchmark::State& state) {
    const std::string& text = TextWith(0);
    bool right = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto edit = ControlWith(text);
        state.ResumeTiming();
        edit->SetText(upperText());
        Painted(*edit);
        state.PauseTiming();
        right = right && edit->Text() == upperText();
        edit.reset();
        state.ResumeTiming();
    }
    if (!right) {
        state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_AllUpper_SetText)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_AllUpper_BytePass(benchmark::State& state) {
    const std::string& text = TextWith(0);
    bool right = true;
    for (auto _ : state) {
        const std::string upper = ConvertCase(text, TCaseConversion::AllUpper);
        benchmark::DoNotOptimize(upper.data());
        right = right && upper.size() == text.size();
    }
    if (!right || upperText() == text) {
        state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_AllUpper_BytePass)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same commands in a Unicode document beside a Windows-1252 one, each
// on 20 MB of its own kind of text: mixed scripts in UTF-8, accented Latin in
// Windows-1252. Arg 0: 0 Windows-1252, 1 UTF-8.
const std::string& textIn(bool utf8, int matches) {
    return utf8 ? bench::Utf8TextWith(matches) : TextWith(matches);
}

TEncoding encodingOf(bool utf8) {
    return utf8 ? TEncoding::Utf8 : TEncoding::Windows1252;
}

// Find Next to the marker 99 % of the way down, match case off. Arg 1:
// match case on.
void BM_FindNextByEncoding(benchmark::State& state) {
    const bool utf8 = state.range(0) != 0;
    const bool matchCase = state.range(1) != 0;
    auto edit = ControlWith(textIn(utf8, 0), encodingOf(utf8));
    const char* marker = matchCase ? "MarkerNearTheEnd" : "mARKERnEARtHEeND";
    // The table of case forms is made once a run, on the first search
    // (about 5 ms); it is not what is compared.
    SearchStep(*edit, "x", false, false);
    int found = -1;
    for (auto _ : state) {
        state.PauseTiming();
        edit->SetSelStart(0);
        state.ResumeTiming();
        found = SearchStep(*edit, marker, false, matchCase);
    }
    if (found < 0 || edit->SelText() != "MarkerNearTheEnd") {
        state.SkipWithError("marker not found");
    }
}
BENCHMARK(BM_FindNextByEncoding)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// Replace All of 100,000 matches, in a fresh control each time. Arg 1: match
// case on.
void BM_ReplaceAllByEncoding(benchmark::State& state) {
    const bool utf8 = state.range(0) != 0;
    const bool matchCase = state.range(1) != 0;
    constexpr int kMatches = 100000;
    const std::string& text = textIn(utf8, kMatches);
    bool right = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto edit = ControlWith(text, encodingOf(utf8));
        state.ResumeTiming();
        const size_t count =
            ReplaceAll(*edit, matchCase ? kSearch : "zEBRA", kReplacement, false, matchCase);
        state.PauseTiming();
        right = right && count == kMatches && edit->Text().size() == text.size() + kMatches &&
                edit->Text().compare(0, 6, kReplacement) == 0;
        edit.reset();
        state.ResumeTiming();
    }
    if (!right) {
        state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_ReplaceAllByEncoding)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// All upper of the whole text selected, in a fresh control each time.
void BM_AllUpperByEncoding(benchmark::State& state) {
    const bool utf8 = state.range(0) != 0;
    const std::string& text = textIn(utf8, 0);
    static std::map<bool, std::string> upper;
    if (upper[utf8].empty()) {
        upper[utf8] = ConvertCase(text, TCaseConversion::AllUpper, utf8);
    }
    bool right = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto edit = ControlWith(text, encodingOf(utf8));
        edit->SelectAll();
        state.ResumeTiming();
        ConvertSelectionCase(*edit, TCaseConversion::AllUpper);
        state.PauseTiming();
        right = right && edit->Text() == upper[utf8] &&
                edit->SelStart() == static_cast<int>(text.size());
        edit.reset();
        state.ResumeTiming();
    }
    if (!right) {
        state.SkipWithError("wrong result");
    }
}
BENCHMARK(BM_AllUpperByEncoding)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return bench::RunGuiBenchmarks(argc, argv);
}

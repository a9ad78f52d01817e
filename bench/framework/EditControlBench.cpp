// The edit control against the bare toolkit, side by side on the same texts
// (the memory each holds: edit_layout_bench's BM_Memory).
//   edit_control_bench
#include "bench/common/BenchText.h"
#include "bench/common/GuiBench.h"
#include "framework/Files.h"
#include "framework/ui/RichEdit.h"

#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextEdit>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstring>
#include <map>

namespace {

const std::string& text(int mb, bool crlf) {
    static std::map<std::pair<int, bool>, std::string> cache;
    auto& t = cache[{mb, crlf}];
    if (t.empty()) {
        t = MakeBenchText(static_cast<size_t>(mb) << 20, crlf);
    }
    return t;
}

// Where the marker stands, found the plain way.
int markerAt(int mb, bool crlf) {
    return static_cast<int>(text(mb, crlf).find("MarkerNearTheEnd"));
}

// How often the word stands in the 20 MB text, counted the plain way.
int wordCount(const std::string& word) {
    const std::string& t = text(20, false);
    int count = 0;
    for (size_t at = t.find(word); at != std::string::npos; at = t.find(word, at + 1)) {
        ++count;
    }
    return count;
}

void shown(QWidget& w) {
    w.resize(800, 600);
    w.show();
}

void Args(benchmark::internal::Benchmark* b) {
    for (int mb : {1, 20, 100}) {
        for (int crlf : {0, 1}) {
            b->Args({mb, crlf});
        }
    }
    b->Unit(benchmark::kMillisecond)->Iterations(1);
}

void BM_SetText_Control(benchmark::State& state) {
    const std::string& t = text(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        state.PauseTiming();
        auto* edit = new TRichEdit;
        shown(*edit);
        state.ResumeTiming();
        edit->SetText(t);
        state.PauseTiming();
        const bool right = edit->TextLength() == static_cast<int>(t.size());
        delete edit;
        if (!right) {
            state.SkipWithError("the text did not all go in");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SetText_Control)->Apply(Args);

void BM_SetText_BareSetPlainText(benchmark::State& state) {
    const QString q =
        QString::fromLatin1(text(static_cast<int>(state.range(0)), state.range(1) != 0));
    for (auto _ : state) {
        state.PauseTiming();
        auto* edit = new QTextEdit;
        shown(*edit);
        state.ResumeTiming();
        edit->setPlainText(q);
        state.PauseTiming();
        // A CR LF is one paragraph break in the toolkit's document.
        const bool right =
            edit->document()->characterCount() - 1 == q.size() - q.count(QStringLiteral("\r\n"));
        delete edit;
        if (!right) {
            state.SkipWithError("the text did not all go in");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SetText_BareSetPlainText)->Apply(Args);

void BM_GetText_Control(benchmark::State& state) {
    TRichEdit edit;
    shown(edit);
    const std::string& t = text(static_cast<int>(state.range(0)), state.range(1) != 0);
    edit.SetText(t);
    bool right = true;
    for (auto _ : state) {
        std::string copy = edit.Text();
        benchmark::DoNotOptimize(copy.data());
        state.PauseTiming();
        right = right && copy == t;
        state.ResumeTiming();
    }
    if (!right) {
        state.SkipWithError("the text came back changed");
    }
}
BENCHMARK(BM_GetText_Control)->Apply(Args)->Iterations(5);

void BM_GetText_BareToPlainText(benchmark::State& state) {
    QTextEdit edit;
    shown(edit);
    QString set = QString::fromLatin1(text(static_cast<int>(state.range(0)), state.range(1) != 0));
    edit.setPlainText(set);
    // The toolkit gives each CR LF back as one LF.
    const QString expected = set.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    bool right = true;
    for (auto _ : state) {
        QString copy = edit.toPlainText();
        benchmark::DoNotOptimize(copy.data());
        state.PauseTiming();
        right = right && copy == expected;
        state.ResumeTiming();
    }
    if (!right) {
        state.SkipWithError("the text came back changed");
    }
}
BENCHMARK(BM_GetText_BareToPlainText)->Apply(Args)->Iterations(5);

void BM_FindText_Control(benchmark::State& state) {
    TRichEdit edit;
    edit.SetText(text(static_cast<int>(state.range(0)), state.range(1) != 0));
    const bool matchCase = state.range(2) != 0;
    int found = -1;
    for (auto _ : state) {
        found = edit.FindText(matchCase ? "MarkerNearTheEnd" : "markerneartheend", 0, -1, false,
                              matchCase);
        benchmark::DoNotOptimize(found);
    }
    if (found != markerAt(static_cast<int>(state.range(0)), state.range(1) != 0)) {
        state.SkipWithError("marker not found where it is");
    }
}
BENCHMARK(BM_FindText_Control)
    ->ArgsProduct({{1, 20, 100}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

void BM_FindText_BareMemmem(benchmark::State& state) {
    const std::string& t = text(static_cast<int>(state.range(0)), state.range(1) != 0);
    const void* hit = nullptr;
    for (auto _ : state) {
        hit = ::memmem(t.data(), t.size(), "MarkerNearTheEnd", 16);
        benchmark::DoNotOptimize(hit);
    }
    if (hit != t.data() + markerAt(static_cast<int>(state.range(0)), state.range(1) != 0)) {
        state.SkipWithError("marker not found where it is");
    }
}
BENCHMARK(BM_FindText_BareMemmem)->Apply(Args)->Iterations(10);

// Every match of a frequent word, one search from just after the last, as
// Replace All does: the whole pass stays linear.
void BM_FindAll_Control(benchmark::State& state) {
    TRichEdit edit;
    edit.SetText(text(20, false));
    const bool matchCase = state.range(0) != 0;
    int count = 0;
    for (auto _ : state) {
        count = 0;
        for (int at = edit.FindText("caf\xE9", 0, -1, false, matchCase); at >= 0;
             at = edit.FindText("caf\xE9", at + 1, -1, false, matchCase)) {
            ++count;
        }
    }
    state.counters["matches"] = count;
    // The text has no capitals: without case the same matches.
    if (count != wordCount("caf\xE9")) {
        state.SkipWithError("wrong number of matches");
    }
}
BENCHMARK(BM_FindAll_Control)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FindAll_BareMemmem(benchmark::State& state) {
    const std::string& t = text(20, false);
    int count = 0;
    for (auto _ : state) {
        count = 0;
        for (const char *p = t.data(), *end = t.data() + t.size();
             (p = static_cast<const char*>(
                  ::memmem(p, static_cast<size_t>(end - p), "caf\xE9", 4)));
             ++p) {
            ++count;
        }
    }
    state.counters["matches"] = count;
    if (count != wordCount("caf\xE9")) {
        state.SkipWithError("wrong number of matches");
    }
}
BENCHMARK(BM_FindAll_BareMemmem)->Unit(benchmark::kMillisecond)->Iterations(3);

// One insertion in the middle, once the window has laid the text out up to
// there (the first insertion, before timing, does that): the caret is placed
// and the text typed in, as a command does, against the same steps on a bare
// QTextEdit. The difference is the control's own cost per edit.
void BM_InsertMiddle_Control(benchmark::State& state) {
    TRichEdit edit;
    shown(edit);
    edit.SetText(text(static_cast<int>(state.range(0)), state.range(1) != 0));
    QCoreApplication::processEvents();
    auto insert = [&] {
        edit.SetSelStart(edit.TextLength() / 2);
        edit.SetSelText("insert");
    };
    insert();
    for (auto _ : state) {
        insert();
    }
    const size_t inserted = 6 * (static_cast<size_t>(state.iterations()) + 1);
    if (static_cast<size_t>(edit.TextLength()) !=
        text(static_cast<int>(state.range(0)), state.range(1) != 0).size() + inserted) {
        state.SkipWithError("the insertions did not all go in");
    }
}
BENCHMARK(BM_InsertMiddle_Control)->Apply(Args)->Iterations(20);

void BM_InsertMiddle_BareInsertText(benchmark::State& state) {
    QTextEdit edit;
    shown(edit);
    edit.setPlainText(
        QString::fromLatin1(text(static_cast<int>(state.range(0)), state.range(1) != 0)));
    QCoreApplication::processEvents();
    const int length = edit.document()->characterCount();
    auto insert = [&] {
        QTextCursor c(edit.document());
        c.setPosition(edit.document()->characterCount() / 2);
        edit.setTextCursor(c);
        c.insertText(QStringLiteral("insert"));
        edit.setTextCursor(c);
    };
    insert();
    for (auto _ : state) {
        insert();
    }
    if (edit.document()->characterCount() !=
        length + 6 * (static_cast<int>(state.iterations()) + 1)) {
        state.SkipWithError("the insertions did not all go in");
    }
}
BENCHMARK(BM_InsertMiddle_BareInsertText)->Apply(Args)->Iterations(20);

// The 20 MB text, or with "greek" the same lines in a UTF-8 document with
// Greek letters for its accented ones (the same characters, more bytes).
const std::string& rtfText(bool crlf, bool greek) {
    static std::map<std::pair<bool, bool>, std::string> cache;
    std::string& t = cache[{crlf, greek}];
    if (t.empty()) {
        t = text(20, crlf);
        if (greek) {
            std::string utf8;
            utf8.reserve(t.size() + t.size() / 16);
            for (const char c : t) {
                utf8 += c == '\xE9' ? "\xCE\xB1" : c == '\xEF' ? "\xCF\x89" : std::string(1, c);
            }
            t = std::move(utf8);
        }
    }
    return t;
}

void setRtfText(TRichEdit& edit, bool crlf, bool greek) {
    if (greek) {
        edit.SetEncoding(TEncoding::Utf8);
    }
    edit.SetText(rtfText(crlf, greek));
}

void BM_Rtf_Save20MB(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string file = (dir.path() + QStringLiteral("/bench.rtf")).toStdString();
    TRichEdit edit;
    setRtfText(edit, state.range(0) != 0, state.range(1) != 0);
    for (auto _ : state) {
        edit.SaveToFile(file);
    }
    if (ReadFileBytes(file) != edit.RtfText()) {
        state.SkipWithError("the file is not the document's RTF");
    }
}
BENCHMARK(BM_Rtf_Save20MB)
    ->ArgNames({"crlf", "greek"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

void BM_Rtf_Load20MB(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string file = (dir.path() + QStringLiteral("/bench.rtf")).toStdString();
    const bool crlf = state.range(0) != 0;
    const bool greek = state.range(1) != 0;
    {
        TRichEdit edit;
        setRtfText(edit, crlf, greek);
        edit.SaveToFile(file);
    }
    // Rich text has paragraphs, not line ends: they come back as LF.
    std::string expected = rtfText(crlf, greek);
    for (size_t at = 0; (at = expected.find("\r\n", at)) != std::string::npos;) {
        expected.erase(at, 1);
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto* loaded = new TRichEdit;
        shown(*loaded);
        state.ResumeTiming();
        loaded->LoadFromFile(file);
        state.PauseTiming();
        const bool right = loaded->Text() == expected &&
                           loaded->Encoding() == (greek ? TEncoding::Utf8 : TEncoding::Windows1252);
        delete loaded;
        if (!right) {
            state.SkipWithError("the text did not come back");
            break;
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Rtf_Load20MB)
    ->ArgNames({"crlf", "greek"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

} // namespace

int main(int argc, char** argv) {
    return bench::RunGuiBenchmarks(argc, argv);
}

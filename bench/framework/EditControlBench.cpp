// The edit control against the bare toolkit, side by side on the same texts.
//   edit_control_bench                       all timings
//   edit_control_bench --peak=KIND,MB,LE     one peak-memory sample (child process)
#include "bench/common/BenchText.h"
#include "bench/common/ChildOutput.h"
#include "framework/ui/Application.h"
#include "framework/ui/RichEdit.h"
#include "framework/ui/TextMirror.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextEdit>
#include <benchmark/benchmark.h>
#include <cstring>
#include <map>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const std::string& text(int mb, bool crlf) {
    static std::map<std::pair<int, bool>, std::string> cache;
    auto& t = cache[{mb, crlf}];
    if (t.empty()) {
        t = MakeBenchText(static_cast<size_t>(mb) << 20, crlf);
    }
    return t;
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
        delete edit;
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
        delete edit;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SetText_BareSetPlainText)->Apply(Args);

void BM_GetText_Control(benchmark::State& state) {
    TRichEdit edit;
    shown(edit);
    edit.SetText(text(static_cast<int>(state.range(0)), state.range(1) != 0));
    for (auto _ : state) {
        std::string copy = edit.Text();
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_GetText_Control)->Apply(Args)->Iterations(5);

void BM_GetText_BareToPlainText(benchmark::State& state) {
    QTextEdit edit;
    shown(edit);
    edit.setPlainText(
        QString::fromLatin1(text(static_cast<int>(state.range(0)), state.range(1) != 0)));
    for (auto _ : state) {
        QString copy = edit.toPlainText();
        benchmark::DoNotOptimize(copy.data());
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
    if (found < 0) {
        state.SkipWithError("marker not found");
    }
}
BENCHMARK(BM_FindText_Control)
    ->ArgsProduct({{1, 20, 100}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

void BM_FindText_BareMemmem(benchmark::State& state) {
    const std::string& t = text(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        const void* hit = ::memmem(t.data(), t.size(), "MarkerNearTheEnd", 16);
        benchmark::DoNotOptimize(hit);
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
}
BENCHMARK(BM_InsertMiddle_Control)->Apply(Args)->Iterations(20);

void BM_InsertMiddle_BareInsertText(benchmark::State& state) {
    QTextEdit edit;
    shown(edit);
    edit.setPlainText(
        QString::fromLatin1(text(static_cast<int>(state.range(0)), state.range(1) != 0)));
    QCoreApplication::processEvents();
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
}
BENCHMARK(BM_InsertMiddle_BareInsertText)->Apply(Args)->Iterations(20);

// The control's bookkeeping alone: the same insertion on a document that no
// view lays out, with and without the byte copy kept in step.
void BM_EditOverhead_Mirror(benchmark::State& state) {
    QTextDocument doc;
    TTextMirror mirror(doc);
    doc.setPageSize(QSizeF(0, 0)); // nothing is laid out: the bookkeeping alone
    mirror.ReplaceAll(text(static_cast<int>(state.range(0)), state.range(1) != 0), true);
    // The first edit brings the gap from the end to the middle, once (see
    // BM_EditOverhead_MirrorFirstEdit); the timings are of the edits after it.
    mirror.ReplaceBytes(mirror.Size() / 2, mirror.Size() / 2, "insert");
    for (auto _ : state) {
        // The size, as the bare side asks for it: Bytes() would rebuild the
        // whole string after every edit, which no edit needs.
        const int middle = mirror.Size() / 2;
        mirror.ReplaceBytes(middle, middle, "insert");
    }
    if (static_cast<size_t>(mirror.Size()) !=
        text(static_cast<int>(state.range(0)), state.range(1) != 0).size() +
            6 * (static_cast<size_t>(state.iterations()) + 1)) {
        state.SkipWithError("the insertions did not all go in");
    }
}
BENCHMARK(BM_EditOverhead_Mirror)->Apply(Args)->Iterations(50)->Unit(benchmark::kMicrosecond);

// The one-off cost: the first edit in the middle after a load.
void BM_EditOverhead_MirrorFirstEdit(benchmark::State& state) {
    const std::string& bytes = text(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        state.PauseTiming();
        QTextDocument doc;
        TTextMirror mirror(doc);
        doc.setPageSize(QSizeF(0, 0));
        mirror.ReplaceAll(bytes, true);
        state.ResumeTiming();
        mirror.ReplaceBytes(mirror.Size() / 2, mirror.Size() / 2, "insert");
        state.PauseTiming();
        if (static_cast<size_t>(mirror.Size()) != bytes.size() + 6) {
            state.SkipWithError("the insertion did not go in");
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditOverhead_MirrorFirstEdit)
    ->Args({20, 1})
    ->Args({100, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMicrosecond);

void BM_EditOverhead_BareDocument(benchmark::State& state) {
    QTextDocument doc;
    doc.documentLayout(); // as the control's document has, though it lays nothing out here
    doc.setPageSize(QSizeF(0, 0));
    doc.setPlainText(
        QString::fromLatin1(text(static_cast<int>(state.range(0)), state.range(1) != 0)));
    QTextCursor first(&doc); // as on the control's side
    first.setPosition(doc.characterCount() / 2);
    first.insertText(QStringLiteral("insert"));
    for (auto _ : state) {
        QTextCursor c(&doc);
        c.setPosition(doc.characterCount() / 2);
        c.insertText(QStringLiteral("insert"));
    }
}
BENCHMARK(BM_EditOverhead_BareDocument)->Apply(Args)->Iterations(50)->Unit(benchmark::kMicrosecond);

// The same first edit after setting the text, on the bare document.
void BM_EditOverhead_BareDocumentFirstEdit(benchmark::State& state) {
    const QString chars =
        QString::fromLatin1(text(static_cast<int>(state.range(0)), state.range(1) != 0));
    for (auto _ : state) {
        state.PauseTiming();
        QTextDocument doc;
        doc.documentLayout();
        doc.setPageSize(QSizeF(0, 0));
        doc.setPlainText(chars);
        const int length = doc.characterCount();
        state.ResumeTiming();
        QTextCursor c(&doc);
        c.setPosition(doc.characterCount() / 2);
        c.insertText(QStringLiteral("insert"));
        state.PauseTiming();
        if (doc.characterCount() != length + 6) {
            state.SkipWithError("the insertion did not go in");
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditOverhead_BareDocumentFirstEdit)
    ->Args({20, 1})
    ->Args({100, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMicrosecond);

void BM_Rtf_Save20MB(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string file = (dir.path() + QStringLiteral("/bench.rtf")).toStdString();
    TRichEdit edit;
    edit.SetText(text(20, state.range(0) != 0));
    for (auto _ : state) {
        edit.SaveToFile(file);
    }
}
BENCHMARK(BM_Rtf_Save20MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Rtf_Load20MB(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string file = (dir.path() + QStringLiteral("/bench.rtf")).toStdString();
    {
        TRichEdit edit;
        edit.SetText(text(20, state.range(0) != 0));
        edit.SaveToFile(file);
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto* loaded = new TRichEdit;
        shown(*loaded);
        state.ResumeTiming();
        loaded->LoadFromFile(file);
        state.PauseTiming();
        if (loaded->TextLength() == 0) {
            state.SkipWithError("nothing loaded");
        }
        delete loaded;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Rtf_Load20MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

long peakOf(const char* self, const std::string& kind, int mb, bool crlf) {
    const std::string out = bench::ChildOutput(self, "--peak=" + kind + "," + std::to_string(mb) +
                                                         "," + (crlf ? "crlf" : "lf"));
    return out.empty() ? -1 : std::atol(out.c_str());
}

const char* selfPath = nullptr;

void BM_PeakMemory(benchmark::State& state) {
    const int mb = static_cast<int>(state.range(0));
    const bool crlf = state.range(1) != 0;
    long control = 0;
    long bare = 0;
    for (auto _ : state) {
        control = peakOf(selfPath, "control", mb, crlf);
        bare = peakOf(selfPath, "bare", mb, crlf);
    }
    state.counters["control_MB"] = static_cast<double>(control) / 1024.0;
    state.counters["bare_MB"] = static_cast<double>(bare) / 1024.0;
    state.counters["ratio"] =
        bare > 0 ? static_cast<double>(control) / static_cast<double>(bare) : 0;
}
BENCHMARK(BM_PeakMemory)->Apply(Args);

int peakChild(const char* spec) {
    char kind[16] = {};
    int mb = 0;
    char le[8] = {};
    if (std::sscanf(spec, "%15[^,],%d,%7s", kind, &mb, le) != 3) {
        return 2;
    }
    const std::string t =
        MakeBenchText(static_cast<size_t>(mb) << 20, std::strcmp(le, "crlf") == 0);
    // The generated text itself is counted in both.
    if (std::strcmp(kind, "control") == 0) {
        TRichEdit edit;
        shown(edit);
        edit.SetText(t);
        QCoreApplication::processEvents();
    } else {
        QTextEdit edit;
        shown(edit);
        edit.setPlainText(QString::fromLatin1(t));
        QCoreApplication::processEvents();
    }
    // The high-water mark of this process image alone: getrusage's maximum
    // would include the parent's before exec.
    long peakKb = -1;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            if (std::sscanf(line, "VmHWM: %ld kB", &peakKb) == 1) {
                break;
            }
        }
        std::fclose(status);
    }
    std::printf("%ld\n", peakKb);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    TApplication application;
    if (argc == 2 && std::strncmp(argv[1], "--peak=", 7) == 0) {
        return peakChild(argv[1] + 7);
    }
    selfPath = "/proc/self/exe";
    static char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        selfPath = exe;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

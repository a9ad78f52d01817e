// Run: QT_QPA_PLATFORM=offscreen build-bench/bench/document/document_bench
//      --benchmark_repetitions=3 --benchmark_enable_random_interleaving=true
//      --benchmark_report_aggregates_only=true
// Every case checks its result outside the timing.
#include "bench/common/BenchSupport.h"
#include "bench/common/MainWindowBench.h"
#include "framework/Files.h"
#include "framework/ui/RichEdit.h"

#include <QLabel>
#include <QMdiArea>
#include <QTemporaryDir>
#include <algorithm>

namespace {

constexpr size_t DocumentSize = 20u << 20;

// Lines of ordinary prose-like text with CR LF ends, DocumentSize bytes.
const std::string& DocumentBytes() {
    static const std::string bytes = bench::ProseText(DocumentSize);
    return bytes;
}

struct TFixture : bench::TMainWindowBench {
    QTemporaryDir dir;
    std::string path = dir.filePath(QStringLiteral("big.txt")).toStdString();

    TFixture() { WriteFileBytes(path, DocumentBytes()); }

    TfrmNew* OpenBig() {
        seam->openAnswers.push_back(TScriptedPlatform::FileAnswer{{path}, 1});
        return form->Files.FileOpen();
    }

    // Whether the active window holds the whole document.
    bool BigIsOpen() const {
        const TfrmNew* window = form->ActiveDocument();
        return window && window->Edit1().Text() == DocumentBytes();
    }
};

// Checks outside the timing: a wrong result fails the benchmark, whose loop
// then ends at once (timing is not resumed after an error).
bool check(benchmark::State& state, bool right, const char* what) {
    if (!right) {
        state.SkipWithError(what);
    }
    return right;
}

TFixture& Fixture() {
    return bench::Lazy<TFixture>();
}

void BM_RawRead(benchmark::State& state) {
    TFixture& f = Fixture();
    for (auto _ : state) {
        const std::string bytes = ReadFileBytes(f.path);
        benchmark::DoNotOptimize(bytes.data());
        state.PauseTiming();
        if (!check(state, bytes == DocumentBytes(), "the file read back changed")) {
            break;
        }
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(DocumentSize));
}

void BM_EditSetText(benchmark::State& state) {
    Fixture();
    for (auto _ : state) {
        state.PauseTiming();
        auto edit = std::make_unique<TRichEdit>();
        state.ResumeTiming();
        edit->SetText(DocumentBytes());
        state.PauseTiming();
        const bool right = edit->Text() == DocumentBytes();
        edit.reset();
        if (!check(state, right, "the text did not all go in")) {
            break;
        }
        state.ResumeTiming();
    }
}

void BM_FileOpenPlain(benchmark::State& state) {
    TFixture& f = Fixture();
    for (auto _ : state) {
        TfrmNew* window = f.OpenBig();
        state.PauseTiming();
        const bool right = window && f.BigIsOpen();
        f.CloseAll();
        if (!check(state, right, "the file did not open")) {
            break;
        }
        state.ResumeTiming();
    }
}

// The same, until the window has been painted once: no full layout may hide
// behind the event loop.
void BM_FileOpenPlainAndPaint(benchmark::State& state) {
    TFixture& f = Fixture();
    for (auto _ : state) {
        f.OpenBig();
        QCoreApplication::processEvents();
        state.PauseTiming();
        const bool right = f.BigIsOpen();
        f.CloseAll();
        if (!check(state, right, "the file did not open")) {
            break;
        }
        state.ResumeTiming();
    }
}

void BM_RawWrite(benchmark::State& state) {
    TFixture& f = Fixture();
    const std::string out = f.dir.filePath(QStringLiteral("raw.txt")).toStdString();
    for (auto _ : state) {
        WriteFileBytes(out, DocumentBytes());
    }
    check(state, ReadFileBytes(out) == DocumentBytes(), "the file is not the text");
}

void BM_EditGetText(benchmark::State& state) {
    TFixture& f = Fixture();
    TfrmNew* window = f.OpenBig();
    for (auto _ : state) {
        std::string copy = window->Edit1().Text();
        benchmark::DoNotOptimize(copy);
        state.PauseTiming();
        if (!check(state, copy == DocumentBytes(), "the text came back changed")) {
            break;
        }
        state.ResumeTiming();
    }
    f.CloseAll();
}

void BM_FileSavePlain(benchmark::State& state) {
    TFixture& f = Fixture();
    TfrmNew* window = f.OpenBig();
    const std::string saved = f.dir.filePath(QStringLiteral("saved.txt")).toStdString();
    window->SetCaption(saved);
    for (auto _ : state) {
        f.form->Files.FileSave(*window);
    }
    check(state, ReadFileBytes(saved) == DocumentBytes(), "the file is not the text");
    f.CloseAll();
}

// With the 20 MB document and three small ones open.
// range(0): 1 with the 20 MB document, 0 with a small one in its place.
void BM_Mosaic4WithBigDocument(benchmark::State& state) {
    TFixture& f = Fixture();
    if (state.range(0)) {
        f.OpenBig();
    } else {
        f.form->Files.FileNew()->Edit1().SetText("small");
    }
    for (int i = 0; i < 3; ++i) {
        f.form->Files.FileNew();
    }
    QCoreApplication::processEvents();
    int frameWidth = 1024;
    for (auto _ : state) {
        // Alternate the frame so every arrangement really resizes.
        state.PauseTiming();
        frameWidth = frameWidth == 1024 ? 1000 : 1024;
        f.form->resize(frameWidth, 768);
        state.ResumeTiming();
        f.form->Mosaic41Click();
        QCoreApplication::processEvents();
    }
    // The four in their cells: half the frame wide, the active one at the top left.
    const QList<TfrmNew*> windows = f.form->DocumentWindows();
    const int width = f.form->frameGeometry().width() / 2 - 10;
    bool placed = windows.size() == 4 && windows[0]->pos() == QPoint(0, f.form->DocumentTop());
    for (const TfrmNew* window : windows) {
        placed = placed && window->width() == width;
    }
    check(state, placed, "the windows are not in their cells");
    f.CloseAll();
}

void BM_SwitchWindowWithBigDocument(benchmark::State& state) {
    TFixture& f = Fixture();
    TfrmNew* big = state.range(0) ? f.OpenBig() : f.form->Files.FileNew();
    TfrmNew* small = f.form->Files.FileNew();
    QCoreApplication::processEvents();
    bool toBig = true;
    for (auto _ : state) {
        f.form->DocumentArea().setActiveSubWindow(toBig ? big : small);
        QCoreApplication::processEvents();
        state.PauseTiming();
        if (!check(state, f.form->ActiveDocument() == (toBig ? big : small),
                   "the window did not switch")) {
            break;
        }
        state.ResumeTiming();
        toBig = !toBig;
    }
    f.CloseAll();
}

void BM_CaretLabelAtEndOfBigDocument(benchmark::State& state) {
    TFixture& f = Fixture();
    TfrmNew* big = f.OpenBig();
    const size_t caret = DocumentSize - 100;
    big->Edit1().SetSelStart(int(caret));
    for (auto _ : state) {
        big->UpdateCaretLabel();
    }
    // Counted the plain way: line ends before the caret, bytes since the last.
    const std::string& bytes = DocumentBytes();
    const size_t lineStart = bytes.rfind("\r\n", caret - 1) + 2;
    const auto lines = std::count(bytes.begin(), bytes.begin() + long(caret), '\n');
    check(state,
          big->Label1().text() ==
              QStringLiteral("Cursor: %1,%2").arg(caret - lineStart + 1).arg(lines + 1),
          "the label is not the caret's");
    f.CloseAll();
}

// A 100 MB file opens (or reports that memory ran out) without harm.
void BM_FileOpenPlain100MB(benchmark::State& state) {
    TFixture& f = Fixture();
    const std::string path = f.dir.filePath(QStringLiteral("huge.txt")).toStdString();
    {
        std::string bytes;
        for (int i = 0; i < 5; ++i) {
            bytes += DocumentBytes();
        }
        WriteFileBytes(path, bytes);
    }
    for (auto _ : state) {
        f.seam->openAnswers.push_back(TScriptedPlatform::FileAnswer{{path}, 1});
        f.seam->calls.clear();
        Application().Dispatch([&] { f.form->Files.FileOpen(); });
        QCoreApplication::processEvents();
        state.PauseTiming();
        // All of it, or memory ran out and the user was told.
        const TfrmNew* window = f.form->ActiveDocument();
        const bool whole = window && window->Edit1().TextLength() == int(5 * DocumentSize);
        const bool told = !f.seam->CallsOf(TScriptedPlatform::Call::Kind::MessageBox).empty();
        f.CloseAll();
        if (!check(state, whole || told, "the file neither opened nor was reported")) {
            break;
        }
        state.ResumeTiming();
    }
}

BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_EditSetText)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FileOpenPlain)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FileOpenPlainAndPaint)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_EditGetText)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FileSavePlain)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Mosaic4WithBigDocument)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SwitchWindowWithBigDocument)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK(BM_CaretLabelAtEndOfBigDocument)->Unit(benchmark::kMicrosecond)->Iterations(100);
BENCHMARK(BM_FileOpenPlain100MB)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return bench::RunGuiBenchmarks(argc, argv);
}

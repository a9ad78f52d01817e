// Run: QT_QPA_PLATFORM=offscreen build/bench/document/document_bench
#include "bench/common/BenchSupport.h"
#include "bench/common/MainWindowBench.h"
#include "framework/Files.h"
#include "framework/ui/RichEdit.h"

#include <QMdiArea>
#include <QTemporaryDir>

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
};

TFixture& Fixture() {
    return bench::Lazy<TFixture>();
}

void BM_RawRead(benchmark::State& state) {
    TFixture& f = Fixture();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadFileBytes(f.path));
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
        edit.reset();
        state.ResumeTiming();
    }
}

void BM_FileOpenPlain(benchmark::State& state) {
    TFixture& f = Fixture();
    for (auto _ : state) {
        TfrmNew* window = f.OpenBig();
        if (!window || window->Edit1().TextLength() != int(DocumentSize)) {
            state.SkipWithError("the file did not open");
        }
        state.PauseTiming();
        f.CloseAll();
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
        f.CloseAll();
        state.ResumeTiming();
    }
}

void BM_RawWrite(benchmark::State& state) {
    TFixture& f = Fixture();
    const std::string out = f.dir.filePath(QStringLiteral("raw.txt")).toStdString();
    for (auto _ : state) {
        WriteFileBytes(out, DocumentBytes());
    }
}

void BM_EditGetText(benchmark::State& state) {
    TFixture& f = Fixture();
    TfrmNew* window = f.OpenBig();
    for (auto _ : state) {
        std::string copy = window->Edit1().Text();
        benchmark::DoNotOptimize(copy);
    }
    f.CloseAll();
}

void BM_FileSavePlain(benchmark::State& state) {
    TFixture& f = Fixture();
    TfrmNew* window = f.OpenBig();
    window->SetCaption(f.dir.filePath(QStringLiteral("saved.txt")).toStdString());
    for (auto _ : state) {
        f.form->Files.FileSave(*window);
    }
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
        toBig = !toBig;
    }
    f.CloseAll();
}

void BM_CaretLabelAtEndOfBigDocument(benchmark::State& state) {
    TFixture& f = Fixture();
    TfrmNew* big = f.OpenBig();
    big->Edit1().SetSelStart(int(DocumentSize) - 100);
    for (auto _ : state) {
        big->UpdateCaretLabel();
    }
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
        Application().Dispatch([&] { f.form->Files.FileOpen(); });
        QCoreApplication::processEvents();
        state.PauseTiming();
        f.CloseAll();
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

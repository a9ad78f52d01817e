// Run: QT_QPA_PLATFORM=offscreen build-bench/bench/crypt/crypt_bench --benchmark_repetitions=3
//   --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
// Each command is timed until the control has painted its result.
#include "bench/common/BenchSupport.h"
#include "bench/common/EditBench.h"
#include "bench/common/MainWindowBench.h"
#include "crypt/Cipher.h"
#include "framework/ui/RichEdit.h"

#include <QLineEdit>

namespace {

constexpr size_t DocumentSize = 20u << 20;
constexpr size_t LineSize = 10u << 20;

// shape 0: lines of prose with CR LF ends, DocumentSize bytes; shape 1: one
// line of LineSize bytes, which the control lays out whole.
const std::string& DocumentBytes(int shape = 0) {
    static const std::string lines = bench::ProseText(DocumentSize);
    static const std::string oneLine = lines.substr(0, 80) + std::string(LineSize - 80, 'x');
    return shape == 0 ? lines : oneLine;
}

struct TFixture : bench::TMainWindowBench {
    TfrmCrypt* dialog = new TfrmCrypt(form.get(), *form);

    // A fresh window holding the document as loaded from a file, its first
    // screen painted.
    TfrmNew* Open(int shape) {
        TfrmNew* window = form->Files.FileNew();
        window->Edit1().AppendLoaded(DocumentBytes(shape));
        QCoreApplication::processEvents();
        bench::Painted(window->Edit1());
        return window;
    }
};

TFixture& Fixture() {
    return bench::Lazy<TFixture>();
}

bool sameSize(benchmark::State& state, const TfrmNew* window, int shape) {
    if (window->Edit1().Text().size() != DocumentBytes(shape).size()) {
        state.SkipWithError("the text lost bytes");
        return false;
    }
    return true;
}

// The baseline: the control replaces its text with as many other bytes.
// range(0): the document's shape.
void BM_EditSetText(benchmark::State& state) {
    TFixture& f = Fixture();
    const int shape = static_cast<int>(state.range(0));
    const std::string other = NumberKeyCrypt(DocumentBytes(shape), "1");
    for (auto _ : state) {
        state.PauseTiming();
        TfrmNew* window = f.Open(shape);
        state.ResumeTiming();
        window->Edit1().SetText(other);
        bench::Painted(window->Edit1());
        state.PauseTiming();
        if (sameSize(state, window, shape) && window->Edit1().Text() != other) {
            state.SkipWithError("the text is not the one set");
        }
        f.Close(window);
        state.ResumeTiming();
    }
}

// OK in the key dialog: read the text, encipher it, write it back.
// range(0): the mode's radio index; range(1): the document's shape.
void BM_CryptCommand(benchmark::State& state) {
    TFixture& f = Fixture();
    const int mode = static_cast<int>(state.range(0));
    const int shape = static_cast<int>(state.range(1));
    const std::string& text = DocumentBytes(shape);
    const char* key = mode == 0 ? "1" : "Pennivale";
    std::string expected;
    switch (mode) {
    case 0:
        expected = NumberKeyCrypt(text, key);
        break;
    case 1:
        expected = StrongCrypt(text);
        break;
    default:
        expected = StringKeyCrypt(text, key);
        break;
    }
    for (auto _ : state) {
        state.PauseTiming();
        TfrmNew* window = f.Open(shape);
        f.form->CurrentDocument = window;
        f.form->CryptDirection = "Crypt";
        f.dialog->SetItemIndex(mode);
        f.dialog->Edit1().setText(QString::fromLatin1(key));
        // Strong asks first about the capitals it cannot give back.
        f.seam->messageAnswers.assign(mode == 1 ? 1 : 0, TModalResult::Yes);
        state.ResumeTiming();
        f.dialog->Button1Click();
        bench::Painted(window->Edit1());
        state.PauseTiming();
        if (sameSize(state, window, shape) && window->Edit1().Text() != expected) {
            state.SkipWithError("the text is not the enciphered one");
        }
        f.Close(window);
        state.ResumeTiming();
    }
}

// The byte passes alone, on a fresh result each time.
void BM_BytePass(benchmark::State& state) {
    const std::string& text = DocumentBytes();
    for (auto _ : state) {
        std::string out;
        switch (state.range(0)) {
        case 0:
            out = NumberKeyCrypt(text, "1");
            break;
        case 1:
            out = StrongCrypt(text);
            break;
        case 3:
            // The strong command's two passes: the count for its question, then the cipher.
            benchmark::DoNotOptimize(StrongUnrestorable(text));
            out = StrongCrypt(text);
            break;
        default:
            out = StringKeyCrypt(text, "Pennivale");
            break;
        }
        if (out.size() != text.size()) {
            state.SkipWithError("the result lost bytes");
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(DocumentSize));
}

BENCHMARK(BM_EditSetText)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CryptCommand)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_BytePass)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return bench::RunGuiBenchmarks(argc, argv);
}

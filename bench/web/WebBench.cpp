// Import from the web of a 20 MB document from a loopback server, beside
// curl fetching the same reply from the same server into a file, the HTTP
// client's transfer alone and the edit control's set Text of the same
// bytes. Like with like: each side has a fresh client, file or document
// window per iteration, made outside the timing, and checks the size it got.
// The import also reports the longest gap between two ticks of a 10 ms timer
// on the GUI thread while its transfer runs (max_gap_ms), at full speed
// (/0) and from a server sending at about 50 MB/s (/1).
//
// Run: QT_QPA_PLATFORM=offscreen build-bench/bench/web/web_bench
//      --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true
//      --benchmark_report_aggregates_only=true
#include "bench/common/BenchSupport.h"
#include "bench/common/MainWindowBench.h"
#include "framework/ui/RichEdit.h"
#include "net/Nmhttp.h"
#include "tests/net/LoopbackServer.h"
#include "web/Unit4.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

namespace {

constexpr std::size_t BodySize = 20u << 20;

// Prose-like lines with CR LF ends, as a document is.
const std::string& Body() {
    static const std::string body = bench::ProseText(BodySize);
    return body;
}

const std::string& Reply() {
    static const std::string reply =
        "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(BodySize) + "\r\n\r\n" + Body();
    return reply;
}

loopback::Server& server() {
    static loopback::Server instance([](loopback::Connection& c) {
        if (c.ReadRequest(10000)) {
            c.Send(Reply());
        }
    });
    return instance;
}

// The same reply at about 50 MB/s, so the transfer lasts long enough for the
// GUI thread's ticks to tell how it answers meanwhile.
loopback::Server& throttledServer() {
    static loopback::Server instance([](loopback::Connection& c) {
        if (c.ReadRequest(10000)) {
            c.Drip(Reply(), 256u << 10, 5);
        }
    });
    return instance;
}

struct TFixture : bench::TMainWindowBench {
    TfrmImport* import = new TfrmImport(form.get(), *form);

    TFixture() { form->NMHTTP->TimeOut = 60000; }
};

TFixture& Fixture() {
    return bench::Lazy<TFixture>();
}

void BM_Curl20MBToFile(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/curl.txt";
    const std::string command = bench::CurlToFileCommand(server().Url("/big.txt"), file);
    for (auto _ : state) {
        if (!bench::CurlRun(state, command, file, static_cast<std::int64_t>(BodySize))) {
            break;
        }
    }
}

void BM_Transfer20MB(benchmark::State& state) {
    Fixture();
    const std::string url = server().Url("/big.txt");
    for (auto _ : state) {
        state.PauseTiming();
        auto http = std::make_unique<TNMHTTP>();
        http->Port = 80;
        http->TimeOut = 60000;
        state.ResumeTiming();
        http->Get(url);
        if (http->Body.size() != BodySize) {
            state.SkipWithError("wrong body size");
            break;
        }
        state.PauseTiming();
        http.reset();
        state.ResumeTiming();
    }
}

void BM_SetText20MB(benchmark::State& state) {
    TFixture& f = Fixture();
    for (auto _ : state) {
        state.PauseTiming();
        TfrmNew* window = f.form->Files.FileNew();
        std::string body = Body(); // the import sets a string it owns, too
        state.ResumeTiming();
        window->Edit1().SetText(body);
        if (window->Edit1().TextLength() != static_cast<int>(BodySize)) {
            state.SkipWithError("wrong text size");
            break;
        }
        state.PauseTiming();
        body = std::string();
        f.CloseAll();
        state.ResumeTiming();
    }
}

// Imports from the server the argument names: 0 at full speed, 1 throttled.
void BM_Import20MB(benchmark::State& state) {
    TFixture& f = Fixture();
    const std::string url = (state.range(0) == 0 ? server() : throttledServer()).Url("/big.txt");
    f.import->Edit1().setText(QString::fromStdString(url));
    TNMHTTP& http = *f.form->NMHTTP;
    // Ticks of the GUI thread between the request going out and the client
    // closing the connection.
    QElapsedTimer clock;
    clock.start();
    bool inTransfer = false;
    qint64 last = 0;
    qint64 maxGap = 0;
    http.OnAboutToSend = [&](QObject*) {
        inTransfer = true;
        last = clock.elapsed();
    };
    http.OnDisconnect = [&](QObject*) {
        if (inTransfer) {
            maxGap = std::max(maxGap, clock.elapsed() - last);
            inTransfer = false;
        }
    };
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &tick, [&] {
        if (inTransfer) {
            maxGap = std::max(maxGap, clock.elapsed() - last);
            last = clock.elapsed();
        }
    });
    tick.start(10);
    for (auto _ : state) {
        state.PauseTiming();
        TfrmNew* window = f.form->Files.FileNew();
        state.ResumeTiming();
        Application().Dispatch([&] { f.import->Button1Click(); });
        if (window->Edit1().TextLength() != static_cast<int>(BodySize)) {
            state.SkipWithError("the import did not arrive whole");
            break;
        }
        state.PauseTiming();
        f.CloseAll();
        state.ResumeTiming();
    }
    state.counters["max_gap_ms"] = static_cast<double>(maxGap);
    http.OnAboutToSend = nullptr;
    http.OnDisconnect = nullptr;
}

BENCHMARK(BM_Curl20MBToFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Transfer20MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SetText20MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Import20MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return bench::RunGuiBenchmarks(argc, argv);
}

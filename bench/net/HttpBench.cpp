// Get of a 100 MB body from a loopback server, beside curl fetching the same
// body from the same server in the same run.
#include "net/Nmhttp.h"
#include "tests/net/LoopbackServer.h"
#include "tests/net/NetTestSupport.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr std::size_t BodySize = 100u << 20;

// Answers every request with the same 100 MB reply, then closes.
loopback::Server& server() {
    static const std::string reply = nettest::pseudoRandomReply(BodySize, 1);
    static loopback::Server instance([](loopback::Connection& c) {
        if (c.ReadRequest(10000)) {
            c.Send(reply);
        }
    });
    return instance;
}

void BM_HttpGet100MB(benchmark::State& state) {
    const std::string url = server().Url("/big.bin");
    TNMHTTP http;
    http.Port = 80;
    http.TimeOut = 60000;
    for (auto _ : state) {
        http.Get(url);
        if (http.Body.size() != BodySize) {
            state.SkipWithError("short body");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BodySize));
}

void BM_HttpGet100MBToFile(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string url = server().Url("/big.bin");
    TNMHTTP http;
    http.Port = 80;
    http.TimeOut = 60000;
    http.InputFileMode = true;
    http.Body = dir.path().toStdString() + "/body.bin";
    for (auto _ : state) {
        http.Get(url);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BodySize));
}

void BM_Curl100MBToFile(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string command = "curl --http1.0 -s -o " + dir.path().toStdString() + "/curl.bin " +
                                server().Url("/big.bin");
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("curl failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BodySize));
}

} // namespace

BENCHMARK(BM_HttpGet100MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_HttpGet100MBToFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Curl100MBToFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

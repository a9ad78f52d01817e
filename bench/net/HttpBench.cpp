// Get of a 100 MB body from a loopback server into a string and into a file,
// beside curl fetching the same body from the same server into a file and to
// /dev/null. Like with like: every iteration has a fresh client and a fresh
// string, the file is removed before each iteration on both sides, and every
// side checks the size it received. Run with --benchmark_repetitions=N
// (--benchmark_enable_random_interleaving=true on a busy machine) and compare
// medians.
#include "bench/common/BenchSupport.h"
#include "net/Nmhttp.h"
#include "tests/net/LoopbackServer.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t BodySize = 100u << 20;

// Answers every request with the same 100 MB reply, then closes.
loopback::Server& server() {
    static const std::string reply = bench::PseudoRandomReply(BodySize, 1);
    static loopback::Server instance([](loopback::Connection& c) {
        if (c.ReadRequest(10000)) {
            c.Send(reply);
        }
    });
    return instance;
}

using bench::FileSize;
using bench::FreshFile;

void BM_HttpGet100MB(benchmark::State& state) {
    const std::string url = server().Url("/big.bin");
    for (auto _ : state) {
        TNMHTTP http;
        http.Port = 80;
        http.TimeOut = 60000;
        http.Get(url);
        if (http.Body.size() != BodySize) {
            state.SkipWithError("wrong body size");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BodySize));
}

void BM_HttpGet100MBToFile(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/body.bin";
    const std::string url = server().Url("/big.bin");
    for (auto _ : state) {
        FreshFile(state, file);
        TNMHTTP http;
        http.Port = 80;
        http.TimeOut = 60000;
        http.InputFileMode = true;
        http.Body = file;
        http.Get(url);
        if (FileSize(file) != static_cast<std::int64_t>(BodySize)) {
            state.SkipWithError("wrong file size");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BodySize));
}

void BM_Curl100MBToFile(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/curl.bin";
    const std::string command = bench::CurlToFileCommand(server().Url("/big.bin"), file);
    for (auto _ : state) {
        if (!bench::CurlRun(state, command, file, static_cast<std::int64_t>(BodySize))) {
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BodySize));
}

void BM_Curl100MBToDevNull(benchmark::State& state) {
    const std::string command =
        "curl --http1.0 -s -o /dev/null -w '%{size_download}' " + server().Url("/big.bin");
    for (auto _ : state) {
        FILE* curl = ::popen(command.c_str(), "r");
        long long received = -1;
        bool ok = curl && std::fscanf(curl, "%lld", &received) == 1;
        ok = curl && ::pclose(curl) == 0 && ok;
        if (!ok || received != static_cast<long long>(BodySize)) {
            state.SkipWithError("curl failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BodySize));
}

} // namespace

BENCHMARK(BM_HttpGet100MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HttpGet100MBToFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Curl100MBToFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Curl100MBToDevNull)->Unit(benchmark::kMillisecond)->UseRealTime();

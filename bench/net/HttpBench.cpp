// Get of a 100 MB body from a loopback server into a string and into a file,
// beside curl fetching the same body from the same server into a file and to
// /dev/null. Like with like: every iteration has a fresh client and a fresh
// string, the file is removed before each iteration on both sides, and every
// side checks the size it received. curl's start-up is timed in the same run
// (curl fetching a 3-byte body), so its figures can be read without it too;
// the string is filled with huge pages and without. Run with --benchmark_repetitions=N
// (--benchmark_enable_random_interleaving=true on a busy machine) and compare
// medians.
#include "bench/common/BenchSupport.h"
#include "framework/LargeBuffer.h"
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

// The same reply with a 3-byte body: what curl costs apart from the transfer.
loopback::Server& tinyServer() {
    static loopback::Server instance([](loopback::Connection& c) {
        if (c.ReadRequest(10000)) {
            c.Send("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabc");
        }
    });
    return instance;
}

using bench::FileSize;
using bench::FreshFile;

// huge_pages: whether the body, reserved from its Content-Length, asks for
// huge pages (1, as the client does) or is faulted in 4 KB pages (0).
void BM_HttpGet100MB(benchmark::State& state) {
    const std::string url = server().Url("/big.bin");
    const bool hugePages = LargeBuffer::HugePages();
    LargeBuffer::SetHugePages(state.range(0) != 0);
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
    LargeBuffer::SetHugePages(hugePages);
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
    bench::StartupCorrection startup(
        bench::CurlToFileCommand(tinyServer().Url("/tiny.bin"), dir.path().toStdString() + "/3"));
    for (auto _ : state) {
        if (!bench::CurlRun(state, command, file, static_cast<std::int64_t>(BodySize), &startup)) {
            break;
        }
    }
    startup.Report(state);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BodySize));
}

void BM_Curl100MBToDevNull(benchmark::State& state) {
    const std::string curl = "curl --http1.0 -s -o /dev/null -w '%{size_download}' ";
    const std::string command = curl + server().Url("/big.bin");
    bench::StartupCorrection startup(curl + tinyServer().Url("/tiny.bin") + " >/dev/null");
    for (auto _ : state) {
        const bool ok = startup.Probe(state) && startup.Timed([&] {
            FILE* pipe = ::popen(command.c_str(), "r");
            long long received = -1;
            bool done = pipe && std::fscanf(pipe, "%lld", &received) == 1;
            done = pipe && ::pclose(pipe) == 0 && done;
            return done && received == static_cast<long long>(BodySize);
        });
        if (!ok) {
            state.SkipWithError("curl failed");
            break;
        }
    }
    startup.Report(state);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BodySize));
}

} // namespace

BENCHMARK(BM_HttpGet100MB)
    ->ArgName("huge_pages")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_HttpGet100MBToFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Curl100MBToFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Curl100MBToDevNull)->Unit(benchmark::kMillisecond)->UseRealTime();

// The socket component against loopback servers: a 100 MB capture beside curl
// fetching the same bytes from the same server (run with
// --benchmark_repetitions=N and compare medians), the CPU a wait burns on a
// server that drips, and the descriptors left after 10,000 connections.

#include "bench/common/BenchSupport.h"
#include "net/Psock.h"
#include "tests/net/LoopbackServer.h"
#include "tests/net/NetTestSupport.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using loopback::Connection;
using loopback::Server;

constexpr std::size_t BodySize = 100u << 20;

const std::string& reply() {
    static const std::string bytes = bench::PseudoRandomReply(BodySize, 3);
    return bytes;
}

// Answers every request with the same 100 MB reply, then closes.
Server& bigServer() {
    static Server server([](Connection& c) {
        if (c.ReadUntil("\r\n\r\n", 10000)) {
            c.Send(reply());
        }
    });
    return server;
}

// A fresh component and a fresh string each time, as a first capture has them.
void BM_PsockCaptureString100MB(benchmark::State& state) {
    Server& server = bigServer();
    reply();
    for (auto _ : state) {
        TPowersock sock;
        sock.Host = "127.0.0.1";
        sock.Port = server.Port();
        sock.TimeOut = 60000;
        std::string s;
        sock.Connect();
        sock.Write("GET /big.bin HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
        sock.CaptureString(s, -1);
        sock.Disconnect();
        if (s.size() != reply().size()) {
            state.SkipWithError("short capture");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply().size()));
}
BENCHMARK(BM_PsockCaptureString100MB)->Unit(benchmark::kMillisecond)->UseRealTime();

// The file removed before each run, so curl creates it anew as it would.
void BM_PsockCurlSameServer100MB(benchmark::State& state) {
    Server& server = bigServer();
    reply();
    QTemporaryDir dir;
    const std::string file = dir.filePath("curl.bin").toStdString();
    const std::string command = bench::CurlToFileCommand(
        "http://127.0.0.1:" + std::to_string(server.Port()) + "/big.bin", file);
    // its start-up: curl fetching a 3-byte body
    Server tiny([](Connection& c) {
        if (c.ReadUntil("\r\n\r\n", 10000)) {
            c.Send("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nabc");
        }
    });
    bench::StartupCorrection startup(bench::CurlToFileCommand(
        "http://127.0.0.1:" + std::to_string(tiny.Port()) + "/3", dir.filePath("3").toStdString()));
    for (auto _ : state) {
        if (!bench::CurlRun(state, command, file, static_cast<std::int64_t>(BodySize), &startup)) {
            break;
        }
    }
    startup.Report(state);
    // curl keeps the body only; the capture above also holds the short header.
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BodySize));
}
BENCHMARK(BM_PsockCurlSameServer100MB)->Unit(benchmark::kMillisecond)->UseRealTime();

// A server that drips 1 KB every 50 ms for 5 s: the waiting client's CPU time.
void BM_PsockWaitOnDrippingServer5s(benchmark::State& state) {
    Server server([](Connection& c) {
        const std::string kilobyte(1024, 'd');
        for (int i = 0; i < 100 && c.Send(kilobyte); ++i) {
            c.Pause(50);
        }
    });
    TPowersock sock;
    sock.Host = "127.0.0.1";
    sock.Port = server.Port();
    sock.TimeOut = 20000;
    double cpu = 0;
    std::string s;
    for (auto _ : state) {
        sock.Connect();
        const double before = nettest::cpuSeconds(RUSAGE_THREAD);
        sock.CaptureString(s, -1);
        cpu += nettest::cpuSeconds(RUSAGE_THREAD) - before;
        sock.Disconnect();
    }
    state.counters["cpu_s"] = benchmark::Counter(cpu / static_cast<double>(state.iterations()));
    state.counters["bytes"] = static_cast<double>(s.size());
}
BENCHMARK(BM_PsockWaitOnDrippingServer5s)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// 10,000 connect / capture / disconnect cycles; the descriptors must not grow.
void BM_PsockConnectCycles10000(benchmark::State& state) {
    Server server([](Connection& c) { c.Send("reply"); });
    int delta = 0;
    for (auto _ : state) {
        TPowersock sock;
        sock.Host = "127.0.0.1";
        sock.Port = server.Port();
        sock.TimeOut = 5000;
        const int before = nettest::openDescriptors();
        std::string s;
        for (int i = 0; i < 10000; ++i) {
            sock.Connect();
            sock.CaptureString(s, -1);
            sock.Disconnect();
            if (s != "reply") {
                state.SkipWithError("wrong reply");
                break;
            }
        }
        // The server runs in this process: count once it has closed its side.
        server.WaitServed(10000, 10000);
        delta = nettest::openDescriptors() - before;
    }
    state.counters["fd_delta"] = delta;
    if (delta != 0) {
        state.SkipWithError("descriptors leaked");
    }
}
BENCHMARK(BM_PsockConnectCycles10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

// Encode (uuMime) of 75 MB into a fresh memory stream, beside coreutils
// base64 of the same bytes file to file (and, for its start-up, of 3 bytes);
// URLEncode of the same bytes. Each side checks the size of what it made. Run with
// --benchmark_repetitions=N and compare medians.
#include "bench/common/BenchSupport.h"
#include "framework/Files.h"
#include "framework/LargeBuffer.h"
#include "framework/Streams.h"
#include "net/Nmurl.h"
#include "net/Nmuue.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>

namespace {

constexpr std::size_t DataSize = 75u << 20;

const std::string& data() {
    static const std::string bytes = [] {
        std::string s(DataSize, '\0');
        std::uint32_t seed = 7;
        for (char& c : s) {
            seed = seed * 1103515245u + 12345u;
            c = static_cast<char>(seed >> 24);
        }
        return s;
    }();
    return bytes;
}

// Size of the Encode output: 45 bytes a line, 60 characters and CR LF.
std::size_t mimeSize(std::size_t n) {
    const std::size_t rest = n % 45;
    return n / 45 * 62 + (rest ? (rest + 2) / 3 * 4 + 2 : 0);
}

// Size of coreutils base64 output: lines of 76 characters and LF.
std::size_t base64Size(std::size_t n) {
    const std::size_t chars = (n + 2) / 3 * 4;
    return chars + (chars + 75) / 76;
}

// huge_pages: whether the output stream, reserved for the known size, asks
// for huge pages (1, as the encoder does) or is faulted in 4 KB pages (0).
void BM_UUEncodeMime75MB(benchmark::State& state) {
    const bool hugePages = LargeBuffer::HugePages();
    LargeBuffer::SetHugePages(state.range(0) != 0);
    TMemoryStream in(data());
    TNMUUProcessor p;
    p.Method = uuMime;
    p.InputStream = &in;
    for (auto _ : state) {
        TMemoryStream out; // fresh each time: its growth is part of the work
        p.OutputStream = &out;
        p.Encode();
        if (out.DataString().size() != mimeSize(DataSize)) {
            state.SkipWithError("wrong output size");
            break;
        }
    }
    LargeBuffer::SetHugePages(hugePages);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * DataSize));
}

void BM_CoreutilsBase64_75MB(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string in = dir.path().toStdString() + "/in.bin";
    const std::string out = dir.path().toStdString() + "/out.txt";
    WriteFileBytes(in, data());
    const std::string command = "base64 '" + in + "' > '" + out + "'";
    // its start-up: the same command on 3 bytes
    const std::string tiny = dir.path().toStdString() + "/3.bin";
    WriteFileBytes(tiny, "abc");
    bench::StartupCorrection startup("base64 '" + tiny + "' > '" + tiny + ".txt'");
    for (auto _ : state) {
        if (!startup.Probe(state)) {
            break;
        }
        if (!startup.Timed([&] { return std::system(command.c_str()) == 0; })) {
            state.SkipWithError("base64 failed");
            break;
        }
        if (bench::FileSize(out) != static_cast<std::int64_t>(base64Size(DataSize))) {
            state.SkipWithError("wrong output size");
            break;
        }
    }
    startup.Report(state);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * DataSize));
}

void BM_URLEncode75MB(benchmark::State& state) {
    TNMURL url;
    const std::string& in = data();
    for (auto _ : state) {
        const std::string out = url.URLEncode(in);
        if (out.size() < in.size()) {
            state.SkipWithError("short output");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * DataSize));
}

} // namespace

BENCHMARK(BM_UUEncodeMime75MB)
    ->ArgName("huge_pages")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_CoreutilsBase64_75MB)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_URLEncode75MB)->Unit(benchmark::kMillisecond)->UseRealTime();

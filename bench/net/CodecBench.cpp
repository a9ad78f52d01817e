// URLEncode and Encode (uuMime) of 50 MB, beside coreutils base64 of the
// same bytes.
#include "framework/Files.h"
#include "framework/Streams.h"
#include "net/Nmurl.h"
#include "net/Nmuue.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>

namespace {

constexpr std::size_t DataSize = 50u << 20;

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

void BM_URLEncode50MB(benchmark::State& state) {
    TNMURL url;
    const std::string& in = data();
    for (auto _ : state) {
        std::string out = url.URLEncode(in);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * DataSize));
}

void BM_UUEncodeMime50MB(benchmark::State& state) {
    TMemoryStream in(data());
    TNMUUProcessor p;
    p.Method = uuMime;
    p.InputStream = &in;
    for (auto _ : state) {
        TMemoryStream out;
        p.OutputStream = &out;
        p.Encode();
        benchmark::DoNotOptimize(out.Data().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * DataSize));
}

void BM_CoreutilsBase64_50MB(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string in = dir.path().toStdString() + "/in.bin";
    WriteFileBytes(in, data());
    const std::string command = "base64 " + in + " > " + dir.path().toStdString() + "/out.txt";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("base64 failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * DataSize));
}

} // namespace

BENCHMARK(BM_URLEncode50MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_UUEncodeMime50MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CoreutilsBase64_50MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The file encodings beside the toolkit's own converters on the same bytes.
//   encoding_bench        validation and detection of 100 MB, UTF-16 of 20 MB
#include "bench/common/BenchText.h"
#include "framework/TextEncoding.h"
#include "framework/Utf8.h"
#include "framework/Utf8Validate.h"

#include <QByteArrayView>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// 0: prose in lines, mostly ASCII with an accented letter in some words and
// a euro sign now and then; 1: Greek, Cyrillic, CJK and emoji only, no ASCII
// but the line ends.
const std::string& utf8Text(int kind, int mb) {
    static std::string cache[2][101];
    std::string& t = cache[kind][mb];
    if (!t.empty()) {
        return t;
    }
    const std::size_t size = static_cast<std::size_t>(mb) << 20;
    if (kind == 0) {
        t = CodePageToUtf8(MakeBenchText(size, false));
        for (std::size_t at = 1000; at + 3 < t.size(); at += 4000) {
            if (t[at] == ' ') {
                t.replace(at, 1, "\xE2\x82\xAC");
            }
        }
    } else {
        static const char* const pieces[] = {"\xCE\xB1",         "\xD0\x96", "\xE4\xB8\xAD",
                                             "\xF0\x9F\x98\x80", "\xCF\x89", "\xE3\x81\x82"};
        std::uint32_t seed = 21;
        t.reserve(size + 8);
        while (t.size() + 4 < size) {
            seed = seed * 1103515245u + 12345u;
            t += pieces[(seed >> 16) % 6];
            if ((seed >> 8) % 30 == 0) {
                t += '\n';
            }
        }
    }
    return t;
}

const char* kindName(int kind) {
    return kind == 0 ? "mostly_ascii" : "all_multibyte";
}

void Kinds(benchmark::internal::Benchmark* b) {
    b->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
}

template <class Validate> void validate(benchmark::State& state, Validate&& isValid) {
    const std::string& t = utf8Text(static_cast<int>(state.range(0)), 100);
    state.SetLabel(kindName(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        const bool valid = isValid(t);
        benchmark::DoNotOptimize(valid);
        if (!valid) {
            state.SkipWithError("valid UTF-8 reported invalid");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(t.size()));
}

void BM_IsValid(benchmark::State& state) {
    validate(state, [](const std::string& t) { return Utf8::IsValid(t); });
}
// The paths a processor without AVX2 takes.
void BM_IsValid_Ssse3Path(benchmark::State& state) {
    validate(state, [](const std::string& t) { return Utf8::detail::IsValidSsse3(t); });
}
void BM_IsValid_ScalarPath(benchmark::State& state) {
    validate(state, [](const std::string& t) { return Utf8::detail::IsValidScalar(t); });
}
// The toolkit's public validator: the same work, a yes or no.
void BM_IsValid_QtByteArrayView(benchmark::State& state) {
    validate(state, [](const std::string& t) {
        return QByteArrayView(t.data(), static_cast<qsizetype>(t.size())).isValidUtf8();
    });
}
// Validation by the toolkit's decoder, as a reader without a validator does
// it: it also builds the 200 MB QString, so it does more than the others.
void BM_IsValid_QStringDecoder(benchmark::State& state) {
    validate(state, [](const std::string& t) {
        QStringDecoder decoder(QStringConverter::Utf8);
        const QString s =
            decoder.decode(QByteArrayView(t.data(), static_cast<qsizetype>(t.size())));
        return !decoder.hasError() && !s.isEmpty();
    });
}

// The floor: one pass over the same bytes looking for a byte that is not there.
void BM_Floor_Memchr(benchmark::State& state) {
    validate(state, [](const std::string& t) {
        return std::memchr(t.data(), '\x01', t.size()) == nullptr;
    });
}

void BM_DetectEncoding(benchmark::State& state) {
    validate(state, [](const std::string& t) {
        return DetectEncoding(t, TEncoding::Windows1252) == TEncoding::Utf8;
    });
}
// Detection built on the toolkit: its mark lookup, then its validator from
// the first byte of 0x80 or above.
void BM_DetectEncoding_Qt(benchmark::State& state) {
    validate(state, [](const std::string& t) {
        const QByteArrayView view(t.data(), static_cast<qsizetype>(t.size()));
        if (QStringConverter::encodingForData(view).has_value()) {
            return false;
        }
        const auto high = std::find_if(
            t.begin(), t.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
        return high != t.end() && view.sliced(high - t.begin()).isValidUtf8();
    });
}

// 20 MB of UTF-16 LE with its mark, and the UTF-8 it holds.
struct TUtf16Case {
    std::string utf8;
    std::string file;
};
const TUtf16Case& utf16Case(int kind) {
    static TUtf16Case cases[2];
    TUtf16Case& c = cases[kind];
    if (c.file.empty()) {
        c.utf8 = utf8Text(kind, 20);
        c.file = EncodeFile(c.utf8, TEncoding::Utf16LE);
    }
    return c;
}

void BM_DecodeFile_Utf16(benchmark::State& state) {
    const TUtf16Case& c = utf16Case(static_cast<int>(state.range(0)));
    state.SetLabel(kindName(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        TDecodedFile decoded = DecodeFile(c.file, TEncoding::Utf16LE);
        state.PauseTiming();
        const bool right = decoded.text == c.utf8;
        decoded = {}; // freed outside the timing, as the baseline's are
        state.ResumeTiming();
        if (!right) {
            state.SkipWithError("the text read is not the text written");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(c.file.size()));
}
// The same through the toolkit: UTF-16 to a QString, the QString to UTF-8.
void BM_DecodeFile_Utf16_Qt(benchmark::State& state) {
    const TUtf16Case& c = utf16Case(static_cast<int>(state.range(0)));
    state.SetLabel(kindName(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        QStringDecoder decoder(QStringConverter::Utf16LE);
        const QString s =
            decoder.decode(QByteArrayView(c.file.data(), static_cast<qsizetype>(c.file.size())));
        QByteArray text = s.toUtf8();
        state.PauseTiming();
        const bool right =
            std::string_view(text.constData(), static_cast<std::size_t>(text.size())) == c.utf8;
        text = {};
        state.ResumeTiming();
        if (!right) {
            state.SkipWithError("the toolkit read another text");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(c.file.size()));
}

void BM_EncodeFile_Utf16(benchmark::State& state) {
    const TUtf16Case& c = utf16Case(static_cast<int>(state.range(0)));
    state.SetLabel(kindName(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        std::string file = EncodeFile(c.utf8, TEncoding::Utf16LE);
        state.PauseTiming();
        const bool right = file == c.file;
        file = {};
        state.ResumeTiming();
        if (!right) {
            state.SkipWithError("the file written is not the file read");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(c.file.size()));
}
void BM_EncodeFile_Utf16_Qt(benchmark::State& state) {
    const TUtf16Case& c = utf16Case(static_cast<int>(state.range(0)));
    state.SetLabel(kindName(static_cast<int>(state.range(0))));
    for (auto _ : state) {
        const QString s = QString::fromUtf8(c.utf8.data(), static_cast<qsizetype>(c.utf8.size()));
        QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        QByteArray file = encoder.encode(s);
        state.PauseTiming();
        const bool right =
            std::string_view(file.constData(), static_cast<std::size_t>(file.size())) == c.file;
        file = {};
        state.ResumeTiming();
        if (!right) {
            state.SkipWithError("the toolkit wrote another file");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(c.file.size()));
}

BENCHMARK(BM_IsValid)->Apply(Kinds);
BENCHMARK(BM_IsValid_Ssse3Path)->Apply(Kinds);
BENCHMARK(BM_IsValid_ScalarPath)->Apply(Kinds);
BENCHMARK(BM_IsValid_QtByteArrayView)->Apply(Kinds);
BENCHMARK(BM_IsValid_QStringDecoder)->Apply(Kinds);
BENCHMARK(BM_Floor_Memchr)->Apply(Kinds);
BENCHMARK(BM_DetectEncoding)->Apply(Kinds);
BENCHMARK(BM_DetectEncoding_Qt)->Apply(Kinds);
BENCHMARK(BM_DecodeFile_Utf16)->Apply(Kinds);
BENCHMARK(BM_DecodeFile_Utf16_Qt)->Apply(Kinds);
BENCHMARK(BM_EncodeFile_Utf16)->Apply(Kinds);
BENCHMARK(BM_EncodeFile_Utf16_Qt)->Apply(Kinds);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // The texts are made before any timing, so no case pays for them.
    for (int kind : {0, 1}) {
        utf8Text(kind, 100);
        utf16Case(kind);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

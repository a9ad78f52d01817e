// The RTF codec on 20 MB files, Windows-1252 text beside the same lines in
// Greek, written as word processors write them: every letter outside ASCII
// as \uN with its code-page byte as the fallback, so both files have the
// same bytes but for the digits. "light" is prose with a few such letters,
// "heavy" has nothing but.
// A load into the edit control's text model is timed beside what it cannot
// do without: the reading, and one Assign of the same bytes.
//   rtf_bench --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true
#include "bench/common/BenchText.h"
#include "framework/CodePage.h"
#include "framework/Utf8.h"
#include "framework/rtf/Rtf.h"
#include "framework/ui/EditText.h"
#include "framework/ui/EditTextRtf.h"

#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace {

constexpr std::size_t kRtfBytes = std::size_t{20} << 20;

enum Mix { kLight, kHeavy };
enum Script { kWestern, kGreek };

// The character a byte of the bench text stands for in the script.
char32_t characterOf(unsigned char b, Mix mix, Script script) {
    if (mix == kHeavy && b >= 'a' && b <= 'z') {
        return script == kWestern ? 0xE0 + (b - 'a') : 0x3B1 + (b - 'a');
    }
    if (b < 0x80) {
        return b;
    }
    if (script == kWestern) {
        return CodePage::ToUnicode(b);
    }
    return b == 0xE9 ? 0x3B1 : 0x3C9; // the text's only accents: e acute, i diaeresis
}

// The fallback byte: the character's byte in its own code page (1252, 1253).
unsigned char fallbackOf(char32_t ch) {
    return static_cast<unsigned char>(ch < 0x100 ? ch : 0xE1 + (ch - 0x3B1));
}

struct Sample {
    std::string rtf;
    std::string text; // the paragraphs as the reader gives them, joined by LF
    Rtf::Document document;
};

const Sample& sample(Mix mix, Script script) {
    static std::map<std::pair<int, int>, Sample> cache;
    Sample& s = cache[{mix, script}];
    if (!s.rtf.empty()) {
        return s;
    }
    const std::string lines = MakeBenchText(kRtfBytes, false);
    s.rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Sans;}}"
            "\\viewkind4\\uc1\\pard\\f0\\fs20 ";
    s.document.paragraphs.clear();
    s.document.unicode = script == kGreek;
    Rtf::CharFormat format;
    format.face = "Sans";
    format.charset = 0;
    format.halfPoints = 20;
    Rtf::Paragraph paragraph;
    std::string run;
    for (std::size_t at = 0; at < lines.size() && s.rtf.size() < kRtfBytes; ++at) {
        const auto b = static_cast<unsigned char>(lines[at]);
        if (b == '\n') {
            s.rtf += "\\par\n";
            s.text += run + '\n';
            paragraph.runs = {Rtf::Run{run, format}};
            s.document.paragraphs.push_back(paragraph);
            run.clear();
            continue;
        }
        const char32_t ch = characterOf(b, mix, script);
        if (ch < 0x80) {
            s.rtf += static_cast<char>(ch);
            run += static_cast<char>(ch);
            continue;
        }
        const char hex[] = "0123456789abcdef";
        const unsigned char fallback = fallbackOf(ch);
        s.rtf += "\\u" + std::to_string(ch) + "\\'" + hex[fallback >> 4] + hex[fallback & 15];
        if (script == kGreek) {
            Utf8::Append(run, ch);
        } else {
            run += static_cast<char>(CodePage::FromUnicode(ch));
        }
    }
    s.rtf += "}";
    s.text += run;
    paragraph.runs = {};
    if (!run.empty()) {
        paragraph.runs.push_back(Rtf::Run{run, format});
    }
    s.document.paragraphs.push_back(paragraph);
    return s;
}

std::string joined(const Rtf::Document& d) {
    std::string out;
    for (std::size_t p = 0; p < d.paragraphs.size(); ++p) {
        if (p > 0) {
            out += '\n';
        }
        for (const Rtf::Run& run : d.paragraphs[p].runs) {
            out += run.text;
        }
    }
    return out;
}

void BM_Rtf_Read20MB(benchmark::State& state) {
    const auto mix = static_cast<Mix>(state.range(0));
    const auto script = static_cast<Script>(state.range(1));
    const Sample& s = sample(mix, script);
    for (auto _ : state) {
        state.PauseTiming();
        Rtf::Document read;
        state.ResumeTiming();
        read = Rtf::Read(s.rtf);
        state.PauseTiming();
        const bool right = read.unicode == (script == kGreek) && joined(read) == s.text;
        state.ResumeTiming();
        if (!right) {
            state.SkipWithError("the text did not come back");
            break;
        }
        // The document is freed outside the timing, as a load keeps it.
        state.PauseTiming();
        read = Rtf::Document{};
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.rtf.size()));
}

void BM_Rtf_Write20MB(benchmark::State& state) {
    const auto mix = static_cast<Mix>(state.range(0));
    const auto script = static_cast<Script>(state.range(1));
    const Sample& s = sample(mix, script);
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string rtf = Rtf::Write(s.document);
        size = rtf.size();
        state.PauseTiming();
        const bool right = Rtf::Read(rtf) == s.document;
        state.ResumeTiming();
        if (!right) {
            state.SkipWithError("the document did not read back");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// Reading the file, then the text model loaded from what was read (bytes,
// formats, alignments) or, as the baseline, given the same bytes by Assign
// (copied for it untimed). Each iteration has a fresh text, freed untimed
// with the document.
void loadIntoText(benchmark::State& state, bool formatted) {
    const auto mix = static_cast<Mix>(state.range(0));
    const auto script = static_cast<Script>(state.range(1));
    const Sample& s = sample(mix, script);
    const bool unicode = script == kGreek;
    for (auto _ : state) {
        state.PauseTiming();
        auto text = std::make_unique<TEditText>();
        Rtf::Document read;
        std::string bytes;
        if (!formatted) {
            bytes = s.text;
        }
        state.ResumeTiming();
        read = Rtf::Read(s.rtf);
        if (formatted) {
            LoadRtf(*text, read, unicode);
        } else {
            text->Assign(std::move(bytes), unicode);
        }
        state.PauseTiming();
        const bool right = read.unicode == unicode && text->Bytes() == s.text &&
                           (!formatted || text->FormatRuns(0, text->Size()).size() == 1);
        read = Rtf::Document{};
        text.reset();
        state.ResumeTiming();
        if (!right) {
            state.SkipWithError("the text did not come back");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.rtf.size()));
}

void BM_Rtf_ReadAndAssign20MB(benchmark::State& state) {
    loadIntoText(state, false);
}

void BM_Rtf_ReadAndLoadText20MB(benchmark::State& state) {
    loadIntoText(state, true);
}

void Cases(benchmark::internal::Benchmark* b) {
    b->ArgNames({"heavy", "greek"});
    for (int mix : {kLight, kHeavy}) {
        for (int script : {kWestern, kGreek}) {
            b->Args({mix, script});
        }
    }
    b->Unit(benchmark::kMillisecond)->Iterations(3);
}
BENCHMARK(BM_Rtf_Read20MB)->Apply(Cases);
BENCHMARK(BM_Rtf_Write20MB)->Apply(Cases);
BENCHMARK(BM_Rtf_ReadAndAssign20MB)->Apply(Cases);
BENCHMARK(BM_Rtf_ReadAndLoadText20MB)->Apply(Cases);

} // namespace

BENCHMARK_MAIN();

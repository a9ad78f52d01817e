#include "framework/rtf/Rtf.h"
#include "tests/framework/RtfSamples.h"
#include "tests/framework/RtfTestSupport.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Rtf::Alignment;
using Rtf::CharFormat;
using Rtf::Document;
using Rtf::Paragraph;
using TextRun = Rtf::Run;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Every document the writer's tests write reads back with its text and formats.
TEST(RtfWriter, EverySampleReadsBackWithItsTextAndFormats) {
    for (const RtfSample& sample : RtfSamples()) {
        const std::string rtf = Rtf::Write(sample.document);
        ASSERT_TRUE(Rtf::IsRtf(rtf)) << sample.name;
        EXPECT_EQ(Rtf::Read(rtf), Rtf::WithBaseResolved(sample.document)) << sample.name << "\n"
                                                                          << rtf;
        std::istringstream lines(rtf);
        std::string line;
        while (std::getline(lines, line)) {
            EXPECT_LE(line.size(), 210u) << sample.name; // short lines
            for (const char c : line) {
                const auto b = static_cast<unsigned char>(c);
                ASSERT_TRUE(b >= 0x20 && b < 0x7F) << sample.name << ": " << static_cast<int>(b);
            }
        }
    }
}

TEST(RtfWriter, BaseFontLeadsTheFontTableAndSizesTextWithoutASizeOfItsOwn) {
    const Document d = SampleDocument("base font");
    const std::string rtf = Rtf::Write(d);
    // A run in the base face that came from the font dialog (charset 1) is
    // the base font, not a second entry.
    EXPECT_TRUE(rtf.starts_with("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 "
                                "MS Sans Serif;}{\\f1\\fnil\\fcharset0 Arial;}}\n{\\colortbl ;}"))
        << rtf;
    // The size of text without one is written, not left to each reader's default.
    EXPECT_TRUE(contains(rtf, "\\pard\\plain\\f0\\fs16 plain")) << rtf;
    const Document read = Rtf::Read(rtf);
    ASSERT_EQ(read.paragraphs[0].runs.size(), 4u);
    EXPECT_EQ(read.paragraphs[0].runs[0].format, readFormat("MS Sans Serif", 16));
    EXPECT_EQ(read.paragraphs[0].runs[2].format, readFormat("MS Sans Serif", 30));
    EXPECT_EQ(read.paragraphs[0].runs[3].format, read.paragraphs[0].runs[0].format);

    // An empty document names its font and size too.
    Document empty;
    empty.base = d.base;
    const std::string emptyRtf = Rtf::Write(empty);
    EXPECT_TRUE(contains(emptyRtf, "{\\fonttbl{\\f0\\fnil\\fcharset0 MS Sans Serif;}}"));
    EXPECT_TRUE(contains(emptyRtf, "\\fs16")) << emptyRtf;
    EXPECT_EQ(Rtf::Read(emptyRtf), Document{});

    // Without a base font, the table numbers from 0 when every run names its
    // font; a font charset is that of the text, in the document code page.
    const std::string formats = Rtf::Write(SampleDocument("formats"));
    EXPECT_TRUE(contains(formats, "\\fcharset0 Times New Roman;")) << formats;
    Document named;
    named.paragraphs[0].runs = {TextRun{"a", format("Courier New", 20)},
                                TextRun{"b", format("Arial", 20)}};
    EXPECT_TRUE(contains(Rtf::Write(named),
                         "{\\f0\\fnil\\fcharset0 Courier New;}{\\f1\\fnil\\fcharset0 Arial;}"));
}

// What a reader sees that takes the \'hh fallbacks and ignores \uN.
std::string withoutUnicode(const std::string& rtf) {
    return std::regex_replace(rtf, std::regex("\\\\u-?[0-9]+"), "");
}

TEST(RtfWriter, BytesAboveAsciiGoAsTheirCharacterWithTheByteAsFallback) {
    const Document western = SampleDocument("western text");
    const std::string rtf = Rtf::Write(western);
    for (const char* written : {"Caf\\u233\\'e9", "\\u8364\\'80", "\\u8220\\'93quoted\\u8221\\'94",
                                "\\u8211\\'96", "\\u8482\\'99", "\\u191\\'bf"}) {
        EXPECT_TRUE(contains(rtf, written)) << written << "\n" << rtf;
    }
    // The fallbacks alone give the same text to a reader of the code page.
    EXPECT_EQ(Rtf::Read(withoutUnicode(rtf)), Rtf::WithBaseResolved(western));

    // Controls and the unassigned bytes come back too.
    const std::string bytes = Rtf::Write(SampleDocument("every byte"));
    for (const char* written : {"\\'00", "\\'1f", "\\'7f", "\\u129\\'81", "\\u255\\'ff"}) {
        EXPECT_TRUE(contains(bytes, written)) << written;
    }
}

// A bullet read from a list label in a symbol font came back as \'95 in that
// font, which other programs show as a private-use glyph.
TEST(RtfWriter, SymbolGlyphsStayBytesAndCharactersLeaveTheSymbolCharset) {
    const std::string label = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Liberation "
                              "Sans;}{\\f1\\fnil\\fcharset2 OpenSymbol;}}"
                              "{\\listtext\\pard\\plain\\f1 \\u8226\\'b7\\tab}\\f0 Item\\par}";
    const Document read = Rtf::Read(label);
    ASSERT_EQ(read.paragraphs[0].runs.size(), 3u);
    EXPECT_EQ(read.paragraphs[0].runs[0].text, "\x95");
    EXPECT_EQ(read.paragraphs[0].runs[0].format.charset, 0);
    const std::string rewritten = Rtf::Write(read);
    EXPECT_TRUE(contains(rewritten, "{\\f0\\fnil\\fcharset0 OpenSymbol;}")) << rewritten;
    EXPECT_TRUE(contains(rewritten, "\\f0\\fs24 \\u8226\\'95")) << rewritten;

    // A symbol font's own bytes are glyph numbers: \'hh alone, in the symbol charset.
    const std::string symbols = Rtf::Write(SampleDocument("symbols"));
    EXPECT_TRUE(contains(symbols, "\\fcharset2 Symbol;")) << symbols;
    EXPECT_TRUE(contains(symbols, " \\'b7")) << symbols;
    EXPECT_FALSE(contains(symbols, "\\u183")) << symbols;
}

TEST(RtfWriter, FaceNamesGoAsAsciiAndUnicode) {
    const std::string rtf = Rtf::Write(SampleDocument("face names"));
    EXPECT_TRUE(contains(rtf, "\\fcharset0 \\u201\\'c9l\\u233\\'e9gante;")) << rtf;
    EXPECT_TRUE(contains(rtf, "\\fcharset0 \\u-211?\\u-205? \\u26126?\\u26397?;")) << rtf;
    EXPECT_TRUE(contains(rtf, "\\fcharset0 Noto Sans;")) << rtf;
}

TEST(RtfWriter, RandomDocumentsRoundTrip) {
    std::mt19937 rng(20240601);
    const std::vector<std::string> faces = {"",
                                            "Arial",
                                            "Times New Roman",
                                            "Courier;New",
                                            "\xC3\x89l\xC3\xA9gante",
                                            "\xE5\xAE\x8B\xE4\xBD\x93"};
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    for (int round = 0; round < 300; ++round) {
        Document d;
        d.paragraphs.clear();
        const int paragraphs = 1 + pick(5);
        for (int p = 0; p < paragraphs; ++p) {
            Paragraph para;
            para.alignment = static_cast<Alignment>(pick(4));
            const int runs = pick(5);
            for (int r = 0; r < runs; ++r) {
                TextRun run;
                const int length = 1 + pick(300);
                for (int i = 0; i < length; ++i) {
                    char c = static_cast<char>(pick(256));
                    run.text.push_back(c == '\r' || c == '\n' ? ' ' : c);
                }
                CharFormat& f = run.format;
                f.face = faces[static_cast<std::size_t>(pick(6))];
                f.charset = pick(3) == 0 ? pick(256) : -1;
                f.halfPoints = pick(3) == 0 ? 0 : 1 + pick(3276);
                f.bold = pick(2) != 0;
                f.italic = pick(2) != 0;
                f.underline = pick(2) != 0;
                f.strikeOut = pick(2) != 0;
                if (pick(2) != 0) {
                    f.color = static_cast<std::uint32_t>(pick(4) == 0 ? 0 : rng() & 0xFFFFFF);
                }
                para.runs.push_back(run);
            }
            d.paragraphs.push_back(para);
        }
        if (pick(2) != 0) {
            d.base = Rtf::BaseFont{faces[static_cast<std::size_t>(1 + pick(5))],
                                   pick(2) == 0 ? -1 : pick(256), pick(2) == 0 ? 0 : 1 + pick(100)};
        }
        const std::string rtf = Rtf::Write(d);
        ASSERT_EQ(Rtf::Read(rtf), Rtf::WithBaseResolved(d)) << rtf;
    }
}

TEST(RtfWriter, WritesTwentyMegabytesQuickly) {
    Document d;
    d.paragraphs.clear();
    const std::string line = std::string(40, 'a') + " words \xE9 {x}\tend";
    for (std::size_t size = 0; size < 20'000'000; size += line.size() + 2) {
        d.paragraphs.push_back(Paragraph{Alignment::Left, {TextRun{line, CharFormat{}}}});
    }
    std::string rtf;
    EXPECT_LT(secondsOf([&] { rtf = Rtf::Write(d); }), 1 * kSlowdown);
    EXPECT_EQ(Rtf::Read(rtf), Rtf::WithBaseResolved(d));
}

} // namespace

#include "framework/CodePage.h"
#include "framework/Utf8.h"
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

TEST(RtfWriter, UnicodeTextGoesAsUnicodeEscapesWithCodePageFallbacks) {
    struct Case {
        std::string text; // UTF-8 of a Unicode document
        std::string written;
        std::string fallbacks; // what a reader that ignores \uN sees
    };
    const Case cases[] = {
        {"caf\u00E9 \u20AC", "caf\\u233\\'e9 \\u8364\\'80", "caf\xE9 \x80"},
        {"\u03B1\u4E2D", "\\u945?\\u20013?", "??"},
        {"\U0001F600", "\\u-10179?\\u-8704?", "??"}, // a surrogate pair
        {"\uFFFD\uFFFF\u0081", "\\u-3?\\u-1?\\u129\\'81", "??\x81"},
        {"{\\}\t\x01", "\\{\\\\\\}\\tab \\'01", "{\\}\t\x01"},
        // Bytes that are no UTF-8 go as themselves: a stray byte, a cut
        // sequence, an encoded surrogate.
        {"a\xFF"
         "b\xE4\xB8",
         "a\\'ffb\\'e4\\'b8",
         "a\xFF"
         "b\xE4\xB8"},
        {"\xED\xA0\x80", "\\'ed\\'a0\\'80", "\xED\xA0\x80"},
    };
    for (const Case& c : cases) {
        Document d;
        d.unicode = true;
        d.paragraphs[0].runs = {TextRun{c.text, CharFormat{}}};
        const std::string rtf = Rtf::Write(d);
        EXPECT_TRUE(contains(rtf, "\\uc1")) << rtf;
        EXPECT_TRUE(contains(rtf, "\\plain " + c.written + "}")) << c.written << "\n" << rtf;
        EXPECT_EQ(allTextOf(withoutUnicode(rtf)), c.fallbacks + "|") << c.written;
    }
    // Read(Write(d)) is d for a document Read gives; a byte that is no UTF-8
    // comes back as the code page's character for it.
    Document broken;
    broken.unicode = true;
    broken.paragraphs[0].runs = {TextRun{"\u03B1\xFF", CharFormat{}}};
    EXPECT_EQ(allText(Rtf::Read(Rtf::Write(broken))), "\u03B1\u00FF|");
}

TEST(RtfWriter, RecodedDocumentsChangeOnlyTheirText) {
    const Document unicode = SampleDocument("unicode text");
    const Document western = Rtf::Recoded(unicode, false);
    EXPECT_FALSE(western.unicode);
    EXPECT_EQ(allText(western),
              "????????, ??????, ?? ? e? caf\xE9 \x80 {\\}\t\x01\xB7\x95???\x81||");
    EXPECT_EQ(western.paragraphs[0].runs[1].format, unicode.paragraphs[0].runs[1].format);
    EXPECT_EQ(Rtf::Recoded(western, false), western);
    const Document back = Rtf::Recoded(western, true);
    EXPECT_TRUE(back.unicode);
    EXPECT_EQ(allText(back),
              "????????, ??????, ?? ? e? caf\u00E9 \u20AC {\\}\t\x01\u00B7\u2022???\u0081||");
    EXPECT_EQ(allText(Rtf::Recoded(Rtf::Read("{\\rtf1 \\u945?\\'ff}"), false)), "?\xFF|");
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
    // Characters of every length in UTF-8, surrogate pairs in UTF-16 included.
    const char32_t pool[] = {0x01,  0x7F,   0xE9,   0x81,   0x20AC,  0x3B1,   0x416,
                             0x5D0, 0x4E2D, 0xFFFD, 0xFFFF, 0x1F600, 0x10FFFF};
    for (int round = 0; round < 400; ++round) {
        Document d;
        d.unicode = round % 2 == 1;
        d.paragraphs.clear();
        const int paragraphs = 1 + pick(5);
        for (int p = 0; p < paragraphs; ++p) {
            Paragraph para;
            para.alignment = static_cast<Alignment>(pick(4));
            const int runs = pick(5);
            for (int r = 0; r < runs; ++r) {
                TextRun run;
                CharFormat& f = run.format;
                f.charset = pick(3) == 0 ? pick(256) : -1;
                const int length = 1 + pick(300);
                for (int i = 0; i < length; ++i) {
                    const char c = static_cast<char>(pick(256));
                    const char byte = c == '\r' || c == '\n' ? ' ' : c;
                    if (!d.unicode) {
                        run.text.push_back(byte);
                    } else if (f.charset == 2 || pick(2) == 0) {
                        // a symbol font's glyphs are the code page's characters
                        Utf8::Append(run.text,
                                     CodePage::ToUnicode(static_cast<unsigned char>(byte)));
                    } else {
                        Utf8::Append(run.text, pool[pick(std::size(pool))]);
                    }
                }
                f.face = faces[static_cast<std::size_t>(pick(6))];
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
        if (d.unicode) { // what makes it Unicode when read
            d.paragraphs.push_back(Paragraph{Alignment::Left, {TextRun{"\u03A9", CharFormat{}}}});
        }
        if (pick(2) != 0) {
            d.base = Rtf::BaseFont{faces[static_cast<std::size_t>(1 + pick(5))],
                                   pick(2) == 0 ? -1 : pick(256), pick(2) == 0 ? 0 : 1 + pick(100)};
            if (d.unicode && d.base.charset == 2) {
                d.base.charset = 0; // a symbol font has no glyphs for the pool's other characters
            }
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

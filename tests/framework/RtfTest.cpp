#include "framework/rtf/Rtf.h"

#include <chrono>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Rtf::Alignment;
using Rtf::CharFormat;
using Rtf::Document;
using Rtf::Paragraph;
using TextRun = Rtf::Run;

// Time bounds are for optimised builds; instrumented and unoptimised builds
// get looser ones.
#if defined(__SANITIZE_ADDRESS__)
#define PENNIVALE_RTF_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PENNIVALE_RTF_SANITIZED 1
#endif
#endif
#if defined(PENNIVALE_RTF_SANITIZED)
constexpr double kSlowdown = 30;
#elif !defined(NDEBUG)
constexpr double kSlowdown = 5;
#else
constexpr double kSlowdown = 1;
#endif

// The paragraphs' texts, formats ignored.
std::vector<std::string> texts(const Document& d) {
    std::vector<std::string> r;
    for (const Paragraph& p : d.paragraphs) {
        std::string s;
        for (const TextRun& run : p.runs) {
            s += run.text;
        }
        r.push_back(s);
    }
    return r;
}

std::string allText(const Document& d) {
    std::string s;
    for (const std::string& t : texts(d)) {
        s += t + "|";
    }
    return s;
}

double secondsOf(auto&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

CharFormat format(std::string face, int halfPoints, bool bold = false) {
    CharFormat f;
    f.face = std::move(face);
    f.halfPoints = halfPoints;
    f.bold = bold;
    return f;
}

TEST(Rtf, RoundTripKeepsTextFormattingAndAlignment) {
    Document d;
    d.paragraphs.clear();
    CharFormat red = format("Arial", 24, true);
    red.color = 0xFF0000;
    CharFormat black = format("Arial", 24);
    black.color = 0x000000; // explicit black differs from automatic
    CharFormat styled = format("Times New Roman", 33);
    styled.italic = styled.underline = styled.strikeOut = true;
    styled.charset = 238;
    CharFormat symbol = format("Symbol", 0);
    symbol.charset = 2;
    CharFormat nameless; // an empty face with a charset is a font of its own
    nameless.charset = 0;
    d.paragraphs.push_back(
        Paragraph{Alignment::Center, {TextRun{"Red bold", red}, TextRun{" black", black}}});
    d.paragraphs.push_back(Paragraph{Alignment::Right, {TextRun{"plain default", CharFormat{}}}});
    d.paragraphs.push_back(Paragraph{Alignment::Justify, {}});
    d.paragraphs.push_back(
        Paragraph{Alignment::Left,
                  {TextRun{"  lead\tand {braces} \\ here ", styled}, TextRun{"sym", symbol},
                   TextRun{"x", nameless}, TextRun{"back to default", CharFormat{}},
                   TextRun{"auto colour", format("Arial", 24)}}});
    d.paragraphs.push_back(Paragraph{Alignment::Center, {}}); // an empty last paragraph
    const std::string rtf = Rtf::Write(d);
    EXPECT_TRUE(Rtf::IsRtf(rtf));
    EXPECT_TRUE(rtf.starts_with("{\\rtf1\\ansi\\ansicpg1252\\deff0")) << rtf;
    EXPECT_NE(rtf.find("\\red255\\green0\\blue0;"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\fcharset238 Times New Roman;"), std::string::npos) << rtf;
    EXPECT_EQ(Rtf::Read(rtf), d) << rtf;

    // The font table numbers from 0 when every run names its font.
    Document named;
    named.paragraphs[0].runs = {TextRun{"a", format("Courier New", 20)},
                                TextRun{"b", format("Arial", 20)}};
    const std::string namedRtf = Rtf::Write(named);
    EXPECT_NE(namedRtf.find("{\\f0\\fnil Courier New;}{\\f1\\fnil Arial;}"), std::string::npos)
        << namedRtf;
    EXPECT_EQ(Rtf::Read(namedRtf), named);

    EXPECT_EQ(Rtf::Read(Rtf::Write(Document{})), Document{});
}

TEST(Rtf, BaseFontLeadsTheFontTableAndSizesTextWithoutASizeOfItsOwn) {
    Document d;
    d.base = Rtf::BaseFont{"MS Sans Serif", -1, 16};
    CharFormat sized; // the base face at a size of its own
    sized.halfPoints = 30;
    d.paragraphs[0].runs = {TextRun{"plain ", CharFormat{}},
                            TextRun{"arial", format("Arial", 24, true)}, TextRun{" big", sized},
                            TextRun{" named", format("MS Sans Serif", 0)}};
    d.paragraphs.push_back(Paragraph{Alignment::Center, {TextRun{"more", CharFormat{}}}});
    const std::string rtf = Rtf::Write(d);
    EXPECT_TRUE(rtf.starts_with("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil MS Sans "
                                "Serif;}{\\f1\\fnil Arial;}}\n{\\colortbl ;}"))
        << rtf;
    // The size of text without one is written, not left to each reader's default.
    EXPECT_NE(rtf.find("\\pard\\plain\\f0\\fs16 plain"), std::string::npos) << rtf;
    const Document read = Rtf::Read(rtf);
    EXPECT_EQ(read, Rtf::WithBaseResolved(d)) << rtf;
    ASSERT_EQ(read.paragraphs[0].runs.size(), 4u);
    EXPECT_EQ(read.paragraphs[0].runs[0].format, format("MS Sans Serif", 16));
    EXPECT_EQ(read.paragraphs[0].runs[2].format, format("MS Sans Serif", 30));
    EXPECT_EQ(read.paragraphs[0].runs[3].format, read.paragraphs[0].runs[0].format)
        << "the base face named by a run is the base font";

    // An empty document names its font and size too.
    Document empty;
    empty.base = d.base;
    const std::string emptyRtf = Rtf::Write(empty);
    EXPECT_NE(emptyRtf.find("{\\fonttbl{\\f0\\fnil MS Sans Serif;}}"), std::string::npos);
    EXPECT_NE(emptyRtf.find("\\fs16"), std::string::npos) << emptyRtf;
    EXPECT_EQ(Rtf::Read(emptyRtf), Document{});
}

TEST(Rtf, EveryByteButLineEndsSurvivesARoundTripAsSevenBitText) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n') {
            all.push_back(static_cast<char>(b));
        }
    }
    Document d;
    d.paragraphs[0].runs = {TextRun{all, CharFormat{}}};
    d.paragraphs.push_back(
        Paragraph{Alignment::Left, {TextRun{std::string(1, '\0'), format("A;b{c}", 20)}}});
    const std::string rtf = Rtf::Write(d);
    EXPECT_NE(rtf.find("\\'00"), std::string::npos); // NUL travels as \'00
    for (const char c : rtf) {
        const auto b = static_cast<unsigned char>(c);
        ASSERT_TRUE(b == '\n' || (b >= 0x20 && b < 0x7F)) << static_cast<int>(b);
    }
    EXPECT_EQ(Rtf::Read(rtf), d);
}

TEST(Rtf, RandomDocumentsRoundTrip) {
    std::mt19937 rng(20240601);
    const std::vector<std::string> faces = {"", "Arial", "Times New Roman", "Courier;New",
                                            "\xC9l\xE9gante"};
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
                f.face = faces[static_cast<std::size_t>(pick(5))];
                f.charset = pick(3) == 0 ? pick(256) : -1;
                f.halfPoints = pick(3) == 0 ? 0 : 1 + pick(3276);
                f.bold = pick(2) != 0;
                f.italic = pick(2) != 0;
                f.underline = pick(2) != 0;
                f.strikeOut = pick(2) != 0;
                if (pick(2) != 0) {
                    f.color = static_cast<std::uint32_t>(pick(4) == 0 ? 0 : rng() & 0xFFFFFF);
                }
                if (!para.runs.empty() && para.runs.back().format == f) {
                    para.runs.back().text += run.text; // equal neighbours read back merged
                } else {
                    para.runs.push_back(run);
                }
            }
            d.paragraphs.push_back(para);
        }
        if (pick(2) != 0) {
            d.base = Rtf::BaseFont{faces[static_cast<std::size_t>(1 + pick(4))],
                                   pick(2) == 0 ? -1 : pick(256), pick(2) == 0 ? 0 : 1 + pick(100)};
        }
        const std::string rtf = Rtf::Write(d);
        ASSERT_EQ(Rtf::Read(rtf), Rtf::WithBaseResolved(d)) << rtf;
    }
}

TEST(Rtf, WrittenLinesStayShort) {
    Document d;
    d.paragraphs[0].runs = {
        TextRun{std::string(5000, 'x') + " " + std::string(3000, '\xE9'), CharFormat{}}};
    d.paragraphs.push_back(
        Paragraph{Alignment::Left, {TextRun{std::string(2000, ' '), CharFormat{}}}});
    const std::string rtf = Rtf::Write(d);
    std::istringstream lines(rtf);
    std::string line;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 210u);
    }
    EXPECT_EQ(Rtf::Read(rtf), d);
}

// The way a word processor writes a short letter.
TEST(Rtf, ReadsAWordProcessorFile) {
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1033"
        "{\\fonttbl{\\f0\\fnil\\fcharset0 Calibri;}{\\f1\\froman\\fprq2\\fcharset0 Times New "
        "Roman{\\*\\falt Times};}}\r\n"
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue0;}\r\n"
        "{\\*\\generator Riched20 10.0.19041}{\\info{\\title Letter}{\\author Me}}\r\n"
        "{\\stylesheet{\\s0\\snext0 Normal;}{\\s1 heading 1;}}\\viewkind4\\uc1 \r\n"
        "\\pard\\sa200\\sl276\\slmult1\\qc\\f0\\fs22\\lang9 Dear \\b John\\b0 ,\\par\r\n"
        "\\pard\\qj\\cf1 red \\cf2 black\\cf0  auto \\f1\\fs32 big\\tab x\\line next\\par\r\n"
        "{\\header \\pard header text\\par}\\pard\\plain plain\\par\r\n"
        "}\r\n";
    const Document d = Rtf::Read(rtf);
    ASSERT_EQ(d.paragraphs.size(), 5u) << allText(d);
    EXPECT_EQ(texts(d), (std::vector<std::string>{"Dear John,", "red black auto big\tx", "next",
                                                  "plain", ""}));
    const Paragraph& first = d.paragraphs[0];
    EXPECT_EQ(first.alignment, Alignment::Center);
    ASSERT_EQ(first.runs.size(), 3u);
    CharFormat calibri = format("Calibri", 22);
    calibri.charset = 0;
    EXPECT_EQ(first.runs[0].format, calibri);
    EXPECT_EQ(first.runs[1].text, "John");
    EXPECT_TRUE(first.runs[1].format.bold);
    const Paragraph& second = d.paragraphs[1];
    EXPECT_EQ(second.alignment, Alignment::Justify);
    ASSERT_EQ(second.runs.size(), 4u);
    EXPECT_EQ(second.runs[0].format.color, std::optional<std::uint32_t>(0xFF0000));
    EXPECT_EQ(second.runs[1].format.color, std::optional<std::uint32_t>(0x000000));
    EXPECT_EQ(second.runs[2].format.color, std::nullopt);
    EXPECT_EQ(second.runs[3].text, "big\tx");
    EXPECT_EQ(second.runs[3].format.face, "Times New Roman");
    EXPECT_EQ(second.runs[3].format.halfPoints, 32);
    // \plain falls back to the default font (\deff0) with no size.
    CharFormat plainCalibri;
    plainCalibri.face = "Calibri";
    plainCalibri.charset = 0;
    EXPECT_EQ(d.paragraphs[3].runs[0].format, plainCalibri);
    EXPECT_EQ(Rtf::Read(Rtf::Write(d)), d);
}

TEST(Rtf, ReadsUnicodeEscapesWithTheirFallbacks) {
    const auto text = [](const std::string& body) {
        return allText(Rtf::Read("{\\rtf1\\ansi " + body + "}"));
    };
    // A character the code page holds replaces its fallback.
    EXPECT_EQ(text("caf\\u233\\'e9 ok"), "caf\xE9 ok|");
    EXPECT_EQ(text("\\u8364?x"), "\x80x|");
    EXPECT_EQ(text("{\\uc2\\u8212\\'2d\\'2dx}"), "\x97x|");
    // One it does not hold keeps its fallback text.
    EXPECT_EQ(text("\\u1071?\\u-10179?\\u-8704?"), "???|");
    EXPECT_EQ(text("\\uc0\\u20320 x"), "?x|");
    EXPECT_EQ(text("\\uc3\\u1071 abcd"), "abcd|");
    // The fallback ends at a brace; a control word counts as one character.
    EXPECT_EQ(text("\\uc3\\u233{x}y"), "\xE9xy|");
    EXPECT_EQ(text("\\u233\\b x"), "\xE9x|");
    // \uc is scoped to its group.
    EXPECT_EQ(text("{\\uc0 }\\u233 ab"), "\xE9"
                                         "b|");
    // Hex escapes, symbols and code-page bytes.
    EXPECT_EQ(text("\\'e9\\'C9\\'00z\\'4"), std::string("\xE9\xC9\0z\x04|", 6));
    EXPECT_EQ(text("\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote"),
              "\x97\x96\x95\x91\x92\x93\x94|");
    EXPECT_EQ(text("a\\~b\\-c\\_d\\\\\\{\\}\\tab e"), "a\xA0"
                                                      "b\xAD"
                                                      "c-d\\{}\te|");
    // Line ends of the source are no text, in any spelling.
    EXPECT_EQ(text("a\r\nb\rc\nd\\'0d\\'0a\\u13 \\u10 e"), "abcde|");
}

TEST(Rtf, SkipsDestinationsThatHoldNoText) {
    const std::string rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial{\\*\\panose 020b0604020202020204};}}"
        "{\\info{\\title Hidden}{\\*\\company Co}}{\\*\\unknown text{nested}}"
        "A{\\pict\\wmetafile8\\picw10 0a0b{\\*\\blipuid 11}\\bin6 }{x\\{y}B"
        "{\\object\\objemb{\\*\\objdata 0102}{\\result{\\pict 00}}}C"
        "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt {\\ul link}}}"
        "{\\footer f}{\\header h}{\\headerl h}{\\footnote n}{\\nonshppict{\\pict 00}}"
        "{\\b{\\*\\bkmkstart b}bold{\\*\\bkmkend b}}\\v hidden\\v0 D}";
    const Document d = Rtf::Read(rtf);
    EXPECT_EQ(allText(d), "ABClinkboldD|");
    ASSERT_EQ(d.paragraphs[0].runs.size(), 4u);
    EXPECT_TRUE(d.paragraphs[0].runs[1].format.underline);
    EXPECT_EQ(d.paragraphs[0].runs[1].text, "link");
    EXPECT_EQ(d.paragraphs[0].runs[0].format.face, "Arial");
    // A destination word at the top of the document cannot hide it.
    EXPECT_EQ(allText(Rtf::Read("{\\rtf1 \\pict a\\*b}")), "ab|");
}

TEST(Rtf, ReadsFontAndColourTables) {
    // Entries without groups, as older programs write them; \'3b is part of a name.
    const Document d = Rtf::Read(
        "{\\rtf1\\ansi\\deff2{\\fonttbl\\f0\\froman Tms Rmn;\\f1\\fdecor\\fcharset2 Symbol;"
        "\\f2\\fswiss   Helv  ;{\\f3 A\\'3bB;}{\\f4 " +
        std::string(100, 'W') +
        ";}}"
        "{\\colortbl\\red0\\green0\\blue0;;\\red300\\green-4\\blue128;\\green255}"
        "a\\f1 b\\f3 c\\f4 d\\f9 e\\cf0 f\\cf1 g\\cf2 h\\cf3 i\\cf99 j}");
    ASSERT_EQ(d.paragraphs[0].runs.size(), 10u);
    const auto& runs = d.paragraphs[0].runs;
    EXPECT_EQ(runs[0].format.face, "Helv"); // the default font, trimmed
    EXPECT_EQ(runs[1].format.face, "Symbol");
    EXPECT_EQ(runs[1].format.charset, 2);
    EXPECT_EQ(runs[2].format.face, "A;B");
    EXPECT_EQ(runs[3].format.face, std::string(31, 'W')); // face names are short
    EXPECT_EQ(runs[4].format.face, "Helv");               // an unknown font is the default one
    EXPECT_EQ(runs[5].format.color, std::optional<std::uint32_t>(0x000000));
    EXPECT_EQ(runs[6].format.color, std::nullopt); // an empty entry: automatic
    EXPECT_EQ(runs[7].format.color, std::optional<std::uint32_t>(0xFF0080));
    EXPECT_EQ(runs[8].format.color, std::optional<std::uint32_t>(0x00FF00));
    EXPECT_EQ(runs[9].text, "j"); // out of the table: automatic
    EXPECT_EQ(runs[9].format.color, std::nullopt);
    EXPECT_EQ(Rtf::Read(Rtf::Write(d)), d);
}

// A group nested in an entry before the name ended the entry early and lost
// the name.
TEST(Rtf, FontEntryWithPanoseBeforeTheNameKeepsTheName) {
    const Document d = Rtf::Read(
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fbidi \\froman\\fcharset0\\fprq2{\\*\\panose "
        "02020603050405020304}Times New Roman;}{\\f3\\froman\\fcharset2{\\*\\panose 05050102}{\\*"
        "\\fname Sym;}Symbol{\\*\\falt Sym};}}a\\f3 b}");
    ASSERT_EQ(d.paragraphs[0].runs.size(), 2u);
    EXPECT_EQ(d.paragraphs[0].runs[0].format.face, "Times New Roman");
    EXPECT_EQ(d.paragraphs[0].runs[0].format.charset, 0);
    EXPECT_EQ(d.paragraphs[0].runs[1].format.face, "Symbol");
    EXPECT_EQ(d.paragraphs[0].runs[1].format.charset, 2);
}

TEST(Rtf, CharacterSwitchesAndParagraphs) {
    const Document d = Rtf::Read(
        "{\\rtf1 \\b b\\b0 n\\i1 i\\i0 \\ul u\\ul0 n\\uldb u\\ulnone n\\strike s\\striked0 n"
        "\\fs0 x\\fs y\\fs99999999999 z{\\qc\\b centred\\par}left\\qr\\line right}");
    ASSERT_EQ(d.paragraphs.size(), 3u);
    const auto& runs = d.paragraphs[0].runs;
    std::string styles;
    for (const TextRun& r : runs) {
        styles += r.text + (r.format.bold ? "B" : "") + (r.format.italic ? "I" : "") +
                  (r.format.underline ? "U" : "") + (r.format.strikeOut ? "S" : "") + "/" +
                  std::to_string(r.format.halfPoints) + " ";
    }
    EXPECT_EQ(styles, "bB/0 n/0 iI/0 uU/0 n/0 uU/0 n/0 sS/0 nx/0 y/24 z/3276 centredB/3276 ");
    EXPECT_EQ(d.paragraphs[0].alignment, Alignment::Center); // the alignment in force at \par
    EXPECT_EQ(d.paragraphs[1].alignment, Alignment::Right);
    EXPECT_EQ(texts(d), (std::vector<std::string>{"bniununsnxyzcentred", "left", "right"}));
    EXPECT_EQ(d.paragraphs[2].alignment, Alignment::Right);

    EXPECT_EQ(Rtf::Read("").paragraphs.size(), 1u);
    EXPECT_EQ(texts(Rtf::Read("{\\rtf1 a\\par b}")), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(texts(Rtf::Read("{\\rtf1 a\\par}")), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(texts(Rtf::Read("{\\rtf1 a\\\nb\\page c\\cell d\\row}")),
              (std::vector<std::string>{"a", "b", "c\td", ""}));
    EXPECT_FALSE(Rtf::IsRtf("{\\rt"));
    EXPECT_FALSE(Rtf::IsRtf(" {\\rtf1}"));
    EXPECT_TRUE(Rtf::IsRtf("{\\rtf"));
}

TEST(Rtf, HostileInputKeepsTheReadableText) {
    // Missing and extra closing braces; whatever follows the end that is
    // only blanks (a trailing NUL, line ends) is no text.
    EXPECT_EQ(allText(Rtf::Read("{\\rtf1 {\\b bold {\\i more")), "bold more|");
    EXPECT_EQ(allText(Rtf::Read("}}{\\rtf1 a}} b}}")), "a b|");
    EXPECT_EQ(allText(Rtf::Read(std::string("{\\rtf1 a}\r\n\0\0", 13))), "a|");
    // Truncated escapes and huge numbers.
    for (const char* tail :
         {"\\", "\\'", "\\'4", "\\u", "\\u-", "\\b-", "\\bin", "\\bin99999999999999999999",
          "\\uc99999999999\\u-99999999999 x", "\\fs-2147483648", "\\f99999999999 \\cf-1 x", "\\*",
          "{\\*", "{\\fonttbl{\\f0 Ar", "{\\colortbl\\red"}) {
        const Document d = Rtf::Read(std::string("{\\rtf1 ok ") + tail);
        EXPECT_TRUE(allText(d).starts_with("ok ")) << tail;
        EXPECT_EQ(Rtf::Read(Rtf::Write(d)), d) << tail;
    }
    // \bin data is skipped by its count, braces and all, even where it runs out.
    EXPECT_EQ(allText(Rtf::Read("{\\rtf1 a{\\pict\\bin3 }}{b}c}")), "ac|");
    EXPECT_EQ(allText(Rtf::Read("{\\rtf1 a\\bin2000000000 xyz")), "a|");
}

TEST(Rtf, DeepNestingDoesNotRecurse) {
    const int depth = 100000;
    std::string rtf =
        "{\\rtf1 " + std::string(depth, '{') + "\\b deep" + std::string(depth, '}') + " after}";
    Document d;
    const double seconds = secondsOf([&] { d = Rtf::Read(rtf); });
    EXPECT_LT(seconds, 2 * kSlowdown);
    EXPECT_EQ(allText(d), "deep after|");
    // Unclosed, and with destinations to skip deep down.
    rtf = "{\\rtf1 ";
    for (int i = 0; i < depth; ++i) {
        rtf += i % 3 == 0 ? "{\\*\\x junk}" : "{t";
    }
    d = Rtf::Read(rtf);
    EXPECT_EQ(Rtf::Read(Rtf::Write(d)), d);
}

TEST(Rtf, BinaryJunkNeitherCrashesNorHangs) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::string junk = "{\\rtf1 ";
        const int length = static_cast<int>(rng() % 4000);
        const char alphabet[] = "{}\\'*;0123456789-abcdefuvlr \r\n";
        for (int i = 0; i < length; ++i) {
            junk.push_back(rng() % 2 == 0 ? static_cast<char>(rng())
                                          : alphabet[rng() % (sizeof(alphabet) - 1)]);
        }
        const Document d = Rtf::Read(junk);
        ASSERT_FALSE(d.paragraphs.empty());
        ASSERT_EQ(Rtf::Read(Rtf::Write(d)), d);
    }
}

TEST(Rtf, ReadsTenMegabytesQuickly) {
    // A typical body: formatting switches, escapes, paragraphs.
    std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 "
                      "Courier;}}{\\colortbl;\\red9\\green8\\blue7;}";
    const std::string chunk =
        "\\pard\\qc\\f1\\fs20 Some \\b bold\\b0  and \\cf1 caf\\'e9\\cf0  text {\\i here}\\par\n";
    std::size_t chunks = 0;
    for (; rtf.size() < 10'000'000; ++chunks) {
        rtf += chunk;
    }
    rtf += "}";
    Document d;
    const double seconds = secondsOf([&] { d = Rtf::Read(rtf); });
    EXPECT_LT(seconds, 3 * kSlowdown);
    EXPECT_EQ(d.paragraphs.size(), chunks + 1);
    // The same text unbroken by any control word.
    const std::string plain = "{\\rtf1 " + std::string(10'000'000, 'x') + "}";
    EXPECT_LT(secondsOf([&] { d = Rtf::Read(plain); }), 1 * kSlowdown);
    EXPECT_EQ(d.paragraphs[0].runs[0].text.size(), 10'000'000u);
}

TEST(Rtf, WritesTwentyMegabytesQuickly) {
    Document d;
    d.paragraphs.clear();
    const std::string line = std::string(40, 'a') + " words \xE9 {x}\tend";
    for (std::size_t size = 0; size < 20'000'000; size += line.size() + 2) {
        d.paragraphs.push_back(Paragraph{Alignment::Left, {TextRun{line, CharFormat{}}}});
    }
    std::string rtf;
    EXPECT_LT(secondsOf([&] { rtf = Rtf::Write(d); }), 1 * kSlowdown);
    EXPECT_EQ(Rtf::Read(rtf), d);
}

} // namespace

#include "framework/rtf/Rtf.h"

#include "tests/framework/RtfTestSupport.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using Rtf::Alignment;
using Rtf::CharFormat;
using Rtf::Document;
using Rtf::Paragraph;
using TextRun = Rtf::Run;

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
    EXPECT_EQ(first.runs[0].format, readFormat("Calibri", 22));
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
    // \plain falls back to the default font (\deff0) at 12 points.
    EXPECT_EQ(d.paragraphs[3].runs[0].format, readFormat("Calibri"));
    EXPECT_FALSE(d.unicode); // a file of Windows-1252 text stays its bytes
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
    // One it does not hold makes the document Unicode, and skips its
    // fallback too; a surrogate pair is one character, and a surrogate
    // without its other half U+FFFD.
    EXPECT_EQ(text("\\u1071?\\u-10179?\\u-8704?"), "Я😀|");
    EXPECT_EQ(text("\\uc0\\u20320 x"), "你x|");
    EXPECT_EQ(text("\\uc3\\u1071 abcd"), "Яd|");
    EXPECT_EQ(text("\\uc0\\u-10179\\u-8704\\u-10179 x\\u-8704\\u55357\\par\\u56832"),
              "😀\uFFFDx\uFFFD\uFFFD|\uFFFD|");
    EXPECT_EQ(text("\\u-10179?{\\b\\u-8704?}"), "😀|"); // the pair is the character, in bold
    EXPECT_EQ(text("\\u-10179\\'3f\\u-10179\\'3f\\u-8704\\'3f"), "\uFFFD😀|");
    // The fallback ends at a brace; a control word counts as one character.
    EXPECT_EQ(text("\\uc3\\u233{x}y"), "\xE9xy|");
    EXPECT_EQ(text("\\u233\\b x"), "\xE9x|");
    // \uc is scoped to its group.
    EXPECT_EQ(text("{\\uc0 }\\u233 ab"), "\xE9"
                                         "b|");
    // Hex escapes, symbols and code-page bytes; an escape without its two
    // digits stands for nothing.
    EXPECT_EQ(text("\\'e9\\'C9\\'00z\\'4"), std::string("\xE9\xC9\0z|", 5));
    EXPECT_EQ(text("a\\'4x\\'zz\\'"), "axzz|");
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
    // Text without a size, or with none that is valid, is 12 points.
    EXPECT_EQ(styles, "bB/24 n/24 iI/24 uU/24 n/24 uU/24 n/24 sS/24 nxy/24 z/3276 centredB/3276 ");
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
    // Missing closing braces, and braces before the document.
    EXPECT_EQ(allText(Rtf::Read("{\\rtf1 {\\b bold {\\i more")), "bold more|");
    EXPECT_EQ(allText(Rtf::Read("}}{\\rtf1 a}} b}}")), "a|");
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

// A footnote showed nothing where it was marked; its number shows now, as
// in word processors, and its own text stays out of the body.
TEST(Rtf, FootnoteMarksShowTheirNumbers) {
    const std::string note = "{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} The note.}";
    EXPECT_EQ(allTextOf("{\\rtf1 First" + note + " second" + note + " end.}"),
              "First1 second2 end.|");
    // Numbering may start elsewhere; a mark in a note is the note's own, and
    // a note inside a note is no text either.
    EXPECT_EQ(allTextOf("{\\rtf1\\ftnstart5 a{\\chftn}{\\footnote x{\\footnote y\\chftn}z\\chftn}"
                        " b\\chftn{\\*\\footnote\\ftnalt e}}"),
              "a5 b6|");
    // The number takes the format of its group.
    const Rtf::Document d = Rtf::Read("{\\rtf1 a{\\b\\chftn}{\\footnote n}}");
    ASSERT_EQ(d.paragraphs[0].runs.size(), 2u);
    EXPECT_EQ(d.paragraphs[0].runs[1].text, "1");
    EXPECT_TRUE(d.paragraphs[0].runs[1].format.bold);

    // A million marks are a million numbers, read in linear time.
    std::string many = "{\\rtf1 ";
    std::string expected;
    for (int i = 1; i <= 1'000'000; ++i) {
        many += "\\chftn ";
        expected += std::to_string(i);
    }
    many += "}";
    std::string text;
    EXPECT_LT(secondsOf([&] { text = allTextOf(many); }), 2 * kSlowdown);
    EXPECT_EQ(text, expected + "|");
}

// A NUL padding, a second copy or garbage after the document appeared as
// text at its end.
TEST(Rtf, WhateverFollowsTheOutermostGroupIsIgnored) {
    for (const std::string& tail :
         {std::string(512, '\0'), std::string("{\\rtf1 a}"), std::string(" trailing garbage \\b x"),
          std::string("}}{"), std::string("\r\n\x1A")}) {
        EXPECT_EQ(allTextOf("{\\rtf1 a}" + tail), "a|") << tail;
    }
    std::string garbage(10'000'000, 'g');
    for (std::size_t i = 0; i < garbage.size(); i += 7) {
        garbage[i] = "{}\\\'x\0"[i % 6];
    }
    std::string text;
    EXPECT_LT(secondsOf([&] { text = allTextOf("{\\rtf1 a\\par b}" + garbage); }), 1 * kSlowdown);
    EXPECT_EQ(text, "a|b|");
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
    EXPECT_FALSE(d.unicode);
    // A Greek letter at the very end makes all of the text before it UTF-8, once.
    rtf.insert(rtf.size() - 1, "\\u945?");
    EXPECT_LT(secondsOf([&] { d = Rtf::Read(rtf); }), 3 * kSlowdown);
    EXPECT_TRUE(d.unicode);
    EXPECT_EQ(d.paragraphs.size(), chunks + 1);
    EXPECT_EQ(d.paragraphs[0].runs[3].text, "caf\u00E9");
    // The same text unbroken by any control word.
    const std::string plain = "{\\rtf1 " + std::string(10'000'000, 'x') + "}";
    EXPECT_LT(secondsOf([&] { d = Rtf::Read(plain); }), 1 * kSlowdown);
    EXPECT_EQ(d.paragraphs[0].runs[0].text.size(), 10'000'000u);
}

} // namespace

// Text in the code pages other programs write it in: characters Windows-1252
// holds are read into it, and a file with any other is a Unicode document.
#include "framework/rtf/Rtf.h"
#include "tests/framework/RtfTestSupport.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct Case {
    const char* what;
    std::string rtf;
    std::string text; // allText of what is read
    bool unicode = true;
};

void expectTexts(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const Rtf::Document d = Rtf::Read(c.rtf);
        EXPECT_EQ(allText(d), c.text) << c.what;
        EXPECT_EQ(d.unicode, c.unicode) << c.what;
        EXPECT_EQ(Rtf::Read(Rtf::Write(d)), d) << c.what;
    }
}

// A document in the code page whose font 0 has the charset.
std::string withCharset(int charset, const std::string& body, const std::string& cpg = "1252") {
    return "{\\rtf1\\ansi\\ansicpg" + cpg + "\\deff0{\\fonttbl{\\f0\\fnil\\fcharset" +
           std::to_string(charset) + " Arial;}}\\f0 " + body + "}";
}

// Greek, Cyrillic and the rest came through as the Latin letters of their
// bytes, then as "?"; now each byte is the character its code page gives it.
TEST(RtfCodePages, EachSingleByteCodePageReadsAsItsCharacters) {
    expectTexts({
        // The file's code page, for text in no font.
        {"1250 by ansicpg", "{\\rtf1\\ansi\\ansicpg1250 \\'a3\\'f3d\\'9f, \\'e9t\\'e9 \\'84x\\'93}",
         "Łódź, été „x“|"},
        {"1251 by ansicpg", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2 \\'ab\\'bb}",
         "Привет «»|"},
        // The font's charset, whatever the file's code page.
        {"1253 Greek", withCharset(161, "\\'e1\\'e2\\'e3 \\'a3\\'a7\\'b0"), "αβγ £§°|"},
        {"1254 Turkish", withCharset(162, "\\'fd\\'f0\\'e7\\'f6\\'fc"), "ığçöü|"},
        {"1255 Hebrew", withCharset(177, "\\'f9\\'ec\\'e5\\'ed \\'a4"), "שלום ₪|"},
        {"1256 Arabic", withCharset(178, "\\'c7\\'e1 \\'e9\\'e0"), "ال éà|"},
        {"1257 Baltic", withCharset(186, "\\'c0\\'e0\\'f0 \\'e9"), "Ąąš é|"},
        // A letter and its combining mark are one character.
        {"1258 Vietnamese", withCharset(163, "Vi\\'ea\\'f2t \\'aa\\'c0"), "Vi\u1EC7t ªÀ|"},
        {"874 Thai", withCharset(222, "\\'a1\\'d2 \\'85"), "กา …|"},
        {"1250 Central European", withCharset(238, "\\'8a\\'9a\\'e8"), "Ššč|"},
        {"1251 Cyrillic in a Western file", withCharset(204, "\\'c0 \\'b9", "1252"), "А №|"},
        // Charset 0 is Western even in a Cyrillic file.
        {"charset 0 in 1251", withCharset(0, "\\'c0\\'e9", "1251"), "\xC0\xE9|", false},
        // While every character is one Windows-1252 holds, the text is its bytes.
        {"1250 within 1252", withCharset(238, "\\'8a\\'9a\\'e9"), "\x8A\x9A\xE9|", false},
        // \cpg names a font's code page outright.
        {"cpg", "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0\\cpg1253 A;}}\\f0 \\'e1\\'a3}", "α£|"},
        // Raw bytes of the source are text of the code page too.
        {"raw bytes", withCharset(161, "\xE1\xA3 x"), "α£ x|"},
        // Text before the first character outside Windows-1252 becomes UTF-8 too.
        {"late Greek",
         "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset161 B;}}\\f0 "
         "caf\\'e9\\emdash\\par\\f1 \\'e1}",
         "café—|α|"},
    });
}

TEST(RtfCodePages, DoubleByteCharactersAreOneCharacterEvenAcrossEscapes) {
    expectTexts({
        {"932", withCharset(128, "a\\'81\\'8b\\'82\\'a0b"), "a°あb|"},
        {"936", withCharset(134, "\\'a1\\'e3\\'d6\\'d0\\'a1\\'a4"), "°中·|"},
        {"949", withCharset(129, "\\'a1\\'c6\\'b0\\'a1"), "°가|"},
        {"950", withCharset(136, "\\'a2\\'58\\'a4\\'a4\\'a1\\'50"), "°中·|"},
        {"936 by ansicpg", "{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0\\'ce\\'c4}", "中文|"},
        // Bytes whose character Windows-1252 holds show that both bytes were
        // read together: the degree sign.
        {"by ansicpg", "{\\rtf1\\ansi\\ansicpg932 \\'81\\'8b}", "\xB0|", false},
        // A source line break between the two bytes does not part them.
        {"line break", withCharset(128, "\\'81\r\n\\'8b"), "\xB0|", false},
        // A trail byte may be an ASCII byte, raw or escaped (a kana, then the
        // two-byte "表" whose trail byte is a backslash).
        {"ASCII trail", withCharset(128, "\\'83a\\'95\\\\x"), "ヂ表x|"},
        {"fallback", withCharset(128, "\\uc2\\u12354\\'82\\'a0!"), "あ!|"},
        // A lead byte without its trail byte is one unreadable character:
        // "?" in the code page, U+FFFD in a Unicode document.
        {"lead at the end", withCharset(128, "ok\\'82"), "ok?|", false},
        {"lead before a break", withCharset(128, "\\'82\\par b"), "?|b|", false},
        {"lead in Unicode", withCharset(128, "\\'82\\par \\'82\\'a0\\'82"), "?|あ\uFFFD|"},
    });
    // At the very end of the input, with no closing brace.
    EXPECT_EQ(allTextOf("{\\rtf1\\ansi\\ansicpg932 x\\'82"), "x?|");
    EXPECT_EQ(allTextOf("{\\rtf1\\ansi\\ansicpg932 x\x82"), "x?|");
}

TEST(RtfCodePages, UnknownCodePagesReadAsWindows1252) {
    expectTexts({
        {"ansicpg 99999", "{\\rtf1\\ansi\\ansicpg99999 \\'c0\\'e9\\'80}", "\xC0\xE9\x80|", false},
        {"ansicpg 0", "{\\rtf1\\ansi\\ansicpg0 \\'c0}", "\xC0|", false},
        {"ansicpg -5", "{\\rtf1\\ansi\\ansicpg-5 \\'c0}", "\xC0|", false},
        // A charset that names no code page leaves the file's.
        {"charset 99", withCharset(99, "\\'c0", "1251"), "А|"},
        {"charset 99 in 99999", withCharset(99, "\\'c0\\'e9", "99999"), "\xC0\xE9|", false},
        {"charset 1", withCharset(1, "\\'e9", "1252"), "\xE9|", false},
        {"cpg 12345", "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset161\\cpg12345 A;}}\\f0 \\'e1}", "α|"},
        // \mac and \pc documents without \ansicpg.
        {"mac", "{\\rtf1\\mac \\'8e}", "\xE9|", false},
        {"pc", "{\\rtf1\\pc \\'82}", "\xE9|", false},
    });
}

TEST(RtfCodePages, FontNamesAreReadInTheirOwnCodePage) {
    const Rtf::Document d = Rtf::Read(
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset204 "
        "\\'d2\\'e0\\'e9\\'ec\\'f1;}"
        "{\\f1\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}"
        "{\\f2\\fnil\\fcharset0 \\u201\\'c9l\\u233?gante;}{\\f3\\fnil \\u-10179?\\u-8704?x;}}"
        "\\f0 a\\f1 b\\f2 c\\f3 d}");
    ASSERT_EQ(d.paragraphs[0].runs.size(), 4u);
    EXPECT_EQ(d.paragraphs[0].runs[0].format.face, "\xD0\xA2\xD0\xB0\xD0\xB9\xD0\xBC\xD1\x81");
    EXPECT_EQ(d.paragraphs[0].runs[1].format.face,
              "\xEF\xBC\xAD\xEF\xBC\xB3 \xE6\x98\x8E\xE6\x9C\x9D");
    EXPECT_EQ(d.paragraphs[0].runs[2].format.face, "\xC3\x89l\xC3\xA9gante");
    EXPECT_EQ(d.paragraphs[0].runs[3].format.face, "\xF0\x9F\x98\x80x"); // a surrogate pair
    // Each now holds text in the document code page.
    for (const Rtf::Run& run : d.paragraphs[0].runs) {
        EXPECT_EQ(run.format.charset, 0);
    }
    EXPECT_EQ(Rtf::Read(Rtf::Write(d)), d);
}

TEST(RtfCodePages, SymbolFontsKeepTheirBytes) {
    // In a Unicode document each glyph number is the character of its byte
    // in Windows-1252, so writing gives the byte back.
    const Rtf::Document d = Rtf::Read(
        "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}{\\f1\\fcharset2 Symbol;}}"
        "\\f1 \\'b7a\\u8226\\'b7\\bullet\\f0 \\'c0}");
    ASSERT_TRUE(d.unicode);
    ASSERT_EQ(d.paragraphs[0].runs.size(), 3u);
    EXPECT_EQ(d.paragraphs[0].runs[0].text, "·a"); // glyph numbers, as they were
    EXPECT_EQ(d.paragraphs[0].runs[0].format.charset, 2);
    EXPECT_EQ(d.paragraphs[0].runs[1].text, "••"); // characters: bullets
    EXPECT_EQ(d.paragraphs[0].runs[1].format.charset, 0);
    EXPECT_EQ(d.paragraphs[0].runs[1].format.face, "Symbol");
    EXPECT_EQ(d.paragraphs[0].runs[2].text, "А");
    const std::string rtf = Rtf::Write(d);
    EXPECT_NE(rtf.find("\\f0\\fs24 \\'b7a\\f1 \\u8226\\'95\\u8226\\'95\\f2 \\u1040?"),
              std::string::npos)
        << rtf;
    EXPECT_EQ(Rtf::Read(rtf), d);
    // Without the Cyrillic letter the bytes stay bytes.
    const Rtf::Document bytes = Rtf::Read("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}\\f1 \\'b7}");
    EXPECT_FALSE(bytes.unicode);
    EXPECT_EQ(allText(bytes), "\xB7|");
}

} // namespace

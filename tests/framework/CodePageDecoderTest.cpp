#include "framework/CodePageDecoder.h"

#include <gtest/gtest.h>
#include <string>

namespace {

constexpr char32_t kBad = TCodePageDecoder::kInvalid;

TEST(CodePageDecoder, DecodesEachFamilyThroughTheSystemsConverters) {
    struct Case {
        int codePage;
        std::string bytes;
        std::u32string characters;
    };
    const Case cases[] = {
        {1250, "\xA3\xE9\xF0\x84", U"\u0141\u00E9\u0111\u201E"},
        {1251, "\xC0\xE0\xE9\x93", U"\u0410\u0430\u0439\u201C"},
        {1253, "\xC0\xE0\xF0", U"\u0390\u03B0\u03C0"},
        {1254, "\xF0\xE0", U"\u011F\u00E0"},
        {1255, "\xE0\xE9\xF0", U"\u05D0\u05D9\u05E0"},
        {1256, "\xC7\xE9", U"\u0627\u00E9"},
        {1257, "\xC0\xE0\xF0", U"\u0104\u0105\u0161"},
        // A converter that waits for a combining mark still gives the last character.
        {1258, "\xC0\xF0x", U"\u00C0\u0111x"},
        {1258, "a\xEC", U"\u00E1"},
        {874, "\xA3\xE0", U"\u0E03\u0E40"},
        // Double-byte pages: a lead byte and its trail make one character.
        {932, "a\x82\xA0\x92\x86", U"a\u3042\u4E2D"},
        {936, "\xD6\xD0\xA1\xA4", U"\u4E2D\u00B7"},
        {949, "\xB0\xA1\xF1\xE9", U"\uAC00\u4E2D"},
        {950, "\xA4\xA4\xA1\x50", U"\u4E2D\u00B7"},
        // Bytes that start no character, and a lead byte at the very end.
        {1253, "\xAAx", {kBad, U'x'}},
        {932, std::string("\x82\n", 2), {kBad, U'\n'}},
        {932, "a\x82", {U'a', kBad}},
        {949, "\xB0", {kBad}},
    };
    for (const Case& c : cases) {
        const auto decoder = TCodePageDecoder::Open(c.codePage);
        ASSERT_NE(decoder, nullptr) << c.codePage;
        std::u32string out = U"<";
        decoder->ToUnicode(c.bytes, out);
        EXPECT_EQ(out, U"<" + c.characters) << c.codePage << " " << c.bytes;
        out.clear();
        decoder->ToUnicode(c.bytes, out); // a second call starts afresh
        EXPECT_EQ(out, c.characters) << c.codePage;
    }
}

TEST(CodePageDecoder, GivesDocumentBytesWithQuestionMarksForTheRest) {
    const auto central = TCodePageDecoder::Open(1250);
    std::string out;
    central->ToDocument("\xA3\xE9\x84z", out);
    EXPECT_EQ(out, "?\xE9\x84z");
    const auto japanese = TCodePageDecoder::Open(932);
    out.clear();
    japanese->ToDocument("\x81\x8B\x82\xA0\x82", out); // a degree sign, a kana, a lone lead byte
    EXPECT_EQ(out, "\xB0??");
    // The document code page and numbers that name no code page have no decoder.
    for (const int codePage : {1252, 0, -1, 42, 99999}) {
        EXPECT_EQ(TCodePageDecoder::Open(codePage), nullptr) << codePage;
    }
}

} // namespace

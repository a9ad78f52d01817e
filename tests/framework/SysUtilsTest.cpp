#include "framework/SysUtils.h"

#include "framework/CodePage.h"
#include "framework/Exceptions.h"

#include <gtest/gtest.h>

namespace {

// The message of the Error that action raises, or "(none)"; another kind of
// exception fails the test.
template <class Error, class Action> std::string raised(Action action) {
    try {
        action();
    } catch (const Error& e) {
        return e.Message();
    }
    return "(none)";
}

} // namespace

TEST(SysUtils, CheckedAccessRaisesTheRangeError) {
    const std::string s = "abc";
    EXPECT_EQ(CharAt(s, 1), 'a');
    EXPECT_EQ(CharAt(s, 3), 'c');
    for (const std::int64_t bad : {0, 4, -1}) {
        EXPECT_EQ(raised<ERangeError>([&] { CharAt(s, bad); }), "Range check error") << bad;
    }
    EXPECT_THROW(CharAt("", 1), ERangeError);
}

TEST(SysUtils, ConversionErrorsQuoteTheText) {
    EXPECT_EQ(StrToInt(" 8080"), 8080);
    EXPECT_EQ(StrToInt("-12"), -12);
    EXPECT_EQ(StrToInt("$1F"), 31);
    for (const char* bad : {"", "80a", "abc", "99999999999", "8 0"}) {
        EXPECT_EQ(raised<EConvertError>([&] { StrToInt(bad); }),
                  std::string("'") + bad + "' is not a valid integer value");
    }
    EXPECT_DOUBLE_EQ(StrToFloat(" 2.32\r\n"), 2.32);
    for (const char* bad : {"", "2,32", "nan", "1.0.0x", "inf"}) {
        EXPECT_EQ(raised<EConvertError>([&] { StrToFloat(bad); }),
                  std::string("'") + bad + "' is not a valid floating point value");
    }
    EXPECT_EQ(AtoI("  42abc"), 42);
    EXPECT_EQ(AtoI("x"), 0);
}

TEST(SysUtils, CopyAndPosCountFromOne) {
    EXPECT_EQ(Copy("hello", 2, 3), "ell");
    EXPECT_EQ(Copy("hello", 4, 100), "lo");
    EXPECT_EQ(Copy("hello", 6, 1), "");
    EXPECT_EQ(Copy("hello", 0, 2), "he");
    EXPECT_EQ(Pos("l", "hello"), 3);
    EXPECT_EQ(Pos("z", "hello"), 0);
    EXPECT_EQ(Pos("", "hello"), 0);
}

TEST(CodePage, IsABijectionOverAllBytes) {
    for (int b = 0; b < 256; ++b) {
        const char16_t u = CodePage::ToUnicode(static_cast<unsigned char>(b));
        EXPECT_EQ(CodePage::FromUnicode(u), b);
    }
    EXPECT_EQ(CodePage::ToUnicode(0x80), u'\u20AC');
    EXPECT_EQ(CodePage::ToUnicode(0x81), u'\u0081');
    EXPECT_EQ(CodePage::FromUnicode(U'\u4E2D'), -1);
    EXPECT_EQ(CodePage::FromUnicode(U'\U0001F600'), -1);
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    EXPECT_EQ(CodePage::FromQString(CodePage::ToQString(all)), all);
    EXPECT_EQ(CodePage::FromQString(QStringLiteral(u"a\u4E2Db\U0001F600")), "a?b?");
}

TEST(CodePage, CaseTablesCoverAccentedLetters) {
    EXPECT_EQ(AnsiUpperCase("\xE9t\xE9 \x9A\x9C\xFF"), "\xC9T\xC9 \x8A\x8C\x9F");
    EXPECT_EQ(AnsiLowerCase("\xC9T\xC9 \x8A\x8C\x9F"), "\xE9t\xE9 \x9A\x9C\xFF");
    // Letters without a single-byte partner stay as they are.
    EXPECT_EQ(AnsiUpperCase("\xDF\xB5"), "\xDF\xB5");
    EXPECT_TRUE(CodePage::IsAlnum(static_cast<unsigned char>('\xE9')));
    EXPECT_TRUE(CodePage::IsAlnum('7'));
    EXPECT_FALSE(CodePage::IsAlnum('_'));
    EXPECT_FALSE(CodePage::IsAlnum(static_cast<unsigned char>('\xA0')));
    EXPECT_TRUE(AnsiSameText("\xC9T\xC9", "\xE9t\xE9"));
}

#include "framework/TextEncoding.h"

#include "framework/Utf8.h"
#include "framework/Utf8Validate.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

using namespace std::string_literals;

bool ValidBySequenceLength(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const int length = Utf8::SequenceLength(text, i);
        if (length == 0) {
            return false;
        }
        i += static_cast<std::size_t>(length);
    }
    return true;
}

// Both validators and the public one against the byte-by-byte reference.
void ExpectValidity(const std::string& text) {
    const bool expected = ValidBySequenceLength(text);
    EXPECT_EQ(Utf8::IsValid(text), expected) << testing::PrintToString(text);
    EXPECT_EQ(Utf8::detail::IsValidScalar(text), expected) << testing::PrintToString(text);
    if (Utf8::detail::HasAvx2()) {
        EXPECT_EQ(Utf8::detail::IsValidAvx2(text), expected) << testing::PrintToString(text);
    }
    if (Utf8::detail::HasSsse3()) {
        EXPECT_EQ(Utf8::detail::IsValidSsse3(text), expected) << testing::PrintToString(text);
    }
}

const std::string kInvalidForms[] = {
    "\xFF",         "\xE2\x82",         "\xC0\xAF", "\xE0\x80\xAF",
    "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80",     "\xF8\x88\x80\x80\x80"};

std::string Utf16(std::u16string_view units, bool bigEndian) {
    std::string out;
    for (const char16_t u : units) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

} // namespace

TEST(Utf8Validation, EachInvalidFormFailsAtStartMiddleAndEndOnEveryPath) {
    // Long enough that the vector path sees the form in its first, a middle and its last block.
    const std::string prose =
        "Caf\xC3\xA9 cr\xC3\xA8me, 5 \xE2\x82\xAC \xF0\x9F\x98\x80 " + std::string(90, 'a');
    for (const std::string& bad : kInvalidForms) {
        for (const std::size_t at : {std::size_t{0}, prose.size() / 2 + 1, prose.size()}) {
            std::string text = prose;
            text.insert(at, bad);
            ExpectValidity(text);
            EXPECT_FALSE(Utf8::IsValid(text)) << testing::PrintToString(text);
            ExpectValidity(text.substr(0, 40)); // the same near short texts
        }
    }
    ExpectValidity(prose);
    EXPECT_TRUE(Utf8::IsValid(prose));
    EXPECT_TRUE(Utf8::IsValid(""s));
    EXPECT_TRUE(Utf8::IsValid("a\0b"s)); // a NUL is a character like another
}

TEST(Utf8Validation, RandomAndAdversarialTextsAgreeWithSequenceLength) {
    std::mt19937 random(21);
    const std::string pieces[] = {"a",
                                  "\xC3\xA9",
                                  "\xE2\x82\xAC",
                                  "\xF0\x9F\x98\x80",
                                  "\xF4\x8F\xBF\xBF",
                                  "\xED\x9F\xBF",
                                  "\xEE\x80\x80",
                                  "\x80",
                                  "\xBF",
                                  "\xC2",
                                  "\xE0\xA0",
                                  "\xF0\x90\x80",
                                  "\xF5",
                                  "\xC1\xBF",
                                  "\xED\xBF\xBF",
                                  "\xF0\x8F\xBF\xBF"};
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        const int count = static_cast<int>(random() % 80);
        const bool mostlyValid = round % 2 == 0; // one bad piece in a long good text, or many
        for (int k = 0; k < count; ++k) {
            const std::size_t choice = mostlyValid && k != count / 2 ? random() % 7 : random() % 16;
            text += pieces[choice];
        }
        ExpectValidity(text);
        std::string bytes(random() % 100, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(0x80 + random() % 0x80 - (random() % 4 == 0 ? 0x80 : 0));
        }
        ExpectValidity(bytes);
    }
}

TEST(TextEncoding, DetectionByMarkThenValidityThenFallback) {
    struct Case {
        std::string file;
        TEncoding fallback;
        TEncoding expected;
    };
    const Case cases[] = {
        {"\xEF\xBB\xBF", TEncoding::Windows1252, TEncoding::Utf8Bom}, // a mark alone
        {"\xFF\xFE", TEncoding::Windows1252, TEncoding::Utf16LE},
        {"\xFE\xFF", TEncoding::Utf8, TEncoding::Utf16BE},
        {"\xFF\xFE\xEF\xBB\xBF", TEncoding::Windows1252, TEncoding::Utf16LE},
        {"\xC3\xA9", TEncoding::Windows1252, TEncoding::Utf8}, // also plausible as "Ã©"
        {"x\0\xE2\x82\xAC"s, TEncoding::Windows1252, TEncoding::Utf8},
        {"plain", TEncoding::Windows1252, TEncoding::Windows1252},
        {"plain", TEncoding::Utf8, TEncoding::Utf8},
        {"caf\xE9", TEncoding::Windows1252, TEncoding::Windows1252},
        {"caf\xE9", TEncoding::Utf8, TEncoding::Utf8},
        {"a\xEF\xBB\xBF", TEncoding::Windows1252, TEncoding::Utf8}, // a mark not at the start
        // A file without a mark does not take a marked encoding from the fallback.
        {"plain", TEncoding::Utf16LE, TEncoding::Utf8},
        {"", TEncoding::Utf8Bom, TEncoding::Utf8},
        {"caf\xE9", TEncoding::Utf16BE, TEncoding::Windows1252},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DetectEncoding(c.file, c.fallback), c.expected) << testing::PrintToString(c.file);
    }
}

TEST(TextEncoding, DecodesUtf16AndWritesTheSameFileBack) {
    struct Case {
        std::u16string units;
        std::string text;
        int oddByte;
    };
    const Case cases[] = {
        {u"a\r\nb\nc\rd\u00E9\u20AC", "a\r\nb\nc\rd\xC3\xA9\xE2\x82\xAC", -1}, // mixed line ends
        {u"\U0001F600", "\xF0\x9F\x98\x80", 0x41},
        {{0xD800, u'x'}, "\xED\xA0\x80x", -1},              // a lone high surrogate keeps its form
        {{0xDC00}, "\xED\xB0\x80", 0},                      // and so does a lone low one
        {{u'a', 0xDCFF, 0xDC80}, "a\xFF\x80", -1},          // bytes kept from a broken UTF-8 file
        {{0xDCC3, 0xDCA9}, "\xED\xB3\x83\xED\xB2\xA9", -1}, // would join into "é"
        {{0xDCED, 0xDCA0, 0xDC80}, "\xED\xB3\xAD\xED\xB2\xA0\xED\xB2\x80", -1},
        {{0xDBFF, 0xD800, 0xDC00}, "\xED\xAF\xBF\xF0\x90\x80\x80", -1},
        {{0xFEFF, u'z'}, "\xEF\xBB\xBFz", -1}, // a second mark is a character
    };
    for (const Case& c : cases) {
        for (const bool bigEndian : {false, true}) {
            const TEncoding encoding = bigEndian ? TEncoding::Utf16BE : TEncoding::Utf16LE;
            std::string file = (bigEndian ? "\xFE\xFF"s : "\xFF\xFE"s) + Utf16(c.units, bigEndian);
            if (c.oddByte >= 0) {
                file += static_cast<char>(c.oddByte);
            }
            const TDecodedFile decoded = DecodeFile(file, encoding);
            EXPECT_EQ(decoded.text, c.text) << testing::PrintToString(c.text);
            EXPECT_EQ(decoded.oddByte, c.oddByte);
            EXPECT_EQ(EncodeFile(decoded.text, encoding, decoded.oddByte), file);
        }
    }
    // A text from a broken UTF-8 file comes back from UTF-16 byte for byte.
    for (const std::string& bad : kInvalidForms) {
        const std::string text = "x" + bad + "\xE2\x82\xAC" + bad;
        EXPECT_EQ(DecodeFile(EncodeFile(text, TEncoding::Utf16LE), TEncoding::Utf16LE).text, text);
    }
    const std::string highThenStray = "\xED\xA0\x80\xFF";
    EXPECT_EQ(EncodeFile(highThenStray, TEncoding::Utf16BE),
              "\xFE\xFF\xDC\xED\xDC\xA0\xDC\x80\xDC\xFF");
}

TEST(TextEncoding, EveryFileComesBackInItsOwnEncoding) {
    std::mt19937 random(1252);
    const TEncoding encodings[] = {TEncoding::Windows1252, TEncoding::Utf8, TEncoding::Utf8Bom,
                                   TEncoding::Utf16LE, TEncoding::Utf16BE};
    const char interesting[] = {'\x00', '\xD8', '\xDB', '\xDC', '\xDF', '\xED', '\xA0', '\x80',
                                '\xFF', '\xFE', '\xEF', '\xBB', '\xBF', '\xC3', 'a',    '\n'};
    for (int round = 0; round < 3000; ++round) {
        std::string body(random() % 40, '\0');
        for (char& c : body) {
            c = interesting[random() % sizeof interesting];
        }
        for (const TEncoding e : encodings) {
            const std::string bom = EncodeFile("", e);
            const std::string file = bom + body;
            const TDecodedFile decoded = DecodeFile(file, e);
            ASSERT_EQ(EncodeFile(decoded.text, e, decoded.oddByte), file)
                << EncodingName(e).toStdString() << testing::PrintToString(body);
        }
    }
}

TEST(TextEncoding, CodePageAndToolkitStrings) {
    int missing = -1;
    const std::string greek = "\xCE\xB1\xCE\xB2 caf\xC3\xA9 \xE2\x82\xAC\xFF";
    EXPECT_EQ(Utf8ToCodePage(greek, &missing), "?? caf\xE9 \x80?");
    EXPECT_EQ(missing, 3);
    EXPECT_EQ(CountUnrepresentable(greek), 3);
    EXPECT_EQ(CodePageToUtf8("caf\xE9 \x80\x81"), "caf\xC3\xA9 \xE2\x82\xAC\xC2\x81");

    const std::string text = "a\xC3\xA9\xF0\x9F\x98\x80\xFF\xED\xA0\x80"s + '\0';
    const QString shown = ToQString(text, TEncoding::Utf8);
    EXPECT_EQ(shown, QString::fromUtf16(u"a\u00E9\U0001F600\xDCFF\xDCED\xDCA0\xDC80") + QChar(0));
    EXPECT_EQ(FromQString(shown, TEncoding::Utf16LE), text);
    EXPECT_EQ(FromQString(QString::fromUtf16(u"\xD800x\xDC10"), TEncoding::Utf8), "?x?");
    EXPECT_EQ(ToQString("\xC3\xA9", TEncoding::Windows1252), QStringLiteral("\u00C3\u00A9"));
    EXPECT_EQ(FromQString(u"\u00E9\u03B1", TEncoding::Windows1252), "\xE9?");
    EXPECT_EQ(EncodingName(TEncoding::Utf8Bom), QStringLiteral("UTF-8 with BOM"));
}

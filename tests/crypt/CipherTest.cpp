#include "crypt/Cipher.h"

#include "framework/Exceptions.h"
#include "framework/SysUtils.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) {
        out += static_cast<char>(v);
    }
    return out;
}

// Every byte value once, then random bytes.
std::string randomText(size_t size, unsigned seed) {
    std::string text;
    for (int b = 0; b < 256; ++b) {
        text += static_cast<char>(b);
    }
    std::mt19937 random(seed);
    while (text.size() < size) {
        text += static_cast<char>(random() & 0xFF);
    }
    return text;
}

} // namespace

TEST(CipherTest, NumberKeyReadsTheKeyAsAtoiDoesModulo256) {
    const struct {
        std::string key;
        int shift;
    } cases[] = {
        {"3", 3},
        {"259", 3},
        {"-3", 253},
        {"+3", 3},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {" \t\n\r\v\f7", 7},
        {"- 3", 0},
        {"+-3", 0},
        {"3 4", 3},
        {"-0", 0},
        {"2147483647", 255},
        {"4294967299", 3},
        {"-4294967299", 253},
        // 10^k is a multiple of 256 from k = 8 on.
        {std::string(10000, '9'), 255},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NumberKeyShift(c.key), c.shift) << c.key.substr(0, 20);
    }
    // Wherever atoi's value fits an int, it decides the shift.
    for (const char* key : {"0", "1", "255", "256", "-1", "-256", "-257", "65793", "-2147483648"}) {
        EXPECT_EQ(NumberKeyShift(key), static_cast<std::uint8_t>(AtoI(key) & 0xFF)) << key;
    }

    EXPECT_EQ(NumberKeyCrypt("abc", "3"), "def");
    EXPECT_EQ(NumberKeyDecrypt("def", "3"), "abc");
    EXPECT_EQ(NumberKeyCrypt("abc", "259"), "def");
    EXPECT_EQ(NumberKeyCrypt("abc", "-3"), NumberKeyCrypt("abc", "253"));
    EXPECT_EQ(NumberKeyCrypt("abc", "12abc"), "mno");
    EXPECT_EQ(NumberKeyCrypt("abc", "abc"), "abc");
    // Wrapping both ways, and a result byte of zero kept.
    EXPECT_EQ(NumberKeyCrypt(bytes({250, 0, 255}), "6"), bytes({0, 6, 5}));
    EXPECT_EQ(NumberKeyDecrypt(bytes({0, 6, 5}), "6"), bytes({250, 0, 255}));
    EXPECT_EQ(NumberKeyCrypt("", "5"), "");
}

TEST(CipherTest, StrongSwapsTenLetterPairsAndShiftsTheRestBy20) {
    EXPECT_EQ(StrongCrypt("hello"), "spttc");
    EXPECT_EQ(StrongDecrypt("spttc"), "hello");
    EXPECT_EQ(StrongCrypt("jk"), bytes({126, 127}));
    EXPECT_EQ(StrongCrypt("z"), bytes({142}));
    EXPECT_EQ(StrongDecrypt(bytes({126, 127, 142})), "jkz");
    EXPECT_EQ(StrongCrypt("abcdefghiuvlmnopqrst"), "qnomprusvgitdbceafhl");
    EXPECT_EQ(StrongCrypt(bytes({236, 0, 245})), bytes({0, 20, 9}));
    EXPECT_EQ(StrongCrypt("M"), "a");
    EXPECT_EQ(StrongDecrypt("a"), "q");
    // Exactly the bytes whose shifted value lands on a table letter are lost:
    // 77 to 85 and 88 to 96.
    for (int b = 0; b < 256; ++b) {
        const std::string plain = bytes({b});
        const bool lost = (b >= 77 && b <= 85) || (b >= 88 && b <= 96);
        EXPECT_EQ(StrongDecrypt(StrongCrypt(plain)) != plain, lost) << b;
    }
}

TEST(CipherTest, StringKeyUsesTheFirstKeyByteOnceThenCyclesFromTheSecond) {
    const std::string zeros(9, '\0');
    EXPECT_EQ(StringKeyCrypt(zeros.substr(0, 5), "abc"), "abcbc");
    EXPECT_EQ(StringKeyCrypt(zeros, "abc"), "abcbcbcbc");
    EXPECT_EQ(StringKeyCrypt(zeros, "ab"), "abbbbbbbb");
    EXPECT_EQ(StringKeyCrypt("ab", "abc"), bytes({194, 196}));
    EXPECT_EQ(StringKeyDecrypt(bytes({194, 196}), "abc"), "ab");
    EXPECT_EQ(StringKeyCrypt(bytes({255}), bytes({1})), bytes({0}));
    EXPECT_EQ(StringKeyCrypt("x", "k"), bytes({'x' + 'k'}));
    EXPECT_EQ(StringKeyCrypt("", ""), "");
    // A key that runs out raises and gives nothing.
    EXPECT_THROW(StringKeyCrypt("xy", "k"), ERangeError);
    EXPECT_THROW(StringKeyDecrypt("xy", "k"), ERangeError);
    EXPECT_THROW(StringKeyCrypt("x", ""), ERangeError);
    EXPECT_TRUE(KeyCoversText("abc", "xyz"));
    EXPECT_FALSE(KeyCoversText("abc", "xy"));
    EXPECT_TRUE(KeyCoversText("", ""));
}

TEST(CipherTest, EveryModeRoundTripsEveryByteValue) {
    for (unsigned seed : {1u, 2u, 3u}) {
        const std::string text = randomText(5000, seed);
        const std::string longKey = randomText(10000, seed + 10);
        for (const char* key : {"7", "-1", "999999999999", "x"}) {
            EXPECT_EQ(NumberKeyDecrypt(NumberKeyCrypt(text, key), key), text) << key;
        }
        for (const std::string& key : {std::string("k3"), std::string("secret"), longKey}) {
            const std::string enciphered = StringKeyCrypt(text, key);
            EXPECT_NE(enciphered, text);
            EXPECT_EQ(StringKeyDecrypt(enciphered, key), text) << key.size();
        }
    }
}

TEST(CipherTest, ATenMegabyteLineIsOnePassWithNothingLost) {
    std::string line(10u << 20, 'a');
    line[line.size() / 2] = '\0';
    const std::string enciphered = StringKeyCrypt(line, "ab");
    ASSERT_EQ(enciphered.size(), line.size());
    EXPECT_EQ(enciphered.substr(0, 4), bytes({194, 195, 195, 195}));
    EXPECT_EQ(static_cast<unsigned char>(enciphered[line.size() / 2]), 'b');
    EXPECT_TRUE(StringKeyDecrypt(enciphered, "ab") == line);
    EXPECT_TRUE(StrongDecrypt(StrongCrypt(line)) == line);
    EXPECT_TRUE(NumberKeyDecrypt(NumberKeyCrypt(line, "300"), "300") == line);
}

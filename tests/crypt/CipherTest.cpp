#include "crypt/Cipher.h"

#include "framework/Exceptions.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace {
std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) {
        out += static_cast<char>(v);
    }
    return out;
}
} // namespace

TEST(CipherTest, NumberKeyShiftsByTheKeyReadAsAtoiReadsItModulo256) {
    const std::pair<std::string, int> keys[] = {{"3", 3},
                                                {"259", 3},
                                                {"-3", 253},
                                                {"12abc", 12},
                                                {"abc", 0},
                                                {"", 0},
                                                {" \t\n\v\f\r+7", 7},
                                                {"- 3", 0},
                                                {"+-3", 0},
                                                {"2147483647", 255},
                                                {"4294967299", 3},
                                                {"-4294967299", 253},
                                                // 10^k is a multiple of 256 from k = 8 on.
                                                {std::string(10000, '9'), 255}};
    for (const auto& [key, shift] : keys) {
        EXPECT_EQ(NumberKeyShift(key), shift) << key.substr(0, 12);
    }
    EXPECT_EQ(NumberKeyCrypt("abc", "3"), "def");
    EXPECT_EQ(NumberKeyDecrypt("def", "3"), "abc");
    EXPECT_EQ(NumberKeyCrypt(bytes({250, 0, 255}), "6"), bytes({0, 6, 5}));
    EXPECT_EQ(NumberKeyDecrypt(bytes({0, 6, 5}), "6"), bytes({250, 0, 255}));
}

TEST(CipherTest, StrongSwapsTenLetterPairsAndShiftsTheRestBy20) {
    EXPECT_EQ(StrongCrypt("hello"), "spttc");
    EXPECT_EQ(StrongDecrypt("spttc"), "hello");
    EXPECT_EQ(StrongCrypt("abcdefghiuvlmnopqrst"), "qnomprusvgitdbceafhl");
    EXPECT_EQ(StrongCrypt(bytes({'j', 'k', 'z', 236, 245})), bytes({126, 127, 142, 0, 9}));
    EXPECT_EQ(StrongDecrypt(bytes({126, 127, 142, 0, 9})), bytes({'j', 'k', 'z', 236, 245}));
    EXPECT_EQ(StrongDecrypt(StrongCrypt("M")), "q");
    // Exactly the bytes that shift onto a table letter are lost, and
    // counted: 77 to 85 and 88 to 96.
    std::string all;
    for (int b = 0; b < 256; ++b) {
        const bool lost = (b >= 77 && b <= 85) || (b >= 88 && b <= 96);
        EXPECT_EQ(StrongDecrypt(StrongCrypt(bytes({b}))) != bytes({b}), lost) << b;
        EXPECT_EQ(StrongUnrestorable(bytes({b})), lost ? 1u : 0u) << b;
        all += bytes({b});
    }
    EXPECT_EQ(StrongUnrestorable(all + all), 36u);
}

TEST(CipherTest, StringKeyUsesTheFirstKeyByteOnceThenCyclesFromTheSecond) {
    const std::string zeros(9, '\0');
    EXPECT_EQ(StringKeyCrypt(zeros.substr(0, 5), "abc"), "abcbc");
    EXPECT_EQ(StringKeyCrypt(zeros, "abc"), "abcbcbcbc");
    EXPECT_EQ(StringKeyCrypt(zeros, "ab"), "abbbbbbbb");
    EXPECT_EQ(StringKeyCrypt(bytes({'a', 'b', 255}), "abc"), bytes({194, 196, 98}));
    EXPECT_EQ(StringKeyDecrypt(bytes({194, 196, 98}), "abc"), bytes({'a', 'b', 255}));
    EXPECT_EQ(StringKeyCrypt("x", "k"), bytes({'x' + 'k'}));
    EXPECT_EQ(StringKeyCrypt("", ""), "");
    // A key that runs out raises and gives nothing.
    EXPECT_THROW(StringKeyCrypt("xy", "k"), ERangeError);
    EXPECT_THROW(StringKeyDecrypt("xy", "k"), ERangeError);
    EXPECT_THROW(StringKeyCrypt("x", ""), ERangeError);
}

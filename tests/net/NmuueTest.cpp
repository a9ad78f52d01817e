#include "net/Nmuue.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::string allBytes() {
    std::string s;
    for (int c = 0; c < 256; ++c) {
        s += static_cast<char>(c);
    }
    return s;
}

TEST(NmuueTest, EncodeMatchesCoreutilsBase64AndPythonUu) {
    // References: base64 -w60 (GNU coreutils), each line then ended by CR LF
    const std::string xLine = "eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4\r\n";
    const std::pair<std::string, std::string> cases[] = {
        {"abc", "YWJj\r\n"},
        {"ab", "YWI=\r\n"},
        {"a", "YQ==\r\n"},
        {"", ""},
        {"Aladdin:open sesame", "QWxhZGRpbjpvcGVuIHNlc2FtZQ==\r\n"},
        {allBytes(), "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKiss\r\n"
                     "LS4vMDEyMzQ1Njc4OTo7PD0+P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZ\r\n"
                     "WltcXV5fYGFiY2RlZmdoaWprbG1ub3BxcnN0dXZ3eHl6e3x9fn+AgYKDhIWG\r\n"
                     "h4iJiouMjY6PkJGSk5SVlpeYmZqbnJ2en6ChoqOkpaanqKmqq6ytrq+wsbKz\r\n"
                     "tLW2t7i5uru8vb6/wMHCw8TFxsfIycrLzM3Oz9DR0tPU1dbX2Nna29zd3t/g\r\n"
                     "4eLj5OXm5+jp6uvs7e7v8PHy8/T19vf4+fr7/P3+/w==\r\n"},
        // 45 bytes fill one line; the 46th starts another
        {std::string(45, 'x'), xLine},
        {std::string(46, 'x'), xLine + "eA==\r\n"},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(UUEncodeString(in), out) << in.size();
    }
    // uuencoded, against python3 binascii.b2a_uu(..., backtick=True), which
    // pads the last group where this encoder does not
    EXPECT_EQ(UUEncodeString("abc", uuCode), "#86)C\r\n`\r\n");
    EXPECT_EQ(UUEncodeString(std::string("\0\0\0\xff\xfe", 5), uuCode), "%````__X\r\n`\r\n");
    EXPECT_EQ(UUEncodeString("", uuCode), "`\r\n");
}

TEST(NmuueTest, RoundTripsBothMethods) {
    std::vector<std::string> inputs = {"", "ab", allBytes(), std::string(46, '\xff')};
    std::string big; // read in blocks
    for (int i = 0; i < 100000; ++i) {
        big += static_cast<char>((i * 7919) >> 3);
    }
    inputs.push_back(big);
    for (const auto& in : inputs) {
        EXPECT_EQ(UUDecodeString(UUEncodeString(in, uuMime), uuMime), in) << in.size();
        EXPECT_EQ(UUDecodeString(UUEncodeString(in, uuCode), uuCode), in) << in.size();
    }
}

TEST(NmuueTest, DecodersTolerateForeignText) {
    std::string longLine; // far past the reader's 200-byte window
    std::string longBytes;
    for (int i = 0; i < 300; ++i) {
        longLine += "YWJj";
        longBytes += "abc";
    }
    const std::pair<std::string, std::string> cases[] = {
        // other line ends, and characters outside the alphabet, below and inside its range
        {"YWJj\nZGVm\n", "abcdef"},
        {"YWJj\rZGVm", "abcdef"},
        {"QWxh\x01ZGRp*bjp-vcGV@uIHNlc2FtZQ==", "Aladdin:open sesame"},
        {longLine, longBytes},
        {"=abc", ""},   // padding first: nothing comes of the group
        {"ab\r\n", ""}, // lines of two characters are skipped
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(UUDecodeString(in), out) << in.substr(0, 40);
    }
    // a uuencoded line that holds fewer characters than its count claims gives only what it holds
    EXPECT_EQ(UUDecodeString("M86)C\r\n`\r\n", uuCode), "abc");
    EXPECT_EQ(UUDecodeString("!86)C\r\n", uuCode) + UUDecodeString("M86\r\n", uuCode), "aa");
}

} // namespace

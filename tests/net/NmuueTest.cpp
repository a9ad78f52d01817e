#include "net/Nmuue.h"

#include "framework/Streams.h"

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

std::string joined(std::string text) {
    std::string out;
    for (char c : text) {
        if (c != '\r' && c != '\n') {
            out += c;
        }
    }
    return out;
}

} // namespace

TEST(NmuueTest, Tables) {
    EXPECT_EQ(std::string(base64Table.begin(), base64Table.end()),
              "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
    EXPECT_EQ(UUTABLE[0], '`');
    for (int v = 1; v < 64; ++v) {
        EXPECT_EQ(UUTABLE[static_cast<size_t>(v)], static_cast<char>(32 + v));
    }
    for (int c = '+'; c <= 'z'; ++c) {
        const auto at =
            std::string(base64Table.begin(), base64Table.end()).find(static_cast<char>(c));
        const int expected = c == '=' ? 64 : (at == std::string::npos ? 127 : static_cast<int>(at));
        EXPECT_EQ(MimeTable[static_cast<size_t>(c - '+')], expected) << static_cast<char>(c);
    }
    EXPECT_EQ(TNMUUProcessor::UuDEC('`'), 0);
    EXPECT_EQ(TNMUUProcessor::UuDEC(' '), 0);
    EXPECT_EQ(TNMUUProcessor::UuDEC('#'), 3);
    EXPECT_EQ(TNMUUProcessor::UuDEC('M'), 45);
}

TEST(NmuueTest, MimeEncodeMatchesCoreutilsBase64) {
    // References: printf '...' | base64 -w0 (GNU coreutils)
    EXPECT_EQ(UUEncodeString("abc"), "YWJj\r\n");
    EXPECT_EQ(UUEncodeString("ab"), "YWI=\r\n");
    EXPECT_EQ(UUEncodeString("a"), "YQ==\r\n");
    EXPECT_EQ(UUEncodeString(""), "");
    EXPECT_EQ(UUEncodeString("Aladdin:open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==\r\n");
    EXPECT_EQ(joined(UUEncodeString("Many hands make light work.")),
              "TWFueSBoYW5kcyBtYWtlIGxpZ2h0IHdvcmsu");
    EXPECT_EQ(
        joined(UUEncodeString(allBytes())),
        "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+"
        "P0BBQkNERUZHSElKS0xNTk9QUVJTVFVWV1hZWltcXV5fYGFiY2RlZmdoaWprbG1ub3BxcnN0dXZ3eHl6e3x9fn+"
        "AgYKDhIWGh4iJiouMjY6PkJGSk5SVlpeYmZqbnJ2en6ChoqOkpaanqKmqq6ytrq+wsbKztLW2t7i5uru8vb6/"
        "wMHCw8TFxsfIycrLzM3Oz9DR0tPU1dbX2Nna29zd3t/g4eLj5OXm5+jp6uvs7e7v8PHy8/T19vf4+fr7/P3+/"
        "w==");
    std::string mixed;
    for (int i = 0; i < 100; ++i) {
        mixed += static_cast<char>((i * 37 + 11) % 256);
    }
    EXPECT_EQ(
        joined(UUEncodeString(mixed)),
        "CzBVep/E6Q4zWH2ix+wRNluApcrvFDleg6jN8hc8YYar0PUaP2SJrtP4HUJnjLHW+yBFao+02f4jSG2St9wBJkt"
        "wlbrfBClOc5i94gcsUXabwOUKL1R5nsPoDTJXfKHG6xA1Wg==");
}

TEST(NmuueTest, MimeLinesHoldFortyFiveBytes) {
    const std::string out45 = UUEncodeString(std::string(45, 'x'));
    ASSERT_EQ(out45.size(), 62u);
    EXPECT_EQ(out45.substr(60), "\r\n");
    const std::string out46 = UUEncodeString(std::string(46, 'x'));
    EXPECT_EQ(out46.substr(62), "eA==\r\n");
    // 300 bytes: six full lines and one of 30 bytes, every line closed by CR LF
    const std::string out300 = UUEncodeString(std::string(300, '\x80'));
    EXPECT_EQ(out300.size(), 6u * 62u + 40u + 2u);
}

TEST(NmuueTest, UuCodeLinesAndTerminator) {
    // References: python3 binascii.b2a_uu(..., backtick=True), which pads the
    // last group where this encoder does not.
    EXPECT_EQ(UUEncodeString("abc", uuCode), "#86)C\r\n`\r\n");
    EXPECT_EQ(UUEncodeString("Cat", uuCode), "#0V%T\r\n`\r\n");
    EXPECT_EQ(UUEncodeString(std::string("\0\0\0\xff\xfe", 5), uuCode), "%````__X\r\n`\r\n");
    EXPECT_EQ(UUEncodeString("", uuCode), "`\r\n");
    std::string first45;
    for (int i = 0; i < 45; ++i) {
        first45 += static_cast<char>(i);
    }
    EXPECT_EQ(UUEncodeString(first45, uuCode),
              "M``$\"`P0%!@<(\"0H+#`T.#Q`1$A,4%187&!D:&QP='A\\@(2(C)\"4F)R@I*BLL\r\n`\r\n");
}

TEST(NmuueTest, RoundTripsBothMethods) {
    std::vector<std::string> inputs = {
        "", "a", "ab", "abc", allBytes(), std::string(45, '\0'), std::string(46, '\xff')};
    std::string big;
    for (int i = 0; i < 100000; ++i) {
        big += static_cast<char>((i * 7919) >> 3);
    }
    inputs.push_back(big);
    for (const auto& in : inputs) {
        EXPECT_EQ(UUDecodeString(UUEncodeString(in, uuMime), uuMime), in) << in.size();
        EXPECT_EQ(UUDecodeString(UUEncodeString(in, uuCode), uuCode), in) << in.size();
    }
}

TEST(NmuueTest, EventsAndStreamPositions) {
    TMemoryStream in(std::string("hello"));
    in.SetPosition(3); // Encode starts from the beginning whatever the position
    TMemoryStream out;
    TNMUUProcessor p;
    std::vector<std::string> events;
    p.OnBeginEncode = [&](QObject* s) {
        events.push_back(s == static_cast<QObject*>(&p) ? "be" : "?");
    };
    p.OnEndEncode = [&](QObject*) { events.push_back("ee:" + std::to_string(out.Position())); };
    p.OnBeginDecode = [&](QObject*) { events.push_back("bd"); };
    p.OnEndDecode = [&](QObject*) { events.push_back("ed"); };
    p.InputStream = &in;
    p.OutputStream = &out;
    p.Encode();
    EXPECT_EQ(out.DataString(), "aGVsbG8=\r\n");
    TMemoryStream decoded;
    p.InputStream = &out;
    p.OutputStream = &decoded;
    p.Decode();
    EXPECT_EQ(decoded.DataString(), "hello");
    EXPECT_EQ(events, (std::vector<std::string>{"be", "ee:0", "bd", "ed"}));
}

TEST(NmuueTest, Base64DecodeToleratesForeignText) {
    // other line ends, long lines, markers and characters outside the alphabet
    EXPECT_EQ(UUDecodeString("YWJj\nZGVm\n"), "abcdef");
    EXPECT_EQ(UUDecodeString("YWJj\rZGVm"), "abcdef");
    EXPECT_EQ(UUDecodeString("====\r\nYW Jj\r\n====end\r\n"), "abc");
    EXPECT_EQ(UUDecodeString("QWxh\x01ZGRp*bjpvcGVuIHNlc2FtZQ=="), "Aladdin:open sesame");
    std::string longLine;
    std::string expected;
    for (int i = 0; i < 300; ++i) {
        longLine += "YWJj";
        expected += "abc";
    }
    EXPECT_EQ(UUDecodeString(longLine), expected);
    EXPECT_EQ(UUDecodeString("YQ==YWI="), "aab");
    EXPECT_EQ(UUDecodeString("=abc"), "");   // padding first: nothing comes of the group
    EXPECT_EQ(UUDecodeString("ab\r\n"), ""); // lines of two characters are skipped
}

TEST(NmuueTest, ReadLnFromStreamSplitsAnyLineEnd) {
    TMemoryStream s(std::string("one\r\ntwo\nthree") + std::string(500, 'x') + "\r\n\nlast");
    std::string line;
    ASSERT_TRUE(TNMUUProcessor::ReadLnFromStream(s, line));
    EXPECT_EQ(line, "one");
    ASSERT_TRUE(TNMUUProcessor::ReadLnFromStream(s, line));
    EXPECT_EQ(line, "two");
    ASSERT_TRUE(TNMUUProcessor::ReadLnFromStream(s, line));
    EXPECT_EQ(line, "three" + std::string(500, 'x'));
    ASSERT_TRUE(TNMUUProcessor::ReadLnFromStream(s, line));
    EXPECT_EQ(line, "");
    ASSERT_TRUE(TNMUUProcessor::ReadLnFromStream(s, line));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(TNMUUProcessor::ReadLnFromStream(s, line));
}

TEST(NmuueTest, StdDecodeShortLinesGiveOnlyWhatTheyHold) {
    // the count claims 45 bytes but the line holds four characters: three bytes
    EXPECT_EQ(UUDecodeString("M86)C\r\n`\r\n", uuCode), "abc");
    EXPECT_EQ(UUDecodeString("!86)C\r\n", uuCode), "a");
}

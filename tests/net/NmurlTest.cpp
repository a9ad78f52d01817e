#include "net/Nmurl.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct ErrorLog {
    std::vector<std::string> operations;
    std::vector<std::string> messages;
    void attach(TNMURL& url) {
        url.OnError = [this, &url](QObject* sender, const std::string& op, const std::string& msg) {
            EXPECT_EQ(sender, static_cast<QObject*>(&url));
            operations.push_back(op);
            messages.push_back(msg);
        };
    }
};

} // namespace

TEST(NmurlTest, EncodesOnlyLettersAndDigitsPlainly) {
    TNMURL url;
    const struct {
        std::string in, out;
    } cases[] = {
        {"", ""},
        {" ", "+"},
        {std::string(1, '\xff'), "%FF"},
        {"a-b_c.d~e", "a%2Db%5Fc%2Ed%7Ee"},
        {"a b/c", "a+b%2Fc"},
        {"AZaz09", "AZaz09"},
        {std::string("\0\x1f!@[`{", 7), "%00%1F%21%40%5B%60%7B"},
        {"\xe9t\xe9", "%E9t%E9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(url.URLEncode(c.in), c.out) << c.in;
    }
    url.InputString = "x y";
    EXPECT_EQ(url.GetEncodeString(), "x+y");
}

TEST(NmurlTest, EveryByteRoundTrips) {
    TNMURL url;
    ErrorLog log;
    log.attach(url);
    std::string all;
    for (int c = 0; c < 256; ++c) {
        all += static_cast<char>(c);
    }
    const std::string encoded = url.URLEncode(all);
    EXPECT_EQ(encoded.size(), 62u + 1u + 193u * 3u); // letters and digits, the space, the rest
    EXPECT_EQ(url.URLDecode(encoded), all);
    EXPECT_TRUE(log.operations.empty());
}

TEST(NmurlTest, DecodesPlusAndEscapesOfEitherCase) {
    TNMURL url;
    EXPECT_EQ(url.URLDecode("100%25"), "100%");
    EXPECT_EQ(url.URLDecode("a+b"), "a b");
    EXPECT_EQ(url.URLDecode("%e9%E9%0a"), "\xe9\xe9\n");
    EXPECT_EQ(url.URLDecode("a%2Db.c"), "a-b.c");
    url.InputString = "%41%42";
    EXPECT_EQ(url.GetDecodeString(), "AB");
}

TEST(NmurlTest, BadEscapeReturnsInputAndFiresOnError) {
    TNMURL url;
    ErrorLog log;
    log.attach(url);
    const char* bad[] = {"%zz", "abc%4", "abc%", "%", "%%41", "a+b%g1", "%4 ", "%-1", "%+f"};
    for (const char* text : bad) {
        EXPECT_EQ(url.URLDecode(text), text) << text;
    }
    ASSERT_EQ(log.operations.size(), std::size(bad));
    for (const auto& op : log.operations) {
        EXPECT_EQ(op, "Error during decode");
    }
    EXPECT_EQ(log.messages[0], "'$zz' is not a valid integer value");
    EXPECT_EQ(log.messages[1], "Range check error");
    // without a handler the failure is silent
    TNMURL quiet;
    EXPECT_EQ(quiet.URLDecode("%zz"), "%zz");
}

TEST(NmurlTest, TextsLongerThan65535AreEncodedWhole) {
    TNMURL url;
    const std::string text(70000, 'a');
    EXPECT_EQ(url.URLEncode(text), text);
    const std::string spaces(65537, ' ');
    EXPECT_EQ(url.URLEncode(spaces), std::string(65537, '+'));
}

#include "net/Nmurl.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TEST(NmurlTest, EncodesOnlyLettersAndDigitsPlainlyAndDecodesBack) {
    TNMURL url;
    const struct {
        std::string in, out;
    } cases[] = {
        {"", ""},
        {"a-b_c.d~e", "a%2Db%5Fc%2Ed%7Ee"},
        {"a b/c", "a+b%2Fc"},
        {"AZaz09", "AZaz09"},
        {std::string("\0\x1f!@[`{\xe9\xff", 9), "%00%1F%21%40%5B%60%7B%E9%FF"},
        // past the 16-bit count, texts are encoded whole
        {std::string(65537, ' '), std::string(65537, '+')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(url.URLEncode(c.in), c.out) << c.in.substr(0, 20);
        EXPECT_EQ(url.URLDecode(c.out), c.in) << c.in.substr(0, 20);
    }
    // escapes of either case; "%25" is the percent sign itself
    EXPECT_EQ(url.URLDecode("100%25 %e9%E9%0a.c"), "100% \xe9\xe9\n.c");
    url.InputString = "x y";
    EXPECT_EQ(url.GetEncodeString(), "x+y");
    url.InputString = "%41%42";
    EXPECT_EQ(url.GetDecodeString(), "AB");
}

TEST(NmurlTest, BadEscapeReturnsInputAndFiresOnError) {
    TNMURL url;
    std::vector<std::string> errors;
    url.OnError = [&](QObject*, const std::string& op, const std::string& msg) {
        errors.push_back(op + ": " + msg);
    };
    const char* bad[] = {"%zz", "abc%4", "abc%", "%", "%%41", "a+b%g1", "%4 ", "%-1", "%+f"};
    for (const char* text : bad) {
        EXPECT_EQ(url.URLDecode(text), text) << text;
    }
    ASSERT_EQ(errors.size(), std::size(bad));
    EXPECT_EQ(errors[0], "Error during decode: '$zz' is not a valid integer value");
    EXPECT_EQ(errors[1], "Error during decode: Range check error");
    // without a handler the failure is silent
    TNMURL quiet;
    EXPECT_EQ(quiet.URLDecode("%zz"), "%zz");
}

} // namespace

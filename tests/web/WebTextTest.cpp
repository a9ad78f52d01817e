#include "web/WebText.h"

#include "framework/CodePage.h"
#include "framework/Exceptions.h"

#include <QUrl>
#include <gtest/gtest.h>
#include <optional>

namespace {

// Whether the update file names a newer version; nullopt with the message
// it raised.
std::optional<bool> check(const std::string& body, std::string* error = nullptr) {
    try {
        return UpdateAvailable(body);
    } catch (const EConvertError& e) {
        if (error) {
            *error = e.Message();
        }
        return std::nullopt;
    }
}

} // namespace

TEST(UpdateFile, NewerOnlyWhenStillGreaterInSinglePrecision) {
    const std::pair<const char*, bool> cases[] = {
        {"2.32", false},
        {"2.33", true},
        {"10", true},
        {"2.3", false},
        {" 2.5 ", true},
        {"", false},
        {"1e1", true},
        {"-5", false},
        {"0.0", false},
        // the same float as 2.32, though a greater double
        {"2.32000001", false},
        {"2.3200002", true},
        // beyond the float range: greater or smaller than any version
        {"1e39", true},
        {"-1e39", false}};
    for (const auto& [body, newer] : cases) {
        EXPECT_EQ(check(body), std::optional<bool>(newer)) << body;
    }
}

TEST(UpdateFile, AnythingButANumberBetweenSpacesIsAConversionError) {
    for (const std::string body : {"2.5\r\n", "2.5\n", "\t2.5", "   ", "abc", "2,5", "2.5 x",
                                   "<html>404</html>", "nan", "1e999"}) {
        std::string error;
        EXPECT_EQ(check(body, &error), std::nullopt) << body;
        EXPECT_EQ(error, "'" + body + "' is not a valid floating point value");
    }
    // a long error page is quoted by its start only
    const std::string page = "<html>" + std::string(5000, 'x') + "</html>";
    std::string error;
    EXPECT_EQ(check(page, &error), std::nullopt);
    EXPECT_EQ(error,
              "'" + page.substr(0, QuotedBodyLimit) + "...' is not a valid floating point value");
}

TEST(MailUrl, TheTextCannotLeaveItsFieldAndComesBackWhole) {
    EXPECT_EQ(MailBodyUrl(""), "mailto:?Body=");
    EXPECT_EQ(MailBodyUrl("a & b"), "mailto:?Body=a%20%26%20b");
    // every line end is a mail line end
    EXPECT_EQ(MailtoValue("1\r\n2\n3\r4"), "1%0D%0A2%0D%0A3%0D%0A4");
    // code page characters go as UTF-8
    EXPECT_EQ(MailtoValue("\xE9\x80"), "%C3%A9%E2%82%AC");
    EXPECT_EQ(MailtoUrl("me@example.com", {{"Subject", "Pennivale User"}, {"Body", "Dear A,"}}),
              "mailto:me@example.com?Subject=Pennivale%20User&Body=Dear%20A%2C");

    // A text that tries to add fields stays one body, every byte of it.
    std::string every;
    for (int b = 1; b < 256; ++b) {
        every += b == '\r' || b == '\n' ? ' ' : static_cast<char>(b);
    }
    const std::string text = "hi&to=x@evil.test&attach=/etc/passwd?cc=y#frag%41 " + every;
    const std::string url = MailBodyUrl(text);
    const std::string value = url.substr(std::string("mailto:?Body=").size());
    EXPECT_EQ(value.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                      "0123456789-._~%"),
              std::string::npos);
    const QString decoded = QUrl::fromPercentEncoding(QByteArray::fromStdString(value));
    EXPECT_EQ(decoded, CodePage::ToQString(text));
}

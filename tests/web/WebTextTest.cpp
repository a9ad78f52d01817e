#include "web/WebText.h"

#include "framework/CodePage.h"
#include "framework/Exceptions.h"

#include <QUrl>
#include <gtest/gtest.h>

TEST(WebText, UpdateFileIsOneNumberComparedInSinglePrecision) {
    const std::pair<const char*, bool> numbers[] = {
        {"2.32", false}, {"2.33", true},   {"10", true},          {"2.3", false},
        {" 2.5 ", true}, {"", false},      {"1e1", true},         {"-5", false},
        {"1e39", true},  {"-1e39", false}, {"2.32000001", false}, {"2.3200002", true}};
    for (const auto& [body, newer] : numbers) {
        EXPECT_EQ(UpdateAvailable(body), newer) << body;
    }
    const std::string page = "<html>" + std::string(500, 'x');
    for (const std::string body :
         {"2.5\r\n", "\t2.5", "   ", "2,5", "nan", "1e999", page.c_str()}) {
        const std::string quoted =
            body.size() > QuotedBodyLimit ? page.substr(0, 200) + "..." : body;
        try {
            UpdateAvailable(body);
            ADD_FAILURE() << body;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), "'" + quoted + "' is not a valid floating point value");
        }
    }
}

TEST(WebText, MailBodyCannotLeaveItsFieldAndComesBackWhole) {
    EXPECT_EQ(MailtoValue("1\r\n2\n3\r4 \xE9\x80"), "1%0D%0A2%0D%0A3%0D%0A4%20%C3%A9%E2%82%AC");
    EXPECT_EQ(MailtoValue("\xCE\xB1\r\xF0\x9F\x98\x80\xFF&", true),
              "%CE%B1%0D%0A%F0%9F%98%80%EF%BF%BD%26");
    std::string text = "hi&to=x@evil.test&attach=/etc/passwd?cc=y#frag%41";
    for (int b = 1; b < 256; ++b) {
        text += b == '\r' || b == '\n' ? ' ' : static_cast<char>(b);
    }
    const std::string value = MailBodyUrl(text).substr(13);
    EXPECT_EQ(value.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                      "0123456789-._~%"),
              std::string::npos);
    EXPECT_EQ(QUrl::fromPercentEncoding(QByteArray::fromStdString(value)),
              CodePage::ToQString(text));
}

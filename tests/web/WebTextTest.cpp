#include "web/WebText.h"

#include "framework/CodePage.h"
#include "framework/Exceptions.h"

#include <QUrl>
#include <gtest/gtest.h>
#include <tuple>

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

    // Each byte of a cut sequence is a U+FFFD; the fields of a mail URL go
    // as UTF-8 too.
    EXPECT_EQ(MailtoValue("c=\xE2\x82!", true), "c%3D%EF%BF%BD%EF%BF%BD%21");
    EXPECT_EQ(MailtoUrl("a@b.test", {{"Body", "Zo\u00EB"}}, true), "mailto:a@b.test?Body=Zo%C3%AB");
}

TEST(WebText, ImportEncodingFollowsTheCharsetOfUnicodeElseDetects) {
    using E = TEncoding;
    const std::string bom8 = "\xEF\xBB\xBFx";
    const std::string le = std::string("\xFF\xFEx\0", 4);
    const std::string be = std::string("\xFE\xFF\0x", 4);
    const auto reply = [](const std::string& line) {
        return "HTTP/1.0 200 OK\r\nServer: s\r\n" + line + "\r\nX-Other: y\r\n\r\n";
    };
    const std::tuple<std::string, std::string, E> cases[] = {
        {reply("Content-Type: text/html; charset=UTF-8"), "abc", E::Utf8},
        {reply("content-type: text/plain;charset=\"utf8\""), bom8, E::Utf8Bom},
        {reply("Content-Type: text/plain; format=flowed; Charset = utf-8 "), "\xE9", E::Utf8},
        {reply("Content-Type: text/plain; charset=UTF-16"), "x", E::Utf16LE},
        {reply("Content-Type: text/plain; charset=utf-16be"), "x", E::Utf16BE},
        // A byte-order mark says more than the name.
        {reply("Content-Type: text/plain; charset=UTF-16"), be, E::Utf16BE},
        {reply("Content-Type: text/plain; charset=UTF-16BE"), le, E::Utf16LE},
        // Other charsets, none, or one that only looks like it: as for a file.
        {reply("Content-Type: text/html; charset=ISO-8859-1"), "caf\xC3\xA9", E::Utf8},
        {reply("Content-Type: text/html"), "caf\xE9", E::Windows1252},
        {reply("X-Content-Type: text/html; charset=utf-8"), le, E::Utf16LE},
        {reply("Content-Type: text/html; x=\"a;charset=utf-16\"; charset=utf-8"), "x", E::Utf8},
        {"HTTP/1.0 200 OK\r\n\r\nContent-Type: text/plain; charset=utf-8", "\xE9", E::Windows1252},
    };
    for (const auto& [header, body, expected] : cases) {
        EXPECT_EQ(ImportEncoding(header, body, E::Windows1252), expected) << header << body;
    }
}

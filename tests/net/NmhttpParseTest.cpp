// The URL rule and the reading of a reply header, over bytes in memory.
#include "net/NmhttpParse.h"

#include "framework/Exceptions.h"
#include "tests/net/NetTestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Parsed {
    std::string url, host;
    std::int32_t port;
    std::string path;
};

Parsed parse(std::string url, std::int32_t port = 0) {
    std::string host = "current";
    std::string path = "unset";
    ParseHttpURL(url, host, port, path);
    return {url, host, port, path};
}

struct Reply {
    THttpReplyInfo info;
    std::vector<std::string> lines;
    std::string rest;
};

Reply readReply(const std::string& bytes) {
    THttpMemoryPeer peer(bytes);
    Reply r;
    ReadHttpReplyHeader([&] { return peer.ReadLn(); },
                        [&](const std::string& line) { r.lines.push_back(line); }, r.info);
    r.rest = peer.Rest();
    return r;
}

TEST(NmhttpParseTest, UrlGivesHostPortAndPath) {
    const std::string longPath = "/" + std::string(300, 'p');
    const struct {
        std::string url;
        std::int32_t portBefore;
        Parsed expected;
    } cases[] = {
        {"http://server:8080/x/y.txt",
         0,
         {"http://server:8080/x/y.txt", "server", 8080, "/x/y.txt"}},
        {"server/x/update.txt", 0, {"server/x/update.txt", "server", 80, "/x/update.txt"}},
        {"server/x/update.txt", 8080, {"server/x/update.txt", "server", 8080, "/x/update.txt"}},
        {"http://server", 0, {"http://server/", "server", 80, "/"}},
        {"/local/page", 8080, {"/local/page", "current", 8080, "/local/page"}},
        {"ftp://files/pub", 0, {"ftp://files/pub", "files", 21, "/pub"}},
        {"HTTP://Up:65535", 0, {"HTTP://Up:65535/", "Up", 65535, "/"}},
        {"page.html", 0, {"page.html/", "page.html", 80, "/"}},
        {"http:///x", 0, {"http:///x", "current", 80, "/x"}},
        // a long path is requested whole: a cut one would name another resource
        {"http://h" + longPath, 0, {"http://h" + longPath, "h", 80, longPath}},
        // a ":" is a scheme's only before "//" and after a letter-led run of
        // letters, digits, "+", "-" and "."; any other leaves the port alone
        {"/files/a:b.txt", 8080, {"/files/a:b.txt", "current", 8080, "/files/a:b.txt"}},
        {"h/a:b", 8080, {"h/a:b", "h", 8080, "/a:b"}},
        {"server:8080/x", 0, {"server:8080/x", "server", 8080, "/x"}},
        {"localhost:8081", 80, {"localhost:8081/", "localhost", 8081, "/"}},
        {"svn+x.y-z://h/p", 8080, {"svn+x.y-z://h/p", "h", 80, "/p"}},
        {"1ab://h/p", 8080, {"1ab://h/p", "h", 8080, "/p"}},
        // blanks and control bytes cannot stand in a request line: around the
        // URL they are dropped, inside it percent-encoded; escapes there stay
        {" \x01http://h/a b\x01"
         "c\x7f" +
             std::string(1, '\0') + "%41 \x7f \x02 ",
         0,
         {"http://h/a%20b%01c%7F%00%41%20%7F", "h", 80, "/a%20b%01c%7F%00%41%20%7F"}},
        // past ASCII the characters go in UTF-8: valid UTF-8 as it is, else
        // the bytes taken as Windows-1252
        {"http://h/caf\xc3\xa9/\xe2\x82\xac%41",
         0,
         {"http://h/caf%C3%A9/%E2%82%AC%41", "h", 80, "/caf%C3%A9/%E2%82%AC%41"}},
        {"http://h/caf\xe9/\x80\x81",
         0,
         {"http://h/caf%C3%A9/%E2%82%AC%C2%81", "h", 80, "/caf%C3%A9/%E2%82%AC%C2%81"}},
        // a line break in a URL cannot inject header lines
        {"http://h/a\r\nX-Injected: 1\t",
         0,
         {"http://h/aX-Injected:%201", "h", 80, "/aX-Injected:%201"}},
    };
    for (const auto& c : cases) {
        const Parsed p = parse(c.url, c.portBefore);
        EXPECT_EQ(p.url, c.expected.url) << c.url;
        EXPECT_EQ(p.host, c.expected.host) << c.url;
        EXPECT_EQ(p.port, c.expected.port) << c.url;
        EXPECT_EQ(p.path, c.expected.path) << c.url;
    }
}

TEST(NmhttpParseTest, UrlErrors) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "Empty URL"},
        {" \x01 ", "Empty URL"},
        {"HTTPS://secure/", "HTTP Secure Socket is not supported"},
        {"http://h:abc/", "'abc' is not a valid integer value"},
        {"http://h:/", "'' is not a valid integer value"},
        // a port the socket cannot hold must not quietly become another port
        {"http://h:65616/", "Range check error"},
        {"http://h:-1/", "Range check error"},
    };
    for (const auto& [url, error] : cases) {
        EXPECT_EQ(nettest::message([&] { parse(url); }), error) << url;
    }
    EXPECT_THROW(parse("http://h:abc/"), EConvertError);
}

TEST(NmhttpParseTest, StatusCodeIsTheSecondFieldWhenItIsANumber) {
    EXPECT_EQ(HttpStatusCode("HTTP/1.1 404 Not Found\r\n"), 404);
    for (const char* odd : {"HTTP/1.0 200\r\n", "HTTP/1.0  200 OK", "garbage", "HTTP/1.0 0x1F x",
                            "HTTP/1.0 99999 x"}) {
        EXPECT_EQ(HttpStatusCode(odd), 0) << odd;
    }
}

TEST(NmhttpParseTest, ReplyHeaderStoresLinesExactlyAndStopsAtBlankLine) {
    const std::string header = "HTTP/1.0 302 Found\r\n"
                               "set-cookie: id=42;\r path=/\r\n"
                               "LOCATION: http://other/e\r\n"
                               "Content-LENGTH: 1234\n"
                               "X: y\r\n"
                               "\r\n";
    const Reply r = readReply(header + "body\r\n\r\nmore");
    EXPECT_EQ(r.info.ReplyNumber, 302);
    EXPECT_EQ(r.info.CookieReceived, "id=42; path=/") << "a stray CR cannot split the cookie line";
    EXPECT_EQ(r.info.RedirectLocation, "http://other/e");
    EXPECT_EQ(r.info.BytesTotal, 1234);
    std::string joined;
    for (const auto& l : r.lines) {
        joined += l;
    }
    EXPECT_EQ(joined, header);
    EXPECT_EQ(r.rest, "body\r\n\r\nmore");
}

TEST(NmhttpParseTest, ReplyHeaderOddInput) {
    // a LF alone ends the header; so does the close without a blank line
    Reply r = readReply("HTTP/1.0 200 OK\nA: b\n\nrest");
    EXPECT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.rest, "rest");
    r = readReply("HTTP/1.0 500 Oops\r\nA: b\r\npartial");
    EXPECT_EQ(r.info.ReplyNumber, 500);
    EXPECT_EQ(r.lines.back(), "");
    // long values are kept whole (a cut one names another page or another
    // session); the last of several lines wins
    r = readReply("HTTP/1.0 301 M\r\nLocation: first\r\nLocation: " + std::string(10000, 'L') +
                  "\r\nSet-Cookie: " + std::string(300, 'c') + "\r\n\r\n");
    EXPECT_EQ(r.info.RedirectLocation, std::string(10000, 'L'));
    EXPECT_EQ(r.info.CookieReceived, std::string(300, 'c'));
}

TEST(NmhttpParseTest, HeaderNameIsTheTextUpToTheColonAndTheValueStartsAtItsFirstNonBlank) {
    const struct {
        std::string line, location, cookie;
        std::int32_t length;
    } cases[] = {
        {"Location: /one-blank", "/one-blank", "", 0},
        {"Location:/target", "/target", "", 0},
        {"location:\t /tab-and-blank", "/tab-and-blank", "", 0},
        {"LOCATION:     /several \t", "/several \t", "", 0},
        {"Location:", "", "", 0},
        {"Location: /a b\x01" + std::string(1, '\0'), "/a b\x01" + std::string(1, '\0'), "", 0},
        // a blank before the colon belongs to the name: no such header
        {"Location : /x", "", "", 0},
        {"X-Location: /x", "", "", 0},
        {"Set-Cookie:a=b", "", "a=b", 0},
        {"set-cookie:\t\tc=d; path=/", "", "c=d; path=/", 0},
        {"Content-Length:1234", "", "", 1234},
        {"content-length:\t+1234", "", "", 1234},
        {"Content-Length: 0001234", "", "", 1234},
        {"Content-Length: 000000000000000000001234", "", "", 1234},
        {"Content-Length: 12345678901234567890", "", "", 0},
        {"Content-Length: 2147483647", "", "", 2147483647},
        {"Content-Length: x12y34", "", "", 12},
        {"Content-Length: abc", "", "", 0},
        {"Content-Length:", "", "", 0},
    };
    for (const auto& c : cases) {
        const Reply r = readReply("HTTP/1.0 302 Found\r\n" + c.line + "\r\n\r\nbody");
        EXPECT_EQ(r.info.RedirectLocation, c.location) << c.line;
        EXPECT_EQ(r.info.CookieReceived, c.cookie) << c.line;
        EXPECT_EQ(r.info.BytesTotal, c.length) << c.line;
        EXPECT_EQ(r.rest, "body") << c.line;
    }
}

TEST(NmhttpParseTest, EndlessReplyHeaderIsRefused) {
    std::size_t served = 0;
    const std::string line = "X-Filler: " + std::string(1000, 'f') + "\r\n";
    THttpReplyInfo info;
    EXPECT_EQ(nettest::message([&] {
                  ReadHttpReplyHeader([&] { return ++served == 1 ? "HTTP/1.0 200 OK\r\n" : line; },
                                      [](const std::string&) {}, info);
              }),
              "Reply header too large");
    EXPECT_LT(served, MaxReplyHeaderBytes / 1000 + 10);
}

} // namespace

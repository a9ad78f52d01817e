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
        {"http://server/", 0, {"http://server/", "server", 80, "/"}},
        {"/local/page", 8080, {"/local/page", "current", 8080, "/local/page"}},
        {"ftp://files/pub", 0, {"ftp://files/pub", "files", 21, "/pub"}},
        {"gopher://hole/", 8080, {"gopher://hole/", "hole", 70, "/"}},
        {"HTTP://Up:65535", 0, {"HTTP://Up:65535/", "Up", 65535, "/"}},
        {"page.html", 0, {"page.html/", "page.html", 80, "/"}},
        {"http:///x", 0, {"http:///x", "current", 80, "/x"}},
        {"http://h/a?q=1:2", 8080, {"http://h/a?q=1:2", "h", 80, "/a?q=1:2"}},
        // the path is cut to 256 characters, the URL kept whole
        {"http://h" + longPath, 0, {"http://h" + longPath, "h", 80, longPath.substr(0, 256)}},
        // a line break in a URL cannot inject header lines
        {"http://h/a\r\nX-Injected: 1\t",
         0,
         {"http://h/aX-Injected: 1", "h", 80, "/aX-Injected: 1"}},
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

TEST(NmhttpParseTest, StatusCodeAndContentLength) {
    EXPECT_EQ(HttpStatusCode("HTTP/1.1 404 Not Found\r\n"), 404);
    for (const char* odd : {"HTTP/1.0 200\r\n", "HTTP/1.0  200 OK", "garbage", "HTTP/1.0 0x1F x",
                            "HTTP/1.0 99999 x"}) {
        EXPECT_EQ(HttpStatusCode(odd), 0) << odd;
    }
    EXPECT_EQ(HttpContentLength("Content-Length: x12y34\r\n"), 12);
    EXPECT_EQ(HttpContentLength("Content-Length: 2147483647\r\n"), 2147483647);
    for (const char* odd :
         {"Content-Length: 99999999999\r\n", "Content-Length: abc\r\n", "Content-Length:"}) {
        EXPECT_EQ(HttpContentLength(odd), 0) << odd;
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
    // values are cut to 256 characters; the last of several lines wins
    r = readReply("HTTP/1.0 301 M\r\nLocation: first\r\nLocation: " + std::string(10000, 'L') +
                  "\r\nSet-Cookie: " + std::string(300, 'c') + "\r\n\r\n");
    EXPECT_EQ(r.info.RedirectLocation, std::string(256, 'L'));
    EXPECT_EQ(r.info.CookieReceived, std::string(256, 'c'));
    // a name with its colon but no space after it is not the header
    r = readReply("HTTP/1.0 200 OK\r\nLocation:x\r\nContent-Length:5\r\n\r\n");
    EXPECT_EQ(r.info.RedirectLocation, "");
    EXPECT_EQ(r.info.BytesTotal, 0);
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

#include "net/NmhttpParse.h"

#include "framework/Exceptions.h"
#include "framework/SysUtils.h"
#include "framework/TextEncoding.h"
#include "framework/Utf8.h"
#include "net/Psock.h"

#include <algorithm>
#include <limits>

namespace {

std::string withoutLineEnd(std::string s) {
    if (!s.empty() && s.back() == '\n') {
        s.pop_back();
        if (!s.empty() && s.back() == '\r') {
            s.pop_back();
        }
    }
    return s;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// A header line's name is its text up to the colon, and its value the rest
// without the blanks and tabs that lead it and without the line end: servers
// write "Name:value" and "Name:<tab>value" as well as "Name: value".
bool splitHeaderLine(const std::string& line, std::string& name, std::string& value) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) {
        return false;
    }
    name = UpperCase(line.substr(0, colon));
    std::size_t start = colon + 1;
    while (start < line.size() && isBlank(line[start])) {
        ++start;
    }
    value = withoutLineEnd(line.substr(start));
    return true;
}

bool isSchemeCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
}

// Bytes that cannot stand in a request line (they would split it or end it)
// and bytes past ASCII go percent-encoded, as browsers send them; escapes
// already there stay. Past ASCII a URL means its characters in UTF-8: one
// typed in a Unicode document is UTF-8 already, one in the code page is
// converted first.
void encodeUnsafeBytes(std::string& url) {
    static const char hex[] = "0123456789ABCDEF";
    const auto safe = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte > 0x20 && byte < 0x7F;
    };
    if (std::all_of(url.begin(), url.end(), safe)) {
        return; // the usual case: nothing to copy
    }
    if (!Utf8::IsValid(url)) {
        url = CodePageToUtf8(url);
    }
    std::string out;
    out.reserve(url.size() + 16);
    for (const char c : url) {
        if (safe(c)) {
            out += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 15];
        }
    }
    url = std::move(out);
}

} // namespace

bool HasUrlScheme(const std::string& url) {
    const std::size_t colon = url.find(':');
    if (colon == std::string::npos || colon == 0 || url.compare(colon + 1, 2, "//") != 0) {
        return false;
    }
    const char first = url[0];
    if (!((first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z'))) {
        return false;
    }
    for (std::size_t i = 1; i < colon; ++i) {
        if (!isSchemeCharacter(url[i])) {
            return false;
        }
    }
    return true;
}

void ParseHttpURL(std::string& URL, std::string& Host, std::int32_t& Port,
                  std::string& RequestPath) {
    // Line breaks and tabs in a typed or redirected URL would end the request
    // line early and smuggle in header lines of their own; browsers drop them
    // from URLs too.
    std::erase_if(URL, [](char c) { return c == '\r' || c == '\n' || c == '\t'; });
    // Blanks and control bytes around a URL are no part of it (a pasted URL
    // often brings a blank along); inside it they are escaped.
    const auto outside = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    URL.erase(std::find_if_not(URL.rbegin(), URL.rend(), outside).base(), URL.end());
    URL.erase(URL.begin(), std::find_if_not(URL.begin(), URL.end(), outside));
    encodeUnsafeBytes(URL);
    if (URL.empty()) {
        throw Exception("Empty URL");
    }
    if (Port == 0) {
        Port = 80;
    }
    const bool hasDoubleSlash = Pos("//", URL) > 0;
    const bool hasSlash = Pos("/", URL) > 0;
    // The path is taken whole: a cut one would ask for another resource.
    std::string path;
    if (hasDoubleSlash) {
        path = URL.substr(static_cast<std::size_t>(NthPos(URL, '/', 3) - 1));
    } else if (hasSlash) {
        path = URL.substr(static_cast<std::size_t>(Pos("/", URL) - 1));
    }
    // Only a real scheme sets the port: a ":" in a path ("/a:b.txt") or after
    // a host without one ("server:8080/x") leaves it alone.
    if (HasUrlScheme(URL)) {
        const std::string scheme = UpperCase(URL.substr(0, URL.find(':')));
        if (scheme == "GOPHER") {
            Port = 70;
        } else if (scheme == "FTP") {
            Port = 21;
        } else if (scheme == "HTTPS") {
            throw Exception("HTTP Secure Socket is not supported");
        } else {
            Port = 80;
        }
    }
    std::string hostPart;
    if (hasDoubleSlash) {
        hostPart = NthWord(URL, '/', 3);
    } else if (URL.front() != '/') {
        hostPart = NthWord(URL, '/', 1);
    }
    const std::int64_t portColon = Pos(":", hostPart);
    if (portColon > 0) {
        const std::int32_t port = StrToInt(NthWord(hostPart, ':', 2));
        // the socket takes the port's low 16 bits: a larger number would
        // silently reach some other port
        if (port < 0 || port > 65535) {
            throw ERangeError();
        }
        Port = port;
        hostPart.resize(static_cast<std::size_t>(portColon - 1));
    }
    if (!hostPart.empty()) {
        Host = hostPart;
    }
    if (path.empty()) {
        RequestPath.assign(1, '/');
        URL += '/';
    } else {
        RequestPath = path;
    }
}

std::int16_t HttpStatusCode(const std::string& statusLine) {
    const std::string field = NthWord(statusLine, ' ', 2);
    std::size_t i = 0;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    if (i == field.size()) {
        return 0;
    }
    std::int32_t value = 0;
    for (; i < field.size(); ++i) {
        if (field[i] < '0' || field[i] > '9') {
            return 0;
        }
        value = value * 10 + (field[i] - '0');
        if (value > std::numeric_limits<std::int16_t>::max() + 1) {
            return 0;
        }
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<std::int16_t>::max()) {
        return 0;
    }
    return static_cast<std::int16_t>(value);
}

std::int32_t HttpContentLength(const std::string& line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) {
        return 0;
    }
    std::size_t i = colon + 1;
    while (i < line.size() && (line[i] < '0' || line[i] > '9')) {
        ++i;
    }
    std::int64_t value = 0;
    bool any = false;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
        any = true;
        value = value * 10 + (line[i] - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) {
            return 0;
        }
    }
    return any ? static_cast<std::int32_t>(value) : 0;
}

void ReadHttpReplyHeader(const THttpLineReader& readLine, const THttpLineStore& store,
                         THttpReplyInfo& info) {
    std::size_t total = 0;
    auto keep = [&](const std::string& line) {
        total += line.size();
        if (total > MaxReplyHeaderBytes) {
            throw Exception("Reply header too large");
        }
        store(line);
    };

    const std::string status = readLine();
    if (!status.empty()) {
        info.ReplyNumber = HttpStatusCode(status);
    }
    keep(status);
    for (;;) {
        const std::string line = readLine();
        keep(line);
        std::string name;
        std::string value;
        // values are kept whole: a cut location or cookie is another one
        if (!splitHeaderLine(line, name, value)) {
            // no header line
        } else if (name == "SET-COOKIE") {
            info.CookieReceived = value;
            // sent back as a header line of ours: a stray CR must not split it
            std::erase(info.CookieReceived, '\r');
        } else if (name == "LOCATION") {
            info.RedirectLocation = value;
        } else if (name == "CONTENT-LENGTH") {
            info.BytesTotal = HttpContentLength(line);
        }
        if (line.empty() || line == "\n" || line == "\r\n") {
            break;
        }
    }
}

std::string THttpMemoryPeer::ReadLn() {
    const std::size_t lf = bytes_.find('\n', at_);
    if (lf == std::string::npos) {
        at_ = bytes_.size();
        return {};
    }
    std::string line = bytes_.substr(at_, lf + 1 - at_);
    at_ = lf + 1;
    return line;
}

// The client's URL rule over arbitrary URLs: either a clear error, or a
// host, a port the socket can hold and a path that cannot break the request
// line.
#include "framework/Exceptions.h"
#include "framework/TextEncoding.h"
#include "framework/Utf8.h"
#include "net/NmhttpParse.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // the first byte picks the port the component had before
    const std::int32_t ports[] = {0, 80, 8080, 65535};
    std::int32_t port = ports[data[0] & 3];
    std::string url(reinterpret_cast<const char*>(data + 1), size - 1);
    // line breaks and tabs are dropped from a URL, blanks and control bytes
    // around it too, and those inside it escaped: none may reach the request line
    std::string kept = url;
    std::erase_if(kept, [](char c) { return c == '\r' || c == '\n' || c == '\t'; });
    // blanks and control bytes around the URL are dropped
    while (!kept.empty() && static_cast<unsigned char>(kept.back()) <= 0x20) {
        kept.pop_back();
    }
    std::size_t first = 0;
    while (first < kept.size() && static_cast<unsigned char>(kept[first]) <= 0x20) {
        ++first;
    }
    // past ASCII the URL goes as its characters in UTF-8, escaped too
    std::string trimmed = kept.substr(first);
    const bool plain = std::all_of(trimmed.begin(), trimmed.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte > 0x20 && byte < 0x7F;
    });
    if (!plain && !Utf8::IsValid(trimmed)) {
        trimmed = CodePageToUtf8(trimmed);
    }
    std::string original;
    for (const char c : trimmed) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            original += escape;
        } else {
            original += c;
        }
    }
    std::string host = "current";
    std::string path;
    try {
        ParseHttpURL(url, host, port, path);
    } catch (const Exception&) {
        return 0;
    }
    if (path.empty() || path[0] != '/') {
        std::abort();
    }
    for (const char c : path) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) {
            std::abort();
        }
    }
    if (port < 0 || port > 65535) {
        std::abort();
    }
    if (url != original && url != original + "/") {
        std::abort();
    }
    if (host.find('/') != std::string::npos) {
        std::abort();
    }
    return 0;
}

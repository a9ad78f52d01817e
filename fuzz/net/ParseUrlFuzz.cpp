// The client's URL rule over arbitrary URLs: either a clear error, or a
// host, a port the socket can hold and a path that cannot break the request
// line.
#include "framework/Exceptions.h"
#include "net/NmhttpParse.h"

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
    // line breaks and tabs are dropped from a URL and other blanks and control
    // bytes escaped: none of them may reach the request line
    std::string original;
    for (const char c : url) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r' || c == '\n' || c == '\t') {
            continue;
        }
        if (byte <= 0x20 || byte == 0x7F) {
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

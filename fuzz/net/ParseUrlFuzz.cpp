// The client's URL rule over arbitrary URLs: either a clear error, or a
// host, a port the socket can hold and a path of at most 256 characters.
#include "framework/Exceptions.h"
#include "net/NmhttpParse.h"

#include <cstddef>
#include <cstdint>
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
    // line breaks and tabs are dropped from a URL: they could end the request line
    std::string original = url;
    std::erase_if(original, [](char c) { return c == '\r' || c == '\n' || c == '\t'; });
    std::string host = "current";
    std::string path;
    try {
        ParseHttpURL(url, host, port, path);
    } catch (const Exception&) {
        return 0;
    }
    if (path.empty() || path.size() > MaxUrlPart || path[0] != '/') {
        std::abort();
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

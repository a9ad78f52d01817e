// URL decoding of arbitrary text, and the encode / decode round trip.
#include "net/Nmurl.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TNMURL url;
    bool failed = false;
    url.OnError = [&](QObject*, const std::string& op, const std::string&) {
        failed = op == "Error during decode";
    };
    const std::string decoded = url.URLDecode(text);
    if (failed && decoded != text) {
        std::abort(); // a failed decode gives its input back unchanged
    }
    if (!failed && decoded.size() > text.size()) {
        std::abort();
    }
    failed = false;
    if (url.URLDecode(url.URLEncode(text)) != text || failed) {
        std::abort();
    }
    return 0;
}

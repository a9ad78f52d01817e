// Base64Decode and StdDecode over arbitrary text (the first byte picks the
// method), and the encode / decode round trip of the same bytes.
#include "net/Nmuue.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const UUMethods method = (data[0] & 1) ? uuCode : uuMime;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    // four characters give at most three bytes
    if (UUDecodeString(text, method).size() > text.size()) {
        std::abort();
    }

    if (UUDecodeString(UUEncodeString(text, method), method) != text) {
        std::abort();
    }
    return 0;
}

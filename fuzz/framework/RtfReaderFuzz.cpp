// Feeds arbitrary bytes to the RTF reader and writes back what it read.
#include "framework/rtf/Rtf.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const Rtf::Document document = Rtf::Read(input);
    const std::string written = Rtf::Write(document);
    // What we write must read back as the same document.
    if (Rtf::Read(written) != document) {
        __builtin_trap();
    }
    return 0;
}

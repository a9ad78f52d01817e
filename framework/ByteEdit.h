#pragma once

#include <cstddef>
#include <string>

// One replacement in a byte text: the bytes [From, To) give way to Bytes.
struct TByteEdit {
    size_t From = 0;
    size_t To = 0;
    std::string Bytes;

    bool operator==(const TByteEdit&) const = default;
};

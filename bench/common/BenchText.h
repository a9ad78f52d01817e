#pragma once

#include <cstdint>
#include <string>

// A generated text of about `bytes` bytes in lines of 60 bytes (line end
// included), words of lower-case letters with a few accented ones, and a
// marker near the end for searches.
inline std::string MakeBenchText(size_t bytes, bool crlf) {
    static const char* const words[] = {"lorem", "ipsum", "dolor",  "sit",      "amet", "caf\xE9",
                                        "edit",  "text",  "window", "na\xEFve", "line", "byte"};
    const size_t body = crlf ? 58 : 59;
    std::string out;
    out.reserve(bytes + 64);
    std::uint32_t seed = 12345;
    std::string line;
    while (out.size() + 60 <= bytes) {
        line.clear();
        while (line.size() < body) {
            seed = seed * 1103515245u + 12345u;
            line += words[(seed >> 16) % 12];
            line += ' ';
        }
        line.resize(body);
        out += line;
        out += crlf ? "\r\n" : "\n";
    }
    const std::string marker = "MarkerNearTheEnd";
    out.replace(out.size() - out.size() / 100, marker.size(), marker);
    return out;
}

#pragma once

#include <cstddef>

// The line-end bytes of a stretch of text, counted in one vectorized pass:
// how the text model counts a piece's line ends and characters.
namespace EditTextCount {

struct TEndCounts {
    std::size_t lf = 0;
    std::size_t cr = 0;
    std::size_t pairs = 0; // CR LF, both bytes inside
    bool ascii = true;

    // The line ends, when no CR LF is cut at either end.
    std::size_t Breaks() const { return lf + cr - pairs; }
};

TEndCounts CountEnds(const char* bytes, std::size_t count);

} // namespace EditTextCount

#include "framework/TextSearch.h"

#include "framework/CodePage.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

bool isWordByte(char c) {
    return c == '_' || CodePage::IsAlnum(static_cast<unsigned char>(c));
}

// Folded text is searched in blocks that start small, so a match close by
// costs little (a Replace All calls this once per match), and grow to a size
// that stays in cache.
constexpr size_t kFirstBlock = 256;
constexpr size_t kMaxBlock = 1 << 16;

} // namespace

bool IsWholeWordAt(std::string_view text, size_t pos, size_t length) {
    if (pos > 0 && isWordByte(text[pos - 1])) {
        return false;
    }
    const size_t end = pos + length;
    return end >= text.size() || !isWordByte(text[end]);
}

long long FindBytes(std::string_view text, std::string_view needle, size_t from, size_t to,
                    bool wholeWord, bool matchCase) {
    const size_t n = needle.size();
    if (n == 0 || n > text.size()) {
        return -1;
    }
    // Matches must start in [from, to) and fit in the text.
    to = std::min(to, text.size() - n + 1);
    if (from >= to) {
        return -1;
    }
    if (matchCase) {
        size_t pos = from;
        while (pos < to) {
            const void* hit = ::memmem(text.data() + pos, to - pos + n - 1, needle.data(), n);
            if (!hit) {
                return -1;
            }
            const auto at = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
            if (!wholeWord || IsWholeWordAt(text, at, n)) {
                return static_cast<long long>(at);
            }
            pos = at + 1;
        }
        return -1;
    }

    const auto& lower = CodePage::LowerTable();
    std::string folded(needle);
    for (char& c : folded) {
        c = static_cast<char>(lower[static_cast<unsigned char>(c)]);
    }
    std::string block;
    size_t blockSize = kFirstBlock;
    for (size_t start = from; start < to;
         start += blockSize, blockSize = std::min(blockSize * 2, kMaxBlock)) {
        // This block holds every match starting in [start, start + blockSize).
        const size_t starts = std::min(blockSize, to - start);
        block.resize(std::max(block.size(), starts + n));
        const size_t len = starts + n - 1;
        const char* src = text.data() + start;
        for (size_t i = 0; i < len; ++i) {
            block[i] = static_cast<char>(lower[static_cast<unsigned char>(src[i])]);
        }
        size_t pos = 0;
        while (pos < starts) {
            const void* hit = ::memmem(block.data() + pos, len - pos, folded.data(), n);
            if (!hit) {
                break;
            }
            const auto off = static_cast<size_t>(static_cast<const char*>(hit) - block.data());
            if (off >= starts) {
                break;
            }
            if (!wholeWord || IsWholeWordAt(text, start + off, n)) {
                return static_cast<long long>(start + off);
            }
            pos = off + 1;
        }
    }
    return -1;
}

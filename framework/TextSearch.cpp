#include "framework/TextSearch.h"

#include "framework/CodePage.h"

#include <algorithm>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool isWordByte(char c) {
    return c == '_' || CodePage::IsAlnum(static_cast<unsigned char>(c));
}

// Folded text is searched in blocks that start small, so a match close by
// costs little (a Replace All calls this once per match), and grow to a size
// that stays in cache.
constexpr size_t kFirstBlock = 256;
constexpr size_t kMaxBlock = 1 << 16;

// The bytes equal to c without regard to case; false when there are more than two.
bool caseVariants(unsigned char c, unsigned char& first, unsigned char& second) {
    const auto& lower = CodePage::LowerTable();
    int count = 0;
    unsigned char found[2] = {c, c};
    for (int b = 0; b < 256; ++b) {
        if (lower[b] == lower[c]) {
            if (count == 2) {
                return false;
            }
            found[count++] = static_cast<unsigned char>(b);
        }
    }
    first = found[0];
    second = count == 2 ? found[1] : found[0];
    return true;
}

bool sameFolded(const char* a, const char* b, size_t n) {
    const auto& lower = CodePage::LowerTable();
    for (size_t i = 0; i < n; ++i) {
        if (lower[static_cast<unsigned char>(a[i])] != lower[static_cast<unsigned char>(b[i])]) {
            return false;
        }
    }
    return true;
}

#if defined(__SSE2__)
// Case-blind search, sixteen starts at a time: a start is a candidate when its
// first and the needle's last byte match in either case, and only candidates
// are compared in full. Returns -2 when a needle's end byte has more than two
// case forms, for the caller's general search.
long long findCaseBlindWide(std::string_view text, std::string_view needle, size_t from, size_t to,
                            bool wholeWord) {
    const size_t n = needle.size();
    unsigned char f1 = 0, f2 = 0, l1 = 0, l2 = 0;
    if (!caseVariants(static_cast<unsigned char>(needle.front()), f1, f2) ||
        !caseVariants(static_cast<unsigned char>(needle.back()), l1, l2)) {
        return -2;
    }
    auto matchAt = [&](size_t at) {
        return sameFolded(text.data() + at, needle.data(), n) &&
               (!wholeWord || IsWholeWordAt(text, at, n));
    };
    const __m128i firstA = _mm_set1_epi8(static_cast<char>(f1));
    const __m128i firstB = _mm_set1_epi8(static_cast<char>(f2));
    const __m128i lastA = _mm_set1_epi8(static_cast<char>(l1));
    const __m128i lastB = _mm_set1_epi8(static_cast<char>(l2));
    size_t pos = from;
    // Both loads stay inside the text: to <= size - n + 1.
    for (; pos + 16 <= to; pos += 16) {
        const auto* head = reinterpret_cast<const __m128i*>(text.data() + pos);
        const auto* tail = reinterpret_cast<const __m128i*>(text.data() + pos + n - 1);
        const __m128i a = _mm_loadu_si128(head);
        const __m128i b = _mm_loadu_si128(tail);
        const __m128i firsts = _mm_or_si128(_mm_cmpeq_epi8(a, firstA), _mm_cmpeq_epi8(a, firstB));
        const __m128i lasts = _mm_or_si128(_mm_cmpeq_epi8(b, lastA), _mm_cmpeq_epi8(b, lastB));
        for (unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(firsts, lasts)));
             mask != 0; mask &= mask - 1) {
            const size_t at = pos + static_cast<size_t>(__builtin_ctz(mask));
            if (matchAt(at)) {
                return static_cast<long long>(at);
            }
        }
    }
    for (; pos < to; ++pos) {
        if (matchAt(pos)) {
            return static_cast<long long>(pos);
        }
    }
    return -1;
}
#endif

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

#if defined(__SSE2__)
    const long long wide = findCaseBlindWide(text, needle, from, to, wholeWord);
    if (wide != -2) {
        return wide;
    }
#endif
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

#include "framework/Utf8.h"

#include "framework/Utf8Validate.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PENNIVALE_HAVE_AVX2_PATH 1
#endif

namespace Utf8 {
namespace detail {
namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

std::uint64_t Word(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

} // namespace

std::size_t FirstNonAscii(std::string_view text) {
    const char* p = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    // Four words a step: the or of them tells whether the 32 bytes are ASCII.
    for (; i + 32 <= n; i += 32) {
        if (((Word(p + i) | Word(p + i + 8) | Word(p + i + 16) | Word(p + i + 24)) & kHighBits) !=
            0) {
            break;
        }
    }
    for (; i < n; ++i) {
        if (static_cast<unsigned char>(p[i]) >= 0x80) {
            return i;
        }
    }
    return n;
}

bool IsValidScalar(std::string_view text) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        while (i + 8 <= n && (Word(text.data() + i) & kHighBits) == 0) {
            i += 8;
        }
        if (i >= n) {
            break;
        }
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const int length = SequenceLength(text, i);
        if (length == 0) {
            return false;
        }
        i += static_cast<std::size_t>(length);
    }
    return true;
}

#ifdef PENNIVALE_HAVE_AVX2_PATH

namespace {

// The lookup-table validator of Keiser and Lemire: three table lookups on
// the high and low nibble of each byte and on the high nibble of the byte
// before it name the errors a pair of bytes can show; what is left (a
// continuation that must or must not follow a three- or four-byte lead) is
// checked from the bytes two and three back. Every block takes the whole
// check: a shortcut for ASCII blocks costs more in mispredicted branches on
// prose with an accented letter here and there than it saves.
constexpr char kTooShort = 1 << 0;  // lead followed by a lead or ASCII
constexpr char kTooLong = 1 << 1;   // ASCII followed by a continuation
constexpr char kOverlong3 = 1 << 2; // E0 80..9F
constexpr char kTooLarge = 1 << 3;  // F4 90..BF, F5..FF
constexpr char kSurrogate = 1 << 4; // ED A0..BF
constexpr char kOverlong2 = 1 << 5; // C0, C1
constexpr char kTooLarge1000 = 1 << 6;
constexpr char kOverlong4 = 1 << 6;                   // F0 80..8F
constexpr char kTwoConts = static_cast<char>(1 << 7); // continuation after one
constexpr char kCarry = kTooShort | kTooLong | static_cast<char>(kTwoConts);

constexpr char kLarge = kCarry | kTooLarge | kTooLarge1000;
constexpr char kCont1000 =
    kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4;
constexpr char kCont1001 = kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge;
constexpr char kCont101 = kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge;

// By the high nibble of the byte before, its low nibble, and the high nibble
// of the byte itself.
alignas(16) constexpr char kByte1High[16] = {kTooLong,
                                             kTooLong,
                                             kTooLong,
                                             kTooLong,
                                             kTooLong,
                                             kTooLong,
                                             kTooLong,
                                             kTooLong,
                                             kTwoConts,
                                             kTwoConts,
                                             kTwoConts,
                                             kTwoConts,
                                             kTooShort | kOverlong2,
                                             kTooShort,
                                             kTooShort | kOverlong3 | kSurrogate,
                                             kTooShort | kTooLarge | kTooLarge1000 | kOverlong4};
alignas(16) constexpr char kByte1Low[16] = {kCarry | kOverlong3 | kOverlong2 | kOverlong4,
                                            kCarry | kOverlong2,
                                            kCarry,
                                            kCarry,
                                            kCarry | kTooLarge,
                                            kLarge,
                                            kLarge,
                                            kLarge,
                                            kLarge,
                                            kLarge,
                                            kLarge,
                                            kLarge,
                                            kLarge,
                                            kLarge | kSurrogate,
                                            kLarge,
                                            kLarge};
alignas(16) constexpr char kByte2High[16] = {
    kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
    kCont1000, kCont1001, kCont101,  kCont101,  kTooShort, kTooShort, kTooShort, kTooShort};
// The largest byte each of the last three places may hold: a lead there that
// nothing after it completes fails.
alignas(16) constexpr char kLastMax[16] = {-1,
                                           -1,
                                           -1,
                                           -1,
                                           -1,
                                           -1,
                                           -1,
                                           -1,
                                           -1,
                                           -1,
                                           -1,
                                           -1,
                                           -1,
                                           static_cast<char>(0xF0 - 1),
                                           static_cast<char>(0xE0 - 1),
                                           static_cast<char>(0xC0 - 1)};

__attribute__((target("ssse3"))) inline __m128i Load16(const char* table) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(table));
}
__attribute__((target("avx2"))) inline __m256i Load32(const char* table) {
    return _mm256_broadcastsi128_si256(Load16(table));
}

// The errors of the bytes of `input` given the bytes before them, prev1..3.
__attribute__((target("ssse3"))) inline __m128i Errors(__m128i input, __m128i prev1, __m128i prev2,
                                                       __m128i prev3) {
    const __m128i low = _mm_set1_epi8(0x0F);
    const __m128i special = _mm_and_si128(
        _mm_and_si128(
            _mm_shuffle_epi8(Load16(kByte1High), _mm_and_si128(_mm_srli_epi16(prev1, 4), low)),
            _mm_shuffle_epi8(Load16(kByte1Low), _mm_and_si128(prev1, low))),
        _mm_shuffle_epi8(Load16(kByte2High), _mm_and_si128(_mm_srli_epi16(input, 4), low)));
    // The high bit is set where the byte two back is E0..FF or three back F0..FF.
    const __m128i third = _mm_subs_epu8(prev2, _mm_set1_epi8(0xE0 - 0x80));
    const __m128i fourth = _mm_subs_epu8(prev3, _mm_set1_epi8(0xF0 - 0x80));
    const __m128i must23 =
        _mm_and_si128(_mm_or_si128(third, fourth), _mm_set1_epi8(static_cast<char>(0x80)));
    return _mm_xor_si128(must23, special);
}

__attribute__((target("avx2"))) inline __m256i Errors(__m256i input, __m256i prev1, __m256i prev2,
                                                      __m256i prev3) {
    const __m256i low = _mm256_set1_epi8(0x0F);
    const __m256i special = _mm256_and_si256(
        _mm256_and_si256(_mm256_shuffle_epi8(Load32(kByte1High),
                                             _mm256_and_si256(_mm256_srli_epi16(prev1, 4), low)),
                         _mm256_shuffle_epi8(Load32(kByte1Low), _mm256_and_si256(prev1, low))),
        _mm256_shuffle_epi8(Load32(kByte2High),
                            _mm256_and_si256(_mm256_srli_epi16(input, 4), low)));
    const __m256i third = _mm256_subs_epu8(prev2, _mm256_set1_epi8(0xE0 - 0x80));
    const __m256i fourth = _mm256_subs_epu8(prev3, _mm256_set1_epi8(0xF0 - 0x80));
    const __m256i must23 =
        _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
    return _mm256_xor_si256(must23, special);
}

// The text's last 16 bytes (fewer are padded in front with ASCII): no lead
// among the last three may be left waiting.
__attribute__((target("ssse3"))) bool EndsComplete(std::string_view text) {
    alignas(16) char last[16] = {};
    const std::size_t count = std::min<std::size_t>(text.size(), 16);
    std::memcpy(last + 16 - count, text.data() + text.size() - count, count);
    const __m128i over = _mm_subs_epu8(Load16(last), Load16(kLastMax));
    return _mm_movemask_epi8(_mm_cmpeq_epi8(over, _mm_setzero_si128())) == 0xFFFF;
}

__attribute__((target("ssse3"))) inline void Step(__m128i& error, __m128i& previous,
                                                  __m128i input) {
    error = _mm_or_si128(error, Errors(input, _mm_alignr_epi8(input, previous, 15),
                                       _mm_alignr_epi8(input, previous, 14),
                                       _mm_alignr_epi8(input, previous, 13)));
    previous = input;
}

__attribute__((target("avx2"))) inline void Step(__m256i& error, __m256i& previous, __m256i input) {
    // The bytes before each lane's first: the previous block's end for the
    // low lane, the low lane's end for the high one.
    const __m256i carried = _mm256_permute2x128_si256(previous, input, 0x21);
    error = _mm256_or_si256(error, Errors(input, _mm256_alignr_epi8(input, carried, 15),
                                          _mm256_alignr_epi8(input, carried, 14),
                                          _mm256_alignr_epi8(input, carried, 13)));
    previous = input;
}

} // namespace

__attribute__((target("ssse3"))) bool IsValidSsse3(std::string_view text) {
    const char* p = text.data();
    const std::size_t n = text.size();
    __m128i error = _mm_setzero_si128();
    __m128i previous = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        Step(error, previous, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
    }
    if (i < n) {
        // The tail padded with NULs: a sequence cut by the end meets ASCII.
        alignas(16) char tail[16] = {};
        std::memcpy(tail, p + i, n - i);
        Step(error, previous, Load16(tail));
    }
    return _mm_movemask_epi8(_mm_cmpeq_epi8(error, _mm_setzero_si128())) == 0xFFFF &&
           EndsComplete(text);
}

__attribute__((target("avx2"))) bool IsValidAvx2(std::string_view text) {
    const char* p = text.data();
    const std::size_t n = text.size();
    __m256i error = _mm256_setzero_si256();
    __m256i previous = _mm256_setzero_si256();
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        Step(error, previous, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i)));
    }
    if (i < n) {
        alignas(32) char tail[32] = {};
        std::memcpy(tail, p + i, n - i);
        Step(error, previous, _mm256_load_si256(reinterpret_cast<const __m256i*>(tail)));
    }
    return _mm256_testz_si256(error, error) != 0 && EndsComplete(text);
}

bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

#else

bool IsValidAvx2(std::string_view text) {
    return IsValidScalar(text);
}
bool IsValidSsse3(std::string_view text) {
    return IsValidScalar(text);
}
bool HasSsse3() {
    return false;
}

bool HasAvx2() {
    return false;
}

#endif

} // namespace detail

bool IsValid(std::string_view text) {
    // Short texts are not worth the vector set-up.
    if (text.size() >= 64 && detail::HasAvx2()) {
        return detail::IsValidAvx2(text);
    }
    if (text.size() >= 32 && detail::HasSsse3()) {
        return detail::IsValidSsse3(text);
    }
    return detail::IsValidScalar(text);
}

} // namespace Utf8

#include "framework/Utf8.h"

#include "framework/Utf8Validate.h"

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
// checked from the bytes two and three back.
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

struct TAvx2State {
    __m256i error;
    __m256i previous;
    __m256i incomplete;
};

__attribute__((target("avx2"))) inline __m256i Table(char a0, char a1, char a2, char a3, char a4,
                                                     char a5, char a6, char a7, char a8, char a9,
                                                     char a10, char a11, char a12, char a13,
                                                     char a14, char a15) {
    return _mm256_setr_epi8(a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15,
                            a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15);
}

__attribute__((target("avx2"))) inline void Step(TAvx2State& s, __m256i input) {
    if (_mm256_movemask_epi8(input) == 0) {
        // All ASCII: only a sequence cut at the end of the block before can fail.
        s.error = _mm256_or_si256(s.error, s.incomplete);
        s.incomplete = _mm256_setzero_si256();
        s.previous = input;
        return;
    }
    const __m256i low = _mm256_set1_epi8(0x0F);
    const __m256i carried = _mm256_permute2x128_si256(s.previous, input, 0x21);
    const __m256i prev1 = _mm256_alignr_epi8(input, carried, 15);
    const __m256i prev2 = _mm256_alignr_epi8(input, carried, 14);
    const __m256i prev3 = _mm256_alignr_epi8(input, carried, 13);

    const __m256i byte1High = _mm256_shuffle_epi8(
        Table(kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,
              kTwoConts, kTwoConts, kTwoConts, kTwoConts, kTooShort | kOverlong2, kTooShort,
              kTooShort | kOverlong3 | kSurrogate,
              kTooShort | kTooLarge | kTooLarge1000 | kOverlong4),
        _mm256_and_si256(_mm256_srli_epi16(prev1, 4), low));
    constexpr char kLarge = kCarry | kTooLarge | kTooLarge1000;
    const __m256i byte1Low = _mm256_shuffle_epi8(
        Table(kCarry | kOverlong3 | kOverlong2 | kOverlong4, kCarry | kOverlong2, kCarry, kCarry,
              kCarry | kTooLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge, kLarge,
              kLarge | kSurrogate, kLarge, kLarge),
        _mm256_and_si256(prev1, low));
    constexpr char kCont1000 =
        kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge1000 | kOverlong4;
    constexpr char kCont1001 = kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge;
    constexpr char kCont101 = kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge;
    const __m256i byte2High =
        _mm256_shuffle_epi8(Table(kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
                                  kTooShort, kTooShort, kCont1000, kCont1001, kCont101, kCont101,
                                  kTooShort, kTooShort, kTooShort, kTooShort),
                            _mm256_and_si256(_mm256_srli_epi16(input, 4), low));
    const __m256i special = _mm256_and_si256(_mm256_and_si256(byte1High, byte1Low), byte2High);

    // The high bit is set where the byte two back is E0..FF or three back F0..FF.
    const __m256i third = _mm256_subs_epu8(prev2, _mm256_set1_epi8(0xE0 - 0x80));
    const __m256i fourth = _mm256_subs_epu8(prev3, _mm256_set1_epi8(0xF0 - 0x80));
    const __m256i must23 =
        _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
    s.error = _mm256_or_si256(s.error, _mm256_xor_si256(must23, special));

    // A lead among the last three bytes that its block cannot complete.
    const __m256i maxValue =
        _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                         -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, static_cast<char>(0xF0 - 1),
                         static_cast<char>(0xE0 - 1), static_cast<char>(0xC0 - 1));
    s.incomplete = _mm256_subs_epu8(input, maxValue);
    s.previous = input;
}

} // namespace

__attribute__((target("avx2"))) bool IsValidAvx2(std::string_view text) {
    TAvx2State s{_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
    const char* p = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        Step(s, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i)));
    }
    if (i < n) {
        // The tail padded with NULs: a sequence cut by the end meets ASCII.
        alignas(32) char tail[32] = {};
        std::memcpy(tail, p + i, n - i);
        Step(s, _mm256_load_si256(reinterpret_cast<const __m256i*>(tail)));
    }
    s.error = _mm256_or_si256(s.error, s.incomplete);
    return _mm256_testz_si256(s.error, s.error) != 0;
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

#else

bool IsValidAvx2(std::string_view text) {
    return IsValidScalar(text);
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
    return detail::IsValidScalar(text);
}

} // namespace Utf8

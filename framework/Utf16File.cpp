#include "framework/Utf16File.h"

#include "framework/Utf8.h"

namespace Utf16 {
namespace {

bool IsSurrogate(char32_t u) {
    return u >= 0xD800 && u <= 0xDFFF;
}
bool IsHigh(char32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLow(char32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}
// The lone low surrogates that stand for one ill-formed byte each.
bool StandsForByte(char32_t u) {
    return u >= 0xDC80 && u <= 0xDCFF;
}

unsigned char ByteAt(std::string_view text, std::size_t at) {
    return static_cast<unsigned char>(text[at]);
}

// The surrogate whose 3-byte form (ED A0..BF 80..BF) starts at `at`, or 0.
char32_t SurrogateForm(std::string_view text, std::size_t at) {
    if (at + 2 >= text.size() || ByteAt(text, at) != 0xED) {
        return 0;
    }
    const unsigned char b1 = ByteAt(text, at + 1);
    const unsigned char b2 = ByteAt(text, at + 2);
    if (b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80) {
        return 0;
    }
    return 0xD000 | (static_cast<char32_t>(b1 & 0x3F) << 6) | (b2 & 0x3F);
}

// The units of a text, in order: a character gives its units, the 3-byte
// form of a surrogate gives that surrogate, any other ill-formed byte b
// gives U+DC00 + b. A run of high-surrogate forms that something other than
// a character or the end follows is written byte by byte instead, since as
// surrogates it would pair with the low surrogate after it into another
// character.
template <class Emit> void ForEachUnit(std::string_view text, Emit&& emit) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = ByteAt(text, i);
        if (b < 0x80) {
            emit(b);
            ++i;
            continue;
        }
        const int length = Utf8::SequenceLength(text, i);
        if (length > 0) {
            char32_t cp = Utf8::Decode(text, i, length);
            if (cp >= 0x10000) {
                cp -= 0x10000;
                emit(0xD800 + (cp >> 10));
                emit(0xDC00 + (cp & 0x3FF));
            } else {
                emit(cp);
            }
            i += static_cast<std::size_t>(length);
            continue;
        }
        const char32_t surrogate = SurrogateForm(text, i);
        if (surrogate == 0) {
            emit(0xDC00 + b);
            ++i;
            continue;
        }
        if (!IsHigh(surrogate)) {
            emit(surrogate);
            i += 3;
            continue;
        }
        std::size_t end = i;
        while (IsHigh(SurrogateForm(text, end))) {
            end += 3;
        }
        if (end == n || Utf8::SequenceLength(text, end) > 0) {
            for (std::size_t k = i; k < end; k += 3) {
                emit(SurrogateForm(text, k));
            }
        } else {
            for (std::size_t k = i; k < end; ++k) {
                emit(0xDC00 + ByteAt(text, k));
            }
        }
        i = end;
    }
}

// True when the bytes, written as units, give U+DC00 + each byte again:
// then a run of lone U+DC80..U+DCFF can be read as these bytes.
bool WritesBackByteForByte(std::string_view bytes) {
    std::size_t k = 0;
    bool same = true;
    ForEachUnit(bytes, [&](char32_t u) {
        same = same && k < bytes.size() && u == 0xDC00u + ByteAt(bytes, k);
        ++k;
    });
    return same && k == bytes.size();
}

} // namespace

std::string ToUtf8(std::string_view bytes, bool bigEndian) {
    const std::size_t n = bytes.size() / 2;
    const auto unit = [&](std::size_t i) -> char32_t {
        const unsigned char a = ByteAt(bytes, 2 * i);
        const unsigned char b = ByteAt(bytes, 2 * i + 1);
        return bigEndian ? (static_cast<char32_t>(a) << 8) | b
                         : (static_cast<char32_t>(b) << 8) | a;
    };
    std::string out;
    out.reserve(n + n / 4);
    std::size_t i = 0;
    while (i < n) {
        const char32_t u = unit(i);
        if (u < 0x80) {
            out += static_cast<char>(u);
            ++i;
            continue;
        }
        if (!IsSurrogate(u)) {
            Utf8::Append(out, u);
            ++i;
            continue;
        }
        if (IsHigh(u) && i + 1 < n && IsLow(unit(i + 1))) {
            Utf8::Append(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            i += 2;
            continue;
        }
        if (!StandsForByte(u)) {
            Utf8::Append(out, u); // the 3-byte form of the lone surrogate
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < n && StandsForByte(unit(end))) {
            ++end;
        }
        const std::size_t start = out.size();
        for (std::size_t k = i; k < end; ++k) {
            out += static_cast<char>(unit(k) - 0xDC00);
        }
        // Bytes that would join into a character or a surrogate form keep
        // their surrogates' 3-byte forms instead.
        if (!WritesBackByteForByte(std::string_view(out).substr(start))) {
            out.resize(start);
            for (std::size_t k = i; k < end; ++k) {
                Utf8::Append(out, unit(k));
            }
        }
        i = end;
    }
    return out;
}

void AppendFromUtf8(std::string& out, std::string_view text, bool bigEndian) {
    out.reserve(out.size() + 2 * text.size());
    ForEachUnit(text, [&](char32_t u) {
        const char high = static_cast<char>(u >> 8);
        const char low = static_cast<char>(u & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    });
}

} // namespace Utf16

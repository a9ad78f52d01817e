#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Strict UTF-8 as the Unicode standard defines it: no overlong forms, no
// encoded surrogates, nothing above U+10FFFF. Every byte that does not start
// a well-formed sequence is ill-formed on its own, so a text splits into
// well-formed characters and single ill-formed bytes, and nothing is lost.
namespace Utf8 {

// The length of the well-formed sequence at `at`, or 0 when the byte there
// is ill-formed (a stray continuation, a cut or overlong sequence, a
// surrogate, a code point above U+10FFFF, 0xC0, 0xC1, 0xF5..0xFF).
inline int SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const std::size_t n = text.size();
    const unsigned char b = byte(at);
    if (b < 0x80) {
        return 1;
    }
    const auto cont = [&](std::size_t i) { return i < n && (byte(i) & 0xC0) == 0x80; };
    if (b >= 0xC2 && b <= 0xDF) {
        return cont(at + 1) ? 2 : 0;
    }
    if (b >= 0xE0 && b <= 0xEF) {
        if (!cont(at + 1) || !cont(at + 2)) {
            return 0;
        }
        const unsigned char b1 = byte(at + 1);
        if ((b == 0xE0 && b1 < 0xA0) || (b == 0xED && b1 >= 0xA0)) {
            return 0;
        }
        return 3;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        if (!cont(at + 1) || !cont(at + 2) || !cont(at + 3)) {
            return 0;
        }
        const unsigned char b1 = byte(at + 1);
        if ((b == 0xF0 && b1 < 0x90) || (b == 0xF4 && b1 >= 0x90)) {
            return 0;
        }
        return 4;
    }
    return 0;
}

// The code point of a well-formed sequence of `length` bytes at `at`.
inline char32_t Decode(std::string_view text, std::size_t at, int length) {
    const auto byte = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(text[i]));
    };
    switch (length) {
    case 1:
        return byte(at);
    case 2:
        return ((byte(at) & 0x1F) << 6) | (byte(at + 1) & 0x3F);
    case 3:
        return ((byte(at) & 0x0F) << 12) | ((byte(at + 1) & 0x3F) << 6) | (byte(at + 2) & 0x3F);
    default:
        return ((byte(at) & 0x07) << 18) | ((byte(at + 1) & 0x3F) << 12) |
               ((byte(at + 2) & 0x3F) << 6) | (byte(at + 3) & 0x3F);
    }
}

// Appends the code point (a scalar value: no surrogate, at most U+10FFFF).
inline void Append(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// True when the whole text is well-formed UTF-8, at memory speed.
bool IsValid(std::string_view text);

} // namespace Utf8

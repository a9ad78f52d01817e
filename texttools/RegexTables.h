#pragma once

#include <array>
#include <cstdint>

// What a byte is, for the regular-expression engine's character tables.
struct TByteTraits {
    static constexpr unsigned Digit = 1;
    static constexpr unsigned Upper = 2;
    static constexpr unsigned Lower = 4;
    static constexpr unsigned Letter = 8;
    static constexpr unsigned Space = 16;
    static constexpr unsigned HexDigit = 32;
    static constexpr unsigned Graphic = 64;
    static constexpr unsigned Printable = 128;
    static constexpr unsigned Punctuation = 256;
    static constexpr unsigned Control = 512;
    std::array<unsigned, 256> kinds{};
    std::array<std::uint8_t, 256> lower{};
    std::array<std::uint8_t, 256> upper{};
};

// PCRE2's tables for 8-bit text (the layout its own table maker writes):
// lower case, case flip, class bitmaps, character types.
constexpr int kRegexTablesSize = 1088;
std::array<std::uint8_t, kRegexTablesSize> BuildRegexTables(const TByteTraits& traits);

// The document code page's letters, digits, spaces and cases, as the plain
// search and the case commands see them.
const std::array<std::uint8_t, kRegexTablesSize>& CodePageRegexTables();

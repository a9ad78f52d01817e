#include "crypt/Cipher.h"

#include "framework/Exceptions.h"

#include <algorithm>
#include <array>

namespace {

using TByteTable = std::array<unsigned char, 256>;

inline unsigned char byteOf(char c) {
    return static_cast<unsigned char>(c);
}

std::string shifted(std::string_view text, unsigned char shift) {
    std::string out(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        out[i] = static_cast<char>(static_cast<unsigned char>(byteOf(text[i]) + shift));
    }
    return out;
}

// The Strong mode: the ten swapped pairs, then the shift for all else.
constexpr TByteTable strongTable(int shift) {
    TByteTable table{};
    for (int b = 0; b < 256; ++b) {
        table[b] = static_cast<unsigned char>((b + shift) & 0xFF);
    }
    constexpr const char* pairs[] = {"aq", "bn", "co", "dm", "ep", "fr", "gu", "hs", "iv", "lt"};
    for (const char* pair : pairs) {
        table[static_cast<unsigned char>(pair[0])] = static_cast<unsigned char>(pair[1]);
        table[static_cast<unsigned char>(pair[1])] = static_cast<unsigned char>(pair[0]);
    }
    return table;
}

constexpr TByteTable StrongEncipher = strongTable(20);
constexpr TByteTable StrongDecipher = strongTable(256 - 20);

std::string mapped(std::string_view text, const TByteTable& table) {
    std::string out(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        out[i] = static_cast<char>(table[byteOf(text[i])]);
    }
    return out;
}

template <typename Op> std::string stringKey(std::string_view text, std::string_view key, Op op) {
    const size_t n = text.size();
    const size_t length = key.size();
    if (n == 0) {
        return {};
    }
    // Position 1 is used once, then the key runs from position 2: a key of
    // fewer than two bytes runs out at the second text byte.
    if (length == 0 || (length == 1 && n > 1)) {
        throw ERangeError();
    }
    std::string out(n, '\0');
    size_t i = 0;
    size_t keyStart = 0;
    while (i < n) {
        const size_t count = std::min(n - i, length - keyStart);
        for (size_t m = 0; m < count; ++m) {
            out[i + m] = static_cast<char>(op(byteOf(text[i + m]), byteOf(key[keyStart + m])));
        }
        i += count;
        keyStart = 1;
    }
    return out;
}

inline unsigned char add(unsigned char c, unsigned char k) {
    return static_cast<unsigned char>(c + k);
}

inline unsigned char subtract(unsigned char c, unsigned char k) {
    return static_cast<unsigned char>(c - k);
}

} // namespace

std::uint8_t NumberKeyShift(std::string_view cryptKey) {
    size_t i = 0;
    // atoi's white space: space, tab, line feed, vertical tab, form feed, CR.
    while (i < cryptKey.size() &&
           (cryptKey[i] == ' ' || (cryptKey[i] >= '\t' && cryptKey[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < cryptKey.size() && (cryptKey[i] == '+' || cryptKey[i] == '-')) {
        negative = cryptKey[i] == '-';
        ++i;
    }
    // Only the value modulo 256 matters, and it can be kept as the digits
    // come, whatever their number.
    unsigned value = 0;
    for (; i < cryptKey.size() && cryptKey[i] >= '0' && cryptKey[i] <= '9'; ++i) {
        value = (value * 10 + static_cast<unsigned>(cryptKey[i] - '0')) & 0xFF;
    }
    return static_cast<std::uint8_t>(negative ? (256 - value) & 0xFF : value);
}

std::string NumberKeyCrypt(std::string_view text, std::string_view cryptKey) {
    return shifted(text, NumberKeyShift(cryptKey));
}

std::string NumberKeyDecrypt(std::string_view text, std::string_view cryptKey) {
    return shifted(text, static_cast<unsigned char>(256 - NumberKeyShift(cryptKey)));
}

std::string StrongCrypt(std::string_view text) {
    return mapped(text, StrongEncipher);
}

std::string StrongDecrypt(std::string_view text) {
    return mapped(text, StrongDecipher);
}

// 1 for each byte that enciphering and deciphering do not give back.
constexpr std::array<std::uint8_t, 256> StrongLost = [] {
    std::array<std::uint8_t, 256> lost{};
    for (int b = 0; b < 256; ++b) {
        lost[b] = StrongDecipher[StrongEncipher[b]] != b;
    }
    return lost;
}();

std::size_t StrongUnrestorable(std::string_view text) {
    std::size_t lost = 0;
    for (const char c : text) {
        lost += StrongLost[byteOf(c)];
    }
    return lost;
}

std::string StringKeyCrypt(std::string_view text, std::string_view key) {
    return stringKey(text, key, add);
}

std::string StringKeyDecrypt(std::string_view text, std::string_view key) {
    return stringKey(text, key, subtract);
}

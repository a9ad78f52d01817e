#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The four cipher modes as pure functions on byte strings. Enciphered
// documents are kept as files and deciphered years later, so the bytes each
// routine gives are fixed for good: arithmetic on bytes modulo 256, every
// byte (line ends and NULs too) treated alike.

// The shift a NumberKey key stands for: the key read as a decimal integer by
// atoi's rules (leading white space, one optional sign, then digits up to the
// first non-digit; no digits give 0), modulo 256. Every digit counts however
// long the key, so no key overflows.
std::uint8_t NumberKeyShift(std::string_view cryptKey);

// Every byte plus (or minus) the key's shift.
std::string NumberKeyCrypt(std::string_view text, std::string_view cryptKey);
std::string NumberKeyDecrypt(std::string_view text, std::string_view cryptKey);

// Twenty lower-case letters swap in ten pairs; every other byte moves by 20.
// The lookup is made on the byte being transformed, so some texts do not
// come back (capital M enciphers to a, which deciphers to q).
std::string StrongCrypt(std::string_view text);
std::string StrongDecrypt(std::string_view text);
// How many bytes of the text StrongDecrypt would not give back from
// StrongCrypt: the capitals M to U and X to Z and [ \ ] ^ _ `.
std::size_t StrongUnrestorable(std::string_view text);

// Text byte i moves by a key byte, the key positions running 1, 2, ..., L
// and then 2, ..., L again and again. A key that runs out before the text
// does (empty, or one byte for a longer text) raises ERangeError and gives
// nothing.
std::string StringKeyCrypt(std::string_view text, std::string_view key);
std::string StringKeyDecrypt(std::string_view text, std::string_view key);

// The secure StringKey mode's condition: a key byte of its own for every
// text byte.
inline bool KeyCoversText(std::string_view text, std::string_view key) {
    return key.size() >= text.size();
}

#pragma once

#include <string>
#include <string_view>

// UTF-16 code units, without a byte-order mark, to and from the UTF-8 text
// of a Unicode document. Every unit sequence comes back from its text unit
// for unit: a lone surrogate is kept as its 3-byte (ill-formed) UTF-8 form,
// except a lone U+DC80..U+DCFF, which stands for the single ill-formed byte
// 0x80..0xFF that a text converted from a broken UTF-8 file holds.
//
// A text comes back from its units byte for byte unless it holds the
// 3-byte form of U+DC80..U+DCFF (read back as the single byte it stands
// for) or the form of a high surrogate right before that of a low one
// (written byte by byte, since as surrogates they would make one
// character). Only a broken UTF-8 file gives a text either.
namespace Utf16 {

// The text for the units in `bytes` (an odd last byte is left to the caller).
std::string ToUtf8(std::string_view bytes, bool bigEndian);

// Appends the units for the text to `out`.
void AppendFromUtf8(std::string& out, std::string_view text, bool bigEndian);

} // namespace Utf16

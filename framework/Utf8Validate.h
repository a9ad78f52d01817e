#pragma once

#include <cstddef>
#include <string_view>

// The two ways Utf8::IsValid checks a text, open so that tests hold each
// against Utf8::SequenceLength.
namespace Utf8::detail {

// Byte by byte, skipping ASCII eight bytes at a time.
bool IsValidScalar(std::string_view text);

// 32 or 16 bytes at a time by table lookups; call each only where the
// processor has the instructions.
bool IsValidAvx2(std::string_view text);
bool HasAvx2();
bool IsValidSsse3(std::string_view text);
bool HasSsse3();

// The offset of the first byte of 0x80 or above, or text.size().
std::size_t FirstNonAscii(std::string_view text);

} // namespace Utf8::detail

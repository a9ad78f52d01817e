#pragma once

#include <QString>
#include <cstddef>
#include <string_view>

class TRichEdit;

// The key dialog's radio items, in their order.
enum class TCryptMode { NumberKey = 0, Strong = 1, StringKey = 2, StringKeySecure = 3 };
enum class TCryptDirection { Encipher, Decipher };

// Enciphers or deciphers the control's whole text with the mode and key and
// writes the result back as one undo step, reported as a change when it
// differs. The secure mode with a key shorter than the text shows "The key
// must have as many characters as you have in text!" and changes nothing; a
// StringKey key that runs out raises ERangeError, the text unchanged.
// Enciphering in Strong mode a text that Decrypt would not give back whole
// first says how many characters would be lost and asks; false when the
// user declined, the text unchanged.
bool CipherText(TRichEdit& edit, TCryptMode mode, TCryptDirection direction, std::string_view key);

// The question asked before Strong mode enciphers a text holding `lost`
// characters that Decrypt will not restore.
QString StrongLossQuestion(std::size_t lost);

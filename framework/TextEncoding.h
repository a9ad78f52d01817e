#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <string>
#include <string_view>

// The encodings a document's file can be in. A Windows-1252 document holds
// the file's bytes as they are; every Unicode document holds UTF-8 (without
// a byte-order mark), into which a UTF-16 file is converted when it is read
// and from which it is written back. Bytes that are not well-formed in the
// file's encoding are kept, so that a file read and written again without an
// edit comes back byte for byte.
enum class TEncoding : std::uint8_t { Windows1252, Utf8, Utf8Bom, Utf16LE, Utf16BE };

constexpr int kEncodingCount = 5;

inline bool IsUnicode(TEncoding encoding) {
    return encoding != TEncoding::Windows1252;
}

// As menus and the status line show it: "Windows-1252", "UTF-8",
// "UTF-8 with BOM", "UTF-16 LE", "UTF-16 BE".
QString EncodingName(TEncoding encoding);

// A byte-order mark decides; else a file that is valid UTF-8 and holds at
// least one multi-byte sequence is UTF-8; else the fallback.
TEncoding DetectEncoding(std::string_view file, TEncoding fallback);

// A file's bytes as the document's text in the encoding (its byte-order
// mark, if it has the encoding's own, dropped). For UTF-16 the text is
// UTF-8: a lone surrogate is written as its 3-byte (ill-formed) UTF-8 form,
// and an odd last byte is given back through `oddByte` (else -1), so that
// EncodeFile restores the file exactly.
struct TDecodedFile {
    std::string text;
    int oddByte = -1;
};
TDecodedFile DecodeFile(std::string_view file, TEncoding encoding);
// The same, taking the bytes: a Windows-1252 or UTF-8 file is its own text
// and is not copied (a byte-order mark is cut off in place).
TDecodedFile DecodeFile(std::string&& file, TEncoding encoding);
// The file for the document's text: the encoding's byte-order mark, if it
// has one, and the text written in it.
std::string EncodeFile(std::string_view text, TEncoding encoding, int oddByte = -1);

// Between a Windows-1252 text and UTF-8. A character Windows-1252 cannot
// hold, and each ill-formed byte, becomes "?"; `unrepresentable` counts them.
std::string Utf8ToCodePage(std::string_view utf8, int* unrepresentable = nullptr);
std::string CodePageToUtf8(std::string_view bytes);
int CountUnrepresentable(std::string_view utf8);

// Between the toolkit's strings and a text in the encoding. An ill-formed
// byte b of UTF-8 is the lone surrogate U+DC00 + b in the QString and back.
QString ToQString(std::string_view text, TEncoding encoding);
std::string FromQString(QStringView text, TEncoding encoding);

#pragma once

#include <QString>
#include <QTextFormat>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// How the bytes of a text are shown as the characters of the edit control's
// document, and back.
//
// Windows-1252: one character a byte. UTF-8: a well-formed sequence is its
// character, and every byte outside one is shown on its own as the lone
// surrogate U+DC00 + byte (drawn as a replacement mark), so it is visible,
// counted as one character and written back unchanged. In both, control
// bytes show as the Unicode control pictures, and line ends are the
// document's paragraph breaks, which this file does not handle.
//
// A UTF-8 text can also hold characters the document would take for
// something else: the control pictures themselves, the line and paragraph
// separators, and the document's own object and frame marks. Those are
// "literal": shown as a look-alike whose format carries the real character.
namespace Shown {

// The format property that holds a literal character's code point.
constexpr int kLiteralProperty = QTextFormat::UserProperty + 0x52;

constexpr char16_t kIllFormedBase = 0xDC00;

// What a byte of a Windows-1252 text shows as (line ends excluded), and
// back: the byte a shown character stands for, or -1 when it is none.
char16_t CodePageChar(unsigned char byte);
int CodePageByte(char32_t shown);

// One character of a text: its bytes, and how the document shows it.
struct TChar {
    int bytes;        // 1..4
    char32_t shown;   // what the document holds
    char32_t literal; // the real character when it is literal, else 0
};

// The character at `at` of a text whose body holds no line ends.
TChar CharAt(std::string_view text, std::size_t at, bool unicode);

// The document characters (UTF-16 units) the body shows as; `pairs`, if
// given, counts those of them that are surrogate pairs.
int Units(std::string_view body, bool unicode, int* pairs = nullptr);

// Within a UTF-8 body: the byte where a count of units ends (inside a
// surrogate pair: where the pair starts), and the units before a byte (inside
// a character: before it, or with roundUp after it).
std::size_t ByteOfUnit(std::string_view body, int units);
int UnitOfByte(std::string_view body, std::size_t byte, bool roundUp);

// Appends the body as shown; literal characters are reported by their
// offset in `out` and their code point, and shown as their look-alike.
struct TLiteral {
    qsizetype at;
    char32_t ch;
};
void AppendShown(QString& out, std::string_view body, bool unicode,
                 std::vector<TLiteral>* literals);

// The bytes of a document character (a surrogate pair as one) that is not a
// paragraph break; `literal` is its format's literal property, or 0. A
// character the text cannot hold is "?".
void AppendBytes(std::string& out, char32_t ch, char32_t literal, bool unicode);

// User text (typing, pasting) in the document's bytes, line breaks of any
// kind as `lineEnd`. A character Windows-1252 cannot hold becomes "?".
std::string FromUser(const QString& text, bool unicode, std::string_view lineEnd);
// Bytes as plain text for the clipboard: line ends kept, controls shown,
// an ill-formed byte as U+FFFD.
QString ToUser(std::string_view bytes, bool unicode);

// How a line ends; the pieces of the text model hold at most kMaxPiece
// bytes.
constexpr std::size_t kMaxPiece = 4096;
enum class LineEnd : std::uint8_t { LF = 0, CRLF = 1, CR = 2, None = 3 };

// True when a well-formed sequence of the joined text would cross `at`.
bool JoinsAcross(std::string_view text, std::size_t at);

} // namespace Shown

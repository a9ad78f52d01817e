#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The document code page: Windows-1252, made a bijection over all 256 byte
// values (its five unassigned bytes stand for the C1 controls of the same
// value). Every text of the program is a byte string in this code page.
namespace CodePage {

// The Unicode character a byte stands for.
char16_t ToUnicode(unsigned char byte);

// The byte for a Unicode character, or -1 when the code page has none.
int FromUnicode(char32_t ch);

unsigned char Upper(unsigned char byte);
unsigned char Lower(unsigned char byte);
const std::array<unsigned char, 256>& UpperTable();
const std::array<unsigned char, 256>& LowerTable();

// A letter or a digit of the code page.
bool IsAlnum(unsigned char byte);
bool IsLetter(unsigned char byte);

QString ToQString(std::string_view bytes);
// Characters the code page cannot hold become replacement.
std::string FromQString(QStringView text, char replacement = '?');

} // namespace CodePage

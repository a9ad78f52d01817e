#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Helpers on counted byte strings. Indexes given as "Index1" count from 1,
// as the program's string operations always have.

// Checked 1-based access: an index outside 1..length raises ERangeError.
char CharAt(std::string_view s, std::int64_t index1);
void SetCharAt(std::string& s, std::int64_t index1, char c);

// Position of the first occurrence of sub in s, counted from 1; 0 when absent
// (also for an empty sub).
std::int64_t Pos(std::string_view sub, std::string_view s);

// Up to count bytes from index1 on; an index past the end gives "", an index
// below 1 starts at 1.
std::string Copy(std::string_view s, std::int64_t index1, std::int64_t count);

std::string IntToStr(std::int64_t value);

// Optional spaces, an optional sign, then decimal digits (or $ / 0x and hex
// digits), within 32 bits; anything else raises EConvertError
// "'%s' is not a valid integer value".
std::int32_t StrToInt(std::string_view s);
// Like StrToInt, but returns fallback instead of raising.
std::int32_t StrToIntDef(std::string_view s, std::int32_t fallback);

// A decimal number with "." as separator, spaces around it allowed; anything
// else raises EConvertError "'%s' is not a valid floating point value".
double StrToFloat(std::string_view s);

// The C runtime's atoi: leading spaces, a sign, digits up to the first
// non-digit; 0 when there are none.
std::int64_t AtoI(std::string_view s);

std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// ASCII-only case changes, as the framework's UpperCase / LowerCase.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);

// Case changes and comparisons through the document code page's tables.
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
// <0, 0, >0 comparing without regard to letter case.
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

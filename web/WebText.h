#pragma once

#include "framework/TextEncoding.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The texts the web features read and write: the update file's number and
// mailto URLs. Pure functions on bytes.

// The version of this program, as the update check compares it.
constexpr float ThisVersion = 2.32f;

// A body quoted in the conversion error is cut to this many bytes.
constexpr std::size_t QuotedBodyLimit = 200;

// Whether the update file's body names a version newer than this one. An
// empty body says no. Otherwise the body must be one decimal number ("." as
// the separator, an exponent allowed) with nothing but spaces around it; it
// is compared in single precision, so only a number that is still greater
// as a float counts. Anything else raises EConvertError
// "'%s' is not a valid floating point value" quoting the body (a long one cut
// to QuotedBodyLimit bytes and "...").
bool UpdateAvailable(const std::string& Body);

// The text (bytes of the document code page, or UTF-8 when `utf8`: a Unicode
// document's) as the value of a mailto header field: UTF-8, every line end as
// %0D%0A, and every byte but letters, digits and "-._~" percent-encoded, so no
// text can end its field or start another. An ill-formed byte of UTF-8 goes
// as U+FFFD.
std::string MailtoValue(std::string_view text, bool utf8 = false);

// "mailto:" + address, then "?" and the fields as name=value joined by "&",
// each value encoded by MailtoValue.
std::string MailtoUrl(std::string_view address,
                      const std::vector<std::pair<std::string, std::string>>& fields,
                      bool utf8 = false);

// A new message with the text as its body: "mailto:?Body=" + the encoded text.
std::string MailBodyUrl(std::string_view text, bool utf8 = false);

// The encoding of an imported body, from the reply's status and header lines:
// a Content-Type charset naming UTF-8 gives UTF-8 (with BOM when the body
// begins with one); one naming UTF-16, UTF-16LE or UTF-16BE gives the UTF-16
// of the body's byte-order mark, else the one named (LE for plain UTF-16);
// any other, or none, leaves it to DetectEncoding(body, fallback).
TEncoding ImportEncoding(std::string_view header, std::string_view body, TEncoding fallback);

#pragma once

#include <string>
#include <string_view>

class TRichEdit;

enum class TCaseConversion {
    AllUpper,     // every letter: the code page's upper-case table, or Unicode's
    AllLower,     // every letter: the code page's lower-case table, or Unicode's
    Reverse,      // a to z and A to Z swapped, nothing else
    InitialUpper, // the first character, if it is a to z
};

// The text converted. In a Windows-1252 document (the bytes as they are)
// always as many bytes as given. In a Unicode one (`unicode`: UTF-8) All
// upper and All lower take each character's Unicode simple case mapping, one
// character for one, which may have another length; an ill-formed byte stays
// as it is. Reverse and Initial touch the plain letters alone, so they work
// byte by byte in both.
std::string ConvertCase(std::string text, TCaseConversion conversion, bool unicode = false);

// Converts the selection of the control, each character keeping its format,
// and leaves the caret just after it with nothing selected. Nothing happens
// with nothing selected or on a read-only control.
void ConvertSelectionCase(TRichEdit& edit, TCaseConversion conversion);

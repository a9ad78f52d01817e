#pragma once

#include <string>
#include <string_view>

class TRichEdit;

enum class TCaseConversion {
    AllUpper,     // the code page's upper-case table, every letter
    AllLower,     // the code page's lower-case table, every letter
    Reverse,      // a to z and A to Z swapped, nothing else
    InitialUpper, // the first byte, if it is a to z
};

// The bytes converted; always as many as given.
std::string ConvertCase(std::string_view text, TCaseConversion conversion);

// Converts the selection of the control, each character keeping its format,
// and leaves the caret just after it with nothing selected. Nothing happens
// with nothing selected or on a read-only control.
void ConvertSelectionCase(TRichEdit& edit, TCaseConversion conversion);

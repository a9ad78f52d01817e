#pragma once

#include "framework/StringList.h"

#include <string>
#include <string_view>

// A string list of header lines: a name, a colon and a value. The lines it
// writes itself put one space after the colon.
class TExStringList : public TStringList {
public:
    // Index of the first line whose name (the text before its first ":")
    // equals name without regard to letter case, or -1. Lines without ":"
    // never match; names are not trimmed.
    int IndexOfName(std::string_view name) const;

    // The value after the name and its colon, less one leading space; empty
    // when there is no such line.
    std::string GetValue(std::string_view name) const;

    // A non-empty value rewrites the line in place, or adds it at the end;
    // an empty value removes the line.
    void SetValue(std::string_view name, std::string_view value);

private:
    int findSorted(std::string_view name) const;
};

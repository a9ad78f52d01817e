#pragma once

#include <string_view>

// Finds needle in text, the match starting in [from, to). Without matchCase,
// letters compare through the code page's case tables; with wholeWord, the
// bytes beside the match (where there are any) are no letters or digits of
// the code page and no "_". Returns the position or -1.
long long FindBytes(std::string_view text, std::string_view needle, size_t from, size_t to,
                    bool wholeWord, bool matchCase);

// True when text[pos, pos + length) stands as a whole word.
bool IsWholeWordAt(std::string_view text, size_t pos, size_t length);

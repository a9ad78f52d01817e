#pragma once

#include "framework/ByteEdit.h"

#include <string_view>
#include <vector>

// What Replace All does to a text, worked out on its bytes.
struct TReplacePlan {
    // Sorted, apart, in positions of the text as it was.
    std::vector<TByteEdit> Edits;
    // Just after the replacement made last, in the new text.
    size_t Caret = 0;
    // Replacements made (several may fall into one edit).
    size_t Count = 0;
};

// The result of searching from `start` (the end of the selection, or 0),
// replacing the match, and searching again from the top until nothing is
// found, in time linear in the text: every search resumes where the last
// replacement can first have made a match, and skips text known to hold
// none. A match made only of text the replacements inserted ends it, since
// the replacement would otherwise regrow forever. In a Unicode document
// (`unicode`: the text, search and replacement are UTF-8) the search compares
// characters, and a match's length may differ from the search text's (see
// TTextSearch).
TReplacePlan PlanReplaceAll(std::string_view text, std::string_view search,
                            std::string_view replacement, size_t start, bool wholeWord,
                            bool matchCase, bool unicode = false);

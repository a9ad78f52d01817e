#pragma once

#include "texttools/RegexMatcher.h"

#include <string>
#include <string_view>

class TRichEdit;

// Why a regular-expression command did nothing, and beside which of the
// dialog's fields to say so.
struct TRegexProblem {
    enum Field { None, Pattern, Replacement } field = None;
    std::string message;
};

// Find Next, Replace and Replace All by a pattern on an edit control, as the
// plain ones in FindReplace.h do with a search text. A pattern or replacement
// that does not read, or a search stopped at its limits, changes nothing and
// fills `problem`.
//
// Find Next passes over empty matches, which cannot be selected. Replace
// reads the groups of the selection when the pattern matches it exactly, and
// takes the selection for $0 otherwise. Replace All replaces every match in
// the text, in one pass from the top, as one undo step.
int RegexSearchStep(TRichEdit& edit, std::string_view pattern, TRegexOptions options,
                    TRegexProblem& problem);
void RegexReplaceSelection(TRichEdit& edit, std::string_view pattern, std::string_view replacement,
                           TRegexOptions options, TRegexProblem& problem);
size_t RegexReplaceAll(TRichEdit& edit, std::string_view pattern, std::string_view replacement,
                       TRegexOptions options, TRegexProblem& problem);

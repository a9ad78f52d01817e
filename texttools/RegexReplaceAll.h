#pragma once

#include "texttools/RegexMatcher.h"
#include "texttools/ReplaceAll.h"

#include <string_view>

class TReplaceTemplate;

// Replace All by a pattern, in one pass from the top: each match is replaced
// once and the search goes on after it (one character further after an empty
// match), so no replacement is searched again and the work is linear in the
// text. `with` is bound to `matcher`; a "\n" in it inserts `lineEnd`. Fails,
// planning nothing, when the search does.
TRegexStatus PlanRegexReplaceAll(std::string_view text, TRegexMatcher& matcher,
                                 const TReplaceTemplate& with, std::string_view lineEnd,
                                 TReplacePlan& plan);

// The replacement text of a regular-expression Replace All, as typed: it
// reads or says where it does not, names only groups the pattern has, and a
// text without "$" or "\" replaces each match with itself.
#include "texttools/RegexMatcher.h"
#include "texttools/RegexReplaceAll.h"
#include "texttools/ReplaceTemplate.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    static TRegexMatcher matcher("(?J)(?<n>a)(b)?|(?<n>c)|$", TRegexOptions{true, false, false});
    constexpr std::string_view subject = "xab c \r\nd";
    TReplaceTemplate with(text);
    if (!with.Error().empty()) {
        if (with.ErrorOffset() >= size) {
            std::abort();
        }
        return 0;
    }
    if (!with.Bind(matcher)) {
        return 0;
    }
    TReplacePlan plan;
    if (PlanRegexReplaceAll(subject, matcher, with, "\r\n", plan) != TRegexStatus::Found ||
        plan.Count != 4) {
        std::abort();
    }
    const bool plain = text.find_first_of("$\\") == std::string_view::npos;
    size_t at = 0;
    for (const TByteEdit& edit : plan.Edits) {
        if (edit.From < at || edit.To < edit.From || edit.To > subject.size() ||
            (plain && edit.Bytes != text)) {
            std::abort();
        }
        at = edit.To;
    }
    return 0;
}

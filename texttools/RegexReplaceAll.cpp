#include "texttools/RegexReplaceAll.h"

#include "texttools/ReplaceTemplate.h"

TRegexStatus PlanRegexReplaceAll(std::string_view text, TRegexMatcher& matcher,
                                 const TReplaceTemplate& with, std::string_view lineEnd,
                                 TReplacePlan& plan) {
    plan = TReplacePlan{};
    // How far the new text has run ahead of the old.
    long long shift = 0;
    size_t from = 0;
    while (from <= text.size()) {
        const TRegexStatus status = matcher.Find(text, from);
        if (status == TRegexStatus::Failed) {
            plan = TReplacePlan{};
            return status;
        }
        if (status == TRegexStatus::NotFound) {
            break;
        }
        const size_t start = matcher.Start();
        const size_t end = matcher.End();
        // A match right after the last one (an empty one) joins its edit.
        if (plan.Edits.empty() || plan.Edits.back().To != start) {
            plan.Edits.push_back(TByteEdit{start, end, {}});
        }
        TByteEdit& edit = plan.Edits.back();
        const size_t before = edit.Bytes.size();
        with.Expand(matcher, text, lineEnd, edit.Bytes);
        edit.To = end;
        shift += static_cast<long long>(edit.Bytes.size() - before) -
                 static_cast<long long>(end - start);
        plan.Caret = static_cast<size_t>(static_cast<long long>(end) + shift);
        ++plan.Count;
        from = end > start ? end : matcher.NextCharacter(text, end);
    }
    return plan.Count > 0 ? TRegexStatus::Found : TRegexStatus::NotFound;
}

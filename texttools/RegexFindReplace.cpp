#include "texttools/RegexFindReplace.h"

#include "framework/TextSearch.h"
#include "framework/ui/RichEdit.h"
#include "texttools/RegexReplaceAll.h"
#include "texttools/ReplaceTemplate.h"

namespace {

int searchStart(const TRichEdit& edit) {
    const int length = edit.SelLength();
    return length != 0 ? edit.SelStart() + length : 0;
}

// Where in the typed text a problem lies, counted in characters: in UTF-8
// the engine's byte offset is not one.
std::string at(size_t offset, std::string_view text, bool utf, const std::string& message) {
    if (offset >= text.size()) {
        return "At the end: " + message;
    }
    size_t character = offset;
    if (utf) {
        character = 0;
        for (size_t i = 0; i < offset; i += Utf8CharLength(text, i)) {
            ++character;
        }
    }
    return "At character " + std::to_string(character + 1) + ": " + message;
}

bool fail(TRegexProblem& problem, TRegexProblem::Field field, std::string message) {
    problem.field = field;
    problem.message = std::move(message);
    return false;
}

bool compiled(const TRegexMatcher& matcher, std::string_view pattern, bool utf,
              TRegexProblem& problem) {
    return matcher.Ok() || fail(problem, TRegexProblem::Pattern,
                                at(matcher.ErrorOffset(), pattern, utf, matcher.Error()));
}

bool bound(TReplaceTemplate& with, const TRegexMatcher& matcher, std::string_view replacement,
           bool utf, TRegexProblem& problem) {
    if (!with.Error().empty()) {
        return fail(problem, TRegexProblem::Replacement,
                    at(with.ErrorOffset(), replacement, utf, with.Error()));
    }
    return with.Bind(matcher) || fail(problem, TRegexProblem::Replacement, with.Error());
}

bool searched(TRegexStatus status, const TRegexMatcher& matcher, TRegexProblem& problem) {
    return status != TRegexStatus::Failed || fail(problem, TRegexProblem::Pattern, matcher.Error());
}

} // namespace

int RegexSearchStep(TRichEdit& edit, std::string_view pattern, TRegexOptions options,
                    TRegexProblem& problem) {
    problem = {};
    if (pattern.empty()) {
        return -1;
    }
    TRegexMatcher matcher(pattern, options);
    if (!compiled(matcher, pattern, options.Utf, problem)) {
        return -1;
    }
    const TRegexStatus status =
        matcher.Find(edit.Text(), static_cast<size_t>(searchStart(edit)), true);
    if (!searched(status, matcher, problem) || status != TRegexStatus::Found) {
        return -1;
    }
    const int found = static_cast<int>(matcher.Start());
    edit.setFocus();
    edit.SetSelStart(found);
    edit.SetSelLength(static_cast<int>(matcher.End() - matcher.Start()));
    return found;
}

void RegexReplaceSelection(TRichEdit& edit, std::string_view pattern, std::string_view replacement,
                           TRegexOptions options, TRegexProblem& problem) {
    problem = {};
    if (pattern.empty() || edit.isReadOnly()) {
        return;
    }
    TRegexMatcher matcher(pattern, options);
    TReplaceTemplate with(replacement);
    if (!compiled(matcher, pattern, options.Utf, problem) ||
        !bound(with, matcher, replacement, options.Utf, problem)) {
        return;
    }
    const std::string_view text = edit.Text();
    const auto start = static_cast<size_t>(edit.SelStart());
    const auto length = static_cast<size_t>(edit.SelLength());
    const std::string_view lineEnd = edit.OwnLineEndBytes();
    std::string bytes;
    const TRegexStatus status = length > 0 ? matcher.MatchAt(text, start) : TRegexStatus::NotFound;
    if (!searched(status, matcher, problem)) {
        return;
    }
    if (status == TRegexStatus::Found && matcher.End() == start + length) {
        with.Expand(matcher, text, lineEnd, bytes);
    } else {
        bytes = with.ExpandPlain(text.substr(start, length), lineEnd);
    }
    edit.SetSelText(bytes);
}

size_t RegexReplaceAll(TRichEdit& edit, std::string_view pattern, std::string_view replacement,
                       TRegexOptions options, TRegexProblem& problem) {
    problem = {};
    if (pattern.empty() || edit.isReadOnly()) {
        return 0;
    }
    TRegexMatcher matcher(pattern, options);
    TReplaceTemplate with(replacement);
    if (!compiled(matcher, pattern, options.Utf, problem) ||
        !bound(with, matcher, replacement, options.Utf, problem)) {
        return 0;
    }
    TReplacePlan plan;
    const TRegexStatus status =
        PlanRegexReplaceAll(edit.Text(), matcher, with, edit.OwnLineEndBytes(), plan);
    if (!searched(status, matcher, problem) || plan.Count == 0) {
        return 0;
    }
    edit.setFocus();
    edit.ReplaceRanges(plan.Edits, static_cast<int>(plan.Caret));
    return plan.Count;
}

#pragma once

#include <string_view>

class TRichEdit;

// The texts are in the document's encoding (see TRichEdit::Encoding).
//
// One Find Next: searches forward from just after the selection, or from the
// top when nothing is selected, never wrapping round. A match is selected
// (its length may differ from the text's in a Unicode document) and scrolled
// into view, and the control takes the focus; with none, nothing changes.
// Gives the match's position or -1.
int SearchStep(TRichEdit& edit, std::string_view text, bool wholeWord, bool matchCase);

// Replace: whatever is selected gives way to the replacement (inserted at the
// caret when nothing is). Nothing on a read-only control.
void ReplaceSelection(TRichEdit& edit, std::string_view replacement);

// Replace All (see PlanReplaceAll) as one undo step, keeping the character
// formats around each match; the caret ends after the replacement made last.
// With no match nothing changes, not even the selection. Gives the number of
// replacements.
size_t ReplaceAll(TRichEdit& edit, std::string_view search, std::string_view replacement,
                  bool wholeWord, bool matchCase);

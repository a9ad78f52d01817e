#include "texttools/FindReplace.h"

#include "framework/ui/RichEdit.h"
#include "texttools/ReplaceAll.h"

namespace {

// Just after the selection; the top when nothing is selected.
int searchStart(const TRichEdit& edit) {
    const int length = edit.SelLength();
    return length != 0 ? edit.SelStart() + length : 0;
}

} // namespace

int SearchStep(TRichEdit& edit, std::string_view text, bool wholeWord, bool matchCase) {
    const int start = searchStart(edit);
    int length = 0;
    const int found =
        edit.FindText(text, start, edit.TextLength() - start, wholeWord, matchCase, &length);
    if (found >= 0) {
        edit.setFocus();
        edit.SetSelStart(found);
        edit.SetSelLength(length);
    }
    return found;
}

void ReplaceSelection(TRichEdit& edit, std::string_view replacement) {
    if (!edit.isReadOnly()) {
        edit.SetSelText(replacement);
    }
}

size_t ReplaceAll(TRichEdit& edit, std::string_view search, std::string_view replacement,
                  bool wholeWord, bool matchCase) {
    if (edit.isReadOnly()) {
        return 0;
    }
    const TReplacePlan plan =
        PlanReplaceAll(edit.Text(), search, replacement, static_cast<size_t>(searchStart(edit)),
                       wholeWord, matchCase, IsUnicode(edit.Encoding()));
    if (plan.Count == 0) {
        return 0;
    }
    edit.setFocus();
    edit.ReplaceRanges(plan.Edits, static_cast<int>(plan.Caret));
    return plan.Count;
}

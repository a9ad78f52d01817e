#include "texttools/FindCommands.h"

#include "texttools/FindDialog.h"
#include "texttools/FindReplace.h"
#include "texttools/RegexFindReplace.h"

namespace {

TRegexOptions regexOptions(TFindOptions options) {
    TRegexOptions r;
    r.MatchCase = options.testFlag(frMatchCase);
    r.WholeWord = options.testFlag(frWholeWord);
    // Documents are in the single-byte code page.
    r.Utf = false;
    return r;
}

} // namespace

int DialogFindNext(TFindDialog& dialog, TRichEdit& edit) {
    const TFindOptions options = dialog.Options();
    if (!options.testFlag(frRegularExpression)) {
        dialog.ShowProblem({});
        return SearchStep(edit, dialog.FindText(), options.testFlag(frWholeWord),
                          options.testFlag(frMatchCase));
    }
    TRegexProblem problem;
    const int found = RegexSearchStep(edit, dialog.FindText(), regexOptions(options), problem);
    dialog.ShowProblem(problem);
    return found;
}

void DialogReplace(TReplaceDialog& dialog, TRichEdit& edit) {
    const TFindOptions options = dialog.Options();
    const bool all = options.testFlag(frReplaceAll);
    if (!options.testFlag(frRegularExpression)) {
        dialog.ShowProblem({});
        if (all) {
            ReplaceAll(edit, dialog.FindText(), dialog.ReplaceText(), options.testFlag(frWholeWord),
                       options.testFlag(frMatchCase));
        } else {
            ReplaceSelection(edit, dialog.ReplaceText());
        }
        return;
    }
    TRegexProblem problem;
    if (all) {
        RegexReplaceAll(edit, dialog.FindText(), dialog.ReplaceText(), regexOptions(options),
                        problem);
    } else {
        RegexReplaceSelection(edit, dialog.FindText(), dialog.ReplaceText(), regexOptions(options),
                              problem);
    }
    dialog.ShowProblem(problem);
}

#include "texttools/FindCommands.h"

#include "framework/ui/RichEdit.h"
#include "texttools/FindDialog.h"
#include "texttools/FindReplace.h"
#include "texttools/RegexFindReplace.h"

namespace {

TRegexOptions regexOptions(TFindOptions options, const TRichEdit& edit) {
    TRegexOptions r;
    r.MatchCase = options.testFlag(frMatchCase);
    r.WholeWord = options.testFlag(frWholeWord);
    // A Unicode document is UTF-8; else one byte is one character.
    r.Utf = IsUnicode(edit.Encoding());
    return r;
}

} // namespace

int DialogFindNext(TFindDialog& dialog, TRichEdit& edit) {
    const TFindOptions options = dialog.Options();
    // The texts as the document holds them, made when the button is pressed,
    // since each press may act on a document of another encoding.
    const std::string search = FieldBytes(dialog.FindText(), edit.Encoding());
    if (!options.testFlag(frRegularExpression)) {
        dialog.ShowProblem({});
        return SearchStep(edit, search, options.testFlag(frWholeWord),
                          options.testFlag(frMatchCase));
    }
    TRegexProblem problem;
    const int found = RegexSearchStep(edit, search, regexOptions(options, edit), problem);
    dialog.ShowProblem(problem);
    return found;
}

void DialogReplace(TReplaceDialog& dialog, TRichEdit& edit) {
    const TFindOptions options = dialog.Options();
    const bool all = options.testFlag(frReplaceAll);
    const std::string search = FieldBytes(dialog.FindText(), edit.Encoding());
    const std::string replacement = FieldBytes(dialog.ReplaceText(), edit.Encoding());
    if (!options.testFlag(frRegularExpression)) {
        dialog.ShowProblem({});
        if (all) {
            ReplaceAll(edit, search, replacement, options.testFlag(frWholeWord),
                       options.testFlag(frMatchCase));
        } else {
            ReplaceSelection(edit, replacement);
        }
        return;
    }
    TRegexProblem problem;
    if (all) {
        RegexReplaceAll(edit, search, replacement, regexOptions(options, edit), problem);
    } else {
        RegexReplaceSelection(edit, search, replacement, regexOptions(options, edit), problem);
    }
    dialog.ShowProblem(problem);
}

#pragma once

class TFindDialog;
class TReplaceDialog;
class TRichEdit;

// What the dialogs' buttons do to a document's edit control, with the
// dialog's texts and options: the plain search, or the pattern when
// "Regular expression" is set, in which case a problem is said in the dialog.
// Find Next gives the match's position or -1.
int DialogFindNext(TFindDialog& dialog, TRichEdit& edit);
void DialogReplace(TReplaceDialog& dialog, TRichEdit& edit);

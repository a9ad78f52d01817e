#pragma once

#include "framework/ui/Font.h"
#include "framework/ui/RichEdit.h"

class QWidget;
class TfrmNew;

// The Edit and View commands that act on one document window's edit control.
class TEditCommands {
public:
    // The font dialog's own font until a command loads it.
    TFont FontDialog1;

    // Copies the selection, then replaces it with nothing (not the control's
    // own cut).
    void Cut(TfrmNew& window);
    void Copy(TfrmNew& window);
    void Paste(TfrmNew& window);
    void SelectAll(TfrmNew& window);
    // Empties the whole text at once, without a question.
    void ClearAll(TfrmNew& window);
    void Undo(TfrmNew& window);
    // Does again what Undo undid last.
    void Redo(TfrmNew& window);
    void Align(TfrmNew& window, TParaAlignment alignment);
    void SetWordWrap(TfrmNew& window, bool wrap);
    // Offers the control's base font in the font dialog and gives the chosen
    // font to the selection (or to what is typed next at the caret).
    void SetFont(TfrmNew& window, QWidget* dialogParent);
    // The whole text to the default printer, job title "Title". Raises when
    // there is no printer or the job cannot start, saying why.
    void Print(TfrmNew& window);
};

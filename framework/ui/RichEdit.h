// No #pragma once: EditControl.h includes this header for TParaAlignment
// alone, before TEditControl is declared, and the class below must then wait
// for the next inclusion (its own guard keeps it to one).
#include "framework/ui/EditControl.h"
#include "framework/ui/ParaAlignment.h"

#if defined(QABSTRACTSCROLLAREA_H) && !defined(PENNIVALE_RICH_EDIT_H)
#define PENNIVALE_RICH_EDIT_H

// The rich edit control of a document window: the edit control over the
// text model (TEditControl), under the name the program uses.
//
// Texts are byte strings in the document code page, and the control is
// byte-exact: what is set is given back by Text() byte for byte (lone CR,
// lone LF, CR LF, NUL and every other byte), and every position counts bytes
// of Text(), so a CR LF is two positions.
class TRichEdit : public TEditControl {
    Q_OBJECT
public:
    explicit TRichEdit(QWidget* parent = nullptr);
    ~TRichEdit() override;

    // Setting the text it already holds is no change (nothing reported, no
    // undo step).
    void SetText(std::string_view bytes);
};

#endif

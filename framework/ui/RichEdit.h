#pragma once

#include "framework/ui/EditControl.h"

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
};

#include "framework/ui/RichEdit.h"

TRichEdit::TRichEdit(QWidget* parent) : TEditControl(parent) {}

TRichEdit::~TRichEdit() = default;

void TRichEdit::SetText(std::string_view bytes) {
    if (bytes != Text()) {
        TEditControl::SetText(bytes);
    }
}

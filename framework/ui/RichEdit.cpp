#include "framework/ui/RichEdit.h"

TRichEdit::TRichEdit(QWidget* parent) : TEditControl(parent) {}

TRichEdit::~TRichEdit() = default;

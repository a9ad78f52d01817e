#include "document/EditCommands.h"

#include "document/Unit1.h"
#include "framework/Exceptions.h"
#include "framework/ui/Platform.h"

void TEditCommands::Cut(TfrmNew& window) {
    TRichEdit& edit = window.Edit1();
    edit.CopyToClipboard();
    edit.SetSelText("");
}

void TEditCommands::Copy(TfrmNew& window) {
    window.Edit1().CopyToClipboard();
}

void TEditCommands::Paste(TfrmNew& window) {
    window.Edit1().PasteFromClipboard();
}

void TEditCommands::SelectAll(TfrmNew& window) {
    window.Edit1().SelectAll();
}

void TEditCommands::ClearAll(TfrmNew& window) {
    window.Edit1().Clear();
}

void TEditCommands::Undo(TfrmNew& window) {
    TRichEdit& edit = window.Edit1();
    if (edit.CanUndo()) {
        edit.Undo();
    }
}

void TEditCommands::Redo(TfrmNew& window) {
    window.Edit1().Redo();
}

void TEditCommands::Align(TfrmNew& window, TParaAlignment alignment) {
    window.Edit1().SetParagraphAlignment(alignment);
}

void TEditCommands::SetWordWrap(TfrmNew& window, bool wrap) {
    window.Edit1().SetWordWrap(wrap);
}

void TEditCommands::SetFont(TfrmNew& window, QWidget* dialogParent) {
    TRichEdit& edit = window.Edit1();
    FontDialog1 = edit.BaseFont();
    if (!Platform().FontDialog(dialogParent, FontDialog1)) {
        return;
    }
    edit.SetSelAttributes(FontDialog1);
}

void TEditCommands::Print(TfrmNew& window) {
    // Nothing else would tell the user that no page came out.
    if (!Platform().PrinterAvailable()) {
        throw Exception("No printer is available");
    }
    const QString failure = window.Edit1().Print(QStringLiteral("Title"));
    if (!failure.isEmpty()) {
        throw Exception(failure.toStdString());
    }
}

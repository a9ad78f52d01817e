// The Crypt utility: both commands open the one key dialog, whose OK works
// on whatever CurrentDocument names by then.
#include "app/Main.h"
#include "framework/ui/RichEdit.h"

void TMainForm::Crypt1Click() {
    onActiveDocument([this](TfrmNew&) {
        CryptDirection = "Crypt";
        if (frmCrypt) {
            frmCrypt->ShowKeyDialog();
        }
    });
}

void TMainForm::Decrypt1Click() {
    onActiveDocument([this](TfrmNew&) {
        CryptDirection = "DeCrypt";
        if (frmCrypt) {
            frmCrypt->ShowKeyDialog();
        }
    });
}

TRichEdit* TMainForm::CryptTarget() const {
    // A closed window lingers until the event loop destroys it.
    return CurrentDocument && !CurrentDocument->IsClosed() ? &CurrentDocument->Edit1() : nullptr;
}

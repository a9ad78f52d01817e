// The main window's find, replace and case commands: each takes the active
// document window and hands its edit control to the text tools.
#include "app/Main.h"
#include "framework/ui/Application.h"
#include "framework/ui/RichEdit.h"
#include "texttools/CaseConversion.h"
#include "texttools/FindCommands.h"
#include "texttools/FindDialog.h"

void TMainForm::createFindDialogs() {
    FindDialog = new TFindDialog(this);
    ReplaceDialog = new TReplaceDialog(this);
    // The dialogs' buttons run through the dispatch like every command.
    auto dispatch = [this](THandler handler) {
        return [this, handler] { Application().Dispatch([this, handler] { (this->*handler)(); }); };
    };
    connect(FindDialog, &TFindDialog::OnFind, this, dispatch(&TMainForm::FindDialogFind));
    connect(ReplaceDialog, &TFindDialog::OnFind, this, dispatch(&TMainForm::ReplaceDialogFind));
    connect(ReplaceDialog, &TReplaceDialog::OnReplace, this,
            dispatch(&TMainForm::ReplaceDialogReplace));
}

void TMainForm::Find1Click() {
    FindDialog->Execute();
}

void TMainForm::Replace1Click() {
    ReplaceDialog->Execute();
}

void TMainForm::FindDialogFind() {
    onActiveDocument([this](TfrmNew& window) { DialogFindNext(*FindDialog, window.Edit1()); });
}

void TMainForm::ReplaceDialogFind() {
    ReplaceFind();
}

int TMainForm::ReplaceFind() {
    int found = -1;
    onActiveDocument([this, &found](TfrmNew& window) {
        found = DialogFindNext(*ReplaceDialog, window.Edit1());
    });
    return found;
}

void TMainForm::ReplaceDialogReplace() {
    onActiveDocument([this](TfrmNew& window) { DialogReplace(*ReplaceDialog, window.Edit1()); });
}

void TMainForm::AllUpperCase1Click() {
    onActiveDocument(
        [](TfrmNew& window) { ConvertSelectionCase(window.Edit1(), TCaseConversion::AllUpper); });
}

void TMainForm::AllLowerCase1Click() {
    onActiveDocument(
        [](TfrmNew& window) { ConvertSelectionCase(window.Edit1(), TCaseConversion::AllLower); });
}

void TMainForm::Reverse1Click() {
    onActiveDocument(
        [](TfrmNew& window) { ConvertSelectionCase(window.Edit1(), TCaseConversion::Reverse); });
}

void TMainForm::InitialUpperCase1Click() {
    onActiveDocument([](TfrmNew& window) {
        ConvertSelectionCase(window.Edit1(), TCaseConversion::InitialUpper);
    });
}

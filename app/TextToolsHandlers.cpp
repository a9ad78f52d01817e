// The main window's find, replace and case commands: each takes the active
// document window and hands its edit control to the text tools.
#include "app/Main.h"
#include "framework/ui/Application.h"
#include "framework/ui/RichEdit.h"
#include "texttools/CaseConversion.h"
#include "texttools/FindDialog.h"
#include "texttools/FindReplace.h"

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
    onActiveDocument([this](TfrmNew& window) {
        const TFindOptions options = FindDialog->Options();
        SearchStep(window.Edit1(), FindDialog->FindText(), options.testFlag(frWholeWord),
                   options.testFlag(frMatchCase));
    });
}

void TMainForm::ReplaceDialogFind() {
    ReplaceFind();
}

int TMainForm::ReplaceFind() {
    int found = -1;
    onActiveDocument([this, &found](TfrmNew& window) {
        const TFindOptions options = ReplaceDialog->Options();
        found = SearchStep(window.Edit1(), ReplaceDialog->FindText(), options.testFlag(frWholeWord),
                           options.testFlag(frMatchCase));
    });
    return found;
}

void TMainForm::ReplaceDialogReplace() {
    onActiveDocument([this](TfrmNew& window) {
        const TFindOptions options = ReplaceDialog->Options();
        if (options.testFlag(frReplaceAll)) {
            ReplaceAll(window.Edit1(), ReplaceDialog->FindText(), ReplaceDialog->ReplaceText(),
                       options.testFlag(frWholeWord), options.testFlag(frMatchCase));
        } else {
            ReplaceSelection(window.Edit1(), ReplaceDialog->ReplaceText());
        }
    });
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

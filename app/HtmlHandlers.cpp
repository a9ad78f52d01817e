// The main window's HTML commands: the tag buttons, the page skeleton, and
// the colour, font and highlight elements.
#include "app/Main.h"
#include "framework/ui/Platform.h"
#include "framework/ui/RichEdit.h"
#include "html/HtmlTags.h"

namespace {

bool writable(const TfrmNew* window) {
    return window && !window->IsClosed() && !window->Edit1().isReadOnly();
}

auto inserting(THtmlTag tag) {
    return [tag](TfrmNew& window) { InsertTag(window.Edit1(), tag); };
}

} // namespace

void TMainForm::Paragraph() {
    onActiveDocument(inserting(THtmlTag::Paragraph));
}

void TMainForm::Break() {
    onActiveDocument(inserting(THtmlTag::Break));
}

void TMainForm::Space() {
    onActiveDocument(inserting(THtmlTag::Space));
}

void TMainForm::Center() {
    onActiveDocument(inserting(THtmlTag::Center));
}

void TMainForm::Link() {
    onActiveDocument(inserting(THtmlTag::Link));
}

void TMainForm::Image() {
    onActiveDocument(inserting(THtmlTag::Image));
}

void TMainForm::Bold() {
    onActiveDocument(inserting(THtmlTag::Bold));
}

void TMainForm::Italic() {
    onActiveDocument(inserting(THtmlTag::Italic));
}

void TMainForm::UnderLine() {
    onActiveDocument(inserting(THtmlTag::UnderLine));
}

void TMainForm::SetasHTML1Click() {
    onActiveDocument([](TfrmNew& window) { SetAsHtml(window.Edit1()); });
}

void TMainForm::Color() {
    onActiveDocument([this](TfrmNew& window) {
        if (writable(&window) && ColorDialog.Execute(this)) {
            InsertHtml(window.Edit1(), ColorText(ColorDialog.Color), 0);
        }
    });
}

void TMainForm::SetWebFont() {
    // The dialog comes first: cancelling it leaves CurrentDocument as it was.
    if (!writable(ActiveDocument()) || !Platform().FontDialog(this, Edits.FontDialog1)) {
        return;
    }
    onActiveDocument([this](TfrmNew& window) {
        const bool utf8 = IsUnicode(window.Edit1().Encoding());
        InsertHtml(window.Edit1(), FontElement(Edits.FontDialog1, utf8), kClosingTagLength);
    });
}

void TMainForm::Highlight() {
    onActiveDocument([this](TfrmNew& window) {
        if (writable(&window) && ColorDialog.Execute(this)) {
            InsertHtml(window.Edit1(), HighlightElement(ColorDialog.Color), kClosingTagLength);
        }
    });
}

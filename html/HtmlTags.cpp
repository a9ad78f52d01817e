#include "html/HtmlTags.h"

#include "framework/ui/RichEdit.h"

THtmlTagText TagText(THtmlTag tag) {
    switch (tag) {
    case THtmlTag::Paragraph:
        return {"<p></p>", 3};
    case THtmlTag::Break:
        return {"<br>", 4};
    case THtmlTag::Space:
        return {"&nbsp;", -1};
    case THtmlTag::Center:
        return {"<center></center>", 8};
    case THtmlTag::Link:
        return {"<a href=\"\"></a>", 9};
    case THtmlTag::Image:
        return {"<img src=\"\">", 10};
    case THtmlTag::Bold:
        return {"<b></b>", 3};
    case THtmlTag::Italic:
        return {"<i></i>", 3};
    case THtmlTag::UnderLine:
        return {"<u></u>", 3};
    }
    return {"", -1};
}

void InsertTag(TRichEdit& edit, THtmlTag tag) {
    if (edit.isReadOnly()) {
        return;
    }
    const THtmlTagText tagText = TagText(tag);
    const int start = edit.SelStart();
    edit.SetSelText(tagText.Text);
    if (tagText.CaretOffset >= 0) {
        edit.SetSelStart(start + tagText.CaretOffset);
    }
}

void SetAsHtml(TRichEdit& edit) {
    if (!edit.isReadOnly()) {
        edit.SetText(kPageSkeleton);
    }
}

void InsertHtml(TRichEdit& edit, std::string_view text, int back) {
    if (edit.isReadOnly()) {
        return;
    }
    edit.SetSelText(text);
    if (back > 0) {
        edit.SetSelStart(edit.SelStart() - back);
    }
}

#include "html/HtmlTags.h"

#include "framework/ByteEdit.h"
#include "framework/ui/RichEdit.h"

#include <string>

THtmlTagText TagText(THtmlTag tag) {
    switch (tag) {
    case THtmlTag::Paragraph:
        return {"<p></p>", 3, 3};
    case THtmlTag::Break:
        return {"<br>", 4, -1};
    case THtmlTag::Space:
        return {"&nbsp;", -1, -1};
    case THtmlTag::Center:
        return {"<center></center>", 8, 8};
    case THtmlTag::Link:
        return {"<a href=\"\"></a>", 9, 11};
    case THtmlTag::Image:
        return {"<img src=\"\">", 10, -1};
    case THtmlTag::Bold:
        return {"<b></b>", 3, 3};
    case THtmlTag::Italic:
        return {"<i></i>", 3, 3};
    case THtmlTag::UnderLine:
        return {"<u></u>", 3, 3};
    }
    return {"", -1, -1};
}

void InsertTag(TRichEdit& edit, THtmlTag tag) {
    if (edit.isReadOnly()) {
        return;
    }
    const THtmlTagText tagText = TagText(tag);
    if (edit.SelLength() > 0) {
        const size_t from = static_cast<size_t>(edit.SelStart());
        const size_t to = from + static_cast<size_t>(edit.SelLength());
        if (tagText.CloseAt < 0) {
            edit.SetSelStart(static_cast<int>(to));
        } else {
            // One undo step; the selected text keeps its formats.
            const size_t close = static_cast<size_t>(tagText.CloseAt);
            const std::string opening(tagText.Text.substr(0, close));
            const std::string closing(tagText.Text.substr(close));
            edit.ReplaceRanges({{from, from, opening}, {to, to, closing}},
                               static_cast<int>(to + tagText.Text.size()));
            return;
        }
    }
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

#pragma once

#include <string_view>

class TRichEdit;

enum class THtmlTag { Paragraph, Break, Space, Center, Link, Image, Bold, Italic, UnderLine };

struct THtmlTagText {
    std::string_view Text;
    // Where the caret goes, counted from the start of the text; -1: after it.
    int CaretOffset;
    // Where the closing tag begins; -1: the tag has none.
    int CloseAt;
};

THtmlTagText TagText(THtmlTag tag);

// The empty page "Set as HTML" writes: four lines, LF line ends, none after
// the last.
inline constexpr std::string_view kPageSkeleton = "<html>\n<body>\n</body>\n</html>";

// Puts the tag's text at the caret and the caret where the user types next.
// Selected text is kept: a tag with a closing tag goes around it, another
// after it, and the caret after the tags. Nothing on a read-only control.
void InsertTag(TRichEdit& edit, THtmlTag tag);

// Replaces the whole text with the page skeleton (one undo step). Nothing on
// a read-only control.
void SetAsHtml(TRichEdit& edit);

// Inserts text in place of the selection and puts the caret `back` bytes
// before its end. Nothing on a read-only control.
void InsertHtml(TRichEdit& edit, std::string_view text, int back);

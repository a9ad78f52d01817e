// The edit control's changes of many places at once.
#include "framework/ByteEdit.h"
#include "framework/ui/RichEdit.h"
#include "framework/ui/TextMirror.h"

#include <QTextCursor>

namespace {

// Whether the control's caret stands, with nothing selected, at the byte.
bool caretAt(const TRichEdit& edit, const TTextMirror& mirror, int byte) {
    const QTextCursor c = edit.textCursor();
    return !c.hasSelection() && mirror.DocToByte(c.position()) == byte;
}

} // namespace

void TRichEdit::ReplaceRanges(const std::vector<TByteEdit>& edits, int caret) {
    if (edits.empty()) {
        return;
    }
    // The caret goes first to where the last edit begins, and the edits carry
    // it along to the end of that edit's insertion: setting it only afterwards
    // would make the view lay out the changed text down to it at once.
    selectBytes(static_cast<int>(edits.back().From), 0, false);
    mirror_->ReplaceRanges(edits);
    if (!caretAt(*this, *mirror_, caret)) {
        selectBytes(caret, 0, false); // a caret inside a CR LF
    }
}

void TRichEdit::OverwriteSelection(std::string_view bytes) {
    const int start = SelStart();
    const int length = SelLength();
    if (static_cast<int>(bytes.size()) != length) {
        SetSelText(bytes);
        return;
    }
    const int end = start + length;
    // As above: the caret stands at the end before the change, which keeps it.
    selectBytes(end, 0, false);
    if (!mirror_->OverwriteBytes(start, bytes)) {
        selectBytes(start, length, false);
        SetSelText(bytes);
        return;
    }
    if (!caretAt(*this, *mirror_, end)) {
        selectBytes(end, 0, false);
    }
}

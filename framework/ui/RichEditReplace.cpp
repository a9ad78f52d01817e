// The edit control's changes of many places at once.
#include "framework/ByteEdit.h"
#include "framework/ui/RichEdit.h"
#include "framework/ui/TextMirror.h"

namespace {

// A change spread over more bytes than this is undone as a change of the
// whole text, the caret then at the top.
constexpr size_t kBulkBytes = size_t{1} << 18;

} // namespace

void TRichEdit::ReplaceRanges(const std::vector<TByteEdit>& edits, int caret) {
    if (edits.empty()) {
        return;
    }
    mirror_->ReplaceRanges(edits, edits.back().To - edits.front().From > kBulkBytes);
    selectBytes(caret, 0, false);
}

void TRichEdit::OverwriteSelection(std::string_view bytes) {
    const int start = SelStart();
    const int length = SelLength();
    if (static_cast<int>(bytes.size()) != length) {
        SetSelText(bytes);
        return;
    }
    // The same bytes again change nothing, and need no new layout.
    const bool same = mirror_->Range(start, length) == bytes;
    if (same || mirror_->OverwriteBytes(start, bytes, static_cast<size_t>(length) > kBulkBytes)) {
        selectBytes(start + length, 0, false);
    } else {
        SetSelText(bytes); // the line ends would move
    }
}

const char* TRichEdit::OwnLineEndBytes() const {
    return TTextMirror::LineEndBytes(mirror_->OwnLineEnd());
}

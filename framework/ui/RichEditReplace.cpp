// The edit control's changes of many places at once.
#include "framework/ByteEdit.h"
#include "framework/ui/RichEdit.h"
#include "framework/ui/TextMirror.h"

#include <optional>

namespace {

// A change spread over more bytes than this is laid out afresh, lazily from
// the top, as a newly set text is, instead of all at once as it is made.
constexpr size_t kDeferredLayoutBytes = size_t{1} << 18;

} // namespace

void TRichEdit::ReplaceRanges(const std::vector<TByteEdit>& edits, int caret) {
    if (edits.empty()) {
        return;
    }
    const bool bulk = edits.back().To - edits.front().From > kDeferredLayoutBytes;
    std::optional<TDeferredLayout> deferred;
    if (bulk) {
        deferred.emplace(*document());
    }
    mirror_->ReplaceRanges(edits, bulk);
    // Set while the layout is held back, the caret does not make the view lay
    // the text out down to it at once.
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
    const bool bulk = !same && static_cast<size_t>(length) > kDeferredLayoutBytes;
    std::optional<TDeferredLayout> deferred;
    if (bulk) {
        deferred.emplace(*document());
    }
    if (same || mirror_->OverwriteBytes(start, bytes, bulk)) {
        selectBytes(start + length, 0, false);
    } else {
        deferred.reset();
        SetSelText(bytes); // the line ends would move
    }
}

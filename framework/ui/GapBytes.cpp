#include "framework/ui/GapBytes.h"

#include <algorithm>
#include <cstring>

namespace {

// Room made at each growth: at least this, and a share of the text so that
// growing stays rare whatever its size.
constexpr size_t kMinGap = size_t{64} << 10;
constexpr size_t kGapShare = 32;

} // namespace

const std::string& TGapBytes::Contiguous() const {
    if (gapLength_ != 0) {
        moveGap(Size());
        buffer_.resize(gapStart_);
        gapLength_ = 0;
    }
    return buffer_;
}

size_t TGapBytes::RoomFor(size_t size) {
    return size + std::max(kMinGap, size / kGapShare);
}

void TGapBytes::Assign(std::string bytes) {
    buffer_ = std::move(bytes);
    gapStart_ = buffer_.size();
    // Room for the first edits made now, while the bytes are being set
    // anyway, rather than at the first keystroke.
    buffer_.resize(std::max(RoomFor(gapStart_), buffer_.capacity()));
    gapLength_ = buffer_.size() - gapStart_;
}

void TGapBytes::Swap(std::string& bytes) {
    Contiguous();
    std::string held = std::move(buffer_);
    Assign(std::move(bytes));
    bytes = std::move(held);
}

void TGapBytes::moveGap(size_t to) const {
    char* data = buffer_.data();
    if (to < gapStart_) {
        std::memmove(data + to + gapLength_, data + to, gapStart_ - to);
    } else if (to > gapStart_) {
        std::memmove(data + gapStart_, data + gapStart_ + gapLength_, to - gapStart_);
    }
    gapStart_ = to;
}

void TGapBytes::Replace(size_t from, size_t removed, std::string_view bytes) {
    const size_t size = Size();
    from = std::min(from, size);
    removed = std::min(removed, size - from);
    moveGap(from);
    gapLength_ += removed;
    if (bytes.size() > gapLength_) {
        const size_t grow = bytes.size() - gapLength_ + std::max(kMinGap, size / kGapShare);
        const size_t tail = buffer_.size() - gapStart_ - gapLength_;
        buffer_.resize(buffer_.size() + grow);
        char* data = buffer_.data();
        std::memmove(data + buffer_.size() - tail, data + gapStart_ + gapLength_, tail);
        gapLength_ += grow;
    }
    if (!bytes.empty()) {
        std::memcpy(buffer_.data() + gapStart_, bytes.data(), bytes.size());
    }
    gapStart_ += bytes.size();
    gapLength_ -= bytes.size();
}

void TGapBytes::Copy(size_t from, size_t count, std::string& out) const {
    const size_t size = Size();
    from = std::min(from, size);
    count = std::min(count, size - from);
    out.clear();
    out.reserve(count);
    const size_t before = from < gapStart_ ? std::min(count, gapStart_ - from) : 0;
    out.append(buffer_, from, before);
    const size_t rest = count - before;
    if (rest > 0) {
        out.append(buffer_, from + before + gapLength_, rest);
    }
}

bool TGapBytes::Equals(size_t from, std::string_view bytes) const {
    if (from + bytes.size() > Size()) {
        return false;
    }
    if (bytes.empty()) {
        return true;
    }
    const size_t before = from < gapStart_ ? std::min(bytes.size(), gapStart_ - from) : 0;
    if (std::memcmp(buffer_.data() + from, bytes.data(), before) != 0) {
        return false;
    }
    const size_t rest = bytes.size() - before;
    return rest == 0 || std::memcmp(buffer_.data() + from + before + gapLength_,
                                    bytes.data() + before, rest) == 0;
}

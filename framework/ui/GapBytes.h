#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Bytes with a gap where the last edit was: an edit costs what it inserts
// plus the distance from the edit before, so typing in one place costs the
// same at any size. Contiguous() closes the gap for readers of the whole
// text; until the next edit it is free to call again.
class TGapBytes {
public:
    size_t Size() const { return buffer_.size() - gapLength_; }

    // The bytes in one piece; valid until the next edit.
    const std::string& Contiguous() const;

    // The room a text of `size` bytes is given for its edits: a string
    // reserved with it is taken by Assign with no copy.
    static size_t RoomFor(size_t size);
    void Assign(std::string bytes);
    // Takes `bytes` as the text and gives back the text it held, closed up;
    // nothing is copied when both have their room.
    void Swap(std::string& bytes);
    // The bytes [from, from + removed) give way to `bytes`, which must not
    // point into this buffer.
    void Replace(size_t from, size_t removed, std::string_view bytes);

    char At(size_t at) const { return at < gapStart_ ? buffer_[at] : buffer_[at + gapLength_]; }
    void Copy(size_t from, size_t count, std::string& out) const;
    std::string Range(size_t from, size_t count) const {
        std::string out;
        Copy(from, count, out);
        return out;
    }
    bool Equals(size_t from, std::string_view bytes) const;
    // The bytes [from, from + count) in one piece, the gap moved past them if
    // it lies inside; valid until the next call of any kind.
    std::string_view View(size_t from, size_t count) const {
        if (gapLength_ != 0 && gapStart_ > from && gapStart_ < from + count) {
            moveGap(from + count);
        }
        return {buffer_.data() + (from < gapStart_ ? from : from + gapLength_), count};
    }

private:
    void moveGap(size_t to) const;

    // [0, gapStart_) and [gapStart_ + gapLength_, size()) hold the bytes.
    mutable std::string buffer_;
    mutable size_t gapStart_ = 0;
    mutable size_t gapLength_ = 0;
};

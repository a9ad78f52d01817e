#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Finds needle in text, the match starting in [from, to). Without matchCase,
// letters compare through the code page's case tables; with wholeWord, the
// bytes beside the match (where there are any) are no letters or digits of
// the code page and no "_". Returns the position or -1.
long long FindBytes(std::string_view text, std::string_view needle, size_t from, size_t to,
                    bool wholeWord, bool matchCase);

// True when text[pos, pos + length) stands as a whole word.
bool IsWholeWordAt(std::string_view text, size_t pos, size_t length);

// UTF-8 text as the user sees it: each well-formed sequence is one
// character, and so is each byte that belongs to none.
//
// The length of the character at `pos` (< size).
size_t Utf8CharLength(std::string_view text, size_t pos);
// Where the character that ends at `pos` (0 < pos, on a character) starts.
size_t Utf8CharBefore(std::string_view text, size_t pos);
// False when `pos` lies inside a well-formed sequence.
bool IsUtf8CharStart(std::string_view text, size_t pos);
// True when text[pos, pos + length) has no Unicode letter, digit or "_"
// beside it.
bool IsUtf8WholeWordAt(std::string_view text, size_t pos, size_t length);

// A search text made ready for the documents of one encoding. In a
// Windows-1252 document it is FindBytes. In a Unicode (UTF-8) document it
// compares characters: match case off, by their Unicode simple case folding,
// so that a match may have more or fewer bytes than the search text; whole
// word by Unicode letters and digits; and a match never starts or ends inside
// a character. An ill-formed byte matches the same byte only.
class TTextSearch {
public:
    TTextSearch(std::string_view needle, bool unicode, bool wholeWord, bool matchCase);

    // The first match starting in [from, to) and ending in the text: its
    // position, with its length in `length`; or -1.
    long long Find(std::string_view text, size_t from, size_t to, size_t& length) const;

    // The fewest and the most bytes a match can have.
    size_t MinLength() const { return minLength_; }
    size_t MaxLength() const { return maxLength_; }
    // How far before a match's start, and from its start past its end, the
    // bytes decide whether it is one: a search that resumes after an edit
    // need look back no further.
    size_t Before() const { return unicode_ ? 4 : 1; }
    size_t After() const { return unicode_ ? 4 : 1; }

private:
    bool bytewise() const { return !unicode_ || matchCase_ || !folds_; }
    long long findFolded(std::string_view text, size_t from, size_t to, size_t& length) const;
    bool foldedMatchAt(std::string_view text, size_t at, size_t& length) const;

    std::string needle_;
    bool unicode_;
    bool wholeWord_;
    bool matchCase_;
    // Some character of the needle has another case form.
    bool folds_ = false;
    size_t minLength_;
    size_t maxLength_;
    // The needle's characters folded (an ill-formed byte b as kIllFormed + b).
    std::vector<char32_t> folded_;
    // The bytes a match can have at two offsets from its start, to sift the
    // places worth comparing.
    struct TByteSet {
        size_t offset = 0;
        std::array<bool, 256> has{};
        std::vector<unsigned char> values;
    };
    TByteSet first_;
    TByteSet second_;
};

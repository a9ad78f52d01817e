#include "framework/rtf/RtfReader.h"

#include "framework/CodePage.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <string_view>

namespace Rtf {
namespace {

// Deeper groups share the state of the deepest kept one; real documents
// nest a few dozen levels.
constexpr std::size_t kMaxDepth = 1024;
constexpr std::size_t kMaxWordLength = 32;

bool isLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

int hexValue(unsigned char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Bytes that end a stretch of plain text.
const std::array<bool, 256>& specials() {
    static const std::array<bool, 256> t = [] {
        std::array<bool, 256> r{};
        for (const unsigned char c : {'{', '}', '\\', '\r', '\n'}) {
            r[c] = true;
        }
        return r;
    }();
    return t;
}

} // namespace

Document Reader::Run() {
    const std::array<bool, 256>& special = specials();
    const std::size_t n = in_.size();
    while (pos_ < n) {
        const auto c = static_cast<unsigned char>(in_[pos_]);
        if (c == '{') {
            ++pos_;
            openGroup();
        } else if (c == '}') {
            ++pos_;
            if (closeGroup()) {
                break; // whatever follows the outermost group is no part of the document
            }
        } else if (c == '\\') {
            ++pos_;
            control();
        } else if (c == '\r' || c == '\n') {
            ++pos_; // line ends of the source are not text
        } else {
            const std::size_t start = pos_;
            while (pos_ < n && !special[static_cast<unsigned char>(in_[pos_])]) {
                ++pos_;
            }
            if (!skipping_) {
                text(in_.substr(start, pos_ - start));
            }
        }
    }
    return runs_.Finish(stack_.back().alignment);
}

void Reader::openGroup() {
    unicodeFallback_ = 0;
    if (skipping_) {
        ++skipNesting_;
    } else if (overflow_ == 0 && stack_.size() < kMaxDepth) {
        stack_.push_back(stack_.back());
    } else {
        ++overflow_;
    }
}

// True when the document has ended.
bool Reader::closeGroup() {
    unicodeFallback_ = 0;
    if (skipping_) {
        if (skipNesting_ > 0) {
            --skipNesting_;
            return false;
        }
        skipping_ = false; // this brace closes the skipped destination's group
    }
    if (overflow_ > 0) {
        --overflow_;
        return false;
    }
    if (stack_.size() > 2) {
        const Destination closing = stack_.back().destination;
        if (closing == Destination::FontTable && stack_.size() <= fonts_.Depth()) {
            fonts_.Commit(); // the group of the entry ends; not one nested in it ({\*\panose})
        } else if (closing == Destination::ColorTable) {
            colors_.EndEntry(false);
        }
        stack_.pop_back();
        formatDirty_ = true;
        return false;
    }
    // The outermost group ends the document; a brace outside every group is stray.
    return stack_.size() == 2;
}

void Reader::skipGroup() {
    if (mayRedirect()) {
        skipping_ = true;
        skipNesting_ = 0;
    }
}

void Reader::enterTable(Destination destination) {
    if (!mayRedirect()) {
        return;
    }
    if (overflow_ > 0) {
        skipGroup();
        return;
    }
    state().destination = destination;
    if (destination == Destination::ColorTable) {
        colors_.Enter();
    } else {
        fonts_.Enter();
    }
}

void Reader::control() {
    const std::size_t n = in_.size();
    if (pos_ >= n) {
        return; // a backslash at the very end
    }
    const auto c = static_cast<unsigned char>(in_[pos_]);
    if (isLetter(c)) {
        controlWord();
        return;
    }
    ++pos_;
    if (c == '\'') {
        escape();
        return;
    }
    if (skipping_) {
        return;
    }
    if (unicodeFallback_ > 0) {
        --unicodeFallback_; // a control symbol counts as one fallback character
        return;
    }
    switch (c) {
    case '\\':
    case '{':
    case '}':
        sourceByte(static_cast<char>(c)); // a character of the text, maybe a trail byte
        break;
    case '~':
        documentByte('\xA0');
        break;
    case '-':
        documentByte('\xAD'); // the optional hyphen is the soft hyphen of the code page
        break;
    case '_':
        documentByte('-'); // the code page has no non-breaking hyphen
        break;
    case '*':
        skipGroup(); // an optional destination this reader does not know
        break;
    case '\r':
    case '\n':
        paragraphBreak(); // a backslash before a line end is a paragraph mark
        break;
    default:
        break; // other symbols (index and formula marks) carry no text
    }
}

void Reader::controlWord() {
    const std::size_t n = in_.size();
    const std::size_t start = pos_;
    while (pos_ < n && isLetter(static_cast<unsigned char>(in_[pos_]))) {
        ++pos_;
    }
    const std::string_view name = in_.substr(start, pos_ - start);
    bool hasParam = false;
    std::int64_t value = 0;
    bool negative = false;
    if (pos_ + 1 < n && in_[pos_] == '-' && isDigit(static_cast<unsigned char>(in_[pos_ + 1]))) {
        negative = true;
        ++pos_;
    }
    while (pos_ < n && isDigit(static_cast<unsigned char>(in_[pos_]))) {
        hasParam = true;
        if (value < 10'000'000'000) { // saturate: huge numbers cannot overflow
            value = value * 10 + (in_[pos_] - '0');
        }
        ++pos_;
    }
    if (pos_ < n && in_[pos_] == ' ') {
        ++pos_; // the delimiter belongs to the word
    }
    value = std::min<std::int64_t>(value, std::numeric_limits<int>::max());
    const int param = static_cast<int>(negative ? -value : value);
    word(name.size() <= kMaxWordLength ? name : std::string_view{}, hasParam, param);
}

// \'hh: one byte of the text. With fewer than two hex digits it is broken
// and stands for nothing.
void Reader::escape() {
    int value = 0;
    int digits = 0;
    while (digits < 2 && pos_ < in_.size()) {
        const int h = hexValue(static_cast<unsigned char>(in_[pos_]));
        if (h < 0) {
            break;
        }
        value = value * 16 + h;
        ++digits;
        ++pos_;
    }
    if (digits < 2 || skipping_) {
        return;
    }
    if (unicodeFallback_ > 0) {
        --unicodeFallback_;
        return;
    }
    if (value != '\r' && value != '\n') { // breaks come from \par and \line only
        sourceByte(static_cast<char>(value));
    }
}

void Reader::skipBinary(bool hasParam, int param) {
    const std::size_t count = hasParam && param > 0 ? static_cast<std::size_t>(param) : 0;
    pos_ += std::min(count, in_.size() - pos_);
}

void Reader::text(std::string_view bytes) {
    if (unicodeFallback_ > 0) {
        const std::size_t k =
            std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(unicodeFallback_));
        unicodeFallback_ -= static_cast<int>(k);
        bytes.remove_prefix(k);
    }
    if (bytes.empty()) {
        return;
    }
    State& s = state();
    switch (s.destination) {
    case Destination::Text:
        if (!s.hidden) {
            prepareFormat();
            runs_.AddSource(bytes);
        }
        break;
    case Destination::FontTable:
        fonts_.AddText(bytes);
        break;
    case Destination::ColorTable:
        for (const char c : bytes) {
            if (c == ';') {
                colors_.EndEntry(true);
            }
        }
        break;
    }
}

// A byte of the file's code page that did not come from plain source
// text (escapes, escaped braces): never a table delimiter.
void Reader::sourceByte(char c) {
    State& s = state();
    if (s.destination == Destination::Text) {
        if (!s.hidden) {
            prepareFormat();
            runs_.AddSource(c);
        }
    } else if (s.destination == Destination::FontTable) {
        fonts_.AddByte(c);
    }
}

// A byte of the document code page (symbol words, \uN).
void Reader::documentByte(char c) {
    State& s = state();
    if (s.destination == Destination::Text) {
        if (!s.hidden) {
            prepareFormat();
            runs_.AddDocument(std::string_view(&c, 1));
        }
    } else if (s.destination == Destination::FontTable) {
        fonts_.AddCharacter(CodePage::ToUnicode(static_cast<unsigned char>(c)));
    }
}

void Reader::paragraphBreak() {
    if (state().destination == Destination::Text) {
        runs_.Break(state().alignment);
    }
}

bool IsRtf(std::string_view bytes) {
    return bytes.starts_with("{\\rtf");
}

Document Read(std::string_view rtf) {
    return Reader(rtf).Run();
}

} // namespace Rtf

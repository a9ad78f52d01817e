#include "framework/CodePage.h"
#include "framework/rtf/Rtf.h"
#include "framework/rtf/RtfWords.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The reader is one pass over the bytes with an explicit stack of group
// states, so nesting costs no native stack and every step consumes input:
// time is linear in the input and memory linear in what is kept.
namespace Rtf {
namespace {

// Deeper groups share the state of the deepest kept one; real documents
// nest a few dozen levels.
constexpr std::size_t kMaxDepth = 1024;
// Face names are at most 31 bytes on the system this format comes from; the
// bound also keeps a hostile table from multiplying memory through the runs.
constexpr std::size_t kMaxFaceLength = 31;
constexpr std::size_t kMaxFaceScan = 256;
constexpr std::size_t kMaxFonts = 4096;
constexpr std::size_t kMaxColors = 65536;
constexpr int kMaxHalfPoints = 3276; // 1638 points, the largest size word processors offer
constexpr int kMaxUnicodeSkip = 16;
constexpr std::size_t kMaxWordLength = 32;

enum class Destination : std::uint8_t { Text, FontTable, ColorTable };

// Formatting that groups scope: restored when a group closes.
struct State {
    int font = -1; // -1: the default font (\deff)
    int halfPoints = 0;
    int color = -1; // index into the colour table; -1: automatic
    int unicodeSkip = 1;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool hidden = false;
    Alignment alignment = Alignment::Left;
    Destination destination = Destination::Text;

    void ResetCharacter() {
        font = -1;
        halfPoints = 0;
        color = -1;
        bold = italic = underline = strikeOut = hidden = false;
    }
};

struct Font {
    std::string face;
    int charset = -1;
};

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

std::string trimSpaces(std::string s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    s.erase(0, first);
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

class Reader {
public:
    explicit Reader(std::string_view input) : in_(input) {
        stack_.reserve(64);
        stack_.emplace_back();
    }

    Document Run() {
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
                    break;
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
        flushPending();
        document_.paragraphs.back().alignment = stack_.back().alignment;
        return std::move(document_);
    }

private:
    State& state() { return stack_.back(); }

    void openGroup() {
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
    bool closeGroup() {
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
            if (closing == Destination::FontTable && stack_.size() <= pendingFont_.depth) {
                commitFont(); // the group of the entry ends; not one nested in it ({\*\panose})
            } else if (closing == Destination::ColorTable) {
                commitColor();
            }
            stack_.pop_back();
            formatDirty_ = true;
            return false;
        }
        if (stack_.size() == 2) {
            // The outermost group ends the document, unless readable input
            // follows: then this was a stray brace and reading goes on.
            return restIsBlank();
        }
        return false; // a stray brace outside every group
    }

    bool restIsBlank() const {
        for (std::size_t i = pos_; i < in_.size(); ++i) {
            const auto c = static_cast<unsigned char>(in_[i]);
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\0' && c != 0x1A) {
                return false;
            }
        }
        return true;
    }

    // A destination may replace the text of its group, but not of the
    // document itself (a hostile \pict at the top would hide everything);
    // in flattened groups it can only be skipped, as their state is shared.
    bool mayRedirect() const { return stack_.size() > 2 || overflow_ > 0; }

    void skipGroup() {
        if (mayRedirect()) {
            skipping_ = true;
            skipNesting_ = 0;
        }
    }

    void enterTable(Destination destination) {
        if (!mayRedirect()) {
            return;
        }
        if (overflow_ > 0) {
            skipGroup();
            return;
        }
        state().destination = destination;
        if (destination == Destination::ColorTable) {
            colors_.clear();
            pendingColor_ = PendingColor{};
        } else {
            pendingFont_ = PendingFont{};
        }
    }

    void control() {
        const std::size_t n = in_.size();
        if (pos_ >= n) {
            return; // a backslash at the very end
        }
        const auto c = static_cast<unsigned char>(in_[pos_]);
        if (isLetter(c)) {
            const std::size_t start = pos_;
            while (pos_ < n && isLetter(static_cast<unsigned char>(in_[pos_]))) {
                ++pos_;
            }
            const std::string_view name = in_.substr(start, pos_ - start);
            bool hasParam = false;
            std::int64_t value = 0;
            bool negative = false;
            if (pos_ + 1 < n && in_[pos_] == '-' &&
                isDigit(static_cast<unsigned char>(in_[pos_ + 1]))) {
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
            return;
        }
        ++pos_;
        if (c == '\'') {
            int value = 0;
            int digits = 0;
            while (digits < 2 && pos_ < n) {
                const int h = hexValue(static_cast<unsigned char>(in_[pos_]));
                if (h < 0) {
                    break;
                }
                value = value * 16 + h;
                ++digits;
                ++pos_;
            }
            if (digits > 0 && !skipping_) {
                character(static_cast<unsigned char>(value));
            }
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
            put(static_cast<char>(c));
            break;
        case '~':
            put('\xA0');
            break;
        case '-':
            put('\xAD'); // the optional hyphen is the soft hyphen of the code page
            break;
        case '_':
            put('-'); // the code page has no non-breaking hyphen
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

    void skipBinary(bool hasParam, int param) {
        const std::size_t count = hasParam && param > 0 ? static_cast<std::size_t>(param) : 0;
        pos_ += std::min(count, in_.size() - pos_);
    }

    void word(std::string_view name, bool hasParam, int param) {
        const WordInfo* found = findWord(name);
        if (found == nullptr) {
            return; // unknown words are ignored, as the format asks
        }
        const WordInfo info = *found;
        if (skipping_) {
            if (info.word == Word::Bin) {
                skipBinary(hasParam, param);
            }
            return;
        }
        if (unicodeFallback_ > 0) {
            --unicodeFallback_;
            if (info.word == Word::Bin) {
                skipBinary(hasParam, param);
            }
            return;
        }
        State& s = state();
        const bool on = !hasParam || param != 0;
        switch (info.word) {
        case Word::Par:
            paragraphBreak();
            break;
        case Word::Tab:
            put('\t');
            break;
        case Word::Byte:
            put(static_cast<char>(info.byte));
            break;
        case Word::Nothing:
            break;
        case Word::Plain:
            s.ResetCharacter();
            formatDirty_ = true;
            break;
        case Word::Pard:
            s.alignment = Alignment::Left;
            break;
        case Word::AlignLeft:
            s.alignment = Alignment::Left;
            break;
        case Word::AlignCenter:
            s.alignment = Alignment::Center;
            break;
        case Word::AlignRight:
            s.alignment = Alignment::Right;
            break;
        case Word::AlignJustify:
            s.alignment = Alignment::Justify;
            break;
        case Word::Bold:
            s.bold = on;
            formatDirty_ = true;
            break;
        case Word::Italic:
            s.italic = on;
            formatDirty_ = true;
            break;
        case Word::Underline:
            s.underline = on;
            formatDirty_ = true;
            break;
        case Word::UnderlineNone:
            s.underline = false;
            formatDirty_ = true;
            break;
        case Word::Strike:
            s.strikeOut = on;
            formatDirty_ = true;
            break;
        case Word::Hidden:
            s.hidden = on;
            break;
        case Word::Font:
            if (s.destination == Destination::FontTable) {
                commitFont();
                pendingFont_.active = true;
                pendingFont_.number = std::max(param, 0);
                pendingFont_.depth = stack_.size();
            } else {
                s.font = std::max(param, 0);
                formatDirty_ = true;
            }
            break;
        case Word::FontCharset:
            if (s.destination == Destination::FontTable && pendingFont_.active) {
                pendingFont_.charset = hasParam && param >= 0 && param <= 255 ? param : -1;
            }
            break;
        case Word::FontSize:
            // A size of zero or less is no size: the default stays.
            s.halfPoints = !hasParam ? 24 : std::clamp(param, 0, kMaxHalfPoints);
            formatDirty_ = true;
            break;
        case Word::DefaultFont:
            defaultFont_ = std::max(param, 0);
            formatDirty_ = true;
            break;
        case Word::ColorFore:
            s.color = std::max(param, 0);
            formatDirty_ = true;
            break;
        case Word::Red:
        case Word::Green:
        case Word::Blue:
            if (s.destination == Destination::ColorTable) {
                const auto component = static_cast<std::uint32_t>(std::clamp(param, 0, 255));
                const int shift = info.word == Word::Red ? 16 : info.word == Word::Green ? 8 : 0;
                pendingColor_.rgb = (pendingColor_.rgb & ~(0xFFu << shift)) | (component << shift);
                pendingColor_.given = true;
            }
            break;
        case Word::Unicode:
            if (hasParam) {
                unicode(param);
            }
            break;
        case Word::UnicodeSkip:
            s.unicodeSkip = std::clamp(param, 0, kMaxUnicodeSkip);
            break;
        case Word::Bin:
            skipBinary(hasParam, param); // binary data is never text
            break;
        case Word::FontTable:
            enterTable(Destination::FontTable);
            break;
        case Word::ColorTable:
            enterTable(Destination::ColorTable);
            break;
        case Word::Skip:
            skipGroup();
            break;
        }
    }

    // \uN: the character itself when the code page holds it, its fallback
    // text otherwise.
    void unicode(int param) {
        const int code = param < 0 ? param + 65536 : param;
        const int byte =
            code >= 0 && code <= 0xFFFF ? CodePage::FromUnicode(static_cast<char32_t>(code)) : -1;
        const int skip = state().unicodeSkip;
        if (byte >= 0) {
            put(static_cast<char>(byte));
            unicodeFallback_ = skip;
        } else if (skip == 0) {
            put('?'); // no fallback given: shown as the control shows what it cannot hold
        }
    }

    // One character from an escape (\'hh): counts against a fallback.
    void character(unsigned char byte) {
        if (unicodeFallback_ > 0) {
            --unicodeFallback_;
            return;
        }
        put(static_cast<char>(byte));
    }

    void text(std::string_view bytes) {
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
                pending_.append(bytes);
            }
            break;
        case Destination::FontTable:
            for (const char c : bytes) {
                fontCharacter(c);
            }
            break;
        case Destination::ColorTable:
            for (const char c : bytes) {
                if (c == ';') {
                    commitColor(true);
                }
            }
            break;
        }
    }

    // A character that did not come from plain source text (escapes, symbol
    // words): never a table delimiter.
    void put(char c) {
        if (c == '\r' || c == '\n') {
            return; // breaks come from \par and \line only
        }
        State& s = state();
        switch (s.destination) {
        case Destination::Text:
            if (!s.hidden) {
                prepareFormat();
                pending_.push_back(c);
            }
            break;
        case Destination::FontTable:
            if (pendingFont_.active && pendingFont_.face.size() < kMaxFaceScan) {
                pendingFont_.face.push_back(c);
            }
            break;
        case Destination::ColorTable:
            break;
        }
    }

    void fontCharacter(char c) {
        if (c == ';') {
            commitFont();
        } else if (pendingFont_.active && pendingFont_.face.size() < kMaxFaceScan) {
            pendingFont_.face.push_back(c);
        }
    }

    void commitFont() {
        if (!pendingFont_.active) {
            return;
        }
        std::string face = trimSpaces(std::move(pendingFont_.face));
        if (face.size() > kMaxFaceLength) {
            face = trimSpaces(face.substr(0, kMaxFaceLength));
        }
        if (fonts_.size() < kMaxFonts || fonts_.contains(pendingFont_.number)) {
            fonts_[pendingFont_.number] = Font{std::move(face), pendingFont_.charset};
        }
        pendingFont_ = PendingFont{};
    }

    // An entry ends at its semicolon; a group closing without one keeps the
    // entry only when it gave a component.
    void commitColor(bool delimited = false) {
        if ((delimited || pendingColor_.given) && colors_.size() < kMaxColors) {
            colors_.push_back(pendingColor_.given ? std::optional<std::uint32_t>(pendingColor_.rgb)
                                                  : std::nullopt);
        }
        pendingColor_ = PendingColor{};
    }

    void paragraphBreak() {
        if (state().destination != Destination::Text) {
            return;
        }
        flushPending();
        document_.paragraphs.back().alignment = state().alignment;
        document_.paragraphs.emplace_back();
    }

    const Font* findFont(int number) const {
        const auto it = fonts_.find(number);
        return it == fonts_.end() ? nullptr : &it->second;
    }

    CharFormat resolve(const State& s) const {
        CharFormat f;
        const Font* font = s.font >= 0 ? findFont(s.font) : nullptr;
        if (font == nullptr) {
            font = findFont(defaultFont_);
        }
        if (font != nullptr) {
            f.face = font->face;
            f.charset = font->charset;
        }
        f.halfPoints = s.halfPoints;
        f.bold = s.bold;
        f.italic = s.italic;
        f.underline = s.underline;
        f.strikeOut = s.strikeOut;
        if (s.color >= 0 && static_cast<std::size_t>(s.color) < colors_.size()) {
            f.color = colors_[static_cast<std::size_t>(s.color)];
        }
        return f;
    }

    // Brings the pending run to the current format before text is added.
    void prepareFormat() {
        if (!formatDirty_) {
            return;
        }
        formatDirty_ = false;
        CharFormat f = resolve(state());
        if (f != pendingFormat_) {
            flushPending();
            pendingFormat_ = std::move(f);
        }
    }

    void flushPending() {
        if (pending_.empty()) {
            return;
        }
        std::vector<Rtf::Run>& runs = document_.paragraphs.back().runs;
        if (!runs.empty() && runs.back().format == pendingFormat_) {
            runs.back().text += pending_;
        } else {
            runs.push_back(Rtf::Run{pending_, pendingFormat_});
        }
        pending_.clear();
    }

    struct PendingFont {
        bool active = false;
        int number = 0;
        std::size_t depth = 0; // the stack size where the entry began
        int charset = -1;
        std::string face;
    };
    struct PendingColor {
        bool given = false;
        std::uint32_t rgb = 0;
    };

    std::string_view in_;
    std::size_t pos_ = 0;
    std::vector<State> stack_;
    std::size_t overflow_ = 0; // groups opened beyond kMaxDepth and not yet closed
    bool skipping_ = false;
    std::size_t skipNesting_ = 0;
    int unicodeFallback_ = 0; // fallback characters of a \uN still to skip

    std::map<int, Font> fonts_;
    int defaultFont_ = 0;
    std::vector<std::optional<std::uint32_t>> colors_;
    PendingFont pendingFont_;
    PendingColor pendingColor_;

    Document document_;
    std::string pending_;
    CharFormat pendingFormat_;
    bool formatDirty_ = true;
};

} // namespace

bool IsRtf(std::string_view bytes) {
    return bytes.starts_with("{\\rtf");
}

Document Read(std::string_view rtf) {
    return Reader(rtf).Run();
}

} // namespace Rtf

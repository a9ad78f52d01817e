#include "framework/CodePageDecoder.h"
#include "framework/rtf/RtfReader.h"

#include <algorithm>
#include <limits>
#include <string>

namespace Rtf {
namespace {

constexpr int kMaxHalfPoints = 3276; // 1638 points, the largest size word processors offer
constexpr int kMaxUnicodeSkip = 16;

// A code page the reader can read: the document's own or one with a converter.
bool readable(int codePage) {
    return codePage == kDocumentCodePage || TCodePageDecoder::Knows(codePage);
}

} // namespace

void Reader::word(std::string_view name, bool hasParam, int param) {
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
    if (!characterWord(info, hasParam, param)) {
        documentWord(info, hasParam, param);
    }
}

// The words that set character formatting; false for the others.
bool Reader::characterWord(const WordInfo& info, bool hasParam, int param) {
    State& s = state();
    const bool on = !hasParam || param != 0;
    switch (info.word) {
    case Word::Plain:
        s.ResetCharacter();
        break;
    case Word::Bold:
        s.bold = on;
        break;
    case Word::Italic:
        s.italic = on;
        break;
    case Word::Underline:
        s.underline = on;
        break;
    case Word::UnderlineNone:
        s.underline = false;
        break;
    case Word::Strike:
        s.strikeOut = on;
        break;
    case Word::FontSize:
        // A size of zero or less is no size: the default stays.
        s.halfPoints =
            !hasParam || param <= 0 ? kDefaultHalfPoints : std::min(param, kMaxHalfPoints);
        break;
    case Word::ColorFore:
        s.color = std::max(param, 0);
        break;
    default:
        return false;
    }
    formatDirty_ = true;
    return true;
}

void Reader::documentWord(const WordInfo& info, bool hasParam, int param) {
    State& s = state();
    switch (info.word) {
    case Word::Par:
        paragraphBreak();
        break;
    case Word::Tab:
        sourceByte('\t'); // the same in every code page, and in a symbol font's glyphs
        break;
    case Word::Byte:
        documentByte(static_cast<char>(info.value));
        break;
    case Word::Pard:
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
    case Word::Hidden:
        s.hidden = !hasParam || param != 0;
        break;
    case Word::Font:
        if (s.destination == Destination::FontTable) {
            fonts_.Begin(std::max(param, 0), stack_.size());
        } else {
            s.font = std::max(param, 0);
            formatDirty_ = true;
        }
        break;
    case Word::FontCharset:
        if (s.destination == Destination::FontTable) {
            fonts_.SetCharset(hasParam && param >= 0 && param <= 255 ? param : -1);
        }
        break;
    case Word::FontCodePage:
        if (s.destination == Destination::FontTable) {
            fonts_.SetCodePage(std::max(param, 0));
        }
        break;
    case Word::CodePage:
        // An unknown code page is no code page: the text reads as the document's.
        ansiCodePage_ = readable(param) ? param : kDocumentCodePage;
        formatDirty_ = true;
        break;
    case Word::CharacterSet:
        ansiCodePage_ = readable(info.value) ? info.value : kDocumentCodePage;
        formatDirty_ = true;
        break;
    case Word::DefaultFont:
        defaultFont_ = std::max(param, 0);
        formatDirty_ = true;
        break;
    case Word::Red:
    case Word::Green:
    case Word::Blue:
        if (s.destination == Destination::ColorTable) {
            colors_.SetComponent(info.word == Word::Red     ? 16
                                 : info.word == Word::Green ? 8
                                                            : 0,
                                 param);
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
    case Word::FootnoteMark:
        footnoteMark();
        break;
    case Word::FootnoteStart:
        nextFootnote_ = hasParam ? std::max(param, 0) : 1;
        break;
    default:
        break; // the character words, handled before
    }
}

// \uN: a UTF-16 unit of the character, whatever the code page; the
// fallback text that follows is skipped. A font name takes every character.
void Reader::unicode(int param) {
    const int code = param < 0 ? param + 65536 : param;
    if (code < 0 || code > 0xFFFF) {
        return;
    }
    unicodeFallback_ = state().unicodeSkip;
    const State& s = state();
    if (s.destination == Destination::FontTable) {
        fonts_.AddCharacter(static_cast<char32_t>(code));
    } else if (s.destination == Destination::Text && !s.hidden && code != '\r' && code != '\n') {
        prepareFormat(); // breaks come from \par and \line only
        runs_.AddUnit(static_cast<char16_t>(code));
    }
}

// \chftn in the text: the footnote's number, as word processors show it
// (the footnote itself is a destination that is skipped).
void Reader::footnoteMark() {
    if (state().destination == Destination::Text && !state().hidden) {
        const std::string number = std::to_string(nextFootnote_);
        nextFootnote_ = nextFootnote_ < std::numeric_limits<int>::max() ? nextFootnote_ + 1 : 0;
        prepareFormat();
        runs_.AddDocument(number);
    }
}

// Brings the builder to the current format before text is added.
void Reader::prepareFormat() {
    if (!formatDirty_) {
        return;
    }
    formatDirty_ = false;
    const State& s = state();
    CharFormat f;
    f.halfPoints = s.halfPoints;
    f.bold = s.bold;
    f.italic = s.italic;
    f.underline = s.underline;
    f.strikeOut = s.strikeOut;
    f.color = colors_.At(s.color);
    const FontEntry* font = s.font >= 0 ? fonts_.Find(s.font) : nullptr;
    if (font == nullptr) {
        font = fonts_.Find(defaultFont_);
    }
    const int codePage = font != nullptr ? fonts_.CodePageOf(*font) : ansiCodePage_;
    if (font != nullptr) {
        f.face = font->face;
        // What the run now holds is the document's text, whatever the
        // font's charset was; only a symbol font's bytes stay its own.
        f.charset = f.face.empty() ? -1 : 0;
    }
    CharFormat source = f;
    if (codePage == kSymbolCodePage) {
        source.charset = kSymbolCharset;
    }
    runs_.SetFormat(source, f, decoders_.For(codePage));
}

} // namespace Rtf

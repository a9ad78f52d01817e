#pragma once

#include <cstdint>
#include <string_view>

// The control words the RTF reader acts on.
namespace Rtf {

enum class Word : std::uint8_t {
    Par, // ends a paragraph (\par, \line, \page, \sect, \row)
    Tab, // a tab character (\tab, \cell)
    Plain,
    Pard,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustify,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Hidden,
    Font,
    FontSize,
    FontCharset,
    FontCodePage, // \cpgN of a font
    CodePage,     // the document's code page: \ansicpgN
    CharacterSet, // the document's character set: \ansi, \mac, \pc, \pca
    DefaultFont,
    ColorFore,
    Red,
    Green,
    Blue,
    Unicode,
    UnicodeSkip,
    Bin,
    FontTable,
    ColorTable,
    Skip,          // a destination whose content is not text of the document
    Byte,          // a symbol word standing for one code-page byte
    Nothing,       // a word that stands for no character (zero-width marks)
    FootnoteMark,  // \chftn: the number of the footnote it marks
    FootnoteStart, // \ftnstartN: the number of the first footnote
};

struct WordInfo {
    Word word;
    // The byte of a Word::Byte; the code page of a Word::CharacterSet.
    std::uint16_t value = 0;
};

// The meaning of a control word; nullptr for the words the reader ignores.
const WordInfo* findWord(std::string_view name);

} // namespace Rtf

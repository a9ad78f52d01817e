#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A rich text as the RTF codec reads and writes it: paragraphs of runs, each
// run a byte string in the document code page, or in UTF-8 in a Unicode
// document, with one character format.
namespace Rtf {

enum class Alignment { Left, Center, Right, Justify };

struct CharFormat {
    std::string face;   // UTF-8, as the system names fonts; empty: the default font
    int halfPoints = 0; // font size in half points; 0: default
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::optional<std::uint32_t> color; // 0xRRGGBB; none: automatic
    // The \fcharsetN of the font: 2 when the text is a symbol font's own
    // bytes (glyph numbers; in a Unicode document each given as the code
    // page's character for it); any other text is the document's, so other
    // charsets are written as 0. -1: none given.
    int charset = -1;

    bool operator==(const CharFormat&) const = default;
};

struct Run {
    std::string text; // code-page bytes or UTF-8; a tab is '\t'; never CR or LF
    CharFormat format;

    bool operator==(const Run&) const = default;
};

struct Paragraph {
    Alignment alignment = Alignment::Left;
    std::vector<Run> runs;

    bool operator==(const Paragraph&) const = default;
};

// The font of text that names no face or size of its own: the edit
// control's base font. The reader leaves it empty: it gives each run the
// file's default font and size, so loading a file keeps the control's own.
struct BaseFont {
    std::string face; // empty: none given
    int charset = -1;
    int halfPoints = 0; // 0: none given

    bool operator==(const BaseFont&) const = default;
};

// A document has at least one paragraph; paragraphs are separated by breaks,
// so "a\par b" is two paragraphs and "a\par" is "a" and an empty one.
struct Document {
    std::vector<Paragraph> paragraphs{Paragraph{}};
    BaseFont base;
    // The runs' text is UTF-8 (else document code-page bytes).
    bool unicode = false;

    bool operator==(const Document&) const = default;
};

// True when the bytes begin with "{\rtf".
bool IsRtf(std::string_view bytes);

// Reads RTF as other programs write it. Never fails: malformed input yields
// the readable text it holds, in time linear in its length. \par, \line,
// \page, \sect and \row are breaks; \tab and \cell are tabs; line ends of
// the source and \'0d, \'0a are no text; a footnote mark (\chftn) is the
// footnote's number, the footnote itself no text; whatever follows the
// outermost group is ignored. Text is in the code page its font's
// \fcharset or \cpg names, else the file's \ansicpg, else Windows-1252;
// \uN gives its character (a surrogate pair one character, a lone surrogate
// U+FFFD) and its fallback is skipped. When every character is one the
// document code page holds, the text is given in it, and a symbol font's
// bytes as they are; else the document is Unicode and all of its text UTF-8.
// Bytes the code page of the text gives no character for are "?" in the
// document code page, U+FFFD in UTF-8. Text without \fs is 12 points.
// Adjacent runs of equal format are one run, and no run is empty.
Document Read(std::string_view rtf);

// Writes RTF that other programs open with the same text and formatting, in
// printable ASCII lines: a tab goes as \tab, a character above ASCII as \uN
// (one above U+FFFF as a surrogate pair of two) with its code-page byte as
// \'hh for the fallback, or "?" where the code page has none; other bytes
// outside printable ASCII go as \'hh (a NUL as \'00), and so does each byte
// of a Unicode document's text that is not well-formed UTF-8. A symbol
// font's bytes go as \'hh alone. Font names go as ASCII and \uN.
// Read(Write(d)) == d for every document Read gives.
// With a base font, it is font 0 of the table (\deff0) and a run without a
// face or size of its own is written in the base font's (Read then gives
// them as the run's own: WithBaseResolved). Without one, a run in the
// default font and size carries no \f and no \fs (\deff0 then names no
// table entry), so readers show it in their own default.
std::string Write(const Document& document);

// The document as Read(Write(document)) gives it: every run's missing face
// and size taken from the base font (a size still missing is the readers'
// 12 points), charsets as written, neighbours of one format merged, and the
// base font dropped.
Document WithBaseResolved(Document document);

// The document with its text in UTF-8 (unicode) or in the document code
// page, where a character it cannot hold, and a byte that is no
// well-formed UTF-8, becomes "?". A symbol font's glyphs stay the same.
Document Recoded(Document document, bool unicode);

// The run's format as written: its missing face and size taken from the
// base font, its charset as the font table gives it.
CharFormat Resolved(const CharFormat& format, const BaseFont& base);

} // namespace Rtf

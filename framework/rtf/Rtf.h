#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A rich text as the RTF codec reads and writes it: paragraphs of runs, each
// run a byte string in the document code page with one character format.
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
    // bytes (glyph numbers); any other text is in the document code page,
    // so other charsets are written as 0. -1: none given.
    int charset = -1;

    bool operator==(const CharFormat&) const = default;
};

struct Run {
    std::string text; // code-page bytes; a tab is '\t'; never CR or LF
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
// \fcharset or \cpg names, else the file's \ansicpg, else Windows-1252,
// and is given in the document code page, "?" for what that cannot hold;
// a symbol font's bytes are kept as they are. \uN gives its character when
// the code page holds it, else its fallback text. Text without \fs is 12
// points. Adjacent runs of equal format are one run, and no run is empty.
Document Read(std::string_view rtf);

// Writes RTF that other programs open with the same text and formatting, in
// printable ASCII lines: a tab goes as \tab, a byte above 127 as \uN (its
// character) with its \'hh as the fallback, other bytes outside printable
// ASCII as \'hh (a NUL as \'00); a symbol font's bytes go as \'hh alone.
// Font names go as ASCII and \uN. Read(Write(d)) == d for every document
// Read gives.
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

// The run's format as written: its missing face and size taken from the
// base font, its charset as the font table gives it.
CharFormat Resolved(const CharFormat& format, const BaseFont& base);

} // namespace Rtf

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
    std::string face;   // empty: the default font
    int halfPoints = 0; // font size in half points; 0: default
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::optional<std::uint32_t> color; // 0xRRGGBB; none: automatic
    int charset = -1;                   // \fcharsetN of the font; -1: none given

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
// control's base font. Readers take neither from the file.
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
// the source and \'0d, \'0a are no text. \uN gives its character when the
// code page holds it, else its fallback text. Adjacent runs of equal format
// are one run, and no run is empty.
Document Read(std::string_view rtf);

// Writes RTF that other programs open with the same text and formatting, in
// printable ASCII lines: a tab goes as \tab and every other byte outside
// printable ASCII as \'hh (a NUL as \'00), so Read(Write(d)) == d for every
// document Read gives.
// With a base font, it is font 0 of the table (\deff0) and a run without a
// face or size of its own is written in the base font's (Read then gives
// them as the run's own: WithBaseResolved). Without one, a run in the
// default font and size carries no \f and no \fs (\deff0 then names no
// table entry), so readers show it in their own default.
std::string Write(const Document& document);

// The document with every run's missing face and size taken from the base
// font, and the base font dropped: what Read(Write(d)) gives.
Document WithBaseResolved(Document document);

// The run's format as written: its missing face and size taken from the base font.
CharFormat Resolved(const CharFormat& format, const BaseFont& base);

} // namespace Rtf

#pragma once

#include "framework/ui/Font.h"

#include <cstdint>
#include <string>

class QWidget;

// The colour dialog the Color and Highlight buttons share: it opens with the
// colour chosen last (0xRRGGBB).
struct TColorDialog {
    std::uint32_t Color = 0x000000;
    // Through the platform seam; true when the user chose a colour.
    bool Execute(QWidget* parent);
};

// "RRGGBB", capital hexadecimal digits, of a colour 0xRRGGBB.
std::string ColorToHex(std::uint32_t rgb);

// The HTML font size of a size in points: a quarter of it, 1 for 8 points
// and less.
int HtmlFontSize(int points);

// "#RRGGBB".
std::string ColorText(std::uint32_t rgb);
// An empty font element with the font's face, HTML size and colour, in the
// document code page ("?" for what it cannot hold) or, when utf8, in UTF-8.
std::string FontElement(const TFont& font, bool utf8 = false);
// An empty span with the colour as its background.
std::string HighlightElement(std::uint32_t rgb);

// Both elements' closing tags are this long; the caret goes before them.
inline constexpr int kClosingTagLength = 7;

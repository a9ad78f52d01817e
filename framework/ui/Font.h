#pragma once

#include <QFont>
#include <cstdint>
#include <string>

// A font as the dialogs and the edit control exchange it: face, size in
// points, style, colour (0xRRGGBB) and character set.
struct TFont {
    std::string Name = "MS Sans Serif";
    int Size = 8; // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    std::uint32_t Color = 0x000000;
    int Charset = 1; // DEFAULT_CHARSET

    QFont ToQFont() const;
    static TFont FromQFont(const QFont& font, std::uint32_t color);

    bool operator==(const TFont&) const = default;
};

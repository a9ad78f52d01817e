#include "framework/ui/Font.h"

#include <cmath>

QFont TFont::ToQFont() const {
    QFont font(QString::fromStdString(Name));
    font.setPointSize(Size > 0 ? Size : 8);
    font.setBold(Bold);
    font.setItalic(Italic);
    font.setUnderline(Underline);
    font.setStrikeOut(StrikeOut);
    return font;
}

TFont TFont::FromQFont(const QFont& font, std::uint32_t color) {
    TFont f;
    f.Name = font.family().toStdString();
    f.Size = font.pointSize() > 0 ? font.pointSize()
                                  : static_cast<int>(std::lround(font.pixelSize() * 72.0 / 96.0));
    f.Bold = font.bold();
    f.Italic = font.italic();
    f.Underline = font.underline();
    f.StrikeOut = font.strikeOut();
    f.Color = color;
    return f;
}

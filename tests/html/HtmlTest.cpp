#include "html/HtmlColors.h"

#include <gtest/gtest.h>

TEST(HtmlColors, ColourTextFontSizeAndElements) {
    for (const auto& [rgb, hex] :
         {std::pair{0xFF0000u, "FF0000"}, std::pair{0x0000FFu, "0000FF"},
          std::pair{0x123456u, "123456"}, std::pair{0x800000u, "800000"},
          std::pair{0x00FF00u, "00FF00"}, std::pair{0xABCDEFu, "ABCDEF"}}) {
        EXPECT_EQ(ColorToHex(rgb), hex);
    }
    for (const auto& [points, size] :
         {std::pair{-4, 1}, std::pair{8, 1}, std::pair{9, 2}, std::pair{11, 2}, std::pair{12, 3},
          std::pair{16, 4}, std::pair{31, 7}, std::pair{36, 9}, std::pair{72, 18}}) {
        EXPECT_EQ(HtmlFontSize(points), size) << points;
    }
    TFont font;
    font.Name = "Times New Roman \xC3\xA9\xE4\xB8\xAD"; // e acute, and a letter 1252 lacks
    font.Size = 12;
    font.Color = 0xFF0000;
    font.Bold = true; // the style is not written
    EXPECT_EQ(FontElement(font),
              "<font face=\"Times New Roman \xE9?\" size=\"3\" color=\"#FF0000\"></font>");
    // In a Unicode document the face goes as the system names it.
    EXPECT_EQ(FontElement(font, true), "<font face=\"Times New Roman \xC3\xA9\xE4\xB8\xAD\" "
                                       "size=\"3\" color=\"#FF0000\"></font>");
    EXPECT_EQ(HighlightElement(0xFFFF00), "<span style=\"background-color: #FFFF00\"></span>");
}

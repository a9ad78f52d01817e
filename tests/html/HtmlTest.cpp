#include "framework/ui/RichEdit.h"
#include "html/HtmlColors.h"
#include "html/HtmlTags.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

TEST(HtmlTags, EachTagReplacesTheSelectionAndPutsTheCaretInside) {
    struct Case {
        THtmlTag tag;
        const char* text;
        int caret; // from where the tag starts
    };
    const Case cases[] = {
        {THtmlTag::Paragraph, "<p></p>", 3},      {THtmlTag::Break, "<br>", 4},
        {THtmlTag::Space, "&nbsp;", 6},           {THtmlTag::Center, "<center></center>", 8},
        {THtmlTag::Link, "<a href=\"\"></a>", 9}, {THtmlTag::Image, "<img src=\"\">", 10},
        {THtmlTag::Bold, "<b></b>", 3},           {THtmlTag::Italic, "<i></i>", 3},
        {THtmlTag::UnderLine, "<u></u>", 3},
    };
    TRichEdit edit;
    for (const Case& c : cases) {
        // At the caret (position 10), and in place of a selected word.
        edit.SetText("0123456789 word\r\nend");
        edit.SetSelStart(10);
        InsertTag(edit, c.tag);
        EXPECT_EQ(edit.Text(), "0123456789" + std::string(c.text) + " word\r\nend") << c.text;
        EXPECT_EQ(edit.SelStart(), 10 + c.caret) << c.text;
        EXPECT_EQ(edit.SelLength(), 0) << c.text;
        edit.SetText("a word\r\n");
        edit.SetSelStart(2);
        edit.SetSelLength(4);
        InsertTag(edit, c.tag);
        EXPECT_EQ(edit.Text(), "a " + std::string(c.text) + "\r\n") << c.text;
        EXPECT_EQ(edit.SelStart(), 2 + c.caret) << c.text;
    }
    edit.SetText("");
    InsertTag(edit, THtmlTag::Space);
    InsertTag(edit, THtmlTag::Space);
    EXPECT_EQ(edit.Text(), "&nbsp;&nbsp;");
    EXPECT_EQ(edit.SelStart(), 12);
}

TEST(HtmlTags, SkeletonReplacesEverythingAndReadOnlyTextStaysAsItIs) {
    TRichEdit edit;
    edit.SetText("old\r\ntext");
    SetAsHtml(edit);
    EXPECT_EQ(edit.Text(), "<html>\n<body>\n</body>\n</html>");
    EXPECT_EQ(edit.TextLength(), 29);
    edit.Undo();
    EXPECT_EQ(edit.Text(), "old\r\ntext");

    QSignalSpy changes(&edit, &TRichEdit::OnChange);
    edit.setReadOnly(true);
    InsertTag(edit, THtmlTag::Bold);
    SetAsHtml(edit);
    InsertHtml(edit, "#FF0000", 0);
    EXPECT_EQ(edit.Text(), "old\r\ntext");
    EXPECT_EQ(changes.size(), 0);
}

TEST(HtmlColors, ColourTextFontSizeAndElements) {
    for (const auto& [rgb, hex] : {std::pair{0xFF0000u, "FF0000"}, std::pair{0x0000FFu, "0000FF"},
                                   std::pair{0x00FF00u, "00FF00"}, std::pair{0x123456u, "123456"},
                                   std::pair{0x800000u, "800000"}, std::pair{0x000000u, "000000"},
                                   std::pair{0xABCDEFu, "ABCDEF"}}) {
        EXPECT_EQ(ColorToHex(rgb), hex);
    }
    for (const auto& [points, size] :
         {std::pair{-4, 1}, std::pair{0, 1}, std::pair{8, 1}, std::pair{9, 2}, std::pair{11, 2},
          std::pair{12, 3}, std::pair{15, 3}, std::pair{16, 4}, std::pair{20, 5}, std::pair{27, 6},
          std::pair{31, 7}, std::pair{36, 9}, std::pair{72, 18}, std::pair{400, 100}}) {
        EXPECT_EQ(HtmlFontSize(points), size) << points;
    }
    TFont font;
    font.Name = "Arial";
    font.Size = 12;
    font.Color = 0xFF0000;
    font.Bold = true; // the style is not written
    EXPECT_EQ(FontElement(font), "<font face=\"Arial\" size=\"3\" color=\"#FF0000\"></font>");
    font.Name = "Times New Roman \xC3\xA9\xE4\xB8\xAD"; // UTF-8 e acute and a CJK letter
    font.Size = 8;
    EXPECT_EQ(FontElement(font),
              "<font face=\"Times New Roman \xE9?\" size=\"1\" color=\"#FF0000\"></font>");
    EXPECT_EQ(HighlightElement(0xFFFF00), "<span style=\"background-color: #FFFF00\"></span>");
    EXPECT_EQ(std::string_view(HighlightElement(0)).substr(0, 31),
              "<span style=\"background-color: ");

    TRichEdit edit;
    edit.SetText("ab");
    edit.SetSelStart(1);
    InsertHtml(edit, HighlightElement(0x00FF00), kClosingTagLength);
    EXPECT_EQ(edit.Text(), "a<span style=\"background-color: #00FF00\"></span>b");
    EXPECT_EQ(edit.Text().substr(static_cast<size_t>(edit.SelStart())), "</span>b");
}

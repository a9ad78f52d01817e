// Rich text in the edit control: a file holding characters Windows-1252
// cannot hold opens as a Unicode document, and the control's own RTF and
// clipboard give every character back.
#include "framework/Files.h"
#include "framework/ui/RichEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>

namespace {

void select(TRichEdit& edit, const std::string& what) {
    edit.SetSelStart(edit.FindText(what, 0, -1, false, true));
    edit.SetSelLength(static_cast<int>(what.size()));
}

TEST(RtfEditControl, UnicodeRichTextOpensSavesAndPastesWithEveryCharacter) {
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/greek.rtf";
    WriteFileBytes(file, "{\\rtf1\\ansi\\ansicpg1253{\\fonttbl{\\f0\\fcharset161 Arial;}}\\f0 "
                         "\\'e1\\'e2 caf\\u233? {\\b \\u-10179?\\u-8704?}\\par x}");
    TRichEdit edit;
    edit.LoadFromFile(file);
    EXPECT_EQ(edit.Encoding(), TEncoding::Utf8);
    EXPECT_EQ(edit.Text(), "αβ café 😀\nx");
    const std::string saved = dir.path().toStdString() + "/saved.rtf";
    edit.SaveToFile(saved);
    const std::string rtf = ReadFileBytes(saved);
    EXPECT_NE(rtf.find("\\u945?\\u946? caf\\u233\\'e9 "), std::string::npos) << rtf;
    TRichEdit again;
    again.LoadFromFile(saved);
    EXPECT_EQ(again.Encoding(), TEncoding::Utf8);
    EXPECT_EQ(again.Text(), edit.Text());
    select(again, "😀");
    EXPECT_TRUE(again.SelAttributes().Bold);

    // Pasted into a Unicode document, every character; into a Windows-1252
    // one, "?" for what it cannot hold.
    edit.SelectAll();
    edit.CopyToClipboard();
    TRichEdit western;
    western.PasteFromClipboard();
    EXPECT_EQ(western.Text(), "?? caf\xE9 ?\nx");

    // Between two Unicode windows a selection of the code page's characters
    // keeps its formats: its rich text is in the code page, their bytes UTF-8.
    TRichEdit from;
    from.SetEncoding(TEncoding::Utf8);
    from.SetText("café bold");
    select(from, "bold");
    TFont bold = from.SelAttributes();
    bold.Bold = true;
    from.SetSelAttributes(bold);
    from.SelectAll();
    from.CopyToClipboard();
    TRichEdit to;
    to.SetEncoding(TEncoding::Utf8);
    to.PasteFromClipboard();
    EXPECT_EQ(to.Text(), "café bold");
    select(to, "bold");
    EXPECT_TRUE(to.SelAttributes().Bold);
}

} // namespace

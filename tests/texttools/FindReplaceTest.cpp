#include "texttools/FindReplace.h"

#include "framework/ui/RichEdit.h"

#include <QSignalSpy>
#include <QTextCursor>
#include <gtest/gtest.h>

TEST(FindReplace, FindNextByCaseAndWholeWordAccentedLettersBeingLetters) {
    TRichEdit edit;
    const std::tuple<std::string, std::string, bool, bool, int> cases[] = {
        {"say HELLO", "hello", false, false, 4},
        {"say HELLO", "hello", false, true, -1},
        {"caf\xE9s and caf\xC9", "caf\xE9", true, false, 10},
        {"caf\xE9s and caf\xC9", "caf\xE9", true, true, -1},
        {"na\xEFve", "na", true, true, -1},
        {std::string("a\r\nb\0c", 6), std::string("\nb\0", 3), false, true, 2},
    };
    for (const auto& [text, search, wholeWord, matchCase, found] : cases) {
        edit.SetText(text);
        EXPECT_EQ(SearchStep(edit, search, wholeWord, matchCase), found) << text;
    }
}

TEST(FindReplace, ReplaceAllKeepsTheFormatsAroundAndTakesLongLines) {
    TRichEdit edit;
    const std::string text = "cat\r\nbold cat\rcat\n";
    edit.SetText(text);
    QTextCursor c(edit.document());
    c.setPosition(4);
    c.setPosition(12, QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.mergeCharFormat(bold); // "bold cat"
    QSignalSpy changes(&edit, &TRichEdit::OnChange);
    EXPECT_EQ(ReplaceAll(edit, "CAT", "dog", true, false), 3u);
    EXPECT_EQ(edit.Text(), "dog\r\nbold dog\rdog\n");
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(edit.SelStart(), 17);
    c.setPosition(11); // within the second "dog"
    EXPECT_EQ(c.charFormat().fontWeight(), QFont::Bold);

    // One 10 MB line with a match at each end, undone in one; read-only, nothing
    // happens.
    const std::string line = "needle" + std::string(10 << 20, 'x') + "needle";
    edit.SetText(line);
    EXPECT_EQ(ReplaceAll(edit, "needle", "pin", false, true), 2u);
    EXPECT_EQ(edit.Text(), "pin" + std::string(10 << 20, 'x') + "pin");
    edit.Undo();
    EXPECT_EQ(edit.Text(), line);
    edit.setReadOnly(true);
    EXPECT_EQ(ReplaceAll(edit, "needle", "pin", false, true), 0u);
    edit.SetSelStart(0);
    ReplaceSelection(edit, "!");
    EXPECT_EQ(edit.TextLength(), static_cast<int>(line.size()));
}

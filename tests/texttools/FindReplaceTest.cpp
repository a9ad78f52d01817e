#include "texttools/FindReplace.h"

#include "framework/ui/RichEdit.h"

#include <QSignalSpy>
#include <QTextCursor>
#include <gtest/gtest.h>

namespace {

struct Selection {
    int start;
    int length;
    bool operator==(const Selection&) const = default;
};

Selection selectionOf(const TRichEdit& edit) {
    return {edit.SelStart(), edit.SelLength()};
}

} // namespace

TEST(FindReplace, FindNextWalksDownFromTheSelectionAndNeverWraps) {
    TRichEdit edit;
    edit.SetText("one two one two");
    // The caret after the first "two", nothing selected: the search starts at the top.
    edit.SetSelStart(7);
    EXPECT_EQ(SearchStep(edit, "two", false, true), 4);
    EXPECT_EQ(selectionOf(edit), (Selection{4, 3}));
    EXPECT_EQ(SearchStep(edit, "two", false, true), 12);
    EXPECT_EQ(SearchStep(edit, "two", false, true), -1);
    EXPECT_EQ(selectionOf(edit), (Selection{12, 3}));
    EXPECT_EQ(SearchStep(edit, "", false, true), -1);
    EXPECT_EQ(selectionOf(edit), (Selection{12, 3}));

    // Match case and whole word, with accented letters as letters.
    struct Case {
        std::string text;
        std::string search;
        bool wholeWord;
        bool matchCase;
        int found;
    };
    const Case cases[] = {
        {"say HELLO", "hello", false, false, 4},
        {"say HELLO", "hello", false, true, -1},
        {"caf\xE9s and caf\xC9", "CAF\xC9", false, false, 0},
        {"caf\xE9s and caf\xC9", "caf\xE9", true, false, 10},
        {"caf\xE9s and caf\xC9", "caf\xE9", true, true, -1},
        {"na\xEFve", "na", true, true, -1},
        {std::string("a\r\nb\0c\xFF", 7), std::string("\nb\0", 3), false, true, 2},
        {"one line", "line\n", false, true, -1},
    };
    for (const Case& c : cases) {
        edit.SetText(c.text);
        EXPECT_EQ(SearchStep(edit, c.search, c.wholeWord, c.matchCase), c.found)
            << c.text << " / " << c.search;
    }
}

TEST(FindReplace, ReplaceTakesWhateverIsSelectedOrInsertsAtTheCaret) {
    TRichEdit edit;
    edit.SetText("abc def");
    edit.SetSelStart(1);
    edit.SetSelLength(2);
    ReplaceSelection(edit, "XY");
    EXPECT_EQ(edit.Text(), "aXY def");
    EXPECT_EQ(selectionOf(edit), (Selection{3, 0}));
    ReplaceSelection(edit, "-");
    EXPECT_EQ(edit.Text(), "aXY- def");
    edit.setReadOnly(true);
    ReplaceSelection(edit, "!");
    EXPECT_EQ(edit.Text(), "aXY- def");
}

TEST(FindReplace, ReplaceAllIsOneUndoStepKeepingTheFormatsAround) {
    TRichEdit edit;
    const std::string text = "cat\r\nbold cat\rcat\n";
    edit.SetText(text);
    QTextCursor c(edit.document());
    c.setPosition(4);
    c.setPosition(12, QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.mergeCharFormat(bold); // "bold cat" on the second line
    QSignalSpy changes(&edit, &TRichEdit::OnChange);
    EXPECT_EQ(ReplaceAll(edit, "CAT", "dog", true, false), 3u);
    EXPECT_EQ(edit.Text(), "dog\r\nbold dog\rdog\n");
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(selectionOf(edit), (Selection{17, 0}));
    QTextCursor inside(edit.document());
    inside.setPosition(11); // within the second "dog"
    EXPECT_EQ(inside.charFormat().fontWeight(), QFont::Bold);
    edit.Undo();
    EXPECT_EQ(edit.Text(), text);

    // No match: nothing changes, not even the selection, and it is no change.
    changes.clear();
    edit.SetSelStart(2);
    edit.SetSelLength(3);
    EXPECT_EQ(ReplaceAll(edit, "cow", "dog", false, true), 0u);
    EXPECT_EQ(selectionOf(edit), (Selection{2, 3}));
    EXPECT_EQ(changes.size(), 0);

    // One 10 MB line, a match at each end.
    const std::string line = "needle" + std::string(10 << 20, 'x') + "needle";
    edit.SetText(line);
    EXPECT_EQ(ReplaceAll(edit, "needle", "pin", false, true), 2u);
    EXPECT_EQ(edit.TextLength(), static_cast<int>(line.size()) - 6);
    EXPECT_EQ(edit.Text().substr(edit.Text().size() - 4), "xpin");
    edit.setReadOnly(true);
    EXPECT_EQ(ReplaceAll(edit, "pin", "needle", false, true), 0u);
}

#include "framework/ByteEdit.h"
#include "framework/ui/RichEdit.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <random>

TEST(RichEditReplace, ManyEditsAreOneChangeOneUndoStepAndWhatTheDocumentHolds) {
    std::mt19937 rng(1207);
    const std::string pieces[] = {"\r\n", "\r", "\n", "ab", "\xE9", std::string(1, '\0')};
    auto random = [&](size_t parts) {
        std::string s;
        while (parts-- > 0) {
            s += pieces[rng() % std::size(pieces)];
        }
        return s;
    };
    TRichEdit edit;
    QSignalSpy changes(&edit, &TRichEdit::OnChange);
    for (int round = 0; round < 300; ++round) {
        const std::string text = random(rng() % 40);
        edit.SetText(text);
        // Sorted edits, apart, often cutting a CR LF in two or meeting inside one.
        std::vector<TByteEdit> edits;
        std::string expected;
        size_t kept = 0;
        for (size_t at = 0; at <= text.size(); at += 1 + rng() % 4) {
            const size_t to = std::min(text.size(), at + rng() % 3);
            edits.push_back(TByteEdit{at, to, random(rng() % 3)});
            expected += text.substr(kept, at - kept) + edits.back().Bytes;
            kept = at = to;
        }
        expected += text.substr(kept);
        const int caret = static_cast<int>(expected.size() - (text.size() - kept));
        changes.clear();
        edit.ReplaceRanges(edits, caret);
        ASSERT_EQ(edit.Text(), expected) << "round " << round;
        EXPECT_EQ(changes.size(), expected == text ? 0 : 1);
        EXPECT_EQ(edit.SelStart(), caret);
        EXPECT_EQ(edit.SelLength(), 0);
        if (expected != text) {
            edit.Undo();
            ASSERT_EQ(edit.Text(), text) << "round " << round;
            edit.ReplaceRanges(edits, caret);
        }
        // A format change over everything keeps the bytes and is no change
        // of the text.
        edit.SelectAll();
        TFont italic = edit.SelAttributes();
        italic.Italic = true;
        changes.clear();
        edit.SetSelAttributes(italic);
        ASSERT_EQ(edit.Text(), expected) << "round " << round;
        EXPECT_EQ(changes.size(), 0);
    }
}

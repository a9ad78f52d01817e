#include "framework/ByteEdit.h"
#include "framework/ui/RichEdit.h"
#include "framework/ui/TextMirror.h"

#include <QSignalSpy>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <random>

namespace {

// A change of format over the whole text makes the control read its bytes
// back from the document; they must be the ones it had.
void readBack(TRichEdit& edit) {
    QTextCursor all(edit.document());
    all.select(QTextCursor::Document);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    all.mergeCharFormat(italic);
}

std::string applied(const std::string& text, const std::vector<TByteEdit>& edits) {
    std::string out;
    size_t at = 0;
    for (const TByteEdit& e : edits) {
        out += text.substr(at, e.From - at) + e.Bytes;
        at = e.To;
    }
    return out + text.substr(at);
}

bool boldAt(TRichEdit& edit, int byte) {
    QTextCursor c(edit.document());
    c.setPosition(byte + 1);
    return c.charFormat().fontWeight() == QFont::Bold;
}

} // namespace

TEST(RichEditReplace, ManyEditsAreOneChangeAndOneUndoStep) {
    std::mt19937 rng(1207);
    const std::string pieces[] = {"\r\n", "\r", "\n", "ab", "\xE9", std::string(1, '\0'), "x"};
    auto randomText = [&](size_t parts) {
        std::string s;
        for (size_t i = 0; i < parts; ++i) {
            s += pieces[rng() % std::size(pieces)];
        }
        return s;
    };
    TRichEdit edit;
    QSignalSpy changes(&edit, &TRichEdit::OnChange);
    for (int round = 0; round < 300; ++round) {
        const std::string text = randomText(rng() % 40);
        edit.SetText(text);
        // Sorted, apart edits, often cutting a CR LF in two or meeting inside one.
        std::vector<TByteEdit> edits;
        for (size_t at = 0; at <= text.size(); at += 1 + rng() % 4) {
            const size_t to = std::min(text.size(), at + rng() % 3);
            edits.push_back(TByteEdit{at, to, randomText(rng() % 3)});
            at = to;
        }
        const std::string expected = applied(text, edits);
        // Where the last edit's bytes end in the new text.
        const int caret = static_cast<int>(expected.size() - (text.size() - edits.back().To));
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
        // Read back from the document itself: it must hold the same bytes.
        changes.clear();
        readBack(edit);
        ASSERT_EQ(edit.Text(), expected) << "round " << round;
        EXPECT_EQ(changes.size(), 0);
    }
}

TEST(RichEditReplace, KeepsTheFormatsAroundTheEditsAndAfterLargeOnes) {
    TRichEdit edit;
    edit.SetText("one two one two");
    QTextCursor c(edit.document());
    c.setPosition(4);
    c.setPosition(7, QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.mergeCharFormat(bold); // the first "two"
    edit.ReplaceRanges({{4, 7, "2"}, {12, 15, "2"}}, 11);
    EXPECT_EQ(edit.Text(), "one 2 one 2");
    EXPECT_TRUE(boldAt(edit, 4));
    EXPECT_FALSE(boldAt(edit, 10));
    EXPECT_EQ(edit.SelStart(), 11);

    // Edits spread over megabytes lay the text out afresh and undo as one.
    std::string big;
    for (int i = 0; i < 60000; ++i) {
        big += "line of text\r\n";
    }
    edit.SetText(big);
    std::vector<TByteEdit> edits;
    for (size_t at = 0; at < big.size(); at += 14 * 7) {
        edits.push_back(TByteEdit{at, at + 4, "LINE"});
    }
    edit.ReplaceRanges(edits, static_cast<int>(edits.back().From + 4));
    EXPECT_EQ(edit.Text().substr(0, 18), "LINE of text\r\nline");
    EXPECT_EQ(edit.document()->blockCount(), 60001);
    edit.Undo();
    EXPECT_EQ(edit.Text(), big);
}

TEST(RichEditReplace, OverwriteKeepsEachCharactersFormatAndEveryLineEnd) {
    TRichEdit edit;
    const std::string text = "ab\r\ncd\ref\ngh";
    edit.SetText(text);
    QTextCursor c(edit.document());
    c.setPosition(1);
    c.setPosition(2, QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.mergeCharFormat(bold); // "b"
    QSignalSpy changes(&edit, &TRichEdit::OnChange);
    edit.SetSelStart(1);
    edit.SetSelLength(10);
    edit.OverwriteSelection("B\r\nCD\rEF\nG");
    EXPECT_EQ(edit.Text(), "aB\r\nCD\rEF\nGh");
    EXPECT_EQ(changes.size(), 1);
    EXPECT_TRUE(boldAt(edit, 1));
    EXPECT_FALSE(boldAt(edit, 4));
    EXPECT_EQ(edit.SelStart(), 11);
    EXPECT_EQ(edit.SelLength(), 0);
    edit.Undo();
    EXPECT_EQ(edit.Text(), text);

    // The same bytes again are no change; moved line ends are an ordinary
    // replacement; a length that differs replaces the selection.
    changes.clear();
    edit.SetSelStart(0);
    edit.SetSelLength(2);
    edit.OverwriteSelection("ab");
    EXPECT_EQ(changes.size(), 0);
    EXPECT_EQ(edit.SelStart(), 2);
    edit.SetSelStart(0);
    edit.SetSelLength(3);
    edit.OverwriteSelection("a\nb");
    EXPECT_EQ(edit.Text(), "a\nb\ncd\ref\ngh");
    edit.SetSelStart(0);
    edit.SetSelLength(1);
    edit.OverwriteSelection("xyz");
    EXPECT_EQ(edit.Text(), "xyz\nb\ncd\ref\ngh");
}

// Find and Replace in Unicode documents: characters, not bytes.
#include "framework/ui/RichEdit.h"
#include "texttools/FindReplace.h"

#include <gtest/gtest.h>

namespace {

// A UTF-8 control, set on an empty one.
void setUtf8(TRichEdit& edit, const std::string& text) {
    edit.SetEncoding(TEncoding::Utf8);
    edit.SetText(text);
}

} // namespace

TEST(UnicodeSearch, ComparesCharactersByFoldingAndWholeWordsByUnicodeLetters) {
    TRichEdit edit;
    // The text with the match expected in [brackets]; none without them.
    const std::tuple<std::string, std::string, bool, bool, int> cases[] = {
        {"[Καλημέρα] ΚΑΛΗΜΈΡΑ", "ΚΑΛΗΜΈΡΑ", false, false, 0},
        {"Καλημέρα [ΚΑΛΗΜΈΡΑ]", "καλημέρα", false, false, 1},
        {"Καλημέρα ΚΑΛΗΜΈΡΑ", "καλημέρΑ", false, true, 0},
        {"[οδος] ΟΔΟΣ", "ΟΔΟΣ", false, false, 0},
        {"привет [ПРИВЕТ]", "Привет", false, false, 1},
        {"x[😀]😀", "😀", false, false, 0},
        {"😀[😀]", "😀", false, true, 1},
        // Case forms of other lengths: the Kelvin sign, capital sharp s, long s.
        {"[\u212Aelvin] kelvin", "KELVIN", false, false, 0},
        {"[kelvin]", "\u212Aelvin", false, false, 0},
        {"\u212Aelvin", "Kelvin", false, true, 0},
        {"[STRA\u1E9EE]", "straße", false, false, 0},
        {"mi[\u017F\u017F]i", "SS", false, false, 0},
        // Whole words: a non-ASCII letter or digit beside the match joins it.
        {"naïve [ïve] ve", "ÏVE", true, false, 0},
        {"éve [ve]", "ve", true, false, 0},
        {"\u0663ab [ab]", "ab", true, false, 0},
        {"\xFF[ab]\xFF", "ab", true, true, 0},
        {"😀[ab]😀", "AB", true, false, 0},
        // Ill-formed bytes match themselves, and never half of a character.
        {"€ [\xE2\x82]", "\xE2\x82", false, true, 0},
        {"€ [\xE2\x82]", "\xE2\x82", false, false, 0},
        {"€[\xAC]", "\xAC", false, false, 0},
        {"é", "\xC3", false, false, 0},
        {"[\xC3]a", "\xC3", false, true, 0},
        {"\xC3[A]", "a", false, false, 0},
        {"[\xFF]A", "\xFF", false, false, 0},
        // From inside a character: the next whole one.
        {"λ[λ]", "Λ", false, false, 1},
        {"λ[λ]", "λ", false, true, 1},
    };
    for (const auto& [marked, search, wholeWord, matchCase, from] : cases) {
        std::string text = marked;
        const size_t open = text.find('[');
        const size_t close = text.find(']');
        long long expected = -1;
        size_t length = 0;
        if (open != std::string::npos) {
            text.erase(close, 1).erase(open, 1);
            expected = static_cast<long long>(open);
            length = close - open - 1;
        }
        setUtf8(edit, text);
        int found = 0;
        EXPECT_EQ(edit.FindText(search, from, -1, wholeWord, matchCase, &found), expected)
            << marked << " / " << search;
        EXPECT_EQ(found, static_cast<int>(length)) << marked << " / " << search;
    }
    // Find Next selects the match's own length.
    setUtf8(edit, "see \u212Aelvin");
    EXPECT_EQ(SearchStep(edit, "kelvin", false, false), 4);
    EXPECT_EQ(edit.SelText(), "\u212Aelvin");
}

TEST(UnicodeSearch, ReplaceAllTakesMatchesOfEveryLengthAsOneUndoStep) {
    TRichEdit edit;
    const std::string text = "\u212Aelvin, kelvin, KELVIN\r\nstraße STRA\u1E9EE \xFF";
    setUtf8(edit, text);
    edit.SetSelStart(3);
    EXPECT_EQ(ReplaceAll(edit, "kelvin", "κ", false, false), 3u);
    EXPECT_EQ(ReplaceAll(edit, "STRASSE", "x", false, false), 0u) << "simple folding only";
    EXPECT_EQ(ReplaceAll(edit, "ẞ", "ss", true, false), 0u) << "not a whole word";
    EXPECT_EQ(ReplaceAll(edit, "STRAßE", "Gasse", false, false), 2u);
    EXPECT_EQ(edit.Text(), "κ, κ, κ\r\nGasse Gasse \xFF");
    EXPECT_EQ(edit.SelStart(), static_cast<int>(edit.Text().size()) - 2);
    edit.Undo();
    edit.Undo();
    EXPECT_EQ(edit.Text(), text);
}

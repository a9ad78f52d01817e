#include "texttools/FindReplace.h"

#include "framework/ui/RichEdit.h"
#include "texttools/RegexFindReplace.h"

#include <QSignalSpy>
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
    edit.SetSelStart(5);
    edit.SetSelLength(8);
    TFont bold = edit.SelAttributes();
    bold.Bold = true;
    edit.SetSelAttributes(bold); // "bold cat"
    edit.SetSelStart(0);         // from the top
    QSignalSpy changes(&edit, &TRichEdit::OnChange);
    EXPECT_EQ(ReplaceAll(edit, "CAT", "dog", true, false), 3u);
    EXPECT_EQ(edit.Text(), "dog\r\nbold dog\rdog\n");
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(edit.SelStart(), 17);
    edit.SetSelStart(11); // within the second "dog"
    EXPECT_TRUE(edit.SelAttributes().Bold);

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

TEST(FindReplace, ByPatternOneUndoStepAndNothingChangedOnAProblem) {
    TRichEdit edit;
    const std::string text = "id=7\r\nid=42\r\nname=x";
    edit.SetText(text);
    TRegexOptions options{false, true, false};
    TRegexProblem problem;
    // Find Next passes over empty matches and goes on after the selection.
    EXPECT_EQ(RegexSearchStep(edit, "\\d*$", options, problem), 3);
    EXPECT_EQ(RegexSearchStep(edit, "\\d*$", options, problem), 9);
    EXPECT_EQ(edit.SelText(), "42");
    // Replace reads the selection's groups when it is a match, else takes it whole.
    RegexReplaceSelection(edit, "(\\d)(\\d)", "$2$1\\n", options, problem);
    EXPECT_EQ(edit.Text(), "id=7\r\nid=24\r\n\r\nname=x");
    edit.SetSelStart(0);
    edit.SetSelLength(2);
    RegexReplaceSelection(edit, "(\\d)", "<$0$1>", options, problem);
    EXPECT_EQ(edit.Text(), "<id>=7\r\nid=24\r\n\r\nname=x");

    QSignalSpy changes(&edit, &TRichEdit::OnChange);
    options.WholeWord = false;
    EXPECT_EQ(RegexReplaceAll(edit, "^(\\w+)=", "${1}: ", options, problem), 2u);
    EXPECT_EQ(edit.Text(), "<id>=7\r\nid: 24\r\n\r\nname: x");
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(edit.SelStart(), 24);
    edit.Undo();
    EXPECT_EQ(edit.Text(), "<id>=7\r\nid=24\r\n\r\nname=x");

    // Problems are said beside their field and change nothing, not even the selection.
    edit.SetSelStart(3);
    const std::tuple<const char*, const char*, TRegexProblem::Field, std::string> problems[] = {
        {"(", "", TRegexProblem::Pattern, "At the end: missing closing parenthesis"},
        {"a**", "", TRegexProblem::Pattern,
         "At character 3: quantifier does not follow a repeatable item"},
        {"(\\w+)=", "$7", TRegexProblem::Replacement, "No group 7 in the pattern"},
        {"(a+)+b", "", TRegexProblem::Pattern,
         "The pattern backtracks too much on this text, so the search was stopped"},
    };
    const std::string as = std::string(40, 'a') + "-b"; // a "b" to try for, far off
    edit.SetText(as);
    for (const auto& [pattern, with, field, message] : problems) {
        RegexReplaceAll(edit, pattern, with, options, problem);
        EXPECT_EQ(problem.field, field) << pattern;
        EXPECT_EQ(problem.message, message) << pattern;
        EXPECT_EQ(RegexSearchStep(edit, pattern, options, problem), -1);
    }
    EXPECT_EQ(changes.size(), 3);
    RegexReplaceAll(edit, "", "x", options, problem);
    EXPECT_EQ(problem.field, TRegexProblem::None);
    EXPECT_EQ(edit.Text(), as);
}

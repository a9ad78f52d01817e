// Case conversion, patterns and the dialogs' texts in Unicode documents.
#include "framework/ui/RichEdit.h"
#include "texttools/CaseConversion.h"
#include "texttools/FindCommands.h"
#include "texttools/FindDialog.h"
#include "texttools/RegexFindReplace.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

void setUtf8(TRichEdit& edit, const std::string& text) {
    edit.SetEncoding(TEncoding::Utf8);
    edit.SetText(text);
}

} // namespace

TEST(UnicodeCase, SimpleMappingsForAllUpperAndLowerPlainLettersForTheRest) {
    using C = TCaseConversion;
    const std::tuple<C, std::string, std::string> cases[] = {
        {C::AllUpper, "straße café ωμέγα привет ǆ 😀", "STRAßE CAFÉ ΩΜΈΓΑ ПРИВЕТ Ǆ 😀"},
        {C::AllLower, "ΣΊΣΥΦΟΣ ΚΑΦΕΣ ДОМ Ǆ", "σίσυφοσ καφεσ дом ǆ"},
        // Mappings of another length: dotless i, long s, Kelvin sign, dotted
        // capital I, turned a.
        {C::AllUpper, "ıſ\u0250", "IS\u2C6F"},
        {C::AllLower, "\u212A\u0130", "ki"},
        // Simple mappings where the full one is several characters.
        {C::AllUpper, "ß\u1F80\u1FB3", "ß\u1F88\u1FBC"},
        {C::AllLower, "\u1F88\u1FBC", "\u1F80\u1FB3"},
        // Ill-formed bytes stay, and so do the characters beside them.
        {C::AllUpper, "a\xFF\xC3z\xE2\x82 é\xED\xA0\x80", "A\xFF\xC3Z\xE2\x82 É\xED\xA0\x80"},
        {C::Reverse, "Ωmega éA \xFF", "ΩMEGA éa \xFF"},
        {C::InitialUpper, "émile", "émile"},
        {C::InitialUpper, "abc", "Abc"},
    };
    for (const auto& [conversion, in, out] : cases) {
        EXPECT_EQ(ConvertCase(in, conversion, true), out) << in;
    }
}

TEST(UnicodeCase, ALengthChangeKeepsTheFormatsAroundAndIsOneUndoStep) {
    TRichEdit edit;
    const std::string text = "x \u0131stanbul \u017F 😀 y";
    setUtf8(edit, text);
    edit.SetSelStart(2);
    edit.SetSelLength(9); // "ıstanbul"
    TFont bold = edit.SelAttributes();
    bold.Bold = true;
    edit.SetSelAttributes(bold);
    const int end = static_cast<int>(text.size()) - 2;
    edit.SetSelStart(2);
    edit.SetSelLength(end - 2);
    QSignalSpy changes(&edit, &TRichEdit::OnChange);
    ConvertSelectionCase(edit, TCaseConversion::AllUpper);
    EXPECT_EQ(edit.Text(), "x ISTANBUL S 😀 y");
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(edit.SelStart(), end - 2) << "after the converted text";
    EXPECT_EQ(edit.SelLength(), 0);
    edit.SetSelStart(5); // after "IST"
    EXPECT_TRUE(edit.SelAttributes().Bold);
    edit.SetSelStart(13); // after "S"
    EXPECT_FALSE(edit.SelAttributes().Bold);
    edit.Undo();
    EXPECT_EQ(edit.Text(), text);
    // Of one format throughout.
    setUtf8(edit, "\u0131\r\n\u017F \u0250");
    edit.SelectAll();
    ConvertSelectionCase(edit, TCaseConversion::AllUpper);
    EXPECT_EQ(edit.Text(), "I\r\nS \u2C6F");
    EXPECT_EQ(edit.SelStart(), 8);
}

TEST(UnicodeRegex, UtfModeInAUnicodeDocumentWithAnIllFormedByte) {
    TRichEdit edit;
    setUtf8(edit, "\xFF\xC3 café ΣΊΣΥΦΟΣ\r\n\xE2\x82x");
    const TRegexOptions utf{false, false, true};
    TRegexProblem problem;
    EXPECT_EQ(RegexSearchStep(edit, "σίσυφος", utf, problem), 9);
    EXPECT_EQ(edit.SelText(), "ΣΊΣΥΦΟΣ");
    EXPECT_EQ(RegexReplaceAll(edit, "\\w+", "<$0>", utf, problem), 3u);
    EXPECT_EQ(edit.Text(), "\xFF\xC3 <café> <ΣΊΣΥΦΟΣ>\r\n\xE2\x82<x>");
    // Empty matches step over whole characters and ill-formed bytes alike.
    setUtf8(edit, "é\xFF"
                  "b");
    EXPECT_EQ(RegexReplaceAll(edit, "x*", "-", utf, problem), 4u);
    EXPECT_EQ(edit.Text(), "-é-\xFF-b-");
    // Where a pattern goes wrong is told in characters.
    RegexSearchStep(edit, "éé)", utf, problem);
    EXPECT_EQ(problem.message, "At character 3: unmatched closing parenthesis");
}

TEST(UnicodeDialogs, FieldsKeepEveryCharacterAndGiveEachDocumentItsOwnBytes) {
    TReplaceDialog dialog(nullptr);
    dialog.SetFindText(QStringLiteral("Καλημέρα\u240D\u240A"));
    dialog.SetReplaceText(QStringLiteral("中文"));
    TRichEdit unicode;
    setUtf8(unicode, "x καλημέρα\r\ny");
    EXPECT_EQ(DialogFindNext(dialog, unicode), 2);
    EXPECT_EQ(unicode.SelLength(), 18);
    dialog.SetOptions(dialog.Options() | frReplaceAll);
    unicode.SetSelStart(0); // from the top
    DialogReplace(dialog, unicode);
    EXPECT_EQ(unicode.Text(), "x 中文y");
    // A Windows-1252 document gets "?" for what it cannot hold, as before.
    TRichEdit codePage;
    codePage.SetText("x ????????\r\ny");
    EXPECT_EQ(DialogFindNext(dialog, codePage), 2);
    codePage.SetSelStart(0);
    DialogReplace(dialog, codePage);
    EXPECT_EQ(codePage.Text(), "x ??y");
}

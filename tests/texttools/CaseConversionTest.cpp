#include "texttools/CaseConversion.h"

#include "framework/ui/RichEdit.h"

#include <QSignalSpy>
#include <QTextCursor>
#include <gtest/gtest.h>

namespace {

using C = TCaseConversion;

void select(TRichEdit& edit, int start, int length) {
    edit.SetSelStart(start);
    edit.SetSelLength(length);
}

bool boldAt(TRichEdit& edit, int position) {
    QTextCursor c(edit.document());
    c.setPosition(position + 1);
    return c.charFormat().fontWeight() == QFont::Bold;
}

} // namespace

TEST(CaseConversion, ConvertsByTheCodePageOrThePlainLetters) {
    struct Case {
        C conversion;
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {C::AllUpper, "hello world", "HELLO WORLD"},
        {C::InitialUpper, "hello world", "Hello world"},
        {C::Reverse, "hello world", "HELLO WORLD"},
        {C::Reverse, "Hello World 42", "hELLO wORLD 42"},
        {C::InitialUpper, " hello", " hello"},
        {C::InitialUpper, "\xE9t\xE9", "\xE9t\xE9"},
        {C::AllLower, "HELLO World", "hello world"},
        // Windows-1252 letters beyond ASCII: e acute, y diaeresis, s and z
        // caron, oe; sharp s, micro and the signs stay as they are.
        {C::AllUpper, "caf\xE9 \xFF\x9A\x9E\x9C \xDF\xB5\xF7\xAA",
         "CAF\xC9 \x9F\x8A\x8E\x8C \xDF\xB5\xF7\xAA"},
        {C::AllLower, "CAF\xC9 \x9F\x8A\x8E\x8C \xD7\xDE", "caf\xE9 \xFF\x9A\x9E\x9C \xD7\xFE"},
        {C::Reverse, "caf\xE9 \xC9", "CAF\xE9 \xC9"},
        // Line ends, NUL and controls are never touched.
        {C::AllUpper, "a\r\nb\rc\nd\x01", "A\r\nB\rC\nD\x01"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ConvertCase(c.in, c.conversion), c.out) << c.in;
    }
    EXPECT_EQ(ConvertCase(std::string("a\0b", 3), C::AllUpper), std::string("A\0B", 3));
}

TEST(CaseConversion, SelectionKeepsItsLineEndsAndFormatsAndUndoesAsOne) {
    TRichEdit edit;
    const std::string text = "x one\r\ntwo\rthree\nfour y";
    edit.SetText(text);
    QTextCursor c(edit.document());
    c.setPosition(2);
    c.setPosition(5, QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.mergeCharFormat(bold); // "one"
    QSignalSpy changes(&edit, &TRichEdit::OnChange);
    select(edit, 2, 20);
    ConvertSelectionCase(edit, C::AllUpper);
    EXPECT_EQ(edit.Text(), "x ONE\r\nTWO\rTHREE\nFOUR y");
    EXPECT_EQ(changes.size(), 1);
    EXPECT_TRUE(boldAt(edit, 2));
    EXPECT_FALSE(boldAt(edit, 8));
    // The caret at the old start plus the length, nothing selected.
    EXPECT_EQ(edit.SelStart(), 22);
    EXPECT_EQ(edit.SelLength(), 0);
    edit.Undo();
    EXPECT_EQ(edit.Text(), text);

    // Nothing selected, nothing to convert, or a read-only control: no change.
    changes.clear();
    edit.SetSelStart(4);
    ConvertSelectionCase(edit, C::AllUpper);
    EXPECT_EQ(edit.SelStart(), 4);
    select(edit, 0, 2);
    ConvertSelectionCase(edit, C::AllLower);
    EXPECT_EQ(edit.SelStart(), 2);
    edit.setReadOnly(true);
    select(edit, 0, 5);
    ConvertSelectionCase(edit, C::AllUpper);
    EXPECT_EQ(edit.Text(), text);
    EXPECT_EQ(changes.size(), 0);
}

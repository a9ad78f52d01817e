#include "framework/ui/RichEdit.h"

#include "framework/ui/LineLayout.h"
#include "tests/framework/EditControlTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {

std::string randomBytes(std::mt19937& rng, size_t size) {
    // Heavy on the bytes that matter: CR, LF, NUL, NBSP, controls.
    static const char special[] = {'\r', '\n', '\0', '\xA0', '\x81', '\x7F', '\t', '\x1B'};
    std::string s(size, '\0');
    for (char& c : s) {
        const unsigned r = rng() % 4;
        c = r == 0 ? special[rng() % sizeof special] : static_cast<char>(rng() % 256);
    }
    return s;
}

} // namespace

TEST(RichEdit, KeepsEveryByteOfWhatIsSet) {
    std::mt19937 rng(20261206);
    TRichEdit edit;
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    edit.SetText(all);
    EXPECT_EQ(edit.Text(), all);
    EXPECT_EQ(edit.TextLength(), 256);
    for (int round = 0; round < 200; ++round) {
        const std::string bytes = randomBytes(rng, rng() % 300);
        edit.SetText(bytes);
        ASSERT_EQ(edit.Text(), bytes) << "round " << round;
        ASSERT_EQ(edit.TextLength(), static_cast<int>(bytes.size()));
    }
    for (const std::string lineEnds : {"a\r\nb\rc\nd\r\r\n\n\re", "\r", "\n", "\r\n", "\n\r", ""}) {
        edit.SetText(lineEnds);
        EXPECT_EQ(edit.Text(), lineEnds);
    }
}

// In a code page every byte is a character: positions are taken as given,
// and undo steps back through every state the edits made.
TEST(RichEdit, EditsAtRandomPlacesAgreeWithAPlainString) {
    std::mt19937 rng(7);
    TRichEdit edit;
    std::string model = randomBytes(rng, 400);
    edit.SetText(model);
    std::vector<std::string> states{model};
    for (int round = 0; round < 300; ++round) {
        const int size = static_cast<int>(model.size());
        const int start = static_cast<int>(rng() % (size + 1));
        const int length = static_cast<int>(rng() % 12); // may reach past the end
        const int selected = std::min(length, size - start);
        const std::string insert = randomBytes(rng, rng() % 6);
        edit.SetSelStart(start);
        edit.SetSelLength(length);
        ASSERT_EQ(edit.SelStart(), start);
        ASSERT_EQ(edit.SelLength(), selected);
        ASSERT_EQ(edit.SelText(), model.substr(start, selected));
        edit.SetSelText(insert);
        model.replace(start, selected, insert);
        ASSERT_EQ(edit.Text(), model) << "round " << round;
        ASSERT_EQ(edit.SelStart(), start + static_cast<int>(insert.size()));
        ASSERT_EQ(edit.SelLength(), 0);
        if (model != states.back()) {
            states.push_back(model);
        }
    }
    undoThrough(edit, states);
}

TEST(RichEdit, PositionsCountBytesOnCrLfText) {
    TRichEdit edit;
    edit.SetText("one\r\ntwo\r\nthree");
    const int pos = edit.FindText("three", 0, -1, false, true);
    EXPECT_EQ(pos, 10);
    edit.SetSelStart(pos);
    edit.SetSelLength(5);
    EXPECT_EQ(edit.SelText(), "three");
    EXPECT_EQ(edit.CaretPos(), QPoint(5, 2));
    edit.SetSelStart(5);
    EXPECT_EQ(edit.CaretPos(), QPoint(0, 1));
    // Half a CR LF can be selected and replaced; the other half stays.
    edit.SetSelStart(3);
    edit.SetSelLength(1);
    EXPECT_EQ(edit.SelText(), "\r");
    edit.SetSelText("X");
    EXPECT_EQ(edit.Text(), "oneX\ntwo\r\nthree");
    EXPECT_EQ(edit.SelStart(), 4);
    EXPECT_EQ(edit.FindText("\n", 0, -1, false, true), 4);

    // In UTF-8 a column is a character, and a selection end inside one takes
    // in the whole of it.
    edit.SetEncoding(TEncoding::Utf8);
    edit.SetText("x\xC3\xB1\xCE\xA9\xF0\x9F\x98\x80"
                 "Caf\xC3\xA9\r");
    edit.SetSelStart(9);
    EXPECT_EQ(edit.CaretPos(), QPoint(4, 0));
    edit.SetSelStart(2);
    edit.SetSelLength(1);
    EXPECT_EQ(edit.SelStart(), 1);
    EXPECT_EQ(edit.SelLength(), 2);
    // A line end put after a lone CR makes it a CR LF, shown as one break.
    edit.SetSelStart(edit.TextLength());
    const size_t lines = edit.Layout().LineCount();
    edit.SetSelText("\n");
    EXPECT_EQ(edit.Text().substr(edit.Text().size() - 2), "\r\n");
    EXPECT_EQ(edit.Layout().LineCount(), lines);
}

TEST(RichEdit, FindTextHonoursRangeCaseAndWholeWords) {
    TRichEdit edit;
    edit.SetText("caf\xE9 CAF\xC9 cafe_ caf\xE9s \xC9t\xE9");
    EXPECT_EQ(edit.FindText("CAF\xC9", 0, -1, false, true), 5);
    EXPECT_EQ(edit.FindText("caf\xE9", 1, -1, false, false), 5);
    EXPECT_EQ(edit.FindText("\xE9t\xE9", 0, -1, false, false), 22);
    EXPECT_EQ(edit.FindText("cafe", 0, -1, true, false), -1) << "cafe_ is not a whole word";
    EXPECT_EQ(edit.FindText("caf\xE9", 6, -1, true, false), -1) << "caf\xE9s is not either";
    EXPECT_EQ(edit.FindText("caf\xE9", 6, -1, false, false), 16);
    // The match must start inside [start, start + length), and may run past it.
    EXPECT_EQ(edit.FindText("CAF", 0, 5, false, true), -1);
    EXPECT_EQ(edit.FindText("CAF", 0, 6, false, true), 5);
    EXPECT_EQ(edit.FindText("", 0, -1, false, true), -1);
    EXPECT_EQ(edit.FindText("x", 100, -1, false, true), -1);
}

TEST(RichEdit, WholeTextReplacementsUndoInOneStep) {
    TRichEdit edit;
    edit.SetText("first\r\nline\rmixed\n");
    edit.SetSelStart(3);
    edit.SetSelText("++");
    const std::string before = edit.Text();
    edit.SetText("replaced entirely");
    edit.Clear();
    EXPECT_EQ(edit.Text(), "");
    ASSERT_TRUE(edit.CanUndo());
    edit.Undo();
    EXPECT_EQ(edit.Text(), "replaced entirely");
    edit.Undo();
    EXPECT_EQ(edit.Text(), before);
    edit.Undo();
    EXPECT_EQ(edit.Text(), "first\r\nline\rmixed\n");
    for (const std::string& again : {before, std::string("replaced entirely"), std::string()}) {
        edit.Redo(); // each is done again the same way
        EXPECT_EQ(edit.Text(), again);
    }
    EXPECT_FALSE(edit.CanRedo());
    // Back and forth again: each whole text passed back holds its bytes.
    edit.Undo();
    edit.Undo();
    EXPECT_EQ(edit.Text(), before);
    edit.Redo();
    EXPECT_EQ(edit.Text(), "replaced entirely");
    edit.Undo();
    EXPECT_EQ(edit.Text(), before);

    // The whole text overwritten by as many bytes: one step, and each byte
    // and line keeps its format and alignment, undone and redone.
    edit.SetText("ab\r\ncd");
    edit.SetSelStart(0);
    edit.SetSelLength(1);
    TFont bold = edit.SelAttributes();
    bold.Bold = true;
    edit.SetSelAttributes(bold);
    edit.SetSelStart(5);
    edit.SetParagraphAlignment(TParaAlignment::Right);
    const auto expectKept = [&](const char* text) {
        EXPECT_EQ(edit.Text(), text);
        const std::pair<int, bool> bolds[] = {{1, true}, {2, false}};
        for (const auto& [at, isBold] : bolds) {
            edit.SetSelStart(at);
            EXPECT_EQ(edit.SelAttributes().Bold, isBold) << text << " " << at;
        }
        edit.SetSelStart(0);
        EXPECT_EQ(edit.ParagraphAlignment(), TParaAlignment::Left) << text;
        edit.SetSelStart(5);
        EXPECT_EQ(edit.ParagraphAlignment(), TParaAlignment::Right) << text;
    };
    edit.SelectAll();
    edit.OverwriteSelection("AB\r\nCD");
    EXPECT_EQ(edit.SelStart(), 6);
    expectKept("AB\r\nCD");
    edit.Undo();
    expectKept("ab\r\ncd");
    edit.Redo();
    expectKept("AB\r\nCD");
}

TEST(RichEdit, ReportsRealChangesOnly) {
    TRichEdit edit;
    QSignalSpy changes(&edit, &TRichEdit::OnChange);
    QSignalSpy formats(&edit, &TRichEdit::OnFormatChange);
    edit.Clear();
    EXPECT_EQ(changes.count(), 0) << "clearing an empty control changes nothing";
    edit.AppendLoaded("loaded\r\ntext");
    EXPECT_EQ(changes.count(), 0) << "a load is not a change";
    EXPECT_FALSE(edit.CanUndo()) << "nor can it be undone";
    edit.SetText("loaded\r\ntext");
    EXPECT_EQ(changes.count(), 0) << "the same text again";
    edit.SetSelStart(0);
    edit.SetSelText("x");
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(formats.count(), 0) << "typing is no change of format";

    // Formats: reported when something changes, as a change of format only.
    TFont bold;
    bold.Bold = true;
    const std::pair<std::function<void()>, int> steps[] = {
        {[&] { edit.SelectAll(); }, 0},
        {[&] { edit.SetParagraphAlignment(TParaAlignment::Center); }, 1},
        {[&] { edit.SetParagraphAlignment(TParaAlignment::Center); }, 0}, // already centred
        {[&] { edit.SetSelStart(2); }, 0},
        {[&] { edit.SetSelAttributes(bold); }, 0}, // only what is typed next
        {[&] { edit.SetSelLength(3); }, 0},
        {[&] { edit.SetSelAttributes(bold); }, 1},
        {[&] { edit.SetSelAttributes(bold); }, 0},         // already bold
        {[&] { edit.Undo(); }, 1},                         // the bold comes off again
        {[&] { edit.SetRtfText("{\\rtf1\\qr new}"); }, 0}, // a change of text
        {[&] { edit.LoadFromFile("/nonexistent"); }, 0}};
    int index = 0;
    for (const auto& [step, reported] : steps) {
        SCOPED_TRACE(index++);
        formats.clear();
        try {
            step();
        } catch (const std::exception&) {
        }
        EXPECT_EQ(formats.count(), reported);
    }
    EXPECT_EQ(changes.count(), 2) << "formats are not text";
    edit.Clear();
    EXPECT_EQ(changes.count(), 3);
}

TEST(RichEdit, UnrepresentableInputBecomesQuestionMarksAndControlKeysTypeNothing) {
    TRichEdit edit;
    edit.show();
    // Esc and other keys whose text is a control character type nothing; Tab
    // types itself.
    for (const auto& [key, typed] :
         {std::pair{0, QStringLiteral(u"\u00e9")}, std::pair{0, QStringLiteral(u"\u4e2d")},
          std::pair{int(Qt::Key_Escape), QStringLiteral("\x1b")},
          std::pair{0, QStringLiteral("\x07\x1c")},
          std::pair{int(Qt::Key_Tab), QStringLiteral("\t")},
          std::pair{0, QStringLiteral(u"\u009b")}, std::pair{0, QStringLiteral(u"\u20ac")}}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, typed);
        QApplication::sendEvent(&edit, &press);
    }
    EXPECT_EQ(edit.Text(), "\xE9?\t\x80");
    auto* mime = new QMimeData;
    mime->setText(QStringLiteral(u"\u03a9 1\r\n2\u2029\u2400"));
    QApplication::clipboard()->setMimeData(mime);
    edit.SetText("p\r\n");
    edit.SetSelStart(1);
    edit.PasteFromClipboard();
    // Pasted breaks take the text's own line end; a NUL picture is a NUL.
    EXPECT_EQ(edit.Text(), std::string("p? 1\r\n2\r\n\0\r\n", 12));
    // So do typed ones, in a loaded text too.
    edit.Clear();
    edit.AppendLoaded("a\r\nb\nc");
    edit.SetSelStart(1);
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(edit.Text(), "a\r\n\r\nb\nc");
}

TEST(RichEdit, AlignsOnlyTheParagraphsTheSelectionTouches) {
    TRichEdit edit;
    edit.SetText("one\r\ntwo\r\nthree\r\nfour\r\nfive");
    edit.SetSelStart(6);   // inside "two"
    edit.SetSelLength(10); // into "four"
    edit.SetParagraphAlignment(TParaAlignment::Right);
    using A = TParaAlignment;
    const std::pair<int, A> expected[] = {{0, A::Left},
                                          {5, A::Right},
                                          {10, A::Right},
                                          {17, A::Right},
                                          {23, A::Left}}; // paragraph starts
    for (const auto& [start, alignment] : expected) {
        edit.SetSelStart(start);
        EXPECT_EQ(edit.ParagraphAlignment(), alignment) << start;
    }
    EXPECT_EQ(edit.Text(), "one\r\ntwo\r\nthree\r\nfour\r\nfive");
    edit.Undo(); // one step, back to left everywhere
    for (const auto& [start, alignment] : expected) {
        edit.SetSelStart(start);
        EXPECT_EQ(edit.ParagraphAlignment(), TParaAlignment::Left) << start;
    }
}

TEST(RichEdit, SelectionAttributesApplyToTheSelectionOnly) {
    TRichEdit edit;
    edit.SetText("plain bold plain");
    edit.SetSelStart(6);
    edit.SetSelLength(4);
    TFont font;
    font.Name = "Courier";
    font.Size = 14;
    font.Bold = true;
    font.Color = 0xFF0000;
    edit.SetSelAttributes(font);
    const TFont got = edit.SelAttributes();
    EXPECT_TRUE(got.Bold);
    EXPECT_EQ(got.Size, 14);
    EXPECT_EQ(got.Color, 0xFF0000u);
    edit.SetSelStart(2);
    EXPECT_FALSE(edit.SelAttributes().Bold);
    edit.SetSelStart(16);
    EXPECT_FALSE(edit.SelAttributes().Bold);
    EXPECT_EQ(edit.Text(), "plain bold plain");
    edit.Undo(); // one step
    edit.SetSelStart(10);
    EXPECT_FALSE(edit.SelAttributes().Bold);
    EXPECT_EQ(edit.Text(), "plain bold plain");
}

// The layout's lines stay the text's, whatever the keys do to it: typing,
// deleting, cutting, undoing.
TEST(RichEdit, LayoutStaysInStepWithEditsByKey) {
    std::mt19937 rng(99);
    TRichEdit edit;
    edit.show();
    edit.AppendLoaded(randomBytes(rng, 600));
    for (int round = 0; round < 400; ++round) {
        const int size = edit.TextLength();
        edit.SetSelStart(static_cast<int>(rng() % (size + 1)));
        if (rng() % 3 == 0) {
            edit.SetSelLength(static_cast<int>(rng() % 8));
        }
        switch (rng() % 6) {
        case 0:
            QTest::keyClick(&edit, static_cast<char>('a' + rng() % 26));
            break;
        case 1:
            QTest::keyClick(&edit, Qt::Key_Backspace);
            break;
        case 2:
            QTest::keyClick(&edit, Qt::Key_Delete);
            break;
        case 3:
            edit.CutToClipboard();
            break;
        case 4:
            edit.Undo();
            break;
        default:
            QTest::keyClick(&edit, Qt::Key_Return);
            break;
        }
        const std::string& text = edit.Text();
        size_t lines = 1; // a line end of each kind ends one
        for (size_t i = 0; i < text.size(); ++i) {
            lines += text[i] == '\n' || (text[i] == '\r' && text.compare(i, 2, "\r\n") != 0);
        }
        ASSERT_EQ(edit.Layout().LineCount(), lines) << "round " << round;
    }
}

namespace {
// Where the first line of a paragraph starts and ends in the document, as laid out.
std::pair<double, double> lineSpan(TRichEdit& edit, size_t paragraph) {
    QCoreApplication::processEvents();
    TLineLayout& layout = edit.Layout();
    const TLinePos start{paragraph, 0};
    return {layout.CaretRect(start).left(), layout.CaretRect(layout.VisualLineEnd(start)).left()};
}
} // namespace

TEST(RichEdit, AlignsWithoutWrapWithinTheVisibleWidthOrTheLongestLine) {
    TRichEdit edit;
    edit.resize(400, 200);
    edit.show();
    ASSERT_FALSE(edit.WordWrap());
    edit.SetText("short\nmiddle line\nend");
    const double margin = edit.Layout().Margin();
    // The middle and the right edge of the width lines are aligned in.
    auto middle = [&] { return margin + (edit.viewport()->width() - 2 * margin) / 2; };
    auto centre = [&](int p) { return (lineSpan(edit, p).first + lineSpan(edit, p).second) / 2; };
    auto rightEnd = [&](int p) { return lineSpan(edit, p).second; };

    edit.SetSelStart(0);
    edit.SetParagraphAlignment(TParaAlignment::Center);
    edit.SetSelStart(7);
    edit.SetParagraphAlignment(TParaAlignment::Right);
    EXPECT_NEAR(centre(0), middle(), 1) << "centred in the visible width";
    EXPECT_NEAR(rightEnd(1), 2 * middle() - margin, 1) << "right-aligned";
    EXPECT_NEAR(lineSpan(edit, 2).first, margin, 1) << "left as it was";

    // A line longer than the control sets the width: it starts at the left
    // edge and the others align with it.
    edit.SetSelStart(edit.TextLength());
    edit.SetSelText("\n" + std::string(300, 'W'));
    const auto [longLeft, longRight] = lineSpan(edit, 3);
    ASSERT_GT(longRight, 2 * middle());
    EXPECT_NEAR(longLeft, margin, 1);
    EXPECT_NEAR(centre(0), (longLeft + longRight) / 2, 1);
    EXPECT_NEAR(rightEnd(1), longRight, 1);
    EXPECT_GT(edit.horizontalScrollBar()->maximum(), 0) << "the long line can be scrolled to";

    // Once it is gone the visible width counts again, also after a resize
    // and a round of wrap on and off.
    edit.SetSelStart(20);
    edit.SetSelLength(edit.TextLength());
    edit.SetSelText("");
    EXPECT_NEAR(centre(0), middle(), 1);
    edit.resize(300, 200);
    edit.SetWordWrap(true);
    edit.SetWordWrap(false);
    EXPECT_NEAR(rightEnd(1), 2 * middle() - margin, 1);

    // A centred rich text shows centred as it opens.
    edit.SetRtfText("{\\rtf1\\pard\\qc centred\\par}");
    EXPECT_NEAR(centre(0), middle(), 1);
}

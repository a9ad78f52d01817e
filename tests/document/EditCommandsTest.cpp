#include "TestFrame.h"

#include <QApplication>
#include <QClipboard>
#include <QTextBlock>

namespace {
std::string clipboardText() {
    return QApplication::clipboard()->text().toStdString();
}

void select(TRichEdit& edit, int start, int length) {
    edit.SetSelStart(start);
    edit.SetSelLength(length);
}
} // namespace

TEST_F(DocumentTest, ClipboardCommands) {
    TfrmNew* window = frame.Files.FileNew();
    TRichEdit& edit = window->Edit1();
    edit.SetText("alpha beta");
    QApplication::clipboard()->setText(QStringLiteral("before"));

    // Cut with nothing selected touches neither the clipboard nor the text.
    edit.SetSelStart(3);
    frame.Edits.Cut(*window);
    EXPECT_EQ(clipboardText(), "before");
    EXPECT_EQ(edit.Text(), "alpha beta");

    select(edit, 0, 6);
    frame.Edits.Cut(*window);
    EXPECT_EQ(clipboardText(), "alpha ");
    EXPECT_EQ(edit.Text(), "beta");
    EXPECT_EQ(edit.SelLength(), 0);

    edit.SetSelStart(4);
    frame.Edits.Paste(*window);
    EXPECT_EQ(edit.Text(), "betaalpha ");

    select(edit, 0, 4);
    frame.Edits.Copy(*window);
    EXPECT_EQ(clipboardText(), "beta");
    EXPECT_EQ(edit.Text(), "betaalpha ");

    frame.Edits.SelectAll(*window);
    EXPECT_EQ(edit.SelStart(), 0);
    EXPECT_EQ(edit.SelLength(), edit.TextLength());
}

TEST_F(DocumentTest, UndoOnlyWhenTheControlCan) {
    TfrmNew* window = frame.Files.FileNew();
    TRichEdit& edit = window->Edit1();
    frame.Edits.Undo(*window);
    EXPECT_EQ(edit.Text(), "");
    edit.SetText("first");
    edit.SetSelStart(5);
    edit.SetSelText(" second");
    frame.Edits.Undo(*window);
    EXPECT_EQ(edit.Text(), "first");
}

TEST_F(DocumentTest, AlignmentTouchesOnlyTheSelectedParagraphs) {
    TfrmNew* window = frame.Files.FileNew();
    TRichEdit& edit = window->Edit1();
    edit.SetText("p1\np2\np3\np4\np5");
    select(edit, 4, 6); // from inside p2 into p4
    frame.Edits.Align(*window, TParaAlignment::Center);
    QTextBlock block = edit.document()->begin();
    const Qt::Alignment expected[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignHCenter,
                                      Qt::AlignHCenter, Qt::AlignLeft};
    for (int i = 0; i < 5; ++i, block = block.next()) {
        ASSERT_TRUE(block.isValid());
        EXPECT_EQ(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                  expected[i] & Qt::AlignHorizontal_Mask)
            << "paragraph " << i + 1;
    }
    edit.SetSelStart(0);
    frame.Edits.Align(*window, TParaAlignment::Right);
    EXPECT_EQ(edit.ParagraphAlignment(), TParaAlignment::Right);
}

TEST_F(DocumentTest, SetFontOffersTheBaseFontAndChangesOnlyTheSelection) {
    TfrmNew* window = frame.Files.FileNew();
    TRichEdit& edit = window->Edit1();
    edit.SetText("one two three");
    EXPECT_EQ(frame.Edits.FontDialog1.Name, "MS Sans Serif");
    EXPECT_EQ(frame.Edits.FontDialog1.Height(), -11);

    TFont chosen;
    chosen.Name = "DejaVu Serif";
    chosen.Size = 20;
    chosen.Bold = true;
    chosen.Color = 0xff0000;
    select(edit, 4, 9); // "two three"
    seam->fontAnswers.push_back(chosen);
    frame.Edits.SetFont(*window, &frame);
    const auto dialogs = seam->CallsOf(TScriptedPlatform::Call::Kind::FontDialog);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].font, edit.BaseFont()) << "the control's own font is offered";

    select(edit, 5, 1);
    EXPECT_TRUE(edit.SelAttributes().Bold);
    EXPECT_EQ(edit.SelAttributes().Color, 0xff0000u);
    select(edit, 1, 1);
    EXPECT_FALSE(edit.SelAttributes().Bold);

    // Cancel changes nothing.
    select(edit, 0, 3);
    seam->fontAnswers.push_back(std::nullopt);
    frame.Edits.SetFont(*window, &frame);
    EXPECT_FALSE(edit.SelAttributes().Bold);
}

TEST_F(DocumentTest, PrintUsesTheJobTitleTitleAndReportsFailure) {
    TfrmNew* window = frame.Files.FileNew();
    window->Edit1().SetText("to paper");
    frame.Edits.Print(*window);
    auto prints = seam->CallsOf(TScriptedPlatform::Call::Kind::Print);
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0].title, QStringLiteral("Title"));

    seam->printSucceeds = false;
    seam->messageAnswers.push_back(TModalResult::Ok);
    Run([&] { frame.Edits.Print(*window); });
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].icon, TMsgIcon::Stop);
}

TEST_F(DocumentTest, WordWrapSwitchesTheWindowsControl) {
    TfrmNew* window = frame.Files.FileNew();
    EXPECT_FALSE(window->Edit1().WordWrap());
    frame.Edits.SetWordWrap(*window, true);
    EXPECT_TRUE(window->Edit1().WordWrap());
    frame.Edits.SetWordWrap(*window, false);
    EXPECT_FALSE(window->Edit1().WordWrap());
}

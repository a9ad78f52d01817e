#include "TestFrame.h"

#include <QApplication>
#include <QClipboard>
#include <QTextBlock>

namespace {
void select(TRichEdit& edit, int start, int length) {
    edit.SetSelStart(start);
    edit.SetSelLength(length);
}
} // namespace

TEST_F(DocumentTest, ClipboardSelectAllAndUndo) {
    TfrmNew* window = frame.Files.FileNew();
    TRichEdit& edit = window->Edit1();
    frame.Edits.Undo(*window);
    EXPECT_EQ(edit.Text(), "") << "nothing to undo: nothing happens";
    edit.SetText("alpha beta");
    QApplication::clipboard()->setText(QStringLiteral("before"));

    // Cut with nothing selected touches neither the clipboard nor the text.
    edit.SetSelStart(3);
    frame.Edits.Cut(*window);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    EXPECT_EQ(edit.Text(), "alpha beta");

    select(edit, 0, 6);
    frame.Edits.Cut(*window);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("alpha "));
    EXPECT_EQ(edit.Text(), "beta");

    select(edit, 0, 4);
    frame.Edits.Copy(*window);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("beta"));
    edit.SetSelStart(4);
    frame.Edits.Paste(*window);
    EXPECT_EQ(edit.Text(), "betabeta");
    frame.Edits.Undo(*window);
    EXPECT_EQ(edit.Text(), "beta");

    frame.Edits.SelectAll(*window);
    EXPECT_EQ(edit.SelStart(), 0);
    EXPECT_EQ(edit.SelLength(), edit.TextLength());
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
}

TEST_F(DocumentTest, SetFontOffersTheBaseFontAndChangesOnlyTheSelection) {
    TfrmNew* window = frame.Files.FileNew();
    TRichEdit& edit = window->Edit1();
    edit.SetText("one two three");

    TFont chosen;
    chosen.Name = "DejaVu Serif";
    chosen.Bold = true;
    chosen.Color = 0xff0000;
    select(edit, 4, 9); // "two three"
    seam->fontAnswers.push_back(chosen);
    frame.Edits.SetFont(*window, &frame);
    const auto dialogs = seam->CallsOf(TCall::Kind::FontDialog);
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

TEST_F(DocumentTest, PrintUsesTheJobTitleTitleAndSaysWhyNothingCameOut) {
    TfrmNew* window = frame.Files.FileNew();
    window->Edit1().SetText("to paper");
    frame.Edits.Print(*window);
    const auto prints = seam->CallsOf(TCall::Kind::Print);
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0].text, QStringLiteral("to paper"));
    EXPECT_EQ(prints[0].title, QStringLiteral("Title"));
    EXPECT_TRUE(Messages().empty());

    // No printer: said so, and nothing is sent.
    seam->printerAvailable = false;
    seam->messageAnswers.push_back(TModalResult::Ok);
    Run([&] { frame.Edits.Print(*window); });
    EXPECT_EQ(OnlyMessage().text, QStringLiteral("No printer is available."));
    EXPECT_EQ(OnlyMessage().icon, TMsgIcon::Stop);
    EXPECT_EQ(seam->CallsOf(TCall::Kind::Print).size(), 1u);

    // A job that cannot start: the system's reason.
    seam->calls.clear();
    seam->printerAvailable = true;
    seam->printFailure = QStringLiteral("The printer is out of paper");
    seam->messageAnswers.push_back(TModalResult::Ok);
    Run([&] { frame.Edits.Print(*window); });
    EXPECT_EQ(OnlyMessage().text, QStringLiteral("The printer is out of paper."));
}

TEST_F(DocumentTest, FormatChangesMarkTheDocumentChangedSoClosingAsks) {
    const std::string path = Path("plain.txt");
    WriteFile(path, "one two");
    TfrmNew* window = Open(path, ftText);
    TRichEdit& edit = window->Edit1();
    TFont bold;
    bold.Bold = true;

    // Changes that change nothing leave it unchanged.
    frame.Edits.Align(*window, TParaAlignment::Left);
    edit.SetSelStart(3);
    seam->fontAnswers.push_back(bold);
    frame.Edits.SetFont(*window, &frame); // at the caret: only for what is typed next
    EXPECT_EQ(Flag(window), "false");

    frame.Edits.Align(*window, TParaAlignment::Right);
    EXPECT_EQ(Flag(window), "true");
    frame.Files.FileSave(*window);
    EXPECT_EQ(Flag(window), "false");
    select(edit, 0, 3);
    seam->fontAnswers.push_back(bold);
    frame.Edits.SetFont(*window, &frame);
    EXPECT_EQ(Flag(window), "true");

    seam->messageAnswers.push_back(TModalResult::Cancel);
    EXPECT_FALSE(window->close()) << "the format would be lost";
    EXPECT_EQ(OnlyMessage().title, QStringLiteral("ATTENTION!"));
}

#include "TestFrame.h"

TEST_F(DocumentTest, SetFontOffersTheBaseFontAndCancelChangesNothing) {
    TfrmNew* window = frame.Files.FileNew();
    TRichEdit& edit = window->Edit1();
    edit.SetText("one two");
    edit.SelectAll();
    TFont chosen;
    chosen.Bold = true;
    seam->fontAnswers = {std::nullopt, chosen};
    frame.Edits.SetFont(*window, &frame);
    EXPECT_FALSE(edit.SelAttributes().Bold);
    frame.Edits.SetFont(*window, &frame);
    EXPECT_TRUE(edit.SelAttributes().Bold);
    const auto dialogs = seam->CallsOf(TCall::Kind::FontDialog);
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[1].font, edit.BaseFont()) << "the control's own font is offered";
}

TEST_F(DocumentTest, PrintUsesTheJobTitleTitleAndSaysWhyNothingCameOut) {
    TfrmNew* window = frame.Files.FileNew();
    window->Edit1().SetText("to paper");
    frame.Edits.Print(*window);
    const auto prints = seam->CallsOf(TCall::Kind::Print);
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0].text + prints[0].title, QStringLiteral("to paperTitle"));

    // No printer, or a job that cannot start: said so (the system's reason), nothing sent.
    seam->printerAvailable = false;
    seam->messageAnswers = {TModalResult::Ok, TModalResult::Ok};
    Run([&] { frame.Edits.Print(*window); });
    seam->printerAvailable = true;
    seam->printFailure = QStringLiteral("The printer is out of paper");
    Run([&] { frame.Edits.Print(*window); });
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[0].text, QStringLiteral("No printer is available."));
    EXPECT_EQ(Messages()[0].icon, TMsgIcon::Stop);
    EXPECT_EQ(Messages()[1].text, QStringLiteral("The printer is out of paper."));
    EXPECT_EQ(seam->CallsOf(TCall::Kind::Print).size(), 2u);
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
    seam->fontAnswers = {bold, bold};
    frame.Edits.SetFont(*window, &frame); // at the caret: only for what is typed next
    EXPECT_EQ(Flag(window), "false");

    frame.Edits.Align(*window, TParaAlignment::Right);
    EXPECT_EQ(Flag(window), "true");
    frame.Files.FileSave(*window);
    EXPECT_EQ(Flag(window), "false");
    edit.SetSelStart(0);
    edit.SetSelLength(3);
    frame.Edits.SetFont(*window, &frame);
    EXPECT_EQ(Flag(window), "true");

    seam->messageAnswers.push_back(TModalResult::Cancel);
    EXPECT_FALSE(window->close()) << "the format would be lost";
    EXPECT_EQ(OnlyMessage().title, QStringLiteral("ATTENTION!"));
}

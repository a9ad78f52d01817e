#include "TestFrame.h"

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

TEST_F(DocumentTest, FormatChangesMarkTheDocumentChangedSoClosingAsksAndCancelChangesNothing) {
    const std::string path = Path("plain.txt");
    WriteFile(path, "one two");
    TfrmNew* window = Open(path, ftText);
    TRichEdit& edit = window->Edit1();
    TFont bold;
    bold.Bold = true;

    // Changes that change nothing leave it unchanged, a cancelled font dialog too.
    frame.Edits.Align(*window, TParaAlignment::Left);
    edit.SetSelStart(3);
    seam->fontAnswers = {bold, std::nullopt, bold};
    frame.Edits.SetFont(*window, &frame); // at the caret: only for what is typed next
    edit.SetSelStart(0);
    edit.SetSelLength(3);
    frame.Edits.SetFont(*window, &frame);
    EXPECT_FALSE(edit.SelAttributes().Bold);
    EXPECT_EQ(Flag(window), "false");
    // the control's own font is offered
    EXPECT_EQ(seam->CallsOf(TCall::Kind::FontDialog)[1].font, edit.BaseFont());

    frame.Edits.Align(*window, TParaAlignment::Right);
    EXPECT_EQ(Flag(window), "true");
    frame.Files.FileSave(*window);
    EXPECT_EQ(Flag(window), "false");
    edit.SetSelStart(0);
    edit.SetSelLength(3);
    frame.Edits.SetFont(*window, &frame);
    EXPECT_TRUE(edit.SelAttributes().Bold);
    EXPECT_EQ(Flag(window), "true");

    seam->messageAnswers.push_back(TModalResult::Cancel);
    EXPECT_FALSE(window->close()) << "the format would be lost";
    EXPECT_EQ(OnlyMessage().title, QStringLiteral("ATTENTION!"));
}

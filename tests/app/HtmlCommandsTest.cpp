#include "MainFormTest.h"

TEST_F(MainFormTest, TagButtonsAndSetAsHtmlWriteIntoTheActiveDocument) {
    TfrmNew* window = OpenWindows(1)[0];
    TRichEdit& edit = window->Edit1();
    const std::pair<int, const char*> buttons[] = {
        {112, "<p></p>"},        {113, "<br>"},    {114, "&nbsp;"},  {115, "<center></center>"},
        {116, "<b></b>"},        {117, "<i></i>"}, {118, "<u></u>"}, {119, "<a href=\"\"></a>"},
        {120, "<img src=\"\">"},
    };
    std::string expected;
    for (const auto& [number, text] : buttons) {
        edit.SetSelStart(edit.TextLength());
        Click(number);
        expected += text;
        EXPECT_EQ(edit.Text(), expected) << number;
    }
    EXPECT_EQ(edit.SelStart(), static_cast<int>(expected.size()) - 2); // inside src=""
    EXPECT_EQ(Flag(window), "true");
    EXPECT_EQ(form.CurrentDocument.data(), window);
    for (const char* item : {"SetasHTML1", "SetasHTML2"}) {
        edit.SetText("anything");
        Trigger(item);
        EXPECT_EQ(edit.Text(), "<html>\n<body>\n</body>\n</html>") << item;
    }
}

TEST_F(MainFormTest, ColourFontAndHighlightAskThenInsertAndCancelLeavesTheText) {
    const QList<TfrmNew*> windows = OpenWindows(2);
    TRichEdit& edit = windows[1]->Edit1();
    edit.SetText("pick word");
    edit.SetSelStart(5);
    edit.SetSelLength(4);
    seam->colorAnswers.push_back(0x00FF00);
    Click(121);
    EXPECT_EQ(edit.Text(), "pick #00FF00");
    EXPECT_EQ(edit.SelStart(), 12);

    // The colour dialog opens with the colour chosen last; cancelled, it
    // leaves the text, though the window was taken as the current one.
    form.CurrentDocument = windows[0];
    seam->colorAnswers.push_back(std::nullopt);
    Click(123);
    EXPECT_EQ(seam->CallsOf(TCall::Kind::ColorDialog).back().color, 0x00FF00u);
    EXPECT_EQ(edit.Text(), "pick #00FF00");
    EXPECT_EQ(form.CurrentDocument.data(), windows[1]);

    seam->colorAnswers.push_back(0xFFFF00);
    Click(123);
    EXPECT_EQ(edit.Text(), "pick #00FF00<span style=\"background-color: #FFFF00\"></span>");
    EXPECT_EQ(edit.Text().substr(static_cast<size_t>(edit.SelStart())), "</span>");

    // The font dialog comes first: cancelled, nothing else happens.
    form.CurrentDocument = windows[0];
    seam->fontAnswers.push_back(std::nullopt);
    Click(122);
    EXPECT_EQ(form.CurrentDocument.data(), windows[0]);
    TFont arial;
    arial.Name = "Arial";
    arial.Size = 12;
    arial.Color = 0xFF0000;
    seam->fontAnswers.push_back(arial);
    edit.SetText("");
    Click(122);
    EXPECT_EQ(edit.Text(), "<font face=\"Arial\" size=\"3\" color=\"#FF0000\"></font>");
    EXPECT_EQ(edit.SelStart(), edit.TextLength() - 7);
    EXPECT_EQ(form.CurrentDocument.data(), windows[1]);
    // Set Font and the font tag share the dialog: it opens with what it holds.
    seam->fontAnswers.push_back(std::nullopt);
    Click(122);
    EXPECT_EQ(seam->CallsOf(TCall::Kind::FontDialog).back().font.Name, "Arial");
}

TEST_F(MainFormTest, TagCommandsDoNothingOnReadOnlyOrClosedWindows) {
    TfrmNew* window = OpenWindows(1)[0];
    window->Edit1().SetText("fixed");
    window->Edit1().setReadOnly(true);
    const std::vector<TMainForm::THandler> commands = {&TMainForm::Paragraph,
                                                       &TMainForm::Break,
                                                       &TMainForm::Space,
                                                       &TMainForm::Center,
                                                       &TMainForm::Link,
                                                       &TMainForm::Image,
                                                       &TMainForm::Bold,
                                                       &TMainForm::Italic,
                                                       &TMainForm::UnderLine,
                                                       &TMainForm::Color,
                                                       &TMainForm::SetWebFont,
                                                       &TMainForm::Highlight,
                                                       &TMainForm::SetasHTML1Click,
                                                       &TMainForm::AllUpperCase1Click,
                                                       &TMainForm::ReplaceDialogReplace};
    window->Edit1().SelectAll();
    for (const TMainForm::THandler command : commands) {
        (form.*command)(); // no dialog is shown: the seam would report it
    }
    EXPECT_EQ(window->Edit1().Text(), "fixed");
    EXPECT_TRUE(seam->calls.empty());

    // Closed, not yet destroyed, then gone: nothing happens, nothing crashes.
    window->Edit1().setReadOnly(false);
    window->SetChanged(false);
    window->close();
    for (int round = 0; round < 2; ++round) {
        for (const TMainForm::THandler command : commands) {
            (form.*command)();
        }
        FlushDeletes();
    }
    EXPECT_TRUE(seam->calls.empty());
    EXPECT_FALSE(Button(112)->isEnabled());
    EXPECT_FALSE(Action("SetasHTML1")->isEnabled());
}

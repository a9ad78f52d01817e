#include "MainFormTest.h"

TEST_F(MainFormTest, WebButtonsAskForColourAndFontAndCancelLeavesTheText) {
    const QList<TfrmNew*> windows = OpenWindows(2);
    TRichEdit& edit = windows[1]->Edit1();
    for (int number = 112; number <= 120; ++number) { // the nine tag buttons
        Click(number);
    }
    EXPECT_EQ(edit.Text(), "<p><br>&nbsp;<center><b><i><u><a href=\"<img src=\"\">\"></a></u></i>"
                           "</b></center></p>");
    QCoreApplication::processEvents();
    EXPECT_EQ(windows[1]->Label1().text(), QStringLiteral("Cursor: 50,1")) << "it follows tags";
    for (const char* item : {"SetasHTML1", "SetasHTML2"}) {
        edit.SetText("anything");
        Trigger(item);
        EXPECT_EQ(edit.Text(), "<html>\n<body>\n</body>\n</html>") << item;
    }
    edit.SetText("pick word");
    edit.SetSelStart(5);
    edit.SetSelLength(4);
    seam->colorAnswers = {0x00FF00, std::nullopt, 0xFFFF00};
    Click(121);
    EXPECT_EQ(edit.Text(), "pick #00FF00");
    // Cancelled, the colour dialog (opening with the colour chosen last)
    // leaves the text, though the window was taken as the current one.
    form.CurrentDocument = windows[0];
    Click(123);
    EXPECT_EQ(seam->CallsOf(TCall::Kind::ColorDialog).back().color, 0x00FF00u);
    EXPECT_EQ(form.CurrentDocument.data(), windows[1]);
    Click(123);
    EXPECT_EQ(edit.Text(), "pick #00FF00<span style=\"background-color: #FFFF00\"></span>");
    EXPECT_EQ(edit.SelStart(), edit.TextLength() - 7);

    // The font dialog comes first: cancelled, CurrentDocument is not touched.
    form.CurrentDocument = windows[0];
    TFont arial;
    arial.Name = "Arial";
    arial.Size = 36;
    seam->fontAnswers = {std::nullopt, arial};
    Click(122);
    EXPECT_EQ(form.CurrentDocument.data(), windows[0]);
    edit.SetText("");
    Click(122);
    EXPECT_EQ(edit.Text(), "<font face=\"Arial\" size=\"9\" color=\"#000000\"></font>");
    EXPECT_EQ(edit.SelStart(), edit.TextLength() - 7);
    // In a Unicode document the face name goes in as the system names it.
    arial.Name = "\u5B8B\u4F53";
    seam->fontAnswers = {arial};
    edit.SetEncoding(TEncoding::Utf8);
    edit.SetText("");
    Click(122);
    EXPECT_EQ(edit.Text(), "<font face=\"\u5B8B\u4F53\" size=\"9\" color=\"#000000\"></font>");
}

TEST_F(MainFormTest, TextCommandsDoNothingOnReadOnlyOrClosedWindows) {
    TfrmNew* window = OpenWindows(1)[0];
    window->Edit1().SetText("fixed");
    window->Edit1().setReadOnly(true);
    window->Edit1().SelectAll();
    auto runAll = [&] {
        for (auto command :
             {&TMainForm::Paragraph, &TMainForm::Break, &TMainForm::Space, &TMainForm::Center,
              &TMainForm::Link, &TMainForm::Image, &TMainForm::Bold, &TMainForm::Italic,
              &TMainForm::UnderLine, &TMainForm::Color, &TMainForm::SetWebFont,
              &TMainForm::Highlight, &TMainForm::SetasHTML1Click, &TMainForm::Reverse1Click,
              &TMainForm::ReplaceDialogReplace}) {
            (form.*command)(); // a dialog shown would be an unanswered call of the seam
        }
    };
    runAll();
    EXPECT_EQ(window->Edit1().Text(), "fixed");
    // Closed, not yet destroyed, then gone: nothing happens, nothing crashes.
    window->SetChanged(false);
    window->close();
    runAll();
    FlushDeletes();
    runAll();
    EXPECT_TRUE(seam->calls.empty());
    EXPECT_FALSE(Button(112)->isEnabled() || Action("SetasHTML1")->isEnabled());
}

TEST_F(MainFormTest, TagButtonsKeepASelectionWrappingItInAPairOfTags) {
    TRichEdit& edit = OpenWindows(1)[0]->Edit1();
    // "wrap me" selected: the text, and the caret after the tags (one undo
    // step); a tag with no closing tag goes after the selection.
    for (const auto& [button, text, caret] :
         {std::tuple{117, "say <i>wrap me</i> now", 18},
          std::tuple{119, "say <a href=\"\">wrap me</a> now", 26},
          std::tuple{113, "say wrap me<br> now", 15},
          std::tuple{120, "say wrap me<img src=\"\"> now", 21}}) {
        edit.SetText("say wrap me now");
        edit.SetSelStart(4);
        edit.SetSelLength(7);
        Click(button);
        EXPECT_EQ(edit.Text(), text) << button;
        EXPECT_EQ(edit.SelStart(), caret) << button;
        Trigger("Undo1");
        EXPECT_EQ(edit.Text(), "say wrap me now") << button;
    }
}

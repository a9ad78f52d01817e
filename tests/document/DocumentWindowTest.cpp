#include "TestFrame.h"

#include <QPointer>
#include <QTest>

TEST_F(DocumentTest, CaretLabelFollowsKeysAndClicksAtOnceAtTheSelectionEnd) {
    TfrmNew* window = frame.Files.FileNew();
    TRichEdit& edit = window->Edit1();
    const auto label = [&] { return window->Label1().text().toStdString(); };
    EXPECT_EQ(label(), "Cursor: 1,1");
    edit.setFocus();
    QTest::keyClicks(&edit, "ab");
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClicks(&edit, "xyz");
    EXPECT_EQ(label(), "Cursor: 4,3");
    // A selection made from right to left: the label names the selection's end.
    edit.SetSelStart(5);
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(&edit, Qt::Key_Left, Qt::ShiftModifier);
    }
    QTest::mousePress(edit.viewport(), Qt::RightButton, {}, QPoint(200, 200));
    EXPECT_EQ(label(), "Cursor: 2,3");
}

TEST_F(DocumentTest, FileNewMakesANumberedUnchangedWindowWhoseFlagFollowsEditsAndSaves) {
    TfrmNew* window = frame.Files.FileNew();
    EXPECT_EQ(window->Caption() + "|" + window->windowTitle().toStdString(), "Untitled2|Untitled2");
    EXPECT_EQ(window->y(), 60);
    EXPECT_EQ(window->Edit1().size(), window->size() - QSize(28, 47)) << "not Open's 20 and 50";
    EXPECT_EQ(frame.Status, QString());
    EXPECT_EQ(Flag(window), "false");
    EXPECT_TRUE(window->Changed().isHidden());
    window->Edit1().setFocus();
    QTest::keyClicks(&window->Edit1(), "a");
    EXPECT_EQ(Flag(window), "true");
    frame.Files.WriteDocument(Path("flag.txt"), *window);
    EXPECT_EQ(Flag(window), "false");

    // Clear All on an empty text changes nothing; on a text it marks it.
    TfrmNew* empty = frame.Files.FileNew();
    frame.Edits.ClearAll(*empty);
    frame.Edits.ClearAll(*window);
    EXPECT_EQ(Flag(empty) + Flag(window) + window->Edit1().Text(), "falsetrue");

    // Numbers are never reused.
    empty->close();
    FlushDeletes();
    EXPECT_EQ(frame.Files.FileNew()->Caption(), "Untitled4");
}

TEST_F(DocumentTest, CloseQueryAsksOnlyForChangedWindowsAndHonoursEachAnswer) {
    QPointer<TfrmNew> window = frame.Files.FileNew();
    EXPECT_TRUE(window->close()) << "never edited: no question";
    EXPECT_TRUE(Messages().empty());
    // Closes a new window holding typed text, answering the question (and
    // an error box after it); true when the window closed.
    auto closeChanged = [&](std::initializer_list<TModalResult> answers) {
        window = frame.Files.FileNew();
        window->Edit1().SetText("typed");
        seam->messageAnswers.insert(seam->messageAnswers.end(), answers);
        const bool closed = window->close();
        FlushDeletes();
        EXPECT_EQ(window.isNull(), closed) << "a closed window destroys itself";
        return closed;
    };
    EXPECT_FALSE(closeChanged({TModalResult::Cancel}));
    const TCall asked = OnlyMessage();
    EXPECT_EQ(asked.text, QStringLiteral("Do you want to save?\nUntitled3"));
    EXPECT_EQ(asked.title, QStringLiteral("ATTENTION!"));
    EXPECT_EQ(asked.buttons, TMsgButtons::YesNoCancel);
    EXPECT_TRUE(closeChanged({TModalResult::No}));
    CancelSave();
    EXPECT_TRUE(closeChanged({TModalResult::Yes})) << "Yes, then Cancel in the save dialog";
    AnswerSave(Path("kept.txt"), ftText);
    EXPECT_TRUE(closeChanged({TModalResult::Yes}));
    EXPECT_EQ(ReadFile(Path("kept.txt")), "typed");
    EXPECT_EQ(SaveDialogs(), 2u) << "No saves nothing";

    // A save that fails refuses the close, so the text is not lost.
    AnswerSave(Path("no/dir/x.txt"), ftText);
    ASSERT_FALSE(closeChanged({TModalResult::Yes, TModalResult::Ok}));
    EXPECT_EQ(Messages().back().icon, TMsgIcon::Stop);
    EXPECT_EQ(window->Edit1().Text() + Flag(window), "typedtrue");
}

TEST_F(DocumentTest, ResizeBringsTheTopBackTo60AndFitsTheEditControl) {
    TfrmNew* window = frame.Files.FileNew();
    window->move(30, 200);
    EXPECT_EQ(window->pos(), QPoint(30, 200)) << "a move leaves the window where it was dropped";
    window->resize(300, 200);
    EXPECT_EQ(window->pos(), QPoint(30, 60));
    EXPECT_EQ(window->Edit1().size(), QSize(280, 150));
    // About as tall as the frame: more room is left below the edit control.
    window->resize(300, frame.frameGeometry().height() - 40);
    EXPECT_EQ(window->Edit1().height(), window->height() - 130);
}

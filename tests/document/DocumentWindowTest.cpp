#include "TestFrame.h"

#include <QLabel>
#include <QPointer>
#include <QTest>

TEST_F(DocumentTest, CaretLabelFollowsKeysAndClicksAtTheSelectionEnd) {
    TfrmNew* window = frame.Files.FileNew();
    TRichEdit& edit = window->Edit1();
    EXPECT_EQ(window->Label1().text(), QStringLiteral("Cursor: 1,1"));
    edit.setFocus();
    QTest::keyClicks(&edit, "ab");
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(window->Label1().text(), QStringLiteral("Cursor: 1,3"));
    QTest::keyClicks(&edit, "xyz");
    EXPECT_EQ(window->Label1().text(), QStringLiteral("Cursor: 4,3"));

    // Set by the program: no key, no click, no refresh.
    edit.SetSelStart(1);
    EXPECT_EQ(window->Label1().text(), QStringLiteral("Cursor: 4,3"));

    // A selection made from right to left: the label names the selection's end.
    QTextCursor cursor = edit.textCursor();
    cursor.setPosition(5);
    cursor.setPosition(1, QTextCursor::KeepAnchor);
    edit.setTextCursor(cursor);
    QTest::mousePress(edit.viewport(), Qt::RightButton, {}, QPoint(200, 200));
    EXPECT_EQ(window->Label1().text(), QStringLiteral("Cursor: 2,3"))
        << window->Label1().text().toStdString();
}

TEST_F(DocumentTest, ChangedFlagFollowsEditsAndSaves) {
    TfrmNew* window = frame.Files.FileNew();
    EXPECT_EQ(window->Changed().text(), QStringLiteral("false"));
    EXPECT_TRUE(window->Changed().isHidden());
    window->Edit1().setFocus();
    QTest::keyClicks(&window->Edit1(), "a");
    EXPECT_EQ(window->Changed().text(), QStringLiteral("true"));

    const std::string path = Path("flag.txt");
    window->SetCaption(path);
    frame.Files.WriteDocument(path, *window);
    EXPECT_EQ(window->Changed().text(), QStringLiteral("false"));

    // Clear All on an empty text changes nothing; on a text it marks it.
    TfrmNew* empty = frame.Files.FileNew();
    frame.Edits.ClearAll(*empty);
    EXPECT_EQ(empty->Changed().text(), QStringLiteral("false"));
    frame.Edits.ClearAll(*window);
    EXPECT_EQ(window->Changed().text(), QStringLiteral("true"));
    EXPECT_EQ(window->Edit1().Text(), "");
}

TEST_F(DocumentTest, CloseQueryAsksOnlyForChangedWindowsAndHonoursEachAnswer) {
    // Never edited: closes without a question.
    QPointer<TfrmNew> quiet = frame.Files.FileNew();
    EXPECT_TRUE(quiet->close());
    EXPECT_TRUE(Messages().empty());
    FlushDeletes();
    EXPECT_TRUE(quiet.isNull()) << "a closed window destroys itself";

    // Cancel: stays open, changed.
    QPointer<TfrmNew> window = frame.Files.FileNew();
    window->Edit1().SetText("x");
    seam->messageAnswers.push_back(TModalResult::Cancel);
    EXPECT_FALSE(window->close());
    FlushDeletes();
    ASSERT_FALSE(window.isNull());
    EXPECT_FALSE(window->IsClosed());
    const auto asked = Messages();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, QStringLiteral("Do you want to save?\nUntitled3"));
    EXPECT_EQ(asked[0].title, QStringLiteral("ATTENTION!"));
    EXPECT_EQ(asked[0].buttons, TMsgButtons::YesNoCancel);
    EXPECT_FALSE(asked[0].hasOwner);

    // Yes, then Cancel in the save dialog: closes all the same.
    seam->messageAnswers.push_back(TModalResult::Yes);
    seam->saveAnswers.push_back(std::nullopt);
    EXPECT_TRUE(window->close());
    FlushDeletes();
    EXPECT_TRUE(window.isNull());

    // No: closes and writes nothing.
    QPointer<TfrmNew> other = frame.Files.FileNew();
    other->Edit1().SetText("y");
    seam->messageAnswers.push_back(TModalResult::No);
    EXPECT_TRUE(other->close());
    FlushDeletes();
    EXPECT_TRUE(other.isNull());
    EXPECT_EQ(seam->CallsOf(TScriptedPlatform::Call::Kind::SaveDialog).size(), 1u);

    // Yes and a file: written, then closed.
    QPointer<TfrmNew> saved = frame.Files.FileNew();
    saved->Edit1().SetText("kept");
    seam->messageAnswers.push_back(TModalResult::Yes);
    AnswerSave(Path("kept.txt"), ftText);
    EXPECT_TRUE(saved->close());
    EXPECT_EQ(ReadFile(Path("kept.txt")), "kept");
}

TEST_F(DocumentTest, CloseQueryYesWhoseSaveFailsKeepsTheWindowOpen) {
    QPointer<TfrmNew> window = frame.Files.FileNew();
    window->Edit1().SetText("not to be lost");
    seam->messageAnswers.push_back(TModalResult::Yes);
    AnswerSave(Path("no/such/dir/file.txt"), ftText);
    seam->messageAnswers.push_back(TModalResult::Ok);
    EXPECT_FALSE(window->close());
    FlushDeletes();
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(window->Edit1().Text(), "not to be lost");
    EXPECT_EQ(Messages().back().icon, TMsgIcon::Stop);
}

TEST_F(DocumentTest, ResizeBringsTheTopBackTo60AndFitsTheEditControl) {
    TfrmNew* window = frame.Files.FileNew();
    window->move(30, 200);
    EXPECT_EQ(window->pos(), QPoint(30, 200)) << "a move leaves the window where it was dropped";
    window->resize(300, 200);
    EXPECT_EQ(window->pos(), QPoint(30, 60));
    EXPECT_EQ(window->Edit1().width(), 280);
    EXPECT_EQ(window->Edit1().height(), 150);

    // About as tall as the frame: more room is left below the edit control.
    window->resize(300, frame.frameGeometry().height() - 40);
    EXPECT_EQ(window->Edit1().height(), window->height() - 130);
}

TEST_F(DocumentTest, NewAndOpenSizeTheEditControlTheirOwnWay) {
    TfrmNew* created = frame.Files.FileNew();
    EXPECT_EQ(created->Edit1().width(), created->width() - 28);
    EXPECT_EQ(created->Edit1().height(), created->height() - 47);
    const std::string path = Path("sized.txt");
    WriteFile(path, "s");
    AnswerOpen(path, ftText);
    TfrmNew* opened = frame.Files.FileOpen();
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->Edit1().width(), opened->width() - 20);
    EXPECT_EQ(opened->Edit1().height(), opened->height() - 50);
}

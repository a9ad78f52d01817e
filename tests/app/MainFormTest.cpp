#include "MainFormTest.h"

#include <QFrame>
#include <QMenu>
#include <QPointer>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <filesystem>

TEST_F(MainFormTest, StartupWithOneArgumentLoadsThatFileAsPlainText) {
    const std::string path = Path("start.txt");
    const std::string bytes("line1\r\nline2\n\0end", 17);
    WriteFile(path, bytes);
    TfrmNew* window = form.CreateStartupDocument({path});
    EXPECT_EQ(window->Caption(), path);
    EXPECT_EQ(window->Edit1().Text(), bytes);
    EXPECT_EQ(window->Changed().text(), QStringLiteral("false"));
    EXPECT_EQ(form.StatusText(), QString::fromStdString("File: " + path));
    EXPECT_EQ(window->y(), 60);
    EXPECT_EQ(form.ActiveDocument(), window);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Pennivale"));
}

TEST_F(MainFormTest, StartupWithRelativeNameCaptionsTheAbsolutePathSoSaveWritesBack) {
    WriteFile(Path("relative.txt"), "rel");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path().toStdString());
    TfrmNew* window = form.CreateStartupDocument({"relative.txt"});
    std::filesystem::current_path(before);
    EXPECT_EQ(window->Caption(), Path("relative.txt"));
    EXPECT_EQ(window->Edit1().Text(), "rel");
    window->Edit1().SetText("written back");
    Trigger("FileSaveItem");
    EXPECT_EQ(ReadFile(Path("relative.txt")), "written back");
}

TEST_F(MainFormTest, StartupWithoutExactlyOneArgumentIsAnEmptyUntitledWindow) {
    const std::string path = Path("start.txt");
    WriteFile(path, "text");
    for (const auto& arguments :
         {std::vector<std::string>{}, std::vector<std::string>{path, path}}) {
        TfrmNew* window = form.CreateStartupDocument(arguments);
        EXPECT_EQ(window->Caption(), "Untitled");
        EXPECT_EQ(window->Edit1().Text(), "");
    }
}

TEST_F(MainFormTest, StartupWithMissingFileReportsItAndStaysUntitled) {
    const std::string path = Path("absent.txt");
    seam->messageAnswers.push_back(TModalResult::Ok);
    TfrmNew* window = form.CreateStartupDocument({path});
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].text.contains(QString::fromStdString(path)));
    EXPECT_EQ(window->Caption(), "Untitled");
    EXPECT_EQ(window->Changed().text(), QStringLiteral("false"));
}

TEST_F(MainFormTest, HintsGoToTheStatusLineUnchanged) {
    Application().SetHint(QStringLiteral("Open an existing file"));
    EXPECT_EQ(form.StatusText(), QStringLiteral("Open an existing file"));
    // A button under the mouse: its hint arrives as a status tip.
    QToolButton* save = form.Button(QStringLiteral("SpeedButton3"));
    QStatusTipEvent tip(save->statusTip());
    QCoreApplication::sendEvent(save, &tip);
    EXPECT_EQ(form.StatusText(), QStringLiteral("Save"));
    QStatusTipEvent none{QString()};
    QCoreApplication::sendEvent(save, &none);
    EXPECT_EQ(form.StatusText(), QString());
}

TEST_F(MainFormTest, PanelCoversTheTopOfTheDocumentAreaAndFollowsTheFrameWidth) {
    EXPECT_EQ(form.Panel1->height(), 60);
    EXPECT_EQ(form.Panel1->pos(), QPoint(0, 0));
    EXPECT_EQ(form.Panel1->width(), form.frameGeometry().width() - 8);
    form.resize(700, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.Panel1->width(), form.frameGeometry().width() - 8);
    EXPECT_EQ(form.Bevel1->geometry(), QRect(0, 1, 559, 58));
    EXPECT_EQ(form.Image1->geometry(), QRect(110, 30, 95, 24));
    // The document area lies under the panel, from the top of the client area.
    EXPECT_EQ(form.DocumentArea().mapTo(&form, QPoint(0, 0)),
              form.Panel1->mapTo(&form, QPoint(0, 0)));
}

namespace {
const char* const StandardRow[] = {
    "SpeedButton3",  "SpeedButton4",  "SpeedButton5",  "SpeedButton6",  "SpeedButton7",
    "SpeedButton8",  "SpeedButton9",  "SpeedButton10", "SpeedButton11", "SpeedButton12",
    "SpeedButton13", "SpeedButton14", "SpeedButton15", "SpeedButton16", "SpeedButton17",
    "SpeedButton18", "SpeedButton19", "SpeedButton20"};
const char* const WebRow[] = {
    "SpeedButton112", "SpeedButton113", "SpeedButton114", "SpeedButton115", "SpeedButton116",
    "SpeedButton117", "SpeedButton118", "SpeedButton119", "SpeedButton120", "SpeedButton121",
    "SpeedButton122", "SpeedButton123", "SpeedButton124"};
} // namespace

class ViewTogglesTest : public MainFormTest {
protected:
    void ExpectRows(bool standardShown, bool webShown, int webTop) {
        for (const char* name : StandardRow) {
            EXPECT_EQ(form.Button(QString::fromLatin1(name))->isVisibleTo(form.Panel1),
                      standardShown)
                << name;
        }
        for (const char* name : WebRow) {
            QToolButton* button = form.Button(QString::fromLatin1(name));
            EXPECT_EQ(button->isVisibleTo(form.Panel1), webShown) << name;
            EXPECT_EQ(button->y(), webTop) << name;
        }
        EXPECT_EQ(form.Image1->isVisibleTo(form.Panel1), webShown);
        EXPECT_EQ(form.Image1->y(), webTop == 5 ? 6 : 30);
        for (const char* name : {"SpeedButton1", "SpeedButton2"}) {
            EXPECT_TRUE(form.Button(QString::fromLatin1(name))->isVisibleTo(form.Panel1));
        }
        EXPECT_EQ(form.Standard->isChecked(), standardShown);
        EXPECT_EQ(form.Web->isChecked(), webShown);
        EXPECT_EQ(form.Panel1->height(), 60);
    }
};

TEST_F(ViewTogglesTest, StandardOffThenWebOffAndOnBringsTheWebRowBackAtTop5) {
    ExpectRows(true, true, 30);
    Trigger("Standard");
    ExpectRows(false, true, 5);
    Trigger("Web");
    ExpectRows(false, false, 5);
    Trigger("Web");
    ExpectRows(false, true, 5);
    Trigger("Standard");
    ExpectRows(true, true, 30);
}

TEST_F(ViewTogglesTest, WebOffThenStandardOffAndOnKeepsTheWebRowHidden) {
    Trigger("Web");
    ExpectRows(true, false, 30);
    Trigger("Standard");
    ExpectRows(false, false, 5);
    Trigger("Standard");
    ExpectRows(true, false, 30);
    Trigger("Web");
    ExpectRows(true, true, 30);
}

TEST_F(MainFormTest, WithoutADocumentCommandsDoNothingAndAreGreyedOut) {
    TfrmNew* only = form.CreateStartupDocument({});
    EXPECT_TRUE(form.Action(QStringLiteral("FileSaveItem"))->isEnabled());
    only->close();
    FlushDeletes();
    ASSERT_TRUE(form.DocumentWindows().isEmpty());
    for (const char* name :
         {"FileSaveItem", "FileSaveAsItem", "Print1", "Cut1", "Copy1", "Paste1", "SelectAll",
          "ClearAll2", "Undo1", "SetFont1", "AlignCenter1", "AlignLeft1", "AlignRight1",
          "WordWrap1", "Save1", "SaveAs1", "Cut2"}) {
        EXPECT_FALSE(form.Action(QString::fromLatin1(name))->isEnabled()) << name;
    }
    EXPECT_FALSE(form.Button(QStringLiteral("SpeedButton3"))->isEnabled());
    EXPECT_TRUE(form.Button(QStringLiteral("SpeedButton1"))->isEnabled());

    // Called directly all the same: nothing happens, nothing is asked.
    for (auto handler :
         {&TMainForm::FileSave, &TMainForm::FileSaveAs, &TMainForm::Print1Click,
          &TMainForm::Cut1Click, &TMainForm::Copy1Click, &TMainForm::Paste1Click,
          &TMainForm::SelectAllClick, &TMainForm::ClearAll2Click, &TMainForm::Undo1Click,
          &TMainForm::SetFont1Click, &TMainForm::AlignCenter1Click, &TMainForm::AlignLeft1Click,
          &TMainForm::AlignRight1Click, &TMainForm::WordWrap1Click, &TMainForm::Mosaic41Click,
          &TMainForm::Mosaic21Click}) {
        (form.*handler)();
    }
    EXPECT_TRUE(seam->calls.empty());
    EXPECT_FALSE(form.WordWrap1->isChecked());

    Click("SpeedButton1");
    EXPECT_TRUE(form.Action(QStringLiteral("FileSaveItem"))->isEnabled());
}

TEST_F(MainFormTest, ClosedWindowIsNeverReachedThroughCurrentDocument) {
    TfrmNew* window = form.CreateStartupDocument({});
    window->Edit1().SetText("abc");
    Trigger("SelectAll");
    EXPECT_EQ(form.CurrentDocument.data(), window);
    window->SetChanged(false);
    window->close();
    EXPECT_EQ(form.ActiveDocument(), nullptr) << "closed, not yet destroyed";
    FlushDeletes();
    EXPECT_TRUE(form.CurrentDocument.isNull());
}

TEST_F(MainFormTest, ClosingTheMainWindowAsksEveryChangedWindowAndCancelKeepsAll) {
    TfrmNew* first = form.CreateStartupDocument({});
    Click("SpeedButton1");
    TfrmNew* second = form.ActiveDocument();
    ASSERT_NE(second, first);
    first->Edit1().SetText("one");
    second->Edit1().SetText("two");

    // The most recent window is asked first; No there, Cancel on the other.
    seam->messageAnswers.push_back(TModalResult::No);
    seam->messageAnswers.push_back(TModalResult::Cancel);
    Trigger("FileExitItem");
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[0].text, QStringLiteral("Do you want to save?\nUntitled2"));
    EXPECT_EQ(Messages()[1].text, QStringLiteral("Do you want to save?\nUntitled"));
    FlushDeletes();
    EXPECT_EQ(form.DocumentWindows().size(), 2);
    EXPECT_EQ(first->Edit1().Text(), "one");

    seam->messageAnswers.push_back(TModalResult::No);
    seam->messageAnswers.push_back(TModalResult::No);
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MainFormTest, PopupSaveActsOnTheActiveWindowLikeTheFileMenu) {
    form.CreateStartupDocument({});
    Trigger("FileNewItem");
    TfrmNew* active = form.ActiveDocument();
    active->Edit1().SetText("popup");
    const std::string path = Path("popup.txt");
    seam->saveAnswers.push_back(TScriptedPlatform::FileAnswer{{path}, 1});
    Trigger("Save1");
    EXPECT_EQ(ReadFile(path), "popup");
    EXPECT_EQ(active->Caption(), path);
    EXPECT_EQ(form.StatusText(), QString::fromStdString("File: " + path));
    active->Edit1().SetText("again");
    seam->saveAnswers.push_back(std::nullopt);
    Trigger("SaveAs1");
    ASSERT_EQ(seam->CallsOf(TScriptedPlatform::Call::Kind::SaveDialog).size(), 2u);
    active->Edit1().SetText("third");
    Trigger("FileSaveItem");
    EXPECT_EQ(ReadFile(path), "third") << "File Save writes under the caption, no dialog";
    EXPECT_EQ(seam->CallsOf(TScriptedPlatform::Call::Kind::SaveDialog).size(), 2u);
    EXPECT_EQ(form.PopupMenu, form.DocumentPopupMenu());
    EXPECT_EQ(active->Edit1().contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST_F(MainFormTest, WordWrapMarkIsOneForTheWholeProgram) {
    TfrmNew* a = form.CreateStartupDocument({});
    Trigger("FileNewItem");
    TfrmNew* b = form.ActiveDocument();
    form.DocumentArea().setActiveSubWindow(a);
    Trigger("WordWrap1");
    EXPECT_TRUE(form.WordWrap1->isChecked());
    EXPECT_TRUE(a->Edit1().WordWrap());

    form.DocumentArea().setActiveSubWindow(b);
    Trigger("WordWrap1");
    EXPECT_FALSE(form.WordWrap1->isChecked());
    EXPECT_FALSE(b->Edit1().WordWrap()) << "B already had no wrap";
    Trigger("WordWrap1");
    EXPECT_TRUE(b->Edit1().WordWrap());
    EXPECT_TRUE(a->Edit1().WordWrap());
}

TEST_F(MainFormTest, EditingEntriesActOnTheActiveWindow) {
    TfrmNew* a = form.CreateStartupDocument({});
    Trigger("FileNewItem");
    TfrmNew* b = form.ActiveDocument();
    a->Edit1().SetText("left alone");
    b->Edit1().SetText("p1\np2");
    Trigger("SelectAll1");
    Trigger("Copy2");
    Trigger("ClearAll1");
    EXPECT_EQ(b->Edit1().Text(), "");
    EXPECT_EQ(b->Changed().text(), QStringLiteral("true"));
    Trigger("Paste2");
    EXPECT_EQ(b->Edit1().Text(), "p1\np2");
    Trigger("Undo1");
    EXPECT_EQ(b->Edit1().Text(), "");
    Click("SpeedButton19");
    EXPECT_EQ(a->Edit1().Text(), "left alone");
    b->Edit1().SetText("centre me");
    Click("SpeedButton16");
    EXPECT_EQ(b->Edit1().ParagraphAlignment(), TParaAlignment::Center);
    Trigger("AlignRight1");
    EXPECT_EQ(b->Edit1().ParagraphAlignment(), TParaAlignment::Right);
    EXPECT_EQ(a->Edit1().ParagraphAlignment(), TParaAlignment::Left);

    Trigger("Print1");
    const auto prints = seam->CallsOf(TScriptedPlatform::Call::Kind::Print);
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0].text.toStdString(), "centre me");
    EXPECT_EQ(prints[0].title, QStringLiteral("Title"));
}

TEST_F(MainFormTest, OpenButtonAndMenuOpenFilesByTheChosenType) {
    const std::string path = Path("open.txt");
    WriteFile(path, "opened\r\n");
    seam->openAnswers.push_back(TScriptedPlatform::FileAnswer{{path}, 1});
    Click("SpeedButton2");
    TfrmNew* window = form.ActiveDocument();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Edit1().Text(), "opened\r\n");
    EXPECT_EQ(window->Caption(), path);
    EXPECT_EQ(window->y(), 60);
    seam->openAnswers.push_back(std::nullopt);
    Trigger("FileOpenItem");
    EXPECT_EQ(form.DocumentWindows().size(), 1);
    EXPECT_EQ(form.CurrentDocument.data(), nullptr) << "Open leaves CurrentDocument alone";
}

#include "MainFormTest.h"

#include "framework/ui/StatusProgress.h"

#include <QMdiArea>
#include <QProgressBar>
#include <QScrollBar>
#include <QStatusBar>
#include <chrono>
#include <filesystem>

TEST_F(MainFormTest, StartupOpensEachNamedFileInAWindowOfItsOwnAsItsContentSays) {
    const std::string bytes("line1\r\nline2\n\0end", 17);
    WriteFile(Path("start.txt"), bytes);
    WriteFile(Path("rich.txt"), "{\\rtf1\\ansi Hello \\b bold\\b0\\par}");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path().toStdString());
    seam->messageAnswers.push_back(TModalResult::Ok);
    TfrmNew* window = form.CreateStartupDocument({"start.txt", "rich.txt", "absent.txt"});
    std::filesystem::current_path(before);
    EXPECT_EQ(window->Caption(), Path("start.txt")) << "so that Save writes back";
    EXPECT_EQ(window->Edit1().Text(), bytes) << "loaded as plain text";
    EXPECT_TRUE(OnlyMessage().text.contains(QString::fromStdString(Path("absent.txt"))));
    const QList<TfrmNew*> windows = form.DocumentWindows();
    ASSERT_EQ(windows.size(), 2) << "none is left for the file that could not be read";
    TfrmNew* rich = windows[0] == window ? windows[1] : windows[0];
    EXPECT_EQ(rich->Caption(), Path("rich.txt"));
    EXPECT_EQ(rich->Edit1().Text().substr(0, 10), "Hello bold") << "RTF by its content";
    EXPECT_EQ(rich->Format(), TDocumentFormat::RichText);
    EXPECT_EQ(Flag(window) + Flag(rich), "falsefalse");
    EXPECT_EQ(form.ActiveDocument(), rich);

    seam->calls.clear();
    seam->messageAnswers.push_back(TModalResult::Ok);
    for (const auto& arguments :
         {std::vector<std::string>{}, std::vector<std::string>{Path("absent.txt")}}) {
        window = form.CreateStartupDocument(arguments);
        EXPECT_EQ(window->Caption() + window->Edit1().Text() + Flag(window), "Untitledfalse");
    }
    EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(MainFormTest, HintsGoToTheStatusLineAndNoDocumentWindowLiesUnderThePanel) {
    Application().SetHint(QStringLiteral("Open an existing file"));
    EXPECT_EQ(form.StatusText(), QStringLiteral("Open an existing file"));
    // The panel follows the frame's width; the document area begins below it.
    form.resize(700, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.Panel1->width(), form.frameGeometry().width() - 8);
    const int panelBottom = form.Panel1->geometry().bottom() + 1;
    EXPECT_EQ(panelBottom, 60);
    EXPECT_EQ(form.DocumentArea().viewport()->mapTo(form.centralWidget(), QPoint(0, 0)).y(),
              panelBottom);

    // A normal window stands just below the panel, at 60, and goes back
    // there when resized.
    TfrmNew* window = form.CreateStartupDocument({});
    window->move(40, 0);
    window->resize(300, 200);
    EXPECT_EQ(InClientArea(window).topLeft(), QPoint(40, 60));

    // Maximized, its caret label and first line are below the panel too.
    window->Edit1().SetText("first line");
    window->showMaximized();
    QCoreApplication::processEvents();
    EXPECT_GE(window->Label1().mapTo(form.centralWidget(), QPoint(0, 0)).y(), panelBottom);
    window->Edit1().SetSelStart(0);
    const QRect firstLine = window->Edit1().inputMethodQuery(Qt::ImCursorRectangle).toRect();
    EXPECT_GE(window->Edit1().mapTo(form.centralWidget(), firstLine.topLeft()).y(), panelBottom);
}

TEST_F(MainFormTest, ViewTogglesHideTheRowsAndMoveTheWebRow) {
    struct Step {
        const char* toggle; // nullptr: the state at start
        bool standard;
        bool web;
        int webTop;
    };
    // From the start: Standard off, Web off and on (the web row comes back at
    // top 5), Standard on; then Web off, Standard off and on (the row stays
    // hidden), Web on (it reappears at top 30).
    const Step steps[] = {
        {nullptr, true, true, 30},     {"Standard", false, true, 5},  {"Web", false, false, 5},
        {"Web", false, true, 5},       {"Standard", true, true, 30},  {"Web", true, false, 30},
        {"Standard", false, false, 5}, {"Standard", true, false, 30}, {"Web", true, true, 30}};
    for (const Step& step : steps) {
        SCOPED_TRACE(&step - steps);
        if (step.toggle) {
            Trigger(step.toggle);
        }
        for (int number = 3; number <= 20; ++number) {
            EXPECT_EQ(Button(number)->isVisibleTo(form.Panel1), step.standard) << number;
        }
        for (int number = 112; number <= 124; ++number) {
            EXPECT_EQ(Button(number)->isVisibleTo(form.Panel1), step.web) << number;
            EXPECT_EQ(Button(number)->y(), step.webTop) << number;
        }
        EXPECT_EQ(form.Image1->isVisibleTo(form.Panel1), step.web);
        EXPECT_EQ(form.Image1->y(), step.webTop == 5 ? 6 : 30);
        EXPECT_TRUE(Button(1)->isVisibleTo(form.Panel1) && Button(2)->isVisibleTo(form.Panel1));
        EXPECT_EQ(form.Standard->isChecked(), step.standard);
        EXPECT_EQ(form.Web->isChecked(), step.web);
    }
}

TEST_F(MainFormTest, ClosedWindowIsNeverReachedAndWithoutOneCommandsDoNothing) {
    TfrmNew* window = form.CreateStartupDocument({});
    Trigger("SelectAll");
    EXPECT_EQ(form.CurrentDocument.data(), window);
    window->close();
    EXPECT_EQ(form.ActiveDocument(), nullptr) << "closed, not yet destroyed";
    FlushDeletes();
    EXPECT_TRUE(form.CurrentDocument.isNull());
    for (const char* name : {"FileSaveItem", "Print1", "Cut1", "WordWrap1", "Save1"}) {
        EXPECT_FALSE(Action(name)->isEnabled()) << name;
    }
    EXPECT_FALSE(Button(3)->isEnabled());
    EXPECT_TRUE(Button(1)->isEnabled());

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
    Click(1);
    EXPECT_TRUE(Action("FileSaveItem")->isEnabled());
}

TEST_F(MainFormTest, ClosingTheMainWindowAsksEveryChangedWindowAndCancelKeepsAll) {
    const QList<TfrmNew*> windows = OpenWindows(2);
    windows[0]->Edit1().SetText("one");
    windows[1]->Edit1().SetText("two");
    // The most recent window is asked first; No there, Cancel on the other.
    seam->messageAnswers = {TModalResult::No, TModalResult::Cancel};
    Trigger("FileExitItem");
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[0].text, QStringLiteral("Do you want to save?\nUntitled2"));
    EXPECT_EQ(Messages()[1].text, QStringLiteral("Do you want to save?\nUntitled"));
    FlushDeletes();
    EXPECT_EQ(form.DocumentWindows().size(), 2);

    // Yes saves a window that has a file name there, without a dialog.
    windows[0]->SetCaption(Path("named.txt"));
    seam->messageAnswers = {TModalResult::No, TModalResult::Yes};
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(ReadFile(Path("named.txt")) + std::to_string(SaveDialogs()), "one0");
}

TEST_F(MainFormTest, EntriesActOnTheActiveWindowAndTheContextMenuRepeatsTheMainOnes) {
    const std::string path = Path("open.txt");
    WriteFile(path, "opened");
    AnswerOpen(path, ftText);
    Click(2);
    EXPECT_EQ(form.ActiveDocument()->Edit1().Text(), "opened");
    EXPECT_EQ(form.CurrentDocument.data(), nullptr) << "Open leaves CurrentDocument alone";
    TRichEdit& other = form.ActiveDocument()->Edit1();
    Trigger("FileNewItem");
    TfrmNew* active = form.ActiveDocument();
    TRichEdit& edit = active->Edit1();
    EXPECT_EQ(edit.contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_EQ(form.DocumentPopupMenu(), form.PopupMenu);

    edit.SetText("p1\np2");
    Trigger("SelectAll1");
    Trigger("Copy2");
    Trigger("ClearAll1");
    EXPECT_EQ(edit.Text(), "");
    Trigger("Paste2");
    EXPECT_EQ(edit.Text(), "p1\np2");
    Click(19); // Undo
    EXPECT_EQ(edit.Text(), "");
    Trigger("Redo1");
    EXPECT_EQ(edit.Text(), "p1\np2");
    edit.SetText("centre me");
    Click(16); // Align to the center
    EXPECT_EQ(edit.ParagraphAlignment(), TParaAlignment::Center);
    Trigger("Print1");
    ASSERT_EQ(seam->CallsOf(TCall::Kind::Print).size(), 1u);
    EXPECT_EQ(seam->CallsOf(TCall::Kind::Print)[0].text, QStringLiteral("centre me"));
    // Save under the caption once a name is chosen, without a dialog; Save As asks.
    AnswerSave(Path("popup.txt"), ftText);
    Trigger("Save1");
    edit.SetText("again");
    Trigger("Save1");
    EXPECT_EQ(ReadFile(Path("popup.txt")), "again");
    CancelSave();
    Trigger("SaveAs1");
    EXPECT_EQ(SaveDialogs(), 2u);
    EXPECT_EQ(other.Text() + ReadFile(path), "openedopened");
    EXPECT_EQ(other.ParagraphAlignment(), TParaAlignment::Left);
}

TEST_F(MainFormTest, WordWrapMarkIsOneForTheWholeProgram) {
    const QList<TfrmNew*> windows = OpenWindows(2);
    const QScrollBar* sideways = windows[0]->Edit1().horizontalScrollBar();
    EXPECT_TRUE(sideways->isVisible());
    form.DocumentArea().setActiveSubWindow(windows[0]);
    Trigger("WordWrap1");
    EXPECT_TRUE(form.WordWrap1->isChecked() && windows[0]->Edit1().WordWrap());
    EXPECT_FALSE(sideways->isVisible()) << "wrapped text has nothing to scroll sideways";
    form.DocumentArea().setActiveSubWindow(windows[1]);
    Trigger("WordWrap1");
    EXPECT_FALSE(form.WordWrap1->isChecked() || windows[1]->Edit1().WordWrap())
        << "it already had no wrap";
    Trigger("WordWrap1");
    EXPECT_TRUE(windows[1]->Edit1().WordWrap() && windows[0]->Edit1().WordWrap());
    form.DocumentArea().setActiveSubWindow(windows[0]);
    Trigger("WordWrap1");
    EXPECT_TRUE(sideways->isVisible());
}

TEST_F(MainFormTest, LongLoadsShowAProgressBarInTheStatusLine) {
    std::string text;
    while (text.size() < (size_t{3} << 19)) {
        text += "a line of a long document\n";
    }
    WriteFile(Path("long.txt"), text);
    QProgressBar& bar = form.LoadSaveBar().Bar();
    EXPECT_EQ(form.StatusLine->findChild<QProgressBar*>(QStringLiteral("LoadSaveProgress")), &bar);
    bool seen = false;
    QObject::connect(&bar, &QProgressBar::valueChanged, &form,
                     [&] { seen = seen || bar.isVisible(); });
    // Jobs faster than the delay show nothing; a slower one shows the bar
    // while it runs.
    for (const auto delay : {std::chrono::milliseconds(3600000), std::chrono::milliseconds(0)}) {
        EXPECT_FALSE(seen);
        form.LoadSaveBar().SetDelay(delay);
        AnswerOpen(Path("long.txt"), ftText);
        Trigger("FileOpenItem");
    }
    EXPECT_TRUE(seen);
    EXPECT_TRUE(bar.isHidden()) << "gone once the load is done";
}

#include "MainFormTest.h"

class MosaicTest : public MainFormTest {
protected:
    // The start-up window plus count - 1 new ones; the last is active.
    QList<TfrmNew*> Open(int count) {
        QList<TfrmNew*> windows{form.CreateStartupDocument({})};
        for (int i = 1; i < count; ++i) {
            Trigger("FileNewItem");
            windows.append(form.ActiveDocument());
        }
        return windows;
    }
};

TEST_F(MosaicTest, FrameIs800By600) {
    EXPECT_EQ(form.frameGeometry().size(), QSize(800, 600));
}

TEST_F(MosaicTest, FourWindowsMakeATwoByTwoGridWithTheActiveTopLeft) {
    QList<TfrmNew*> windows = Open(4);
    // The order of activation decides the cells: most recent first.
    form.DocumentArea().setActiveSubWindow(windows[1]);
    form.DocumentArea().setActiveSubWindow(windows[3]);
    form.DocumentArea().setActiveSubWindow(windows[0]);
    ASSERT_EQ(form.DocumentWindows().value(0), windows[0]);
    ASSERT_EQ(form.DocumentWindows().value(1), windows[3]);
    Trigger("Mosaic41");
    const QRect expected[] = {
        {0, 60, 390, 230}, {390, 60, 390, 230}, {0, 290, 390, 230}, {390, 290, 390, 230}};
    const QList<TfrmNew*> order = {windows[0], windows[3], windows[1], windows[2]};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(order[i]->geometry(), expected[i]) << "cell " << i;
        EXPECT_EQ(order[i]->Edit1().width(), 370);
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(MosaicTest, FiveWindowsAreTooManyForMosaic4AndNothingMoves) {
    QList<TfrmNew*> windows = Open(5);
    QList<QRect> before;
    for (TfrmNew* window : windows) {
        before.append(window->geometry());
    }
    seam->messageAnswers.push_back(TModalResult::Ok);
    Click("SpeedButton14");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, QStringLiteral("There are more than 4 windows!"));
    EXPECT_EQ(Messages()[0].title, QStringLiteral("Mosaic 4"));
    EXPECT_EQ(Messages()[0].buttons, TMsgButtons::Ok);
    EXPECT_TRUE(Messages()[0].hasOwner);
    for (int i = 0; i < windows.size(); ++i) {
        EXPECT_EQ(windows[i]->geometry(), before[i]);
    }
}

TEST_F(MosaicTest, TwoWindowsMakeTwoColumnsAndThreeAreTooMany) {
    QList<TfrmNew*> windows = Open(2);
    windows[0]->move(100, 200);
    Trigger("Mosaic21");
    EXPECT_EQ(windows[1]->geometry(), QRect(0, 60, 390, 460));
    EXPECT_EQ(windows[0]->geometry(), QRect(390, 60, 390, 460));

    Trigger("FileNewItem");
    seam->messageAnswers.push_back(TModalResult::Ok);
    Click("SpeedButton15");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, QStringLiteral("There are more than 2 windows!"));
    EXPECT_EQ(Messages()[0].title, QStringLiteral("Mosaic 2"));
}

TEST_F(MosaicTest, FewerWindowsFillTheFirstCellsAndAnOddWidthHalvesDown) {
    ResizeFrame(801, 600);
    QList<TfrmNew*> windows = Open(3);
    Trigger("Mosaic41");
    EXPECT_EQ(windows[2]->geometry(), QRect(0, 60, 390, 230));
    EXPECT_EQ(windows[1]->geometry(), QRect(390, 60, 390, 230));
    EXPECT_EQ(windows[0]->geometry(), QRect(0, 290, 390, 230));
}

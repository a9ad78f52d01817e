#include "MainFormTest.h"

#include <QMdiArea>

TEST_F(MainFormTest, Mosaic4MakesATwoByTwoGridWithTheActiveWindowTopLeftFilledInOrder) {
    ASSERT_EQ(form.frameGeometry().size(), QSize(800, 600));
    const QList<TfrmNew*> windows = OpenWindows(4);
    // The order of activation decides the cells: most recent first.
    for (int i : {1, 3, 0}) {
        form.DocumentArea().setActiveSubWindow(windows[i]);
    }
    Trigger("Mosaic41");
    const QRect cells[] = {
        {0, 60, 390, 230}, {390, 60, 390, 230}, {0, 290, 390, 230}, {390, 290, 390, 230}};
    const TfrmNew* inCell[] = {windows[0], windows[3], windows[1], windows[2]};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(InClientArea(inCell[i]), cells[i]) << "cell " << i;
        EXPECT_EQ(inCell[i]->Edit1().width(), 370);
    }

    // Fewer windows fill the first cells; an odd width halves down.
    windows[2]->close();
    FlushDeletes();
    ResizeFrame(801, 600);
    for (TfrmNew* window : form.DocumentWindows()) {
        window->setGeometry(20, 30, 300, 200);
    }
    Trigger("Mosaic41");
    EXPECT_EQ(InClientArea(windows[0]), cells[0]);
    EXPECT_EQ(InClientArea(windows[3]), cells[1]);
    EXPECT_EQ(InClientArea(windows[1]), cells[2]);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(MainFormTest, Mosaic2MakesTwoColumnsAndTooManyWindowsAreRefused) {
    const QList<TfrmNew*> two = OpenWindows(2);
    two[0]->move(100, 200);
    Trigger("Mosaic21");
    EXPECT_EQ(InClientArea(two[1]), QRect(0, 60, 390, 460));
    EXPECT_EQ(InClientArea(two[0]), QRect(390, 60, 390, 460));

    // Nothing moves when more windows are open than the arrangement holds.
    for (const auto& [button, count, text, title] :
         {std::tuple{15, 3, "There are more than 2 windows!", "Mosaic 2"},
          std::tuple{14, 5, "There are more than 4 windows!", "Mosaic 4"}}) {
        while (form.DocumentWindows().size() < count) {
            Trigger("FileNewItem");
        }
        const QList<TfrmNew*> windows = form.DocumentWindows();
        QList<QRect> before;
        for (const TfrmNew* window : windows) {
            before.append(window->geometry());
        }
        seam->calls.clear();
        seam->messageAnswers.push_back(TModalResult::Ok);
        Click(button);
        const TCall message = OnlyMessage();
        EXPECT_EQ(message.text + message.title, QString::fromLatin1(text) + title);
        EXPECT_TRUE(message.buttons == TMsgButtons::Ok && message.hasOwner);
        for (int i = 0; i < windows.size(); ++i) {
            EXPECT_EQ(windows[i]->geometry(), before[i]);
        }
    }
}

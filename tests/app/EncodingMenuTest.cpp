#include "MainFormTest.h"
#include "document/EncodingCommands.h"

#include <QMdiArea>
#include <QMenu>
#include <QSettings>

TEST_F(MainFormTest, EncodingMenuReachesEachEncodingByKeyAndTheFieldFollowsTheActiveDocument) {
    // Every item has an access key of its own in its menu.
    for (const char* name :
         {"FileMenu", "Encoding1", "ReopenWith", "ConvertTo", "DefaultEncoding"}) {
        QString keys;
        for (const QAction* action : form.findChild<QMenu*>(name)->actions()) {
            keys += action->text().section('&', 1).left(1).toLower();
        }
        EXPECT_EQ(QSet<QChar>(keys.begin(), keys.end()).size(), keys.size()) << name;
    }

    WriteFile(Path("u.txt"), "\xCE\xB1");
    TfrmNew* opened = form.CreateStartupDocument({Path("u.txt")});
    Trigger("FileNewItem");
    QToolButton* field = form.EncodingButton;
    EXPECT_EQ(field->menu(), form.EncodingMenu) << "a click opens the Encoding menu";
    auto shows = [&](const char* text, int checked, bool reopenable) {
        EXPECT_EQ(field->text(), QString::fromLatin1(text));
        for (int i = 0; i < kEncodingCount; ++i) {
            EXPECT_EQ(form.Action(QStringLiteral("ConvertTo%1").arg(i))->isChecked(), i == checked);
            EXPECT_EQ(form.Action(QStringLiteral("ReopenWith%1").arg(i))->isEnabled(), reopenable);
        }
    };
    shows("Windows-1252", 0, false); // the new window has no file
    form.DocumentArea().setActiveSubWindow(opened);
    shows("UTF-8", 1, true);
    seam->messageAnswers = {TModalResult::No, TModalResult::Yes};
    Trigger("ConvertTo0"); // "α" cannot be held: asked, and No keeps the mark
    shows("UTF-8", 1, true);
    Trigger("ConvertTo3");
    shows("UTF-16 LE", 3, true);
    Trigger("ReopenWith0");
    shows("Windows-1252", 0, true);
    EXPECT_EQ(Messages().size(), 2u) << "asked, as the conversion had changed the document";

    // The default is checked, taken by new documents and kept for the next run.
    Trigger("DefaultEncoding1");
    Trigger("FileNewItem");
    EXPECT_EQ(form.ActiveDocument()->Edit1().Encoding(), TEncoding::Utf8);
    TMainForm nextRun;
    EXPECT_TRUE(nextRun.Action("DefaultEncoding1")->isChecked());
    EXPECT_EQ(QSettings("Pennivale", "Pennivale").value("NewDocumentEncoding"), "UTF-8");
    SetNewDocumentEncoding(TEncoding::Windows1252);
}

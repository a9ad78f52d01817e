// The web entries of the main window, and a transfer under a main window
// that is closed meanwhile.
#include "MainFormTest.h"
#include "net/Nmhttp.h"
#include "tests/net/LoopbackServer.h"
#include "web/Site.h"
#include "web/Unit3.h"
#include "web/Unit4.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

using loopback::Connection;
using loopback::Server;

class WebCommandsTest : public MainFormTest {
protected:
    std::vector<std::string> Opened() {
        std::vector<std::string> targets;
        for (const TCall& call : seam->CallsOf(TCall::Kind::ShellOpen)) {
            targets.push_back(call.text.toStdString());
        }
        return targets;
    }
    // Made as at start-up, after the main window and its first document.
    TfrmAbout about{&form};
    TfrmImport import{&form, form};
};

TEST_F(WebCommandsTest, TheEntriesRunTheirCommands) {
    EXPECT_EQ(form.NMHTTP->Port, 80);
    EXPECT_EQ(form.NMHTTP->TimeOut, 20000);
    EXPECT_EQ(form.NMHTTP->ReportLevel, 0);
    EXPECT_EQ(form.NMHTTP->Body, "update.txt");
    EXPECT_EQ(form.NMHTTP->Header, "Head.txt");

    form.CreateStartupDocument({});
    Trigger("ImportfromWeb1");
    ASSERT_NE(form.ActiveDocument(), nullptr);
    EXPECT_EQ(form.ActiveDocument()->Caption(), "Untitled2");
    EXPECT_TRUE(import.isVisible());
    EXPECT_EQ(import.size(), QSize(433, 152));
    EXPECT_EQ(import.windowTitle(), QStringLiteral("Importing from Web"));

    Trigger("About1");
    EXPECT_TRUE(about.isVisible());

    form.ActiveDocument()->Edit1().SetText("a & b");
    Trigger("mnuSendbyEmail");
    Click(20);
    Click(124);
    EXPECT_EQ(Opened(), (std::vector<std::string>{"mailto:?Body=a%20%26%20b",
                                                  "mailto:?Body=a%20%26%20b", HomePageUrl()}));

    // the default update server is a reserved name that never resolves (a
    // build that names a real one is not asked from a test)
    if (UpdateFileUrl().find(".invalid/") == std::string::npos) {
        GTEST_SKIP() << "this build's update server is a real one";
    }
    Trigger("CheckforUpdates1");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, QStringLiteral("Null Remote Address."));
    EXPECT_EQ(Messages()[0].icon, TMsgIcon::Stop);
}

TEST_F(WebCommandsTest, ClosingTheMainWindowEndsTheTransferFirstThenClosesAsUsual) {
    Server server([](Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\npart");
        c.Pause(5000);
    });
    form.NMHTTP->TimeOut = 5000;
    form.CreateStartupDocument({});
    Trigger("ImportfromWeb1");
    TfrmNew* window = form.ActiveDocument();
    import.Edit1().setText(QString::fromStdString(server.Url("/slow")));
    seam->messageAnswers.push_back(TModalResult::No); // do not save the import

    QTimer poll;
    bool closed = false;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (!closed && form.NMHTTP->BytesRecvd > 0) {
            closed = true;
            form.close();
            // nothing is asked while the command still runs
            EXPECT_TRUE(Messages().empty());
            EXPECT_TRUE(form.isVisible());
        }
    });
    poll.start(2);
    QElapsedTimer clock;
    clock.start();
    import.Button1().click();
    EXPECT_TRUE(closed);
    EXPECT_LT(clock.elapsed(), 2000) << "the transfer was not ended";
    // the transfer ended as Cancel ends it: what had come is in the window
    EXPECT_EQ(window->Edit1().Text(), "part");
    EXPECT_TRUE(form.isVisible());

    // back in the main loop the window closes, asking about the import
    QCoreApplication::processEvents();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Messages()[0].text.startsWith(QStringLiteral("Do you want to save?")));
    EXPECT_FALSE(form.isVisible());
}

} // namespace

// The web entries of the main window, and a transfer under a main window
// that is closed meanwhile.
#include "MainFormTest.h"
#include "net/Nmhttp.h"
#include "tests/net/LoopbackServer.h"
#include "web/Site.h"
#include "web/Unit3.h"
#include "web/Unit4.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

class WebCommandsTest : public MainFormTest {
protected:
    // Made as at start-up, after the main window and its first document.
    TfrmAbout about{&form};
    TfrmImport import{&form, form};
};

TEST_F(WebCommandsTest, TheEntriesRunTheirCommands) {
    const TNMHTTP& http = *form.NMHTTP;
    EXPECT_EQ(std::tuple(http.Port, http.TimeOut, http.ReportLevel, http.Body, http.Header),
              std::tuple(80, 20000, 0, std::string("update.txt"), std::string("Head.txt")));
    form.CreateStartupDocument({});
    Trigger("ImportfromWeb1");
    EXPECT_EQ(form.ActiveDocument()->Caption(), "Untitled2");
    EXPECT_TRUE(import.isVisible());
    Trigger("About1");
    EXPECT_TRUE(about.isVisible());
    Trigger("mnuSendbyEmail");
    form.ActiveDocument()->Edit1().SetText("a & b");
    Click(20);
    Click(124);
    const auto opened = seam->CallsOf(TCall::Kind::ShellOpen);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0].text, QStringLiteral("mailto:?Body="));
    EXPECT_EQ(opened[1].text, QStringLiteral("mailto:?Body=a%20%26%20b"));
    EXPECT_EQ(opened[2].text.toStdString(), HomePageUrl());
    // A Unicode document's text goes as its own UTF-8.
    form.ActiveDocument()->Edit1().SetEncoding(TEncoding::Utf8);
    form.ActiveDocument()->Edit1().SetText("\u03B1\u00E9");
    Click(20);
    EXPECT_EQ(seam->CallsOf(TCall::Kind::ShellOpen).back().text,
              QStringLiteral("mailto:?Body=%CE%B1%C3%A9"));
    // the default update server is a reserved name that never resolves
    if (UpdateFileUrl().find(".invalid/") != std::string::npos) {
        Trigger("CheckforUpdates1");
        EXPECT_EQ(OnlyMessage().text, QStringLiteral("Null Remote Address."));
    }
}

TEST_F(WebCommandsTest, TheImportBarShowsTheBytesReceivedOrBusyWithoutALength) {
    const std::string body(3000, 'b');
    const std::string replies[] = {"HTTP/1.0 200 OK\r\nContent-Length: 3000\r\n\r\n" + body,
                                   "HTTP/1.0 200 OK\r\n\r\n" + body};
    loopback::Server server([&](loopback::Connection& c) {
        c.ReadRequest();
        c.Drip(replies[c.Index() % 2], 1000, 20);
    });
    // After each block the main window's handler saw: the bar, and what the
    // client had counted by then.
    using TBar = std::tuple<int, int, bool>; // position, maximum, busy
    std::vector<TBar> shown, counted;
    const TProgressBar& bar = import.ProgressBar();
    const auto handler = form.NMHTTP->OnPacketRecvd;
    form.NMHTTP->OnPacketRecvd = [&](QObject* sender) {
        handler(sender);
        shown.emplace_back(bar.Position(), bar.Max(), bar.Busy());
        const int total = form.NMHTTP->BytesTotal;
        counted.emplace_back(total > 0 ? form.NMHTTP->BytesRecvd : 0, total, total <= 0);
    };
    form.CreateStartupDocument({});
    for (const int length : {3000, 0}) {
        shown.clear();
        counted.clear();
        Trigger("ImportfromWeb1");
        import.Edit1().setText(QString::fromStdString(server.Url()));
        import.Button1().click();
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown, counted);
        EXPECT_EQ(shown.back(), TBar(length, length, length == 0));
        // over: busy no more, at the length announced
        EXPECT_EQ(TBar(bar.Position(), bar.Max(), bar.Busy()), TBar(length, length, false));
    }
}

TEST_F(WebCommandsTest, ClosingTheMainWindowEndsTheTransferFirstThenClosesAsUsual) {
    loopback::Server server([](loopback::Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\npart");
        c.Pause(5000);
    });
    form.CreateStartupDocument({});
    Trigger("ImportfromWeb1");
    TfrmNew* window = form.ActiveDocument();
    import.Edit1().setText(QString::fromStdString(server.Url("/slow")));
    // the part imported is said to be one; then: do not save it
    seam->messageAnswers = {TModalResult::Ok, TModalResult::No};
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (form.NMHTTP->BytesRecvd > 0 && form.isVisible()) {
            form.close();
            // nothing is asked, and nothing closes, while the command runs
            EXPECT_TRUE(Messages().empty() && form.isVisible());
            poll.stop();
        }
    });
    poll.start(2);
    import.Button1().click();
    // ended at once as Cancel ends it: what had come is in the window
    EXPECT_FALSE(poll.isActive());
    EXPECT_EQ(window->Edit1().Text(), "part");
    // back in the main loop the window closes, asking about the import
    QCoreApplication::processEvents();
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(
        Messages()[0].text,
        QStringLiteral("Import cancelled: the document holds the first 4 of the 1000 bytes."));
    EXPECT_TRUE(Messages()[1].text.startsWith(QStringLiteral("Do you want to save?")));
    EXPECT_FALSE(form.isVisible());
}

} // namespace

// Import from the web against loopback servers.
#include "WebTestSupport.h"

namespace {

class ImportTest : public WebTest {
protected:
    // The import command: a new window, then the dialog.
    TfrmNew* Open(const std::string& text = {}) {
        TfrmNew* window = frame.Files.FileNew();
        window->Edit1().SetText(text);
        window->SetChanged(false);
        frame.import.ShowImport();
        return window;
    }
};

TEST_F(ImportTest, EveryReplyGoesByteForByteIntoTheWindowAndTheBarEndsAtItsLength) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
    }
    bytes += "line\r\nline\nline\rend";
    const struct {
        std::string sent, text;
        int max;
        TEncoding encoding = TEncoding::Windows1252; // as a file's, from the body's bytes
    } imports[] = {{Reply(bytes), bytes, static_cast<int>(bytes.size())},
                   {Reply("caf\xC3\xA9"), "caf\xC3\xA9", 5, TEncoding::Utf8},
                   {Reply(std::string("\xFF\xFEh\0i\0", 6)), "hi", 6, TEncoding::Utf16LE},
                   {std::string("HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=utf-16be"
                                "\r\n\r\n\0h\0i",
                                67),
                    "hi", 0, TEncoding::Utf16BE},
                   {Reply("small"), "small", 5},
                   {Reply("moved", "399 Odd"), "moved", 5},
                   {"HTTP/1.0 200 OK\r\n\r\nno length", "no length", 0},
                   {Reply(""), "", 0},
                   {Reply(bytes), bytes, static_cast<int>(bytes.size())}};
    std::vector<std::string> replies;
    for (const auto& i : imports) {
        replies.push_back(i.sent);
    }
    loopback::Server server = Serving(replies, 50, 20); // several blocks each
    TfrmNew* window = Open("old text");
    const TProgressBar& bar = frame.import.ProgressBar();
    for (const auto& i : imports) {
        Import(server.Url("/dir/doc.txt"));
        EXPECT_EQ(window->Edit1().Text(), i.text);
        EXPECT_EQ(window->Edit1().Encoding(), i.encoding);
        EXPECT_EQ(Flag(window), "true");
        EXPECT_FALSE(frame.import.isVisible());
        // all the bytes announced, or an empty bar when none were
        EXPECT_EQ(std::tuple(bar.Position(), bar.Max(), bar.Busy()),
                  std::tuple(i.max, i.max, false));
    }
    EXPECT_GT(frame.packets, static_cast<int>(std::size(imports)));
    EXPECT_EQ(window->Caption(), "Untitled2");
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(server.Request().rfind("GET /dir/doc.txt HTTP/1.0\r\n", 0), 0u);
}

TEST_F(ImportTest, AFailureLeavesTheWindowAsItWasAndTheDialogOpen) {
    loopback::RefusingPort refusing;
    // 300 of the 1000 bytes a reply announces
    const std::string cut = Reply(std::string(1000, 'c')).substr(0, 41 + 300);
    loopback::Server resets([&](loopback::Connection& c) {
        c.ReadRequest();
        c.Send(cut);
        c.Pause(50);
        c.Close(true);
    });
    loopback::Server closesEarly = Serving({cut});
    loopback::Server silent = Serving({""}, 1, 0, 5000);
    loopback::Server stallsInBody = Serving({cut}, 1 << 20, 0, 5000); // the time-out ends it
    loopback::Server notFound = Serving({Reply("not found", "404 Not Found")});
    const std::pair<std::string, std::string> cases[] = {
        {notFound.Url(), "The server answered 404 Not Found."}, // an error page is no document
        {"", "Empty URL."},
        {"https://127.0.0.1/secret", "HTTP Secure Socket is not supported."},
        {"http://no-such-host.invalid/x", "Null Remote Address."},
        {"http://127.0.0.1:" + std::to_string(refusing.Port()) + "/", "Connection Failed."},
        {resets.Url(), "10054:Connection reset by peer."},
        {closesEarly.Url(),
         "The server closed the connection after 300 of the 1000 bytes it announced."},
        {silent.Url(), "Socket readln aborted."},
        {stallsInBody.Url(), "Socket capture aborted."},
    };
    TfrmNew* window = Open("kept");
    frame.http.TimeOut = 300;
    for (const auto& [url, message] : cases) {
        seam->calls.clear();
        frame.import.ShowImport();
        Import(url);
        EXPECT_EQ(Boxes(), std::vector<std::string>{message}) << url;
        EXPECT_EQ(window->Edit1().Text() + Flag(window), "keptfalse") << url;
        EXPECT_TRUE(frame.import.isVisible()) << url;
    }
}

TEST_F(ImportTest, CancelEndsEveryPhaseAtOnceKeepingOnlyABodyBegun) {
    nettest::SlowResolver resolver;
    loopback::FullBacklog neverAccepts;
    loopback::Server silent = Serving({""}, 1, 0, 5000);
    loopback::Server stallsInBody =
        Serving({Reply("part" + std::string(996, 'x')).substr(0, 41 + 4)}, 1 << 20, 0, 5000);
    const struct {
        std::string url;
        std::function<bool()> ready;
        std::vector<std::string> boxes;
        std::string text;
    } phases[] = {
        {"http://slow-name.test/x",
         [&] { return resolver.Entered(); },
         {"Host Lookup Canceled."},
         "kept"},
        {"http://127.0.0.1:" + std::to_string(neverAccepts.Port()) + "/",
         [&] { return frame.requests.Running(); },
         {"Connection Canceled."},
         "kept"},
        {silent.Url(),
         [&] { return silent.Request().find("\r\n\r\n") != std::string::npos; },
         {},
         "kept"},
        // a body begun is kept, and said to be a part
        {stallsInBody.Url(),
         [&] { return frame.http.BytesRecvd > 0; },
         {"Import cancelled: the document holds the first 4 of the 1000 bytes."},
         "part"},
    };
    for (const auto& p : phases) {
        seam->calls.clear();
        TfrmNew* window = Open("kept");
        During cancel(p.ready, [&] { frame.import.Button2().click(); });
        Import(p.url);
        EXPECT_GE(cancel.ranAfterMs, 0) << p.url;
        EXPECT_LT(cancel.AnsweredMs(), 500) << p.url << ": answered late";
        EXPECT_EQ(Boxes(), p.boxes) << p.url;
        EXPECT_EQ(window->Edit1().Text(), p.text) << p.url;
        EXPECT_FALSE(frame.import.isVisible() || frame.http.Connected) << p.url;
    }
}

TEST_F(ImportTest, AWindowMadeForAnImportThatBroughtNothingClosesWhenTheDialogIsGivenUp) {
    loopback::Server notFound = Serving({Reply("gone", "404 Not Found")});
    loopback::Server silent = Serving({""}, 1, 0, 5000);
    loopback::Server empty = Serving({Reply("")});
    // Cancel after a failure, or during the transfer: the window goes; one
    // given a body (an empty one) stays
    During cancel([&] { return silent.Request().find("\r\n\r\n") != std::string::npos; },
                  [&] { frame.import.Button2().click(); });
    const std::function<void()> ways[] = {[&] { frame.import.Button2().click(); },
                                          [&] { Import(silent.Url()); },
                                          [&] { Import(empty.Url()); }};
    frame.import.Edit1().setText(QStringLiteral("typed before"));
    for (const auto& way : ways) {
        QPointer<TfrmNew> made = frame.Files.FileNew();
        frame.import.ShowImport(made);
        EXPECT_EQ(frame.import.focusWidget(), &frame.import.Edit1());
        EXPECT_EQ(frame.import.Edit1().selectedText(), frame.import.Edit1().text());
        Import(notFound.Url()); // the dialog stays, and the window for another try
        ASSERT_TRUE(made && frame.import.isVisible());
        way();
        FlushDeletes();
        EXPECT_EQ(made.isNull(), &way != &ways[2]) << &way - ways;
    }
}

TEST_F(ImportTest, WhatTheUserDoesMeanwhileNeverReachesAClosedWindow) {
    // "first", a pause, "end"
    const std::string reply = Reply("firstend");
    loopback::Server server = Serving({reply}, reply.size() - 3, 150);
    TfrmNew* other = frame.Files.FileNew();
    other->Edit1().SetText("other");
    const auto started = [&] { return frame.http.BytesRecvd > 0; };

    // the target closed: it outlives the command and gets nothing
    QPointer<TfrmNew> target = Open();
    During closeTarget(started, [&] { target->close(); });
    Import(server.Url());
    ASSERT_TRUE(target) << "destroyed under the running command";
    EXPECT_EQ(target->Edit1().Text(), "");
    FlushDeletes();
    EXPECT_FALSE(target);

    // a second import is refused while the first goes on; so is the dialog
    // closed; another command pointed CurrentDocument elsewhere: the body goes there
    const std::function<void()> meanwhile[] = {[&] { frame.import.Button1().click(); },
                                               [&] { frame.import.close(); },
                                               [&] { frame.current = other; }};
    for (const auto& action : meanwhile) {
        target = Open();
        During during(started, action);
        Import(server.Url());
        EXPECT_EQ((&action == &meanwhile[2] ? other : target.data())->Edit1().Text(), "firstend");
    }
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Already connected."});
    EXPECT_EQ(target->Edit1().Text(), "");

    // with no window left open, the import makes one
    for (QMdiSubWindow* window : frame.DocumentArea().subWindowList()) {
        static_cast<TfrmNew*>(window)->SetChanged(false);
        window->close();
    }
    FlushDeletes();
    Import(server.Url());
    ASSERT_NE(frame.ActiveDocumentWindow(), nullptr);
    EXPECT_EQ(frame.ActiveDocumentWindow()->Edit1().Text(), "firstend");
}

} // namespace

// Import from the web against loopback servers: what reaches the document,
// how each failure and each cancel ends, and what the user may do meanwhile.
#include "WebTestSupport.h"
#include "net/PsockSys.h"

#include <QLineEdit>
#include <QPushButton>
#include <condition_variable>
#include <mutex>

namespace {

using loopback::Connection;
using loopback::Server;

std::string reply(const std::string& body, const char* status = "200 OK") {
    return std::string("HTTP/1.0 ") + status +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Answers each request with the next of replies, sent in drops of chunk bytes.
Server serving(std::vector<std::string> replies, std::size_t chunk = 1 << 20, int pauseMs = 0) {
    return Server([replies, chunk, pauseMs](Connection& c) {
        c.ReadRequest();
        c.Drip(replies[static_cast<std::size_t>(c.Index()) % replies.size()], chunk, pauseMs);
    });
}

// A name server that answers only once released (or after 5 s).
struct SlowResolver {
    struct State {
        std::mutex mutex;
        std::condition_variable released;
        bool entered = false;
        bool release = false;
    };
    std::shared_ptr<State> state = std::make_shared<State>();
    SlowResolver() {
        psock::SetResolver([s = state](const std::string&, in_addr_t&) {
            std::unique_lock<std::mutex> lock(s->mutex);
            s->entered = true;
            s->released.wait_for(lock, std::chrono::seconds(5), [&] { return s->release; });
            return 11001;
        });
    }
    ~SlowResolver() {
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            state->release = true;
        }
        state->released.notify_all();
        psock::SetResolver(nullptr);
    }
    bool Entered() const {
        std::lock_guard<std::mutex> lock(state->mutex);
        return state->entered;
    }
};

class ImportTest : public WebTest {
protected:
    // The import command: a new window, then the dialog.
    TfrmNew* Open() {
        TfrmNew* window = frame.Files.FileNew();
        frame.import.ShowImport();
        return window;
    }
};

TEST_F(ImportTest, TheBodyGoesByteForByteIntoTheNewWindow) {
    std::string body;
    for (int b = 0; b < 256; ++b) {
        body += static_cast<char>(b);
    }
    body += "line\r\nline\nline\rend";
    Server server = serving({reply(body)});
    TfrmNew* window = Open();
    Import(server.Url("/dir/doc.txt"));
    EXPECT_EQ(window->Edit1().Text(), body);
    EXPECT_EQ(Flag(window), "true");
    EXPECT_EQ(window->Caption(), "Untitled2");
    EXPECT_FALSE(frame.import.isVisible());
    EXPECT_EQ(frame.import.ProgressBar().Max(), static_cast<int>(body.size()));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(server.Request().substr(0, 30), "GET /dir/doc.txt HTTP/1.0\r\nHos");
    EXPECT_EQ(frame.import.Edit1().text().toStdString(), server.Url("/dir/doc.txt"))
        << "the URL stays for the next import";
}

TEST_F(ImportTest, EveryReplyIsImportedAndTheBarCarriesOverImports) {
    const std::string big(1000, 'a');
    const struct {
        std::string sent;
        std::string text;
        int max;
    } imports[] = {
        {reply(big), big, 1000},
        {reply("small"), "small", 5},
        {reply("not found", "404 Not Found"), "not found", 9},
        {"HTTP/1.0 200 OK\r\n\r\nno length", "no length", 0},
        {reply(""), "", 0},
        {reply(big), big, 1000},
    };
    std::vector<std::string> replies;
    for (const auto& i : imports) {
        replies.push_back(i.sent);
    }
    // the first reply in a few drops, so it comes in several blocks
    Server server = serving(replies, 400, 30);
    TfrmNew* window = Open();
    window->Edit1().SetText("old text");
    int position = 0;
    int max = 100;
    for (const auto& i : imports) {
        const int before = frame.packets;
        Import(server.Url("/page"));
        // each block moves the bar on by one within the range it had, then
        // the range becomes the announced length
        position = std::min(position + frame.packets - before, max);
        max = i.max;
        position = std::min(position, max);
        EXPECT_EQ(window->Edit1().Text(), i.text);
        EXPECT_EQ(frame.import.ProgressBar().Max(), max);
        EXPECT_EQ(frame.import.ProgressBar().Position(), position);
    }
    EXPECT_GT(frame.packets, static_cast<int>(std::size(imports)));
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ImportTest, AFailureLeavesTheWindowAsItWasAndTheDialogOpen) {
    loopback::RefusingPort refusing;
    Server resets([](Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(300, 'r'));
        c.Pause(50);
        c.Close(true);
    });
    Server closesEarly(
        serving({"HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(300, 'c')}));
    Server silent([](Connection& c) {
        c.ReadRequest();
        c.Pause(5000);
    });
    Server slowBody(serving({reply(std::string(100, 's'))}, 10, 60));
    const struct {
        std::string url;
        int timeOut;
        std::string message;
    } cases[] = {
        {"", 5000, "Empty URL."},
        {"https://127.0.0.1/secret", 5000, "HTTP Secure Socket is not supported."},
        {"http://no-such-host.invalid/x", 5000, "Null Remote Address."},
        {"http://127.0.0.1:" + std::to_string(refusing.Port()) + "/", 5000, "Connection Failed."},
        {resets.Url("/r"), 5000, "10054:Connection reset by peer."},
        {closesEarly.Url("/c"), 5000,
         "The server closed the connection after 300 of the 1000 bytes it announced."},
        {silent.Url("/s"), 300, "Socket readln aborted."},
        {slowBody.Url("/b"), 300, "Socket capture aborted."},
    };
    TfrmNew* window = Open();
    window->Edit1().SetText("kept");
    window->SetChanged(false);
    for (const auto& c : cases) {
        seam->calls.clear();
        frame.http.TimeOut = c.timeOut;
        frame.import.ShowImport();
        QElapsedTimer clock;
        clock.start();
        Import(c.url);
        EXPECT_EQ(Boxes(), std::vector<std::string>{c.message}) << c.url;
        EXPECT_LT(clock.elapsed(), 3000) << c.url;
        EXPECT_EQ(window->Edit1().Text(), "kept") << c.url;
        EXPECT_EQ(Flag(window), "false") << c.url;
        EXPECT_TRUE(frame.import.isVisible()) << c.url;
    }
}

TEST_F(ImportTest, CancelEndsEveryPhaseAtOnceKeepingOnlyABodyBegun) {
    SlowResolver resolver;
    loopback::FullBacklog neverAccepts;
    Server silent([](Connection& c) {
        c.ReadRequest();
        c.Pause(5000);
    });
    Server stallsInBody([](Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\npart");
        c.Pause(5000);
    });
    const struct {
        const char* phase;
        std::string url;
        std::function<bool()> ready;
        std::vector<std::string> boxes;
        std::string text;
    } phases[] = {
        {"name lookup",
         "http://slow-name.test/x",
         [&] { return resolver.Entered(); },
         {"Host Lookup Canceled."},
         "kept"},
        {"connecting",
         "http://127.0.0.1:" + std::to_string(neverAccepts.Port()) + "/",
         [&] { return frame.requests.Running(); },
         {"Connection Canceled."},
         "kept"},
        {"awaiting the reply",
         silent.Url("/s"),
         [&] { return silent.Request().find("\r\n\r\n") != std::string::npos; },
         {},
         "kept"},
        {"receiving the body",
         stallsInBody.Url("/b"),
         [&] { return frame.http.BytesRecvd > 0; },
         {},
         "part"},
    };
    for (const auto& p : phases) {
        seam->calls.clear();
        TfrmNew* window = Open();
        window->Edit1().SetText("kept");
        During cancel(p.ready, [&] { frame.import.Button2().click(); });
        QElapsedTimer clock;
        clock.start();
        Import(p.url);
        EXPECT_GE(cancel.ranAfterMs, 0) << p.phase;
        EXPECT_LT(clock.elapsed() - cancel.ranAfterMs, 500) << p.phase << ": answered late";
        EXPECT_EQ(Boxes(), p.boxes) << p.phase;
        EXPECT_EQ(window->Edit1().Text(), p.text) << p.phase;
        EXPECT_FALSE(frame.import.isVisible()) << p.phase;
        EXPECT_FALSE(frame.http.Connected) << p.phase;
    }
}

TEST_F(ImportTest, WhatTheUserDoesMeanwhileNeverReachesAClosedWindow) {
    // the body in two parts, a pause between them
    Server server([](Connection& c) {
        c.ReadRequest();
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: 8\r\n\r\nfirst");
        c.Pause(150);
        c.Send("end");
    });
    TfrmNew* other = frame.Files.FileNew();
    other->Edit1().SetText("other");
    const auto started = [&] { return frame.http.BytesRecvd > 0; };

    // the target window closed: it outlives the command, gets nothing, and
    // goes once the main loop runs again; the others are untouched
    TfrmNew* target = Open();
    QPointer<TfrmNew> guard(target);
    During closeTarget(started, [&] { target->close(); });
    Import(server.Url("/1"));
    ASSERT_TRUE(guard) << "destroyed under the running command";
    EXPECT_TRUE(guard->IsClosed());
    EXPECT_EQ(guard->Edit1().Text(), "");
    FlushDeletes();
    EXPECT_FALSE(guard);
    EXPECT_EQ(other->Edit1().Text(), "other");

    // a second import while one runs is refused; the first goes on
    target = Open();
    During again(started, [&] { frame.import.Button1().click(); });
    Import(server.Url("/2"));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Already connected."});
    EXPECT_EQ(target->Edit1().Text(), "firstend");

    // the dialog closed: the import goes on into its window
    target = Open();
    During hide(started, [&] { frame.import.close(); });
    Import(server.Url("/3"));
    EXPECT_EQ(target->Edit1().Text(), "firstend");

    // another command took another window meanwhile: the body goes there
    target = Open();
    During retarget(started, [&] { frame.current = other; });
    Import(server.Url("/4"));
    EXPECT_EQ(other->Edit1().Text(), "firstend");
    EXPECT_EQ(target->Edit1().Text(), "");
    EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(ImportTest, TheActiveWindowTakesTheImportOrANewOneWhenNoneIsOpen) {
    Server server = serving({reply("body")});
    TfrmNew* first = Open();
    TfrmNew* second = frame.Files.FileNew();
    second->Edit1().SetText("second");
    // the user went back to the first window and imports again
    frame.DocumentArea().setActiveSubWindow(first);
    Import(server.Url("/x"));
    EXPECT_EQ(first->Edit1().Text(), "body");
    EXPECT_EQ(second->Edit1().Text(), "second");
    first->SetChanged(false);
    first->close();
    second->SetChanged(false);
    second->close();
    FlushDeletes();
    ASSERT_EQ(frame.ActiveDocumentWindow(), nullptr);
    Import(server.Url("/x"));
    ASSERT_NE(frame.ActiveDocumentWindow(), nullptr);
    EXPECT_EQ(frame.ActiveDocumentWindow()->Edit1().Text(), "body");
}

TEST_F(ImportTest, OddURLsReachTheServerAsOneSafeRequestLine) {
    Server server = serving({reply("ok")});
    const std::string base = server.Url("/");
    const std::string cases[] = {
        base + std::string(100 * 1024, 'p'), // asked for whole, not cut to another resource
        base + "a b\x01\x7F" + "\xC3\xBC.txt",
        "  " + base + "tab\there\r\n",
    };
    TfrmNew* window = Open();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        window->Edit1().SetText("");
        Import(cases[i]);
        EXPECT_EQ(window->Edit1().Text(), "ok") << i;
        const std::string request = server.Request(i);
        const std::string line = request.substr(0, request.find("\r\n"));
        EXPECT_EQ(line.substr(0, 5), "GET /") << i;
        EXPECT_EQ(line.substr(line.size() - 9), " HTTP/1.0") << i;
        for (const char c : line.substr(4, line.size() - 13)) {
            EXPECT_GT(static_cast<unsigned char>(c), 0x20) << i;
            EXPECT_NE(c, 0x7F) << i;
        }
    }
    EXPECT_EQ(server.Request(0).find("GET /" + std::string(100 * 1024, 'p') + " HTTP/1.0\r\n"), 0u);
    EXPECT_TRUE(Boxes().empty());
}

} // namespace

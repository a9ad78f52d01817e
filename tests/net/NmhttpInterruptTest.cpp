// The HTTP client cut off by the peer (a reset at each phase of the exchange)
// or by the user (a cancel at each phase), against loopback servers.
#include "framework/Files.h"
#include "net/Nmhttp.h"
#include "net/PsockSys.h"
#include "tests/net/LoopbackServer.h"
#include "tests/net/NetTestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using loopback::Connection;
using loopback::Server;
using nettest::message;
using Client = nettest::HttpClient;

TEST(NmhttpInterrupt, ResetAtEachPhaseIsReportedAndWhatArrivedStays) {
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n";
    const std::string part(300, 'p');
    const std::string reset = "10054:Connection reset by peer";
    const struct {
        const char* phase;
        std::string sent;
        int pauseMs;
        std::string error, header, body;
    } cases[] = {
        {"in the body", head + part, 0, reset, head, part},
        {"in the body, the client waiting", head + part, 100, reset, head, part},
        {"in a header line", "HTTP/1.0 200 OK\r\nX-Partial: ab", 0, reset, "HTTP/1.0 200 OK\r\n",
         ""},
        {"in a header line, the client waiting", "HTTP/1.0 200 OK\r\nX-Partial: ab", 100, reset,
         "HTTP/1.0 200 OK\r\n", ""},
        {"before any reply", "", 0, reset, "", ""},
        {"before any reply, the client waiting", "", 100, reset, "", ""},
        // without a length a cut body cannot be told from a whole one
        {"after a body of no announced size", "HTTP/1.0 200 OK\r\n\r\nhello", 50, reset,
         "HTTP/1.0 200 OK\r\n\r\n", "hello"},
        // a reset once the whole announced body is in loses nothing
        {"after the whole announced body", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello", 50,
         "(no exception)", "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\n", "hello"},
    };
    // each case twice: the body into a string, then into a file
    Server server([&](Connection& c) {
        const auto& script = cases[(c.Index() / 2) % std::size(cases)];
        c.ReadRequest();
        c.Send(script.sent);
        c.Pause(script.pauseMs);
        c.Close(true);
    });
    QTemporaryDir dir;
    const std::string file = dir.filePath("body.bin").toStdString();
    Client http;
    std::vector<int> errors;
    http.OnError = [&](QObject*, std::uint16_t number, const std::string&) {
        errors.push_back(number);
    };
    for (const auto& c : cases) {
        for (const bool toFile : {false, true}) {
            errors.clear();
            http.InputFileMode = toFile;
            http.Body = toFile ? file : "";
            WriteFileBytes(file, "");
            EXPECT_EQ(message([&] { http.Get(server.Url("/r")); }), c.error) << c.phase;
            EXPECT_EQ(http.Header, c.header) << c.phase;
            EXPECT_EQ(toFile ? ReadFileBytes(file) : http.Body, c.body) << c.phase;
            // the socket layer reports every reset, also the one that cost nothing
            EXPECT_EQ(errors, std::vector<int>{10054}) << c.phase;
            EXPECT_FALSE(http.Connected);
        }
    }
}

TEST(NmhttpInterrupt, CancelIsAnsweredAtOnceInEveryPhase) {
    const std::string bigData(32u << 20, 'd'); // more than the socket buffers hold
    for (const bool byAbort : {true, false}) {
        // fresh peers for each round: each serves one connection at a time
        nettest::SlowResolver resolver;
        loopback::FullBacklog neverAccepts;
        Server neverReads([](Connection& c) { c.Pause(8000); });
        const auto stallsAfter = [](const std::string& sent) {
            return [sent](Connection& c) {
                c.ReadRequest();
                c.Send(sent);
                c.ReadUntil({}, 8000);
            };
        };
        Server stallsInHeader(stallsAfter("HTTP/1.0 200 OK\r\n"));
        Server stallsInBody(stallsAfter("HTTP/1.0 200 OK\r\n\r\npart"));
        Client http;
        http.UrlEncodePost = false;
        // The cancel waits for the step the phase is about, never for a time:
        // on a loaded machine even a loopback connect may take a while.
        http.TimeOut = 20000;
        http.ReportLevel = 8;
        std::string step;
        http.OnStatus = [&](QObject*, const std::string& status) {
            for (const char* s : {"Connecting", "Sending Buffer", "ReadLn", "Capture String"}) {
                if (status == s) {
                    step = status;
                }
            }
        };
        const auto inStep = [&](const char* wanted) {
            return [&step, wanted] { return step == wanted; };
        };
        const struct {
            const char* phase;
            std::function<void()> request;
            std::function<bool()> ready;
            std::string byAbort, byDisconnect;
        } phases[] = {
            {"name lookup", [&] { http.Get("http://slow-name.test/x"); },
             [&] { return resolver.Entered(); }, "Host Lookup Canceled", "Host Lookup Canceled"},
            {"connecting",
             [&] { http.Get("http://127.0.0.1:" + std::to_string(neverAccepts.Port()) + "/"); },
             inStep("Connecting"), "Connection Canceled", "Connection Canceled"},
            // only a send the peer does not take waits, pumping
            {"sending", [&] { http.Post(neverReads.Url("/upload"), bigData); },
             inStep("Sending Buffer"), "Socket send aborted", "Socket send aborted"},
            // a Disconnect while receiving ends the reply where it is, without an error
            {"receiving the header", [&] { http.Get(stallsInHeader.Url()); }, inStep("ReadLn"),
             "Socket readln aborted", "(no exception)"},
            {"receiving the body", [&] { http.Get(stallsInBody.Url()); }, inStep("Capture String"),
             "Socket capture aborted", "(no exception)"},
        };
        for (const auto& p : phases) {
            step.clear();
            nettest::During cancel(p.ready, [&] { byAbort ? http.Abort() : http.Disconnect(); });
            const std::string outcome = message(p.request);
            const std::string how = std::string(p.phase) + (byAbort ? ", Abort" : ", Disconnect");
            EXPECT_EQ(outcome, byAbort ? p.byAbort : p.byDisconnect) << how;
            EXPECT_GE(cancel.ranAfterMs, 0) << how << ": the cancel was never delivered";
            // at once, not when the time-out would have ended it
            EXPECT_LT(cancel.AnsweredMs(), http.TimeOut / 10) << how;
            EXPECT_FALSE(http.Connected) << how;
        }
        EXPECT_EQ(http.Body, "part");
    }
}

} // namespace

// The socket component's error texts and report, status levels and time-out
// timer.

#include "net/Psock.h"

#include "net/PsockSys.h"
#include "tests/net/NetTestSupport.h"

#include <gtest/gtest.h>

namespace {

using nettest::message;

// Opens the protected operations to the tests.
class TTestSock : public TPowersock {
public:
    using TPowersock::Timer;
};

TEST(PsockErrors, TextsTranslationAndReport) {
    TPowersock sock;
    EXPECT_EQ(sock.SocketErrorStr(0) + sock.SocketErrorStr(10072), "Unknown Error No. 10072");
    EXPECT_EQ(psock::winsockErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_GT(psock::winsockErrorFromErrno(EIO), 10000); // outside the table, still an error

    std::vector<std::pair<int, std::string>> errors;
    sock.OnError = [&](QObject* sender, std::uint16_t number, const std::string& text) {
        EXPECT_EQ(sender, &sock);
        errors.emplace_back(number, text);
    };
    // Would-block and numbers up to 10000 are no errors.
    for (const int ignored : {10035, 10000}) {
        psock::WSASetLastError(ignored);
        EXPECT_EQ(sock.ErrorManager(10035), "");
        EXPECT_EQ(sock.LastErrorNo, ignored);
    }
    psock::WSASetLastError(10061);
    EXPECT_EQ(message([&] { sock.ErrorManager(10035); }), "10061:Connection refused");
    // SetWSAError raises nothing; an empty message takes the table's text.
    sock.SetWSAError(10060, "");
    EXPECT_EQ(psock::WSAGetLastError(), 10060);
    sock.SetWSAError(10054, "own words");
    EXPECT_EQ(errors,
              (std::vector<std::pair<int, std::string>>{{10061, "10061:Connection refused"},
                                                        {10060, "10060:Connection timed out"},
                                                        {10054, "own words"}}));
}

TEST(PsockStatus, LevelsFilterTheTextsAndHandlersCannotBreakAnOperation) {
    TPowersock sock;
    std::vector<std::string> seen;
    sock.OnStatus = [&](QObject*, const std::string& text) { seen.push_back(text); };
    sock.StatusMessage(1, "reply"); // level 0, the start value, reports nothing
    sock.ReportLevel = 4;
    sock.StatusMessage(4, "four");
    sock.Cancel(); // level 8
    sock.ReportLevel = 8;
    sock.Abort(); // a nested call reports its own text too
    EXPECT_EQ(seen, (std::vector<std::string>{"four", "Abort", "Canceling"}));

    sock.OnStatus = [](QObject*, const std::string&) { throw Exception("handler failed"); };
    EXPECT_NO_THROW(sock.Cancel());
    EXPECT_EQ(sock.Status, "Canceling");
}

TEST(PsockTimeOut, ArmingKeepsTheCountdownFiringSetsTheFlagsAndHandlersCannotEscape) {
    TTestSock sock;
    sock.TimeOut = 0;
    sock.TimerOn();
    EXPECT_FALSE(sock.Timer->isRunning());
    sock.TimeOut = -1;
    EXPECT_THROW(sock.TimerOn(), ERangeError);

    sock.TimeOut = 150;
    sock.TimerOn();
    QElapsedTimer clock;
    clock.start();
    // Arming again and again does not push the expiry back.
    while (!sock.TimedOut && clock.elapsed() < 2000) {
        sock.TimerOn();
        ProcessMessages();
    }
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_TRUE(sock.AsyncDone && sock.Canceled);
    EXPECT_FALSE(sock.Timer->isRunning());
    // A changed TimeOut restarts it.
    sock.TimeOut = 10000;
    sock.TimerOn();
    EXPECT_FALSE(sock.TimedOut);
    EXPECT_GT(sock.Timer->remainingTime(), 5000);

    // What a timer's handler raises goes to the application's handler.
    std::string shown;
    const auto saved = TThreadTimer::ApplicationExceptionHandler;
    TThreadTimer::ApplicationExceptionHandler = [&](const std::exception& e) { shown = e.what(); };
    {
        TThreadTimer timer;
        timer.SetInterval(10);
        timer.SetOnTimer([&](QObject*) {
            timer.SetEnabled(false);
            throw Exception("tick failed");
        });
        nettest::waitUntil([&] { return !shown.empty(); }, 2000);
    }
    TThreadTimer::ApplicationExceptionHandler = saved;
    EXPECT_EQ(shown, "tick failed");
}

} // namespace

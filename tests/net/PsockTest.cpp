// The socket component's error texts and report, status levels, time-out
// timer, start-up record and text helpers.

#include "net/Psock.h"

#include "framework/Pump.h"
#include "net/PsockSys.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <netdb.h>

namespace {

// Opens the protected operations to the tests.
class TTestSock : public TPowersock {
public:
    using TPowersock::Timer;
    using TPowersock::TimerFired;
};

TEST(PsockErrorText, TableTextsAndUnknownNumbers) {
    TPowersock sock;
    EXPECT_EQ(sock.SocketErrorStr(0), "");
    EXPECT_EQ(sock.SocketErrorStr(10061), "10061:Connection refused");
    EXPECT_EQ(sock.SocketErrorStr(10035), "10035:Operation would block");
    EXPECT_EQ(sock.SocketErrorStr(11003), "11003:Non-Recoverable error: FORMERR, REFUSED, NOTIMP");
    EXPECT_EQ(sock.SocketErrorStr(12345), "Unknown Error No. 12345");
    EXPECT_EQ(sock.SocketErrorStr(10072), "Unknown Error No. 10072");
    // Every entry is found by its own code, in table order, within 51 characters.
    for (const TWinsockErrorEntry& entry : WinsockErrorTable) {
        EXPECT_LE(std::string(entry.Text).size(), 51u);
        EXPECT_EQ(sock.SocketErrorStr(static_cast<std::uint16_t>(entry.Code)),
                  std::to_string(entry.Code) + ":" + entry.Text);
    }
    EXPECT_EQ(WinsockErrorTable[0].Code, 10004);
    EXPECT_EQ(WinsockErrorTable[WinsockErrorCount - 1].Code, 11004);
}

TEST(PsockErrorText, ErrnoIsTranslatedToWinsockNumbers) {
    EXPECT_EQ(psock::winsockErrorFromErrno(EWOULDBLOCK), 10035);
    EXPECT_EQ(psock::winsockErrorFromErrno(EINPROGRESS), 10035);
    EXPECT_EQ(psock::winsockErrorFromErrno(ENOTCONN), 10057);
    EXPECT_EQ(psock::winsockErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(psock::winsockErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(psock::winsockErrorFromErrno(EPIPE), 10054);
    EXPECT_EQ(psock::winsockErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(psock::winsockErrorFromErrno(EMFILE), 10024);
    // An errno outside the table still counts as an error (above 10000).
    EXPECT_GT(psock::winsockErrorFromErrno(EIO), 10000);
    EXPECT_EQ(psock::winsockErrorFromLookup(EAI_NONAME, 0), 11001);
}

TEST(PsockErrorReport, IgnoresWouldBlockAndSmallNumbersRaisesTheRest) {
    TPowersock sock;
    std::vector<std::pair<int, std::string>> errors;
    sock.OnError = [&](QObject* sender, std::uint16_t number, const std::string& text) {
        EXPECT_EQ(sender, &sock);
        errors.emplace_back(number, text);
    };
    psock::WSASetLastError(10035);
    EXPECT_EQ(sock.ErrorManager(10035), "");
    EXPECT_EQ(sock.LastErrorNo, 10035);
    psock::WSASetLastError(9999);
    EXPECT_EQ(sock.ErrorManager(10035), "");
    psock::WSASetLastError(10000);
    EXPECT_EQ(sock.ErrorManager(10035), "");
    EXPECT_TRUE(errors.empty());

    psock::WSASetLastError(10061);
    try {
        sock.ErrorManager(10035);
        FAIL() << "no exception";
    } catch (const EAbortError&) {
        FAIL() << "not an abort";
    } catch (const ESockError& error) {
        EXPECT_EQ(error.Message(), "10061:Connection refused");
    }
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].first, 10061);
    EXPECT_EQ(errors[0].second, "10061:Connection refused");
    EXPECT_EQ(sock.GetLastErrorNo(), 10061);

    // SetWSAError raises nothing; an empty message takes the table's text.
    sock.SetWSAError(10060, "");
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1].first, 10060);
    EXPECT_EQ(errors[1].second, "10060:Connection timed out");
    EXPECT_EQ(sock.LastErrorNo, 10060);
    EXPECT_EQ(psock::WSAGetLastError(), 10060);
    sock.SetWSAError(10054, "own words");
    EXPECT_EQ(errors[2].second, "own words");

    // SetLastErrorNo leaves the system's last error alone.
    sock.SetLastErrorNo(7);
    EXPECT_EQ(sock.LastErrorNo, 7);
    EXPECT_EQ(psock::WSAGetLastError(), 10054);
}

TEST(PsockStatus, LevelsFilterTheTextsAndHandlersCannotBreakAnOperation) {
    TPowersock sock;
    std::vector<std::string> seen;
    sock.OnStatus = [&](QObject*, const std::string& text) { seen.push_back(text); };

    // Level 0 (the start value) reports nothing.
    sock.Cancel();
    sock.StatusMessage(1, "reply");
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(sock.Status, "");

    sock.ReportLevel = 4;
    sock.StatusMessage(1, "250 ok\r\n");
    sock.StatusMessage(2, "Transaction Completed");
    sock.Cancel();             // level 8
    sock.RequestCloseSocket(); // level 4
    sock.StatusMessage(5, "five");
    EXPECT_EQ(seen, (std::vector<std::string>{"250 ok\r\n", "Transaction Completed",
                                              "Request Close Socket"}));
    EXPECT_EQ(sock.Status, "Request Close Socket");

    // A nested call reports its own text too.
    seen.clear();
    sock.ReportLevel = 8;
    sock.Abort();
    EXPECT_EQ(seen, (std::vector<std::string>{"Abort", "Canceling"}));

    seen.clear();
    EXPECT_EQ(sock.SocketErrorStr(10061), "10061:Connection refused");
    EXPECT_EQ(seen, (std::vector<std::string>{"Looking Up Error Message"}));

    sock.OnStatus = [](QObject*, const std::string&) { throw Exception("handler failed"); };
    EXPECT_NO_THROW(sock.Cancel());
    EXPECT_TRUE(sock.Canceled);
    EXPECT_EQ(sock.Status, "Canceling");
}

TEST(PsockStartUp, FirstComponentFillsTheRecordAndOnlyItCounts) {
    const int before = WinsockUsers;
    auto first = std::make_unique<TPowersock>();
    EXPECT_EQ(WinsockUsers, before + 1);
    auto second = std::make_unique<TPowersock>();
    EXPECT_EQ(WinsockUsers, before + 2);
    if (before == 0) {
        ASSERT_EQ(first->WinsockInfo.Count(), 6);
        EXPECT_EQ(first->WinsockInfo[0], "Version= 1.1");
        EXPECT_EQ(first->WinsockInfo[1], "High Version= 1.1");
        EXPECT_EQ(first->WinsockInfo[2].rfind("Description= ", 0), 0u);
        EXPECT_EQ(first->WinsockInfo[3].rfind("System= ", 0), 0u);
        EXPECT_EQ(first->WinsockInfo[4].rfind("Max Sockets= ", 0), 0u);
        EXPECT_EQ(first->WinsockInfo[5], "Max Udp pack size= 65507");
    }
    EXPECT_EQ(second->WinsockInfo.Count(), 0);
    EXPECT_NE(first->SocketHandle, InvalidSocketHandle);
    EXPECT_NE(first->SocketHandle, second->SocketHandle);
    EXPECT_FALSE(first->Connected);
    second.reset();
    first.reset();
    EXPECT_EQ(WinsockUsers, before);
}

TEST(PsockCertify, AsksOnceThenRaisesNotConnected) {
    TPowersock sock;
    try {
        sock.CertifyConnect();
        FAIL();
    } catch (const ESockError&) {
        FAIL() << "must be the framework's base exception";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "Not Connected");
    }
    int asked = 0;
    sock.OnConnectionNeeded = [&](bool& handled) {
        ++asked;
        handled = true; // says yes, but connects nothing
    };
    EXPECT_THROW(sock.CertifyConnect(), Exception);
    EXPECT_EQ(asked, 1);
    sock.OnConnectionNeeded = [&](bool& handled) {
        ++asked;
        sock.Connected = true;
        handled = true;
    };
    EXPECT_NO_THROW(sock.CertifyConnect());
    EXPECT_EQ(asked, 2);
}

TEST(PsockTimeOut, ZeroSchedulesNothingNegativeIsARangeError) {
    TTestSock sock;
    sock.TimeOut = 0;
    sock.TimerOn();
    EXPECT_FALSE(sock.Timer->isRunning());
    sock.TimerOff();
    sock.TimeOut = -1;
    EXPECT_THROW(sock.TimerOn(), ERangeError);
    sock.TimeOut = 50;
    sock.TimerOn();
    EXPECT_TRUE(sock.Timer->isRunning());
    sock.TimerOff();
    EXPECT_FALSE(sock.Timer->isRunning());
}

TEST(PsockTimeOut, RearmingKeepsTheCountdownAndFiringSetsTheFlags) {
    TTestSock sock;
    sock.TimeOut = 150;
    sock.TimerOn();
    QElapsedTimer clock;
    clock.start();
    // Arming again and again does not push the expiry back.
    while (!sock.TimedOut && clock.elapsed() < 2000) {
        sock.TimerOn();
        ProcessMessages();
    }
    EXPECT_TRUE(sock.TimedOut);
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_TRUE(sock.AsyncDone);
    EXPECT_TRUE(sock.Canceled);
    EXPECT_FALSE(sock.Timer->isRunning());
    // A changed TimeOut restarts it.
    sock.TimeOut = 10000;
    sock.TimerOn();
    EXPECT_FALSE(sock.TimedOut);
    EXPECT_GT(sock.Timer->remainingTime(), 5000);
    sock.TimerOff();
}

TEST(PsockTimeOut, TimerHandlerExceptionGoesToTheApplicationHandler) {
    std::string shown;
    auto saved = TThreadTimer::ApplicationExceptionHandler;
    TThreadTimer::ApplicationExceptionHandler = [&](const std::exception& error) {
        shown = error.what();
    };
    {
        TThreadTimer timer;
        EXPECT_TRUE(timer.Enabled());
        EXPECT_EQ(timer.Interval(), 1000u);
        EXPECT_FALSE(timer.isRunning()); // no handler, no timer
        timer.SetInterval(10);
        timer.SetOnTimer([&](QObject*) {
            timer.SetEnabled(false);
            throw Exception("tick failed");
        });
        QElapsedTimer clock;
        clock.start();
        while (shown.empty() && clock.elapsed() < 2000) {
            WaitMessage();
        }
    }
    TThreadTimer::ApplicationExceptionHandler = saved;
    EXPECT_EQ(shown, "tick failed");
}

TEST(PsockTextHelpers, NthWordNthPosStreamLn) {
    EXPECT_EQ(NthWord("HTTP/1.1 404 Not Found", ' ', 2), "404");
    EXPECT_EQ(NthWord("HTTP/1.1 404 Not Found", ' ', 1), "HTTP/1.1");
    EXPECT_EQ(NthWord("HTTP/1.1 404 Not Found", ' ', 4), "Found");
    EXPECT_EQ(NthWord("HTTP/1.1 404 Not Found", ' ', 5), "");
    EXPECT_EQ(NthWord("a  b", ' ', 2), "");
    EXPECT_EQ(NthWord("a  b", ' ', 3), "b");
    EXPECT_EQ(NthWord("", ' ', 1), "");
    EXPECT_EQ(NthWord("http://server/x", '/', 3), "server");
    EXPECT_EQ(NthWord("abc", ' ', 0), "");

    EXPECT_EQ(NthPos("x://host/page", '/', 3), 9);
    EXPECT_EQ(NthPos("x://host/", '/', 3), 9);
    EXPECT_EQ(NthPos("x://host", '/', 3), 9);
    EXPECT_EQ(NthPos("", '/', 1), 1);
    EXPECT_EQ(NthPos("/", '/', 1), 1);

    TMemoryStream stream;
    StreamLn(stream, "line");
    StreamLn(stream, "");
    EXPECT_EQ(stream.DataString(), "line\r\n\r\n");
}

} // namespace

// Resolving, connecting, closing and accepting, against servers the tests
// start on 127.0.0.1.

#include "net/Psock.h"
#include "tests/net/LoopbackServer.h"
#include "tests/net/NetTestSupport.h"

#include <gtest/gtest.h>

namespace {

using loopback::Connection;
using loopback::Server;
using nettest::message;
using nettest::socketTo;

TEST(PsockConnect, UnresolvableNameAndTheInvalidHostRetry) {
    Server server([](Connection& c) { c.ReadUntil(); });
    auto sock = socketTo(server.Port(), 5000, false);
    sock->Host = "no-such-host.invalid";
    EXPECT_EQ(message([&] { sock->ResolveRemoteHost(); }), "Host Lookup Failed");
    EXPECT_EQ(message([&] { sock->Connect(); }), "Null Remote Address");

    // The handler is asked once; it may correct the host. One that corrects
    // nothing gets no second question; one that leaves Handled false ends it.
    int asked = 0;
    sock->OnInvalidHost = [&](bool& handled) {
        sock->Host = ++asked == 1 ? "127.0.0.1" : "still-no-such-host.invalid";
        handled = asked != 3;
    };
    sock->Connect();
    EXPECT_TRUE(sock->Connected);
    sock->Disconnect();
    sock->Host = "still-no-such-host.invalid";
    EXPECT_EQ(message([&] { sock->Connect(); }) + message([&] { sock->Connect(); }),
              "Null Remote AddressNull Remote Address");
    EXPECT_EQ(asked, 3);
    EXPECT_THROW(sock->Close(0x80000000u), ERangeError);
    sock->Port = 70000;
    EXPECT_THROW(sock->Listen(false), ERangeError);
}

TEST(PsockConnect, PendingConnectTimesOutOrEndsAtACancelOrDisconnect) {
    loopback::FullBacklog pending;
    auto sock = socketTo(pending.Port(), 200, false);
    int failed = 0;
    sock->OnConnectionFailed = [&](QObject*) { ++failed; };
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(message([&] { sock->Connect(); }), "Connection Timed out");
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_EQ(failed, 1);
    // The time-out went through Abort, so Canceled stays set: the next
    // transfer that tests it raises at once and clears it.
    EXPECT_EQ(message([&] { sock->Write("x"); }), "Socket send aborted");
    EXPECT_FALSE(sock->Canceled);
    sock->Disconnect();

    // A Cancel ends the wait at once, and so does a Disconnect; a second
    // Connect from inside the wait is refused.
    sock->TimeOut = 3000;
    std::string inner;
    const std::function<void()> interruptions[] = {[&] { sock->Cancel(); },
                                                   [&] { sock->Disconnect(); },
                                                   [&] {
                                                       inner = message([&] { sock->Connect(); });
                                                       sock->Cancel();
                                                   }};
    for (const auto& interrupt : interruptions) {
        QTimer::singleShot(100, interrupt);
        clock.restart();
        EXPECT_EQ(message([&] { sock->Connect(); }), "Connection Canceled");
        EXPECT_GE(clock.elapsed(), 80);
        EXPECT_LT(clock.elapsed(), 1000);
        sock->Disconnect();
    }
    EXPECT_EQ(inner, "Already connected");
    EXPECT_EQ(failed, 4);
}

TEST(PsockConnect, PeerCloseIsNoticedWithoutAnyReader) {
    Server server([](Connection& c) { c.Send("bye"); });
    auto sock = socketTo(server.Port(), 5000, false);
    int reads = 0;
    int disconnects = 0;
    sock->OnDataReady = [&](QObject*) { ++reads; };
    sock->OnDisconnect = [&](QObject*) { ++disconnects; };
    sock->Connect();
    EXPECT_EQ(message([&] { sock->Connect(); }), "Already connected");
    // One FD_READ until the next receive, however long the data waits.
    nettest::waitUntil([] { return false; }, 150);
    EXPECT_EQ(reads, 1);
    EXPECT_TRUE(sock->Connected);
    EXPECT_EQ(sock->Read(0), "bye");
    // After the receive the close is seen and acted on.
    EXPECT_TRUE(nettest::waitUntil([&] { return !sock->Connected; }, 3000));
    EXPECT_EQ(disconnects, 1);
}

TEST(PsockConnect, RefusedConnectionsFailAfterTheFailedEventAndLeakNoDescriptors) {
    Server server([](Connection& c) {
        c.Send("x");
        c.ReadUntil();
    });
    loopback::RefusingPort nobody;
    const int before = nettest::openDescriptors();
    int failed = 0;
    for (int i = 0; i < 10; ++i) {
        auto sock = socketTo(nobody.Port(), 5000, false);
        sock->OnConnectionFailed = [&](QObject*) { ++failed; };
        EXPECT_EQ(message([&] { sock->Connect(); }), "Connection Failed");
        // The caller closes after a failure; the component can connect again.
        sock->Disconnect();
        sock->Port = server.Port();
        sock->Connect();
        std::string s;
        sock->CaptureString(s, 1);
        EXPECT_EQ(s, "x");
        sock->Disconnect();
    }
    // The server runs in this process too: count once it has closed its side.
    EXPECT_EQ(failed, 10);
    ASSERT_TRUE(server.WaitServed(10));
    EXPECT_EQ(nettest::openDescriptors(), before);
}

} // namespace

// Resolving, connecting, closing and accepting, against servers the tests
// start on 127.0.0.1.

#include "framework/Pump.h"
#include "net/Psock.h"
#include "tests/net/LoopbackServer.h"

#include <QElapsedTimer>
#include <QTimer>
#include <arpa/inet.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

namespace {

using loopback::Connection;
using loopback::RefusingPort;
using loopback::Server;

// Pumps until done() holds or limitMs pass; a ticking timer bounds each wait.
bool waitUntil(const std::function<bool()>& done, int limitMs) {
    QTimer tick;
    tick.start(10);
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs) {
        WaitMessage();
    }
    return done();
}

std::string message(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& error) {
        return error.Message();
    }
    return "(no exception)";
}

int openDescriptors() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir)) {
            ++count;
        }
        ::closedir(dir);
    }
    return count;
}

// A listening socket whose one-place queue is taken, so a further connect
// stays pending: a connect that never completes, without leaving the machine.
class FullBacklog {
public:
    FullBacklog() {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listen_, 0);
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        filler_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ::connect(filler_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~FullBacklog() {
        ::close(filler_);
        ::close(listen_);
    }
    std::uint16_t Port() const { return port_; }

private:
    int listen_ = -1;
    int filler_ = -1;
    std::uint16_t port_ = 0;
};

TEST(PsockConnect, DottedHostConnectsWithoutLookup) {
    Server server([](Connection& c) { c.ReadUntilClosed(); });
    TPowersock sock;
    sock.Host = "127.0.0.1";
    sock.Port = server.Port();
    sock.TimeOut = 5000;
    int resolved = 0;
    int connected = 0;
    sock.OnHostResolved = [&](QObject*) { ++resolved; };
    sock.OnConnect = [&](QObject* sender) {
        EXPECT_EQ(sender, &sock);
        ++connected;
    };
    sock.Connect();
    EXPECT_TRUE(sock.Connected);
    EXPECT_EQ(resolved, 0);
    EXPECT_EQ(connected, 1);
    EXPECT_EQ(sock.GetRemoteIP(), "127.0.0.1");
    EXPECT_EQ(sock.GetLocalAddress(), "127,0,0,1");
    EXPECT_EQ(sock.GetPortString().substr(0, 1), ",");

    EXPECT_EQ(message([&] { sock.Connect(); }), "Already connected");
    EXPECT_TRUE(sock.Connected); // the refusal leaves the connection standing

    int disconnects = 0;
    sock.OnDisconnect = [&](QObject*) { ++disconnects; };
    const std::uint16_t old = sock.SocketHandle;
    sock.Disconnect();
    EXPECT_FALSE(sock.Connected);
    EXPECT_EQ(disconnects, 1);
    EXPECT_NE(sock.SocketHandle, InvalidSocketHandle);
    (void)old;
    // The fresh socket connects again.
    sock.Connect();
    EXPECT_TRUE(sock.Connected);
    sock.Disconnect();
    EXPECT_TRUE(server.WaitServed(2));
}

TEST(PsockConnect, NameIsLookedUpThenResolvedEventFires) {
    Server server([](Connection& c) { c.ReadUntilClosed(); });
    TPowersock sock;
    sock.Host = "localhost";
    sock.Port = server.Port();
    sock.TimeOut = 5000;
    int resolved = 0;
    sock.OnHostResolved = [&](QObject*) { ++resolved; };
    sock.Connect();
    EXPECT_EQ(resolved, 1);
    EXPECT_EQ(sock.GetRemoteIP(), "127.0.0.1");
    sock.Disconnect();
}

TEST(PsockConnect, ProxyReplacesHostAndPort) {
    Server server([](Connection& c) { c.ReadUntilClosed(); });
    TPowersock sock;
    sock.Host = "never.invalid";
    sock.Port = 1;
    sock.Proxy = "127.0.0.1";
    sock.ProxyPort = server.Port();
    sock.TimeOut = 5000;
    sock.Connect();
    EXPECT_TRUE(sock.Connected);
    EXPECT_EQ(ntohs(sock.RemoteAddress.sin_port), server.Port());
    sock.Disconnect();
}

TEST(PsockConnect, UnresolvableNameAndTheInvalidHostRetry) {
    Server server([](Connection& c) { c.ReadUntilClosed(); });
    TPowersock sock;
    sock.TimeOut = 5000;
    sock.Port = server.Port();
    sock.Host = "no-such-host.invalid";
    EXPECT_EQ(message([&] { sock.ResolveRemoteHost(); }), "Host Lookup Failed");
    EXPECT_EQ(message([&] { sock.Connect(); }), "Null Remote Address");

    // The handler is asked once; it may correct the host.
    int asked = 0;
    sock.OnInvalidHost = [&](bool& handled) {
        ++asked;
        sock.Host = "127.0.0.1";
        handled = true;
    };
    sock.Connect();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(sock.Connected);
    sock.Disconnect();

    // A handler that corrects nothing gets no second question.
    sock.Host = "still-no-such-host.invalid";
    sock.OnInvalidHost = [&](bool& handled) {
        ++asked;
        handled = true;
    };
    EXPECT_EQ(message([&] { sock.Connect(); }), "Null Remote Address");
    EXPECT_EQ(asked, 2);
    // One that leaves Handled false ends it at once.
    sock.OnInvalidHost = [&](bool&) { ++asked; };
    EXPECT_EQ(message([&] { sock.Connect(); }), "Null Remote Address");
    EXPECT_EQ(asked, 3);
}

TEST(PsockConnect, RefusedConnectionFailsAfterTheFailedEvent) {
    RefusingPort nobody;
    TPowersock sock;
    sock.Host = "127.0.0.1";
    sock.Port = nobody.Port();
    sock.TimeOut = 5000;
    int failed = 0;
    sock.OnConnectionFailed = [&](QObject*) { ++failed; };
    EXPECT_EQ(message([&] { sock.Connect(); }), "Connection Failed");
    EXPECT_EQ(failed, 1);
    EXPECT_FALSE(sock.Connected);
    EXPECT_FALSE(sock.Succeeded);
    // The caller closes after a failure; the component can connect again.
    sock.Disconnect();
    Server server([](Connection& c) { c.ReadUntilClosed(); });
    sock.Port = server.Port();
    sock.Connect();
    EXPECT_TRUE(sock.Connected);
    sock.Disconnect();
}

TEST(PsockConnect, PendingConnectTimesOutOrIsCanceled) {
    FullBacklog pending;
    TPowersock sock;
    sock.Host = "127.0.0.1";
    sock.Port = pending.Port();
    sock.TimeOut = 200;
    int failed = 0;
    sock.OnConnectionFailed = [&](QObject*) { ++failed; };
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(message([&] { sock.Connect(); }), "Connection Timed out");
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(failed, 1);
    EXPECT_TRUE(sock.TimedOut);
    // The time-out went through Abort, so Canceled stays set: the next
    // transfer that tests it raises at once and clears it.
    EXPECT_TRUE(sock.Canceled);
    EXPECT_EQ(message([&] { sock.Write("x"); }), "Socket send aborted");
    EXPECT_FALSE(sock.Canceled);
    sock.Disconnect();

    // With no time-out the wait lasts until a Cancel arrives.
    sock.TimeOut = 0;
    QTimer::singleShot(100, [&] { sock.Cancel(); });
    clock.restart();
    EXPECT_EQ(message([&] { sock.Connect(); }), "Connection Canceled");
    EXPECT_GE(clock.elapsed(), 80);
    EXPECT_EQ(failed, 2);
    EXPECT_TRUE(sock.Canceled);
    sock.Disconnect();
}

TEST(PsockConnect, SecondConnectFromInsideTheWaitIsRefused) {
    FullBacklog pending;
    TPowersock sock;
    sock.Host = "127.0.0.1";
    sock.Port = pending.Port();
    sock.TimeOut = 3000;
    std::string inner;
    QTimer::singleShot(50, [&] {
        inner = message([&] { sock.Connect(); });
        sock.Cancel();
    });
    EXPECT_EQ(message([&] { sock.Connect(); }), "Connection Canceled");
    EXPECT_EQ(inner, "Already connected");
    sock.Disconnect();
}

TEST(PsockConnect, DisconnectFromAHandlerDuringTheConnectWait) {
    FullBacklog pending;
    TPowersock sock;
    sock.Host = "127.0.0.1";
    sock.Port = pending.Port();
    sock.TimeOut = 300;
    QTimer::singleShot(50, [&] { sock.Disconnect(); });
    // The socket under the pending connect is gone; the wait ends by the time-out.
    EXPECT_EQ(message([&] { sock.Connect(); }), "Connection Timed out");
    sock.Disconnect();
}

TEST(PsockConnect, PeerCloseIsNoticedWithoutAnyReader) {
    Server server([](Connection& c) { c.Send("bye"); });
    TPowersock sock;
    sock.Host = "127.0.0.1";
    sock.Port = server.Port();
    sock.TimeOut = 5000;
    int reads = 0;
    int disconnects = 0;
    sock.OnDataReady = [&](QObject*) { ++reads; };
    sock.OnDisconnect = [&](QObject*) { ++disconnects; };
    sock.Connect();
    // One FD_READ until the next receive, however long the data waits.
    waitUntil([] { return false; }, 150);
    EXPECT_EQ(reads, 1);
    EXPECT_TRUE(sock.Connected);
    EXPECT_EQ(sock.Read(0), "bye");
    // After the receive the close is seen and acted on.
    EXPECT_TRUE(waitUntil([&] { return !sock.Connected; }, 3000));
    EXPECT_EQ(disconnects, 1);
}

TEST(PsockConnect, ListenAndAcceptOnALoopbackAddress) {
    TPowersock sock;
    // Bound to 127.0.0.1 first, Listen keeps that address (its bind is not examined).
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(sock.SocketHandle, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t size = sizeof address;
    ::getsockname(sock.SocketHandle, reinterpret_cast<sockaddr*>(&address), &size);
    sock.Port = 0;
    int announced = 0;
    sock.OnDisconnect = [&](QObject*) { ++announced; }; // Listen(true) announces this way
    sock.Listen(true);

    const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::send(client, "hi", 2, MSG_NOSIGNAL);
    const std::uint16_t accepted = sock.Accept();
    EXPECT_NE(accepted, InvalidSocketHandle);
    EXPECT_TRUE(sock.Connected);
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(sock.GetRemoteIP(), "127.0.0.1");
    char buffer[4] = {};
    QElapsedTimer clock;
    clock.start();
    ssize_t n = -1;
    while (n <= 0 && clock.elapsed() < 2000) {
        n = ::recv(accepted, buffer, sizeof buffer, 0);
        ProcessMessages();
    }
    EXPECT_EQ(std::string(buffer, 2), "hi");
    sock.Close(accepted);
    ::close(client);
    EXPECT_THROW(sock.Close(0x80000000u), ERangeError);
    sock.Port = 70000;
    EXPECT_THROW(sock.Listen(false), ERangeError);
}

TEST(PsockConnect, CanceledAcceptWait) {
    TPowersock sock;
    QTimer::singleShot(30, [&] { sock.Cancel(); });
    EXPECT_EQ(message([&] { sock.Accept(); }), "Accepting Canceled");
}

TEST(PsockConnect, DescriptorsAreNotLeakedByConnectAndClose) {
    Server server([](Connection& c) {
        c.Send("x");
        c.ReadUntilClosed();
    });
    RefusingPort nobody;
    const int before = openDescriptors();
    for (int i = 0; i < 30; ++i) {
        TPowersock sock;
        sock.Host = "127.0.0.1";
        sock.TimeOut = 5000;
        sock.Port = server.Port();
        sock.Connect();
        std::string s;
        sock.CaptureString(s, 1);
        EXPECT_EQ(s, "x");
        sock.Disconnect();
        sock.Port = nobody.Port();
        EXPECT_THROW(sock.Connect(), ESockError);
        sock.Disconnect();
    }
    // The server runs in this process too: count once it has closed its side.
    ASSERT_TRUE(server.WaitServed(30));
    EXPECT_EQ(openDescriptors(), before);
}

} // namespace

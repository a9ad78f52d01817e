// The listening server against many clients at once, hostile clients and
// clients still connected when it stops. The clients run on threads of their
// own while this thread pumps, as the GUI thread accepts.

#include "net/NMGeneralServer.h"

#include "net/PsockSys.h"
#include "tests/net/LoopbackServer.h"
#include "tests/net/NetTestSupport.h"
#include "tests/net/ServerTestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <gtest/gtest.h>
#include <latch>
#include <sys/resource.h>

namespace {

using nettest::message;
using nettest::waitUntil;
using servertest::Client;
using servertest::ClientThreads;
using servertest::listenOnLoopback;

// Echoes lines until the client closes; "boom" makes Serve fail. What each
// serving component saw is kept by the listening server.
class TEchoServer : public TNMServerOf<TEchoServer> {
public:
    using TNMServerOf::TNMServerOf;
    ~TEchoServer() override { StopServing(); } // its serving components use its members

    bool Stubborn = false; // a Serve that waits again after the first abort

    std::vector<std::string> Ends() {
        std::lock_guard<std::mutex> lock(mutex_);
        return ends_;
    }
    int Misplaced() const { return misplaced_; }

    void Serve() override {
        auto& server = static_cast<TEchoServer&>(*ParentServer);
        // on a thread of its own, with its window there too
        const QThread* here = QThread::currentThread();
        if (here == QCoreApplication::instance()->thread() || WindowHandle->thread() != here ||
            !ServeThread || ServeThread->ServingComponent != this || ServerList) {
            ++server.misplaced_;
        }
        std::string end = "closed";
        bool retried = false;
        try {
            for (;;) {
                std::string line;
                try {
                    line = ReadLn();
                } catch (const EAbortError&) {
                    if (!server.Stubborn || std::exchange(retried, true)) {
                        throw;
                    }
                    continue;
                }
                if (line.empty()) {
                    break;
                }
                if (line == "boom\n") {
                    throw Exception("boom");
                }
                Write(line);
            }
        } catch (const Exception& error) {
            end = error.Message();
        }
        std::lock_guard<std::mutex> lock(server.mutex_);
        server.ends_.push_back(end);
    }

private:
    std::mutex mutex_;
    std::vector<std::string> ends_;
    std::atomic<int> misplaced_{0};
};

// The process's descriptors and threads, to be met again afterwards.
struct Resources {
    // A first thread makes the runtime start helpers of its own (a sanitizer's).
    bool warm = (std::thread([] {}).join(), true);
    int descriptors = nettest::openDescriptors();
    int threads = servertest::runningThreads();
    bool Restored() const {
        // a thread may still be on its way out for a moment
        waitUntil([&] { return servertest::runningThreads() <= threads; }, 5000);
        EXPECT_EQ(servertest::runningThreads(), threads);
        EXPECT_EQ(nettest::openDescriptors(), descriptors);
        return servertest::runningThreads() == threads && nettest::openDescriptors() == descriptors;
    }
};

bool listEmpties(TNMGeneralServer& server) {
    return waitUntil([&] { return server.ServerList->Count() == 0; }, 10000);
}

TEST(NMGeneralServer, ManyClientsAtOnceEachServedOnItsOwnThreadThenTheListEmpties) {
    const Resources before;
    {
        TEchoServer server;
        const std::uint16_t port = listenOnLoopback(server);
        int contacts = 0;
        server.OnClientContact = [&](QObject* sender) { contacts += sender == &server; };
        TEchoServer serving(&server);
        EXPECT_EQ(serving.ServerList, nullptr); // owned by a server: a serving component

        constexpr int Clients = 40;
        std::latch allListed(1);
        std::atomic<int> echoed{0};
        {
            ClientThreads clients(Clients, [&](int i) {
                Client c(port);
                const std::string first = "client " + std::to_string(i) + "\n";
                bool ok = c.Send(first) && c.ReadLine() == first;
                allListed.wait();
                for (int n = 0; ok && n < 25; ++n) {
                    const std::string line = std::string(n * 97, 'a' + n) + std::to_string(i);
                    // in two pieces: the line is returned whole
                    ok = c.Send(line) && c.Send("\r\n") && c.ReadLine() == line + "\r\n";
                }
                echoed += ok;
            });
            // every client connected and listed at the same moment
            EXPECT_TRUE(waitUntil([&] { return server.ServerList->Count() == Clients; }, 20000));
            allListed.count_down();
            EXPECT_TRUE(waitUntil([&] { return clients.Done() == Clients; }, 30000));
        }
        EXPECT_EQ(echoed, Clients);
        EXPECT_TRUE(listEmpties(server));
        EXPECT_EQ(contacts, Clients);
        EXPECT_EQ(server.Ends(), std::vector<std::string>(Clients, "closed"));
        EXPECT_EQ(server.Misplaced(), 0);
    }
    EXPECT_TRUE(before.Restored());
}

TEST(NMGeneralServer, EmptyServeClosesEachConnectionInOrderAfterItsLastReply) {
    // With nothing to serve, every connection is closed at once, orderly.
    TNMGeneralServer plain;
    const std::uint16_t plainPort = listenOnLoopback(plain);
    int contacts = 0;
    plain.OnClientContact = [&](QObject*) { ++contacts; };
    std::vector<int> how(5, -1);
    {
        ClientThreads clients(1, [&](int) {
            for (int& end : how) {
                Client c(plainPort);
                EXPECT_EQ(c.ReadToEnd(end), "");
            }
        });
        EXPECT_TRUE(waitUntil([&] { return clients.Done() == 1; }, 20000));
    }
    EXPECT_EQ(how, std::vector<int>(5, 0));
    EXPECT_EQ(contacts, 5);
    EXPECT_TRUE(listEmpties(plain));

    // A reply sent just before Serve returns arrives whole, then the end,
    // read only once the serving component is gone (the listening socket's
    // reset-on-close, inherited, would make it a reset).
    class TReplyServer : public TNMServerOf<TReplyServer> {
    public:
        using TNMServerOf::TNMServerOf;
        void Serve() override {
            for (int i = 0; i < 3; ++i) {
                Write(std::string(10000, 'r'));
            }
        }
    } reply;
    const std::uint16_t replyPort = listenOnLoopback(reply);
    bool served = false;
    reply.OnClientContact = [&](QObject*) { served = true; };
    std::latch gone(1);
    std::string received;
    int end = -1;
    {
        ClientThreads client(1, [&](int) {
            Client c(replyPort);
            gone.wait();
            received = c.ReadToEnd(end);
        });
        EXPECT_TRUE(waitUntil([&] { return served && reply.ServerList->Count() == 0; }, 10000));
        gone.count_down();
        EXPECT_TRUE(waitUntil([&] { return client.Done() == 1; }, 10000));
    }
    EXPECT_EQ(received, std::string(30000, 'r'));
    EXPECT_EQ(end, 0);
}

TEST(NMGeneralServer, AbortCancelsEveryServingComponentAndTheServerGoesOn) {
    TEchoServer server;
    const std::uint16_t port = listenOnLoopback(server);
    constexpr int Clients = 8;
    std::atomic<int> echoed{0};
    std::atomic<int> ended{0};
    {
        ClientThreads clients(Clients, [&](int) {
            Client c(port);
            int how = -1;
            if (c.Send("hello\n") && c.ReadLine() == "hello\n" && ++echoed &&
                c.ReadToEnd(how).empty()) {
                ended += how == 0;
            }
        });
        ASSERT_TRUE(waitUntil([&] { return echoed == Clients; }, 20000));
        EXPECT_EQ(server.ServerList->Count(), Clients);
        server.Abort();
        EXPECT_TRUE(waitUntil([&] { return clients.Done() == Clients; }, 10000));
    }
    EXPECT_EQ(ended, Clients);
    // (one just past its echo's send may meet the abort there)
    const std::vector<std::string> ends = server.Ends();
    EXPECT_EQ(std::count(ends.begin(), ends.end(), "Socket readln aborted") +
                  std::count(ends.begin(), ends.end(), "Socket send aborted"),
              Clients);
    EXPECT_TRUE(listEmpties(server));
    EXPECT_FALSE(server.Canceled); // the server itself goes on listening

    // An abort reaches a component still on its way into the list too, and
    // the server serves the next client as ever.
    std::vector<std::string> echoes(2, "none");
    std::latch aborted(1); // the line follows the abort, so no echo can precede it
    server.OnClientContact = [&](QObject*) {
        if (!aborted.try_wait()) {
            server.Abort();
            aborted.count_down();
        }
    };
    {
        ClientThreads later(1, [&](int) {
            for (std::string& echo : echoes) {
                Client c(port);
                aborted.wait();
                c.Send("still there\n");
                echo = c.ReadLine();
            }
        });
        EXPECT_TRUE(waitUntil([&] { return later.Done() == 1; }, 10000));
    }
    EXPECT_EQ(echoes, (std::vector<std::string>{"", "still there\n"}));
}

TEST(NMGeneralServer, DestroyedWhileClientsAreConnectedEndsThemAllFirst) {
    const Resources before;
    auto server = std::make_unique<TEchoServer>();
    server->Stubborn = true; // the destruction must cancel it twice
    const std::uint16_t port = listenOnLoopback(*server);
    constexpr int Clients = 10;
    std::atomic<int> echoed{0};
    std::atomic<int> ended{0};
    ClientThreads clients(Clients, [&](int) {
        Client c(port);
        int how = -1;
        if (c.Send("x\n") && c.ReadLine() == "x\n" && ++echoed && c.ReadToEnd(how).empty()) {
            ended += how == 0;
        }
    });
    ASSERT_TRUE(waitUntil([&] { return echoed == Clients; }, 20000));
    QElapsedTimer clock;
    clock.start();
    server.reset();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(waitUntil([&] { return clients.Done() == Clients; }, 10000));
    EXPECT_EQ(ended, Clients);
    EXPECT_TRUE(before.Restored());
}

TEST(NMGeneralServer, HostileClientsEndOnlyTheirOwnConnections) {
    TEchoServer server;
    server.TimeOut = 300; // bounds every serving component's waits
    const std::uint16_t port = listenOnLoopback(server);
    const std::vector<std::function<void(Client&)>> scripts = {
        [](Client& c) { // resets mid-line
            c.Send("abc");
            c.Reset();
        },
        [](Client& c) { c.Send(std::string(1 << 20, 'm')); }, // 1 MB without a line end
        [](Client& c) { // sends lines and leaves without reading the echoes
            for (int i = 0; i < 200; ++i) {
                c.Send(std::string(1000, 'q') + "\n");
            }
        },
        [](Client& c) { c.Close(); }, // leaves without a word
        [](Client& c) {               // sends nothing: the time-out ends it
            int how = -1;
            c.ReadToEnd(how);
        },
        [](Client& c) { // makes Serve fail
            c.Send("boom\n");
            c.ReadLine();
        },
    };
    std::atomic<int> quiet{0};
    {
        ClientThreads clients(static_cast<int>(scripts.size()), [&](int i) {
            Client c(port);
            QElapsedTimer clock;
            clock.start();
            scripts[i](c);
            if (i == 4) {
                quiet = static_cast<int>(clock.elapsed());
            }
        });
        EXPECT_TRUE(waitUntil([&] { return clients.Done() == int(scripts.size()); }, 20000));
    }
    EXPECT_TRUE(listEmpties(server));
    EXPECT_GE(quiet, 250);
    std::vector<std::string> ends = server.Ends();
    ASSERT_EQ(ends.size(), scripts.size());
    for (const char* expected : {"Range check error", "boom", "Socket readln aborted"}) {
        EXPECT_NE(std::find(ends.begin(), ends.end(), expected), ends.end()) << expected;
    }

    // and the server serves the next client as ever
    std::string echo;
    {
        ClientThreads later(1, [&](int) {
            Client c(port);
            c.Send("fine\n");
            echo = c.ReadLine();
        });
        EXPECT_TRUE(waitUntil([&] { return later.Done() == 1; }, 10000));
    }
    EXPECT_EQ(echo, "fine\n");
}

TEST(NMGeneralServer, AThousandConnectionsOpenedAtOnceAreAllServed) {
    if (!servertest::allowDescriptors(8192)) {
        GTEST_SKIP() << "the descriptor limit does not allow 1000 connections in one process";
    }
    const Resources before;
    constexpr int Connections = 1000;
    int echoed = 0;
    {
        TEchoServer server;
        const std::uint16_t port = listenOnLoopback(server);
        int contacts = 0;
        server.OnClientContact = [&](QObject*) { ++contacts; };
        {
            ClientThreads opener(1, [&](int) {
                std::vector<std::unique_ptr<Client>> all;
                for (int i = 0; i < Connections; ++i) {
                    all.push_back(std::make_unique<Client>(port, 30000));
                }
                for (int i = 0; i < Connections; ++i) {
                    all[i]->Send(std::to_string(i) + "\n");
                }
                for (int i = 0; i < Connections; ++i) {
                    echoed += all[i]->ReadLine() == std::to_string(i) + "\n";
                }
            });
            EXPECT_TRUE(waitUntil([&] { return opener.Done() == 1; }, 60000));
        }
        EXPECT_TRUE(listEmpties(server));
        EXPECT_EQ(contacts, Connections);
    }
    EXPECT_EQ(echoed, Connections);
    EXPECT_TRUE(before.Restored());
}

// The lowest free descriptor number: every one below it is taken.
int lowestFreeDescriptor() {
    const int probe = ::dup(0);
    ::close(probe);
    return probe;
}

TEST(NMGeneralServer, OutOfDescriptorsItRefusesOrRestsButNeitherSpinsNorFails) {
    TEchoServer server;
    const std::uint16_t port = listenOnLoopback(server);
    int contacts = 0;
    server.OnClientContact = [&](QObject*) { ++contacts; };
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    const auto limitTo = [&](rlim_t n) {
        rlimit limit = saved;
        limit.rlim_cur = n;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    };
    const std::unique_ptr<rlimit, std::function<void(rlimit*)>> restore(
        &saved, [](rlimit* r) { ::setrlimit(RLIMIT_NOFILE, r); });

    // Too near the limit for a serving thread to start: refused at once.
    limitTo(lowestFreeDescriptor() + 2); // the client's socket and the accepted one
    std::string refused = "none";
    {
        ClientThreads one(1, [&](int) {
            Client c(port);
            c.Send("x\n");
            refused = c.ReadLine();
        });
        EXPECT_TRUE(waitUntil([&] { return one.Done() == 1; }, 10000));
    }
    EXPECT_EQ(refused, "");
    EXPECT_EQ(contacts, 0);
    limitTo(saved.rlim_cur);

    // No descriptor left at all: the waiting clients are taken once there are.
    std::vector<std::unique_ptr<Client>> waiting;
    for (int i = 0; i < 3; ++i) {
        waiting.push_back(std::make_unique<Client>(0)); // the socket now, the connection later
    }
    limitTo(lowestFreeDescriptor());
    const double before = nettest::cpuSeconds(RUSAGE_THREAD);
    std::atomic<int> echoed{0};
    {
        ClientThreads clients(3, [&](int i) {
            echoed += waiting[i]->Connect(port) && waiting[i]->Send("later\n") &&
                      waiting[i]->ReadLine() == "later\n";
        });
        waitUntil([] { return false; }, 300);
        EXPECT_LT(nettest::cpuSeconds(RUSAGE_THREAD) - before, 0.1); // resting, not spinning
        limitTo(saved.rlim_cur);
        EXPECT_TRUE(waitUntil([&] { return clients.Done() == 3; }, 10000));
    }
    EXPECT_EQ(echoed, 3);
    EXPECT_EQ(contacts, 3);
    waiting.clear();
    EXPECT_TRUE(listEmpties(server));
}

TEST(NMGeneralServer, APortInUseIsAClearErrorAndNothingListens) {
    std::uint16_t port = 0;
    const int busy = loopback::bindLoopback(port);
    ASSERT_EQ(::listen(busy, 4), 0);
    TNMGeneralServer server;
    server.Port = port;
    EXPECT_EQ(message([&] { server.Loaded(); }), "10048:Address already in use");
    int listening = 1;
    socklen_t size = sizeof listening;
    ::getsockopt(server.SocketHandle, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size);
    EXPECT_EQ(listening, 0); // not on the port, nor on one the system would pick
    ::close(busy);

    // the same server can then listen where it may
    server.Port = 0;
    const std::uint16_t port2 = listenOnLoopback(server);
    int how = -1;
    {
        ClientThreads one(1, [&](int) {
            Client c(port2);
            c.ReadToEnd(how);
        });
        EXPECT_TRUE(waitUntil([&] { return one.Done() == 1; }, 10000));
    }
    EXPECT_EQ(how, 0);
}

} // namespace

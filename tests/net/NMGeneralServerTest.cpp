// The listening server against many clients at once, hostile clients and
// clients still connected when it stops. The clients run on threads of their
// own while this thread pumps, as the GUI thread accepts.

#include "net/NMGeneralServer.h"

#include "net/PsockSys.h"
#include "tests/net/LoopbackServer.h"
#include "tests/net/NetTestSupport.h"
#include "tests/net/ServerTestSupport.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <gtest/gtest.h>
#include <latch>
#include <set>
#include <sys/resource.h>

namespace {

using nettest::waitUntil;
using servertest::Client;
using servertest::listenOnLoopback;

// Echoes lines until the client leaves; "boom" makes Serve fail. The
// listening server keeps how each Serve ended and counts any found off a
// thread of its own (or with its window elsewhere).
class TEchoServer : public TNMServerOf<TEchoServer> {
public:
    using TNMServerOf::TNMServerOf;
    ~TEchoServer() override { StopServing(); } // its serving components use its members

    bool Stubborn = false; // Serve waits again after a first abort
    std::atomic<int> Misplaced{0};

    std::vector<std::string> Ends() {
        std::lock_guard<std::mutex> lock(mutex_);
        return ends_;
    }
    std::size_t ServingThreads() {
        std::lock_guard<std::mutex> lock(mutex_);
        return threads_.size();
    }

    void Serve() override {
        auto& server = static_cast<TEchoServer&>(*ParentServer);
        const QThread* here = QThread::currentThread();
        server.Misplaced += here == QCoreApplication::instance()->thread() ||
                            WindowHandle->thread() != here || ServeThread->ServingComponent != this;
        std::string end = "closed";
        try {
            for (bool retried = false;;) {
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
        server.threads_.insert(::gettid());
    }

private:
    std::mutex mutex_;
    std::vector<std::string> ends_;
    std::set<pid_t> threads_;
};

// Runs n client bodies on threads of their own while this thread pumps;
// meanwhile runs once they have started. True when all returned in time.
bool runClients(int n, const std::function<void(int)>& body,
                const std::function<void()>& meanwhile = {}) {
    std::atomic<int> done{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < n; ++i) {
        clients.emplace_back([&, i] {
            body(i);
            ++done;
        });
    }
    if (meanwhile) {
        meanwhile();
    }
    const bool inTime = waitUntil([&] { return done == n; }, 30000);
    for (std::thread& c : clients) {
        c.join();
    }
    return inTime;
}

std::string echoOf(std::uint16_t port, const std::string& line) {
    std::string echo = "none";
    runClients(1, [&](int) {
        Client c(port);
        c.Send(line);
        echo = c.ReadLine();
    });
    return echo;
}

bool listEmpties(TNMGeneralServer& server) {
    return waitUntil([&] { return server.ServerList->Count() == 0; }, 10000);
}

// The process's descriptors and threads, to be met again afterwards.
struct Resources {
    bool warm = (std::thread([] {}).join(), true); // a sanitizer starts a helper thread once
    int descriptors = nettest::openDescriptors();
    int threads = servertest::runningThreads();
    void ExpectRestored() const {
        // a thread may still be on its way out for a moment
        waitUntil([&] { return servertest::runningThreads() <= threads; }, 5000);
        EXPECT_EQ(servertest::runningThreads(), threads);
        EXPECT_EQ(nettest::openDescriptors(), descriptors);
    }
};

TEST(NMGeneralServer, AThousandClientsAtOnceEachServedOnItsOwnThreadThenTheListEmpties) {
    // more than the listen backlog, where the descriptor limit allows
    const int clients = servertest::allowDescriptors(8192) ? 1000 : 100;
    const Resources before;
    {
        TEchoServer server;
        const std::uint16_t port = listenOnLoopback(server);
        int contacts = 0;
        server.OnClientContact = [&](QObject* sender) { contacts += sender == &server; };
        EXPECT_EQ(TEchoServer(&server).ServerList, nullptr); // owned by a server: a serving one

        std::latch allListed(1);
        int echoed = 0;
        // each line in two pieces, returned whole; every connection's piece
        // goes before the next piece of any
        const auto line = [](int i, int round) {
            return round == 0 ? std::to_string(i) + "\n"
                              : std::string(i % 7 * 500, 'a' + i % 26) + "\r\n";
        };
        const auto client = [&](int) {
            std::vector<std::unique_ptr<Client>> all;
            for (int i = 0; i < clients; ++i) {
                all.push_back(std::make_unique<Client>(port, 30000));
            }
            for (int round = 0; round < 2; ++round) {
                if (round == 1) {
                    allListed.wait();
                }
                for (const bool second : {false, true}) {
                    for (int i = 0; i < clients; ++i) {
                        const std::string l = line(i, round);
                        all[i]->Send(second ? l.substr(l.size() / 2) : l.substr(0, l.size() / 2));
                    }
                }
                for (int i = 0; i < clients; ++i) {
                    echoed += all[i]->ReadLine() == line(i, round);
                }
            }
        };
        EXPECT_TRUE(runClients(1, client, [&] {
            // every client connected and listed at the same moment
            EXPECT_TRUE(waitUntil([&] { return server.ServerList->Count() == clients; }, 30000));
            allListed.count_down();
        }));
        EXPECT_EQ(echoed, 2 * clients);
        EXPECT_TRUE(listEmpties(server));
        EXPECT_EQ(contacts, clients);
        EXPECT_EQ(server.Ends(), std::vector<std::string>(clients, "closed"));
        EXPECT_EQ(server.Misplaced, 0);
    }
    before.ExpectRestored();
}

TEST(NMGeneralServer, AbortAndDestructionEndEveryConnectionInOrder) {
    const Resources before;
    for (const bool destroy : {false, true}) {
        auto server = std::make_unique<TEchoServer>();
        server->Stubborn = destroy; // the destruction must cancel them twice
        const std::uint16_t port = listenOnLoopback(*server);
        constexpr int Clients = 8;
        std::atomic<int> echoed{0};
        std::atomic<int> ended{0};
        const auto client = [&](int) {
            Client c(port);
            int how = -1;
            if (c.Send("hello\n") && c.ReadLine() == "hello\n" && ++echoed &&
                c.ReadToEnd(how).empty()) {
                ended += how == 0; // an orderly close
            }
        };
        EXPECT_TRUE(runClients(Clients, client, [&] {
            EXPECT_TRUE(waitUntil([&] { return echoed == Clients; }, 20000));
            destroy ? server.reset() : server->Abort(); // the reset returns once all have ended
        }));
        EXPECT_EQ(ended, Clients) << destroy;
        if (destroy) {
            continue;
        }
        // (one just past its echo's send may meet the abort there)
        const std::vector<std::string> ends = server->Ends();
        EXPECT_EQ(std::count(ends.begin(), ends.end(), "Socket readln aborted") +
                      std::count(ends.begin(), ends.end(), "Socket send aborted"),
                  Clients);
        EXPECT_TRUE(listEmpties(*server));
        EXPECT_FALSE(server->Canceled); // the server itself goes on listening

        // An abort reaches a component still on its way into the list too.
        std::latch aborted(1); // the line follows the abort, so no echo can precede it
        server->OnClientContact = [&](QObject*) {
            if (!aborted.try_wait()) {
                server->Abort();
                aborted.count_down();
            }
        };
        std::string echo = "none";
        runClients(1, [&](int) {
            Client c(port);
            aborted.wait();
            c.Send("hello\n");
            echo = c.ReadLine();
        });
        EXPECT_EQ(echo, "");
        EXPECT_EQ(echoOf(port, "still there\n"), "still there\n");
    }
    before.ExpectRestored();
}

TEST(NMGeneralServer, HostileClientsEndOnlyTheirOwnConnections) {
    TEchoServer server;
    server.TimeOut = 300; // bounds every serving component's waits
    const std::uint16_t port = listenOnLoopback(server);
    std::atomic<int> quietMs{0};
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
        [&](Client& c) {              // sends nothing: the time-out ends it
            QElapsedTimer clock;
            clock.start();
            int how = -1;
            c.ReadToEnd(how);
            quietMs = static_cast<int>(clock.elapsed());
        },
        [](Client& c) { // makes Serve fail
            c.Send("boom\n");
            c.ReadLine();
        },
    };
    const int n = static_cast<int>(scripts.size());
    EXPECT_TRUE(runClients(n, [&](int i) {
        Client c(port);
        scripts[i](c);
    }));
    EXPECT_TRUE(listEmpties(server));
    EXPECT_GE(quietMs, 250);
    const std::vector<std::string> ends = server.Ends();
    ASSERT_EQ(ends.size(), scripts.size());
    for (const char* expected : {"Range check error", "boom", "Socket readln aborted"}) {
        EXPECT_NE(std::find(ends.begin(), ends.end(), expected), ends.end()) << expected;
    }
    EXPECT_EQ(echoOf(port, "fine\n"), "fine\n");
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
    const std::unique_ptr<rlimit, void (*)(rlimit*)> restore(
        &saved, [](rlimit* r) { ::setrlimit(RLIMIT_NOFILE, r); });

    // Too near the limit for a serving thread to start: refused at once. (The
    // client's socket, the accepted one, and two a sanitizer's checks may need.)
    limitTo(lowestFreeDescriptor() + 4);
    EXPECT_EQ(echoOf(port, "x\n"), "");
    EXPECT_EQ(contacts, 0);
    limitTo(saved.rlim_cur);
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizers' own checks cannot run without a descriptor";
#endif

    // No descriptor left at all: the waiting clients are taken once there are.
    std::vector<std::unique_ptr<Client>> waiting;
    for (int i = 0; i < 3; ++i) {
        waiting.push_back(std::make_unique<Client>(0)); // the socket now, the connection later
    }
    limitTo(lowestFreeDescriptor());
    const double before = nettest::cpuSeconds(RUSAGE_THREAD);
    std::atomic<int> echoed{0};
    EXPECT_TRUE(runClients(
        3,
        [&](int i) {
            echoed += waiting[i]->Connect(port) && waiting[i]->Send("later\n") &&
                      waiting[i]->ReadLine() == "later\n";
        },
        [&] {
            waitUntil([] { return false; }, 300);
            EXPECT_LT(nettest::cpuSeconds(RUSAGE_THREAD) - before, 0.1); // resting, not spinning
            limitTo(saved.rlim_cur);
        }));
    EXPECT_EQ(echoed, 3);
    EXPECT_EQ(contacts, 3);
}

TEST(NMGeneralServer, ConnectionsOneAfterAnotherAreServedByAThreadThatWaitedForThem) {
    const Resources before;
    {
        TEchoServer server;
        const std::uint16_t port = listenOnLoopback(server);
        constexpr int Connections = 10;
        for (int i = 0; i < Connections; ++i) {
            EXPECT_EQ(echoOf(port, "again\n"), "again\n");
            EXPECT_TRUE(listEmpties(server));
        }
        // a thread each, were none kept (a connection may come just before
        // the last thread is back waiting)
        EXPECT_LE(server.ServingThreads(), static_cast<std::size_t>(Connections / 2));
    }
    before.ExpectRestored(); // the waiting threads end with the server
}

TEST(NMGeneralServer, APortInUseIsAClearErrorAndNothingListens) {
    std::uint16_t port = 0;
    const int busy = loopback::bindLoopback(port);
    ASSERT_EQ(::listen(busy, 4), 0);
    TNMGeneralServer server;
    server.Port = port;
    EXPECT_EQ(nettest::message([&] { server.Loaded(); }), "10048:Address already in use");
    int listening = 1;
    socklen_t size = sizeof listening;
    ::getsockopt(server.SocketHandle, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size);
    EXPECT_EQ(listening, 0); // not on the port, nor on one the system would pick
    ::close(busy);

    // It can then listen where it may; with nothing to serve, each connection
    // is closed at once, in order.
    server.Port = 0;
    const std::uint16_t free = listenOnLoopback(server);
    int how = -1;
    std::string received = "none";
    runClients(1, [&](int) { received = Client(free).ReadToEnd(how); });
    EXPECT_EQ(received, "");
    EXPECT_EQ(how, 0);
    EXPECT_TRUE(listEmpties(server));
}

} // namespace

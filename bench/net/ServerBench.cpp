// The listening server beside a minimal echo server written directly on POSIX
// sockets with one thread per connection, under the very same clients: 1,000
// connections one after another and 100 at once. Reported: connections per
// second, the median and 99th percentile of one echo's round trip, the
// server's CPU time per connection (the clients run in a process of their
// own), and the descriptors and threads left once the clients are gone (0
// and 0).

#include "framework/Pump.h"
#include "net/NMGeneralServer.h"
#include "tests/net/LoopbackServer.h"
#include "tests/net/NetTestSupport.h"
#include "tests/net/ServerTestSupport.h"

#include <QSocketNotifier>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The component under test: echoes lines with ReadLn and Write.
class TEchoServer : public TNMServerOf<TEchoServer> {
public:
    using TNMServerOf::TNMServerOf;
    void Serve() override {
        for (std::string line = ReadLn(); !line.empty(); line = ReadLn()) {
            Write(line);
        }
    }
};

// The reference: blocking POSIX sockets, an accepting thread and one thread
// per connection that echoes every complete line.
class ReferenceEchoServer {
public:
    ReferenceEchoServer() : listen_(loopback::bindLoopback(port_)) {
        ::listen(listen_, SOMAXCONN);
        acceptor_ = std::thread([this] {
            for (int fd; (fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
                std::lock_guard<std::mutex> lock(mutex_);
                ++active_;
                std::thread([this, fd] { serve(fd); }).detach();
            }
        });
    }
    ~ReferenceEchoServer() {
        ::shutdown(listen_, SHUT_RDWR); // ends the accept
        acceptor_.join();
        std::unique_lock<std::mutex> lock(mutex_);
        ended_.wait(lock, [this] { return active_ == 0; });
        ::close(listen_);
    }
    std::uint16_t Port() const { return port_; }
    bool Idle() {
        std::lock_guard<std::mutex> lock(mutex_);
        return active_ == 0;
    }

private:
    void serve(int fd) {
        std::vector<char> buffer(65536);
        std::string pending;
        for (ssize_t n; (n = ::recv(fd, buffer.data(), buffer.size(), 0)) > 0;) {
            pending.append(buffer.data(), static_cast<std::size_t>(n));
            for (std::size_t lf; (lf = pending.find('\n')) != std::string::npos;) {
                ::send(fd, pending.data(), lf + 1, MSG_NOSIGNAL);
                pending.erase(0, lf + 1);
            }
        }
        ::close(fd);
        std::lock_guard<std::mutex> lock(mutex_);
        --active_;
        ended_.notify_all();
    }

    std::uint16_t port_ = 0;
    int listen_;
    std::thread acceptor_;
    std::mutex mutex_;
    std::condition_variable ended_;
    int active_ = 0;
};

// The clients run in a process of their own, so that the CPU time this
// process spends is the server's alone (its accepting GUI thread and its
// serving threads; for the reference, its accepting and serving threads).
// The child is forked before the server exists, holds none of its sockets,
// and uses plain sockets and threads only.
class ClientProcess {
public:
    struct Load {
        std::uint16_t port;
        int threads, connections, echoes;
    };

    ClientProcess() {
        int commands[2];
        int results[2];
        if (::pipe2(commands, O_CLOEXEC) != 0 || ::pipe2(results, O_CLOEXEC) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_NAME, "echo-clients"); // tells its threads apart in a profile
            ::close(commands[1]);
            ::close(results[0]);
            serveLoads(commands[0], results[1]);
            ::_exit(0);
        }
        ::close(commands[0]);
        ::close(results[1]);
        commands_ = commands[1];
        results_ = results[0];
    }
    ~ClientProcess() {
        ::close(commands_); // the child ends at the end of its commands
        ::close(results_);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }

    // Runs the load in the child while this thread pumps (the GUI thread of
    // the server under test accepts there). False when an echo came back
    // wrong or the child failed.
    bool Run(const Load& load, std::vector<double>& latenciesUs) {
        if (pid_ <= 0 || !writeAll(commands_, &load, sizeof load)) {
            return false;
        }
        bool answered = false;
        QSocketNotifier notifier(results_, QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, &notifier, [&] {
            notifier.setEnabled(false);
            answered = true;
        });
        while (!answered) {
            WaitMessage();
        }
        std::int32_t header[2] = {0, 0}; // ok, count
        if (!readAll(results_, header, sizeof header)) {
            return false;
        }
        std::vector<double> mine(static_cast<std::size_t>(header[1]));
        if (!readAll(results_, mine.data(), mine.size() * sizeof(double))) {
            return false;
        }
        latenciesUs.insert(latenciesUs.end(), mine.begin(), mine.end());
        return header[0] == 1;
    }

private:
    static bool writeAll(int fd, const void* data, std::size_t size) {
        const char* p = static_cast<const char*>(data);
        for (std::size_t done = 0; done < size;) {
            const ssize_t n = ::write(fd, p + done, size - done);
            if (n <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    static bool readAll(int fd, void* data, std::size_t size) {
        char* p = static_cast<char*>(data);
        for (std::size_t done = 0; done < size;) {
            const ssize_t n = ::read(fd, p + done, size - done);
            if (n <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    // In the child: each load's client threads open their connections one
    // after another and make the echoes on each, timing every round trip.
    static void serveLoads(int commands, int results) {
        for (Load load{}; readAll(commands, &load, sizeof load);) {
            std::mutex mutex;
            std::atomic<bool> ok{true};
            std::vector<double> latencies;
            std::vector<std::thread> clients;
            for (int t = 0; t < load.threads; ++t) {
                clients.emplace_back([&, t] {
                    std::vector<double> mine;
                    for (int c = 0; c < load.connections && ok; ++c) {
                        servertest::Client client(load.port);
                        for (int e = 0; e < load.echoes; ++e) {
                            const std::string line = "echo " + std::to_string(t) + " " +
                                                     std::to_string(c) + " " + std::to_string(e) +
                                                     "\n";
                            const auto start = Clock::now();
                            if (!client.Send(line) || client.ReadLine() != line) {
                                ok = false;
                                break;
                            }
                            mine.push_back(
                                std::chrono::duration<double, std::micro>(Clock::now() - start)
                                    .count());
                        }
                    }
                    std::lock_guard<std::mutex> lock(mutex);
                    latencies.insert(latencies.end(), mine.begin(), mine.end());
                });
            }
            for (std::thread& c : clients) {
                c.join();
            }
            const std::int32_t header[2] = {ok ? 1 : 0,
                                            static_cast<std::int32_t>(latencies.size())};
            if (!writeAll(results, header, sizeof header) ||
                !writeAll(results, latencies.data(), latencies.size() * sizeof(double))) {
                return;
            }
        }
    }

    pid_t pid_ = -1;
    int commands_ = -1;
    int results_ = -1;
};

double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at),
                     values.end());
    return values[at];
}

// One load against one server, with the figures reported alike for both.
void runLoad(benchmark::State& state, ClientProcess& clients, std::uint16_t port,
             const std::function<bool()>& idle, int threads, int connections, int echoes) {
    const int descriptors = nettest::openDescriptors();
    const int running = servertest::runningThreads();
    std::vector<double> latencies;
    double seconds = 0;
    double cpu = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const double cpuStart = nettest::cpuSeconds();
        if (!clients.Run({port, threads, connections, echoes}, latencies)) {
            state.SkipWithError("wrong echo");
            break;
        }
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        cpu += nettest::cpuSeconds() - cpuStart;
    }
    // Once every connection has ended on the server's side too (serving
    // threads that wait for a next connection end after a while).
    nettest::waitUntil([&] { return idle() && servertest::runningThreads() <= running; }, 10000);
    const double total = static_cast<double>(state.iterations()) * threads * connections;
    state.counters["conn_per_s"] = total / seconds;
    // this process only: the server's threads, the clients being elsewhere
    state.counters["server_cpu_us_per_conn"] = cpu * 1e6 / total;
    state.counters["echo_p50_us"] = percentile(latencies, 0.5);
    state.counters["echo_p99_us"] = percentile(latencies, 0.99);
    state.counters["fd_delta"] = nettest::openDescriptors() - descriptors;
    state.counters["thread_delta"] = servertest::runningThreads() - running;
}

// The loads: (client threads, connections per thread, echoes per connection).
constexpr std::int64_t Loads[][3] = {
    {1, 1000, 1}, // 1,000 sequential connections, one echo each
    {100, 1, 10}, // 100 concurrent connections, ten echoes each
    {1, 1, 1000}, // one connection, 1,000 echoes: the echo alone
};

// timeOuts: the server's TimeOut values to run each load with (none: no such argument).
void applyLoads(benchmark::internal::Benchmark* b, std::vector<std::int64_t> timeOuts) {
    b->ArgNames(timeOuts.empty()
                    ? std::vector<std::string>{"clients", "conns", "echoes"}
                    : std::vector<std::string>{"clients", "conns", "echoes", "timeout_ms"});
    for (const auto& load : Loads) {
        if (timeOuts.empty()) {
            b->Args({load[0], load[1], load[2]});
        }
        for (const std::int64_t timeOut : timeOuts) {
            b->Args({load[0], load[1], load[2], timeOut});
        }
    }
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

void BM_NMGeneralServerEcho(benchmark::State& state) {
    servertest::allowDescriptors(4096);
    ClientProcess clients;
    TEchoServer server;
    server.TimeOut = static_cast<std::int32_t>(state.range(3));
    const std::uint16_t port = servertest::listenOnLoopback(server);
    runLoad(
        state, clients, port, [&] { return server.ServerList->Count() == 0; },
        static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
        static_cast<int>(state.range(2)));
}
BENCHMARK(BM_NMGeneralServerEcho)->Apply([](auto* b) { applyLoads(b, {0, 20000}); });

void BM_PosixThreadPerConnectionEcho(benchmark::State& state) {
    servertest::allowDescriptors(4096);
    ClientProcess clients;
    ReferenceEchoServer server;
    runLoad(
        state, clients, server.Port(), [&] { return server.Idle(); },
        static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
        static_cast<int>(state.range(2)));
}
BENCHMARK(BM_PosixThreadPerConnectionEcho)->Apply([](auto* b) { applyLoads(b, {}); });

} // namespace

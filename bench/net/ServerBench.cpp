// The listening server beside a minimal echo server written directly on POSIX
// sockets with one thread per connection, under the very same clients: 1,000
// connections one after another and 100 at once. Reported: connections per
// second, the median and 99th percentile of one echo's round trip, and the
// descriptors and threads left once the clients are gone (0 and 0).

#include "framework/Pump.h"
#include "net/NMGeneralServer.h"
#include "tests/net/LoopbackServer.h"
#include "tests/net/NetTestSupport.h"
#include "tests/net/ServerTestSupport.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
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

// Runs threads client threads, each opening connections connections one after
// another and making echoes round trips on each, while this thread pumps (the
// GUI thread of the server under test accepts there). Returns false when an
// echo came back wrong.
bool runClients(std::uint16_t port, int threads, int connections, int echoes,
                std::vector<double>& latenciesUs) {
    std::mutex mutex;
    std::atomic<int> done{0};
    std::atomic<bool> ok{true};
    QAbstractEventDispatcher* main = QCoreApplication::instance()->thread()->eventDispatcher();
    std::vector<std::thread> clients;
    for (int t = 0; t < threads; ++t) {
        clients.emplace_back([&, t] {
            std::vector<double> mine;
            for (int c = 0; c < connections && ok; ++c) {
                servertest::Client client(port);
                for (int e = 0; e < echoes; ++e) {
                    const std::string line = "echo " + std::to_string(t) + " " + std::to_string(c) +
                                             " " + std::to_string(e) + "\n";
                    const auto start = Clock::now();
                    if (!client.Send(line) || client.ReadLine() != line) {
                        ok = false;
                        break;
                    }
                    mine.push_back(
                        std::chrono::duration<double, std::micro>(Clock::now() - start).count());
                }
            }
            {
                std::lock_guard<std::mutex> lock(mutex);
                latenciesUs.insert(latenciesUs.end(), mine.begin(), mine.end());
            }
            ++done;
            main->wakeUp();
        });
    }
    while (done < threads) {
        WaitMessage();
    }
    for (std::thread& c : clients) {
        c.join();
    }
    return ok;
}

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
void runLoad(benchmark::State& state, std::uint16_t port, const std::function<bool()>& idle,
             int threads, int connections, int echoes) {
    const int descriptors = nettest::openDescriptors();
    const int running = servertest::runningThreads();
    std::vector<double> latencies;
    double seconds = 0;
    double cpu = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const double cpuStart = nettest::cpuSeconds();
        if (!runClients(port, threads, connections, echoes, latencies)) {
            state.SkipWithError("wrong echo");
            break;
        }
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        cpu += nettest::cpuSeconds() - cpuStart;
    }
    // Once every connection has ended on the server's side too.
    nettest::waitUntil([&] { return idle() && servertest::runningThreads() <= running; }, 10000);
    const double total = static_cast<double>(state.iterations()) * threads * connections;
    state.counters["conn_per_s"] = total / seconds;
    // the whole process: the same clients on both sides, so the difference is the server's
    state.counters["cpu_us_per_conn"] = cpu * 1e6 / total;
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
    TEchoServer server;
    server.TimeOut = static_cast<std::int32_t>(state.range(3));
    const std::uint16_t port = servertest::listenOnLoopback(server);
    runLoad(
        state, port, [&] { return server.ServerList->Count() == 0; },
        static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
        static_cast<int>(state.range(2)));
}
BENCHMARK(BM_NMGeneralServerEcho)->Apply([](auto* b) { applyLoads(b, {0, 20000}); });

void BM_PosixThreadPerConnectionEcho(benchmark::State& state) {
    servertest::allowDescriptors(4096);
    ReferenceEchoServer server;
    runLoad(
        state, server.Port(), [&] { return server.Idle(); }, static_cast<int>(state.range(0)),
        static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
}
BENCHMARK(BM_PosixThreadPerConnectionEcho)->Apply([](auto* b) { applyLoads(b, {}); });

} // namespace

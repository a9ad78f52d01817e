#pragma once

// Helpers shared by the net and web tests (and the net benchmarks): a bounded
// wait that pumps the GUI thread, exception messages, resource counters, an
// action run once a condition holds during a wait, and a slow name server.

#include "framework/Exceptions.h"
#include "framework/Pump.h"
#include "net/Nmhttp.h"
#include "net/Psock.h"
#include "net/PsockSys.h"

#include <QElapsedTimer>
#include <QTimer>
#include <condition_variable>
#include <dirent.h>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/resource.h>

namespace nettest {

// Pumps until done() holds or limitMs pass; a ticking timer bounds each wait.
inline bool waitUntil(const std::function<bool()>& done, int limitMs) {
    QTimer tick;
    tick.start(10);
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs) {
        WaitMessage();
    }
    return done();
}

// The message of the exception action raises, or "(no exception)".
inline std::string message(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& error) {
        return error.Message();
    }
    return "(no exception)";
}

// CPU time of the process (who selects RUSAGE_THREAD measures only the caller).
inline double cpuSeconds(int who = RUSAGE_SELF) {
    rusage usage{};
    ::getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline int openDescriptors() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir)) {
            ++count;
        }
        ::closedir(dir);
    }
    return count;
}

// A component aimed at 127.0.0.1:port with a time-out that ends any test
// fault, connected unless told otherwise.
inline std::unique_ptr<TPowersock> socketTo(std::uint16_t port, int timeOut = 5000,
                                            bool connect = true) {
    auto sock = std::make_unique<TPowersock>();
    sock->Host = "127.0.0.1";
    sock->Port = port;
    sock->TimeOut = timeOut;
    if (connect) {
        sock->Connect();
    }
    return sock;
}

// The HTTP client as the main window sets it up, with a short time-out so no
// test can hang.
struct HttpClient : TNMHTTP {
    HttpClient() {
        Port = 80;
        TimeOut = 5000;
    }
};

// Once ready() holds during the next waits, runs action (polled every 2 ms);
// ranAfterMs tells when, AnsweredMs how long after it the caller got control.
struct During {
    During(std::function<bool()> ready, std::function<void()> action) {
        clock.start();
        QObject::connect(&poll, &QTimer::timeout, &poll, [this, ready, action] {
            if (ranAfterMs < 0 && ready()) {
                ranAfterMs = clock.elapsed();
                action();
            }
        });
        poll.start(2);
    }
    qint64 AnsweredMs() const { return ranAfterMs < 0 ? -1 : clock.elapsed() - ranAfterMs; }
    QElapsedTimer clock;
    QTimer poll;
    qint64 ranAfterMs = -1;
};

// A name server that fails every lookup once released (at the latest after
// 5 s, or when it goes out of scope); Entered() tells a lookup is waiting.
class SlowResolver {
public:
    SlowResolver() {
        psock::SetResolver([s = state_](const std::string&, in_addr_t&) {
            std::unique_lock<std::mutex> lock(s->mutex);
            s->entered = true;
            s->released.wait_for(lock, std::chrono::seconds(5), [&] { return s->release; });
            return 11001;
        });
    }
    ~SlowResolver() {
        {
            std::lock_guard<std::mutex> lock(state_->mutex);
            state_->release = true;
        }
        state_->released.notify_all();
        psock::SetResolver(nullptr);
    }
    bool Entered() const {
        std::lock_guard<std::mutex> lock(state_->mutex);
        return state_->entered;
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable released;
        bool entered = false;
        bool release = false;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace nettest

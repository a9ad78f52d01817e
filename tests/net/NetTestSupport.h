#pragma once

// Helpers shared by the net tests and benchmarks: a bounded wait that pumps
// the GUI thread, exception messages, resource counters.

#include "framework/Exceptions.h"
#include "framework/Pump.h"
#include "net/Psock.h"

#include <QElapsedTimer>
#include <QTimer>
#include <dirent.h>
#include <functional>
#include <memory>
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
// An HTTP/1.0 200 reply whose body is size pseudo-random bytes, for the benchmarks.
inline std::string pseudoRandomReply(std::size_t size, std::uint32_t seed) {
    std::string body(size, '\0');
    for (char& c : body) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
    }
    return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n" + body;
}

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

} // namespace nettest

#pragma once

// Helpers for the listening server's tests and benchmarks: a server put on
// 127.0.0.1, plain blocking clients for other threads (the GUI thread must
// stay free to accept), and counters of the process's threads.

#include "net/Psock.h"

#include <arpa/inet.h>
#include <cerrno>
#include <dirent.h>
#include <netinet/in.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace servertest {

// Binds the server's socket to 127.0.0.1 port 0 and starts it listening
// there (a bound socket keeps its address); returns the port.
inline std::uint16_t listenOnLoopback(TNMGeneralServer& server) {
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof address;
    ::bind(server.SocketHandle, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(server.SocketHandle, reinterpret_cast<sockaddr*>(&address), &size);
    server.Loaded();
    return ntohs(address.sin_port);
}

inline int runningThreads() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(dir)) {
            count += entry->d_name[0] != '.';
        }
        ::closedir(dir);
    }
    return count;
}

// Lifts the descriptor limit to at least n where the hard limit allows;
// false when it does not.
inline bool allowDescriptors(rlim_t n) {
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur >= n) {
        return true;
    }
    limit.rlim_cur = std::min(n, limit.rlim_max);
    return ::setrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur >= n;
}

// A blocking client on 127.0.0.1 whose every wait is bounded by limitMs.
class Client {
public:
    // Port 0: the socket only, to be connected later.
    explicit Client(std::uint16_t port, int limitMs = 10000)
        : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        const timeval limit{limitMs / 1000, (limitMs % 1000) * 1000};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        if (port != 0) {
            Connect(port);
        }
    }
    ~Client() { Close(); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool Connect(std::uint16_t port) {
        const sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
        return ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }

    bool Send(const std::string& bytes) {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    // One line with its LF; empty when the connection ends first.
    std::string ReadLine() {
        std::size_t lf;
        while ((lf = pending_.find('\n')) == std::string::npos) {
            if (!receive()) {
                return {};
            }
        }
        std::string line = pending_.substr(0, lf + 1);
        pending_.erase(0, lf + 1);
        return line;
    }

    // Everything until the server ends the connection, and how it ended:
    // 0 for an orderly close, else the errno (ECONNRESET, EAGAIN at the limit).
    std::string ReadToEnd(int& how) {
        while (receive()) {
        }
        how = error_;
        return std::exchange(pending_, {});
    }

    // Closes abortively: the server meets "connection reset".
    void Reset() {
        const linger hard{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        Close();
    }
    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    bool receive() {
        char buffer[65536];
        const ssize_t n = fd_ < 0 ? -1 : ::recv(fd_, buffer, sizeof buffer, 0);
        if (n > 0) {
            pending_.append(buffer, static_cast<std::size_t>(n));
            return true;
        }
        error_ = n == 0 ? 0 : errno;
        return false;
    }

    int fd_;
    int error_ = 0;
    std::string pending_;
};

} // namespace servertest

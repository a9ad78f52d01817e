#pragma once

// A scripted TCP server for tests: listens on 127.0.0.1, port 0 (the system
// picks a free one), serves each connection in turn on a thread of its own
// with a handler the test writes, records every byte it receives, and stops
// itself when it goes out of scope. Every wait inside is bounded and ends at
// once when the server stops, so a test can never hang on it.

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace loopback {

using Clock = std::chrono::steady_clock;

// One accepted connection, as the handler sees it.
class Connection {
public:
    Connection(int fd, int stopFd, std::function<void(const char*, std::size_t)> record)
        : fd_(fd), stopFd_(stopFd), record_(std::move(record)) {}
    ~Connection() { Close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Sends all bytes; false when the peer went away or the server stops.
    bool Send(const std::string& bytes) {
        std::size_t done = 0;
        while (fd_ >= 0 && done < bytes.size()) {
            const ssize_t n =
                ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                if (!waitFor(POLLOUT, 10000)) {
                    return false;
                }
            } else {
                return false;
            }
        }
        return fd_ >= 0;
    }

    // Sends bytes in pieces of chunk bytes, pausing between them.
    bool Drip(const std::string& bytes, std::size_t chunk, int pauseMs) {
        for (std::size_t i = 0; i < bytes.size(); i += chunk) {
            if (i > 0 && !Pause(pauseMs)) {
                return false;
            }
            if (!Send(bytes.substr(i, chunk))) {
                return false;
            }
        }
        return true;
    }

    // Sleeps; false when the server stops meanwhile.
    bool Pause(int ms) {
        pollfd p{stopFd_, POLLIN, 0};
        return ::poll(&p, 1, ms) == 0;
    }

    // Reads until the bytes received on this connection contain marker.
    bool ReadUntil(const std::string& marker, int limitMs = 5000) {
        const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
        while (received_.find(marker) == std::string::npos) {
            if (!readSome(end)) {
                return false;
            }
        }
        return true;
    }

    // Reads until the client closes (or resets) its side.
    void ReadUntilClosed(int limitMs = 5000) {
        const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
        while (readSome(end)) {
        }
    }

    // Graceful close (FIN).
    void Close() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

    // Abortive close: the client sees "connection reset".
    void Reset() {
        if (fd_ >= 0) {
            const linger hard{1, 0};
            ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            Close();
        }
    }

    void ShutdownWrite() {
        if (fd_ >= 0) {
            ::shutdown(fd_, SHUT_WR);
        }
    }

    const std::string& Received() const { return received_; }
    bool Stopping() const {
        pollfd p{stopFd_, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }

private:
    bool waitFor(short events, int limitMs) {
        pollfd p[2] = {{fd_, events, 0}, {stopFd_, POLLIN, 0}};
        const int n = ::poll(p, 2, limitMs);
        return n > 0 && p[1].revents == 0 && p[0].revents != 0;
    }

    bool readSome(Clock::time_point end) {
        if (fd_ < 0) {
            return false;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0 || !waitFor(POLLIN, static_cast<int>(left))) {
            return false;
        }
        char buffer[65536];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            received_.append(buffer, static_cast<std::size_t>(n));
            record_(buffer, static_cast<std::size_t>(n));
            return true;
        }
        return n < 0 && (errno == EAGAIN || errno == EINTR);
    }

    int fd_;
    int stopFd_;
    std::function<void(const char*, std::size_t)> record_;
    std::string received_;
};

using Handler = std::function<void(Connection&)>;

class Server {
public:
    // Serves every connection with handler; the connection is closed
    // gracefully when the handler returns (unless it closed it itself).
    explicit Server(Handler handler) : handler_(std::move(handler)) {
        stopFd_ = ::eventfd(0, EFD_CLOEXEC);
        listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (stopFd_ < 0 || listenFd_ < 0) {
            throw std::runtime_error("loopback server: no descriptors");
        }
        const int on = 1;
        ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t size = sizeof address;
        if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listenFd_, 64) != 0 ||
            ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            throw std::runtime_error("loopback server: cannot listen");
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { run(); });
    }

    ~Server() { Stop(); }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    std::uint16_t Port() const { return port_; }

    // Every byte received on every connection so far, in order.
    std::string Received() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }
    int Connections() const { return connections_; }
    // Connections whose handler has returned.
    int Served() const { return served_; }

    // Waits (bounded) until n handlers have returned.
    bool WaitServed(int n, int limitMs = 5000) const {
        const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
        while (served_ < n && Clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return served_ >= n;
    }

    void Stop() {
        if (thread_.joinable()) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const auto written = ::write(stopFd_, &one, sizeof one);
            thread_.join();
        }
        if (listenFd_ >= 0) {
            ::close(listenFd_);
            listenFd_ = -1;
        }
        if (stopFd_ >= 0) {
            ::close(stopFd_);
            stopFd_ = -1;
        }
    }

private:
    void run() {
        for (;;) {
            pollfd p[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
            if (::poll(p, 2, -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return;
            }
            if (p[1].revents != 0) {
                return;
            }
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) {
                continue;
            }
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            ++connections_;
            {
                Connection connection(fd, stopFd_, [this](const char* data, std::size_t n) {
                    std::lock_guard<std::mutex> lock(mutex_);
                    received_.append(data, n);
                });
                try {
                    handler_(connection);
                } catch (...) {
                    // a failing script only ends its connection
                }
            }
            ++served_;
        }
    }

    Handler handler_;
    int listenFd_ = -1;
    int stopFd_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::string received_;
    std::atomic<int> connections_{0};
    std::atomic<int> served_{0};
};

// A port on 127.0.0.1 where nothing listens: bound (so no one else takes it)
// but not listening, so a connection to it is refused.
class RefusingPort {
public:
    RefusingPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            throw std::runtime_error("refusing port: cannot bind");
        }
        port_ = ntohs(address.sin_port);
    }
    ~RefusingPort() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    std::uint16_t Port() const { return port_; }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

} // namespace loopback

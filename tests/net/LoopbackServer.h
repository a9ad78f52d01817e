#pragma once

// A scripted TCP server for tests: listens on 127.0.0.1, port 0 (the system
// picks a free one), serves each connection in turn on a thread of its own
// with a handler the test writes, records every byte it receives, and stops
// itself when it goes out of scope. Every wait inside is bounded and ends at
// once when the server stops, so a test can never hang on it.

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace loopback {

using Clock = std::chrono::steady_clock;

// A socket bound to 127.0.0.1 port 0; port receives the port the system gave.
inline int bindLoopback(std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        throw std::runtime_error("loopback: cannot bind");
    }
    port = ntohs(address.sin_port);
    return fd;
}

// One accepted connection, as the handler sees it.
class Connection {
public:
    Connection(int fd, int stopFd, int index, std::function<void(const char*, std::size_t)> record)
        : fd_(fd), stopFd_(stopFd), index_(index), record_(std::move(record)) {}
    ~Connection() { Close(); }

    // The connection's number, from 0.
    int Index() const { return index_; }

    // Sends all bytes; false when the peer went away or the server stops.
    bool Send(const std::string& bytes) {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n =
                ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (errno != EAGAIN || !waitFor(POLLOUT, 10000)) {
                return false;
            }
        }
        return fd_ >= 0;
    }

    // Sends bytes in pieces of chunk bytes, pausing pauseMs between them.
    bool Drip(const std::string& bytes, std::size_t chunk, int pauseMs) {
        for (std::size_t i = 0; i < bytes.size(); i += chunk) {
            if ((i > 0 && !Pause(pauseMs)) || !Send(bytes.substr(i, chunk))) {
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

    // Reads until the bytes received on this connection contain marker; with
    // no marker, until the client closes (or resets) its side.
    bool ReadUntil(const std::string& marker = {}, int limitMs = 5000) {
        const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
        while (marker.empty() || received_.find(marker) == std::string::npos) {
            if (!readSome(end)) {
                return false;
            }
        }
        return true;
    }

    // Reads one HTTP request: its header and the bytes its Content-Length announces.
    bool ReadRequest(int limitMs = 5000) {
        const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
        if (!ReadUntil("\r\n\r\n", limitMs)) {
            return false;
        }
        const std::size_t head = received_.find("\r\n\r\n") + 4;
        const std::size_t at = received_.find("\r\nContent-Length: ");
        const std::size_t length = at < head ? std::strtoul(&received_[at + 18], nullptr, 10) : 0;
        while (received_.size() < head + length) {
            if (!readSome(end)) {
                return false;
            }
        }
        return true;
    }

    // Closes gracefully (FIN), or with reset abortively: the client sees "connection reset".
    void Close(bool reset = false) {
        if (fd_ >= 0) {
            const linger hard{1, 0};
            if (reset) {
                ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            }
            ::close(fd_);
            fd_ = -1;
        }
    }

private:
    bool waitFor(short events, int limitMs) {
        pollfd p[2] = {{fd_, events, 0}, {stopFd_, POLLIN, 0}};
        return ::poll(p, 2, limitMs) > 0 && p[1].revents == 0 && p[0].revents != 0;
    }

    bool readSome(Clock::time_point end) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (fd_ < 0 || left <= 0 || !waitFor(POLLIN, static_cast<int>(left))) {
            return false;
        }
        char buffer[65536];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            received_.append(buffer, static_cast<std::size_t>(n));
            record_(buffer, static_cast<std::size_t>(n));
        }
        return n > 0 || (n < 0 && errno == EAGAIN);
    }

    int fd_;
    int stopFd_;
    int index_;
    std::function<void(const char*, std::size_t)> record_;
    std::string received_;
};

using Handler = std::function<void(Connection&)>;

class Server {
public:
    // Serves every connection with handler; the connection is closed
    // gracefully when the handler returns (unless it closed it itself).
    explicit Server(Handler handler)
        : handler_(std::move(handler)), listenFd_(bindLoopback(port_)) {
        if (stopFd_ < 0 || ::listen(listenFd_, 64) != 0) {
            throw std::runtime_error("loopback server: cannot listen");
        }
        thread_ = std::thread([this] { run(); });
    }
    ~Server() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(stopFd_, &one, sizeof one);
        thread_.join();
        ::close(listenFd_);
        ::close(stopFd_);
    }

    std::uint16_t Port() const { return port_; }
    std::string Url(const std::string& path = "/") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    // The bytes received on connection index so far.
    std::string Request(std::size_t index = 0) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return index < requests_.size() ? requests_[index] : "<none>";
    }
    int Connections() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<int>(requests_.size());
    }

    // Waits (bounded) until n handlers have returned.
    bool WaitServed(int n, int limitMs = 5000) const {
        std::unique_lock<std::mutex> lock(mutex_);
        return served_.wait_for(lock, std::chrono::milliseconds(limitMs),
                                [&] { return servedCount_ >= n; });
    }

private:
    void run() {
        for (;;) {
            pollfd p[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
            int ready = 0;
            while ((ready = ::poll(p, 2, -1)) < 0 && errno == EINTR) {
            }
            if (ready < 0 || p[1].revents != 0) {
                return;
            }
            const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) {
                continue;
            }
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            std::unique_lock<std::mutex> lock(mutex_);
            const std::size_t index = requests_.size();
            requests_.emplace_back();
            lock.unlock();
            try {
                Connection connection(fd, stopFd_, static_cast<int>(index),
                                      [this, index](const char* data, std::size_t n) {
                                          std::lock_guard<std::mutex> guard(mutex_);
                                          requests_[index].append(data, n);
                                      });
                handler_(connection);
            } catch (...) {
                // a failing script only ends its connection
            }
            lock.lock();
            ++servedCount_;
            served_.notify_all();
        }
    }

    Handler handler_;
    std::uint16_t port_ = 0;
    int listenFd_;
    int stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    std::thread thread_;
    mutable std::mutex mutex_;
    mutable std::condition_variable served_;
    std::vector<std::string> requests_;
    int servedCount_ = 0;
};

// A port on 127.0.0.1 where nothing listens: bound (so no one else takes it)
// but not listening, so a connection to it is refused.
class RefusingPort {
public:
    RefusingPort() : fd_(bindLoopback(port_)) {}
    ~RefusingPort() { ::close(fd_); }
    std::uint16_t Port() const { return port_; }

private:
    std::uint16_t port_ = 0;
    int fd_;
};

// A listening socket with a backlog of 0 whose one place is taken by a
// connection never accepted: Linux drops the SYN of a further connect, which
// stays pending until it is given up. A connect that never completes,
// without leaving the machine.
class FullBacklog {
public:
    FullBacklog() : listen_(loopback::bindLoopback(port_)) {
        ::listen(listen_, 0);
        sockaddr_in address{AF_INET, htons(port_), {htonl(INADDR_LOOPBACK)}, {}};
        ::connect(filler_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~FullBacklog() {
        ::close(filler_);
        ::close(listen_);
    }
    std::uint16_t Port() const { return port_; }

private:
    std::uint16_t port_ = 0;
    int listen_;
    int filler_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
};

} // namespace loopback

#pragma once

// A loopback peer for the HTTP client's tests. It listens on 127.0.0.1 port
// 0 on a thread of its own, records the exact bytes of every request it
// receives, answers each connection with what the test scripted, and stops
// when it goes out of scope. Every wait in it is bounded.

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

struct HttpTestReply {
    std::string bytes;     // sent as they are
    std::size_t chunk = 0; // above 0: sent in pieces of this many bytes
    int pauseMs = 0;       // pause before each piece
    bool reset = false;    // end with a reset instead of a close
    int holdMs = 0;        // keep the connection open this long after sending
};

class HttpTestServer {
public:
    // Called on the server's thread with the connection's number (from 0)
    // and the request bytes received.
    using Handler = std::function<HttpTestReply(int index, const std::string& request)>;

    explicit HttpTestServer(Handler handler) : handler_(std::move(handler)) {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listen_ < 0) {
            throw std::runtime_error("socket");
        }
        const int yes = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        socklen_t len = sizeof addr;
        if (::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(listen_, 16) != 0 ||
            ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
            ::close(listen_);
            throw std::runtime_error("bind/listen");
        }
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { run(); });
    }

    ~HttpTestServer() {
        stop_ = true;
        thread_.join();
        ::close(listen_);
    }

    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    int Port() const { return port_; }
    std::string Url(const std::string& path = "/") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    std::vector<std::string> Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    std::string Request(std::size_t index = 0) const {
        const auto all = Requests();
        return index < all.size() ? all[index] : std::string("<none>");
    }
    int Connections() const { return static_cast<int>(Requests().size()); }

    // A complete reply: status line, the given header lines, a blank line and the body.
    static std::string Reply(const std::string& status, const std::string& headerLines,
                             const std::string& body) {
        return status + "\r\n" + headerLines + "\r\n" + body;
    }

private:
    static constexpr int requestWaitMs = 5000;

    static std::int64_t nowMs() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    // Waits up to ms for fd to become readable; false on time-out or stop.
    bool waitReadable(int fd, int ms) const {
        const std::int64_t until = nowMs() + ms;
        while (!stop_) {
            const std::int64_t left = until - nowMs();
            if (left <= 0) {
                return false;
            }
            pollfd p{fd, POLLIN, 0};
            const int r = ::poll(&p, 1, static_cast<int>(std::min<std::int64_t>(left, 20)));
            if (r > 0) {
                return true;
            }
        }
        return false;
    }

    void sleepMs(int ms) const {
        const std::int64_t until = nowMs() + ms;
        while (!stop_ && nowMs() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    static std::size_t announcedLength(const std::string& head) {
        std::string lower = head;
        for (char& c : lower) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        const std::size_t at = lower.find("\r\ncontent-length: ");
        return at == std::string::npos ? 0 : std::strtoul(head.c_str() + at + 18, nullptr, 10);
    }

    // The request: up to the blank line, then as many bytes as it announced.
    std::string readRequest(int fd) const {
        std::string data;
        const std::int64_t until = nowMs() + requestWaitMs;
        std::size_t need = std::string::npos;
        char buf[65536];
        while (data.size() < need) {
            const std::int64_t left = until - nowMs();
            if (left <= 0 || !waitReadable(fd, static_cast<int>(left))) {
                break;
            }
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) {
                break;
            }
            data.append(buf, static_cast<std::size_t>(n));
            const std::size_t end = data.find("\r\n\r\n");
            if (need == std::string::npos && end != std::string::npos) {
                need = end + 4 + announcedLength(data.substr(0, end + 2));
            }
        }
        return data;
    }

    // False once the client has gone away.
    bool sendAll(int fd, const char* p, std::size_t n) const {
        while (n > 0 && !stop_) {
            const ssize_t sent = ::send(fd, p, n, MSG_NOSIGNAL);
            if (sent < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return false;
            }
            p += sent;
            n -= static_cast<std::size_t>(sent);
        }
        return true;
    }

    void serve(int fd, int index) {
        const std::string request = readRequest(fd);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
        }
        const HttpTestReply reply = handler_(index, request);
        const std::size_t chunk = reply.chunk > 0 ? reply.chunk : reply.bytes.size();
        for (std::size_t at = 0; at < reply.bytes.size() && !stop_; at += chunk) {
            if (reply.pauseMs > 0) {
                sleepMs(reply.pauseMs);
            }
            if (!sendAll(fd, reply.bytes.data() + at, std::min(chunk, reply.bytes.size() - at))) {
                break;
            }
        }
        if (reply.holdMs > 0) {
            sleepMs(reply.holdMs);
        }
        if (reply.reset) {
            const linger hard{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        }
        ::close(fd);
    }

    void run() {
        int index = 0;
        while (!stop_) {
            if (!waitReadable(listen_, 100)) {
                continue;
            }
            const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                serve(fd, index++);
            }
        }
    }

    Handler handler_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

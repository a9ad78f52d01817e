#pragma once

// Private to the socket layer: the WinSock-shaped system calls over POSIX and
// the hidden window that turns socket readiness into the two messages.

#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/types.h>
#include <utility>

class QSocketNotifier;
class TPowersock;

namespace psock {

// The calling thread's last socket error, in WinSock numbers.
int WSAGetLastError();
void WSASetLastError(int error);

// errno and getaddrinfo results as WinSock numbers; the one place they are translated.
int winsockErrorFromErrno(int error);
int winsockErrorFromLookup(int result, int savedErrno);

// The system calls. Each returns what its POSIX namesake returns and, on
// failure, leaves the translated error for WSAGetLastError.
int sysSocket(int protocol);
int sysClose(int fd);
int sysConnect(int fd, const sockaddr_in& address);
ssize_t sysSend(int fd, const char* buffer, std::size_t length);
ssize_t sysRecv(int fd, char* buffer, std::size_t length, int flags);
int sysAccept(int fd, sockaddr_in& peer);
int sysBind(int fd, const sockaddr_in& address);
int sysListen(int fd, int backlog);
// Blocks until fd can take more bytes, at most timeoutMs (-1: no limit).
void sysWaitWritable(int fd, int timeoutMs);

// Turns a name into an IPv4 address, on a lookup's worker thread: 0 and the
// address, or a WinSock error number. Replaceable so that tests can stage a
// slow or failing name server; a lookup takes the one set when it starts.
using TResolver = std::function<int(const std::string& name, in_addr_t& address)>;
// An empty resolver puts the system's back.
void SetResolver(TResolver resolver);
TResolver CurrentResolver();

// Runs cleanup on every way out of a scope (the time-out is disarmed so).
template <typename F> class TFinally {
public:
    explicit TFinally(F f) : f_(std::move(f)) {}
    ~TFinally() { f_(); }
    TFinally(const TFinally&) = delete;
    TFinally& operator=(const TFinally&) = delete;

private:
    F f_;
};

} // namespace psock

// The hidden window of a component: it watches the sockets selected to it and
// delivers their events as posted messages, so the component's handler never
// runs inside a notifier's own activation.
class TPsockWindow : public QObject {
public:
    explicit TPsockWindow(TPowersock* owner);
    ~TPsockWindow() override;

    // Watch fd and deliver msg for the events in mask (replaces an earlier
    // selection of the same fd).
    void select(int fd, std::uint32_t msg, std::uint16_t mask);
    // Stop watching fd (before it is closed).
    void unselect(int fd);

    // A receive was made on fd: its next readiness is reported again.
    void rearmRead(int fd);
    // An accept was made on the listening fd.
    void rearmAccept(int fd);
    // fd now listens: a waiting connection shows as FD_ACCEPT.
    void noteListening(int fd);
    // Starts a non-blocking connect on fd; its outcome arrives as FD_CONNECT.
    // Returns -1 with the WinSock error set when it fails at once the way
    // WinSock's connect fails at once; else 0.
    int startConnect(int fd, const sockaddr_in& address);
    // Wakes the next wait once fd can take more bytes (no message); false
    // when fd is not a connected socket of this window.
    bool wakeWhenWritable(int fd);
    // The error a connected fd ended with, when the window met it before any
    // reader (0: none, or already reported); forgetEndError marks it reported.
    int endError(int fd) const;
    void forgetEndError(int fd);

    // The asynchronous lookup of an IPv4 address for name, answered with
    // LookupDoneMessage; serial tells its answer from those of older lookups.
    void startLookup(const std::string& name, std::uint64_t serial);

protected:
    bool event(QEvent* event) override;

private:
    enum class State { Idle, Connecting, Connected, Listening, Closed };
    struct Watch {
        std::uint32_t msg = 0;
        std::uint16_t mask = 0;
        std::uint64_t generation = 0;
        State state = State::Idle;
        std::unique_ptr<QSocketNotifier> read;
        std::unique_ptr<QSocketNotifier> write;
        bool wakeOnly = false; // the write notifier only ends a wait
        bool reported = false; // a message went out; no receive (or accept) since
        int endError = 0;      // the connection's end was this error (a reset)
    };
    struct LookupLink;

    Watch* find(int fd);
    void enableRead(int fd, Watch& watch);
    void onReadable(int fd);
    void onWritable(int fd);
    void post(int fd, std::uint64_t generation, std::uint32_t msg, std::uint32_t lParam);

    TPowersock* owner_;
    std::map<int, Watch> watches_;
    std::uint64_t nextGeneration_ = 1;
    std::shared_ptr<LookupLink> link_;
};

// Wakes the waits of its lifetime when new bytes arrive on fd, even while
// older bytes are still unread (readiness alone would report those at once).
class TPsockEdgeWatch {
public:
    explicit TPsockEdgeWatch(int fd);
    ~TPsockEdgeWatch();
    TPsockEdgeWatch(const TPsockEdgeWatch&) = delete;
    TPsockEdgeWatch& operator=(const TPsockEdgeWatch&) = delete;

    // False when the system gave no edge watch; the caller then polls.
    bool active() const { return epoll_ >= 0; }

private:
    void drain();

    int epoll_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// The platform under the socket component: non-blocking POSIX sockets, the
// hidden window that reports their readiness with WinSock's event codes, and
// the host lookup on a worker thread.

#include "framework/SysUtils.h"
#include "net/Psock.h"
#include "net/PsockSys.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <QThread>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace psock {

namespace {
int fail() {
    WSASetLastError(winsockErrorFromErrno(errno));
    return -1;
}
} // namespace

int sysSocket(int protocol) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol);
    return fd < 0 ? fail() : fd;
}

int sysClose(int fd) {
    // Linux releases the descriptor even when close reports EINTR.
    if (::close(fd) != 0 && errno != EINTR) {
        return fail();
    }
    return 0;
}

int sysConnect(int fd, const sockaddr_in& address) {
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return fail();
    }
    return 0;
}

ssize_t sysSend(int fd, const char* buffer, std::size_t length) {
    // MSG_NOSIGNAL: a peer that has gone away is an error to report, not a signal.
    const ssize_t n = ::send(fd, buffer, length, MSG_NOSIGNAL);
    return n < 0 ? fail() : n;
}

ssize_t sysRecv(int fd, char* buffer, std::size_t length, int flags) {
    const ssize_t n = ::recv(fd, buffer, length, flags);
    return n < 0 ? fail() : n;
}

int sysAccept(int fd, sockaddr_in& peer) {
    socklen_t size = sizeof peer;
    std::memset(&peer, 0, sizeof peer);
    const int accepted =
        ::accept4(fd, reinterpret_cast<sockaddr*>(&peer), &size, SOCK_NONBLOCK | SOCK_CLOEXEC);
    return accepted < 0 ? fail() : accepted;
}

int sysBind(int fd, const sockaddr_in& address) {
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return fail();
    }
    return 0;
}

int sysListen(int fd, int backlog) {
    return ::listen(fd, backlog) != 0 ? fail() : 0;
}

void sysWaitWritable(int fd, int timeoutMs) {
    pollfd p{fd, POLLOUT, 0};
    while (::poll(&p, 1, timeoutMs) < 0 && errno == EINTR) {
    }
}

namespace {

// Names under the reserved .invalid domain never exist; they are answered at
// once without asking any resolver.
bool isReservedInvalidName(std::string name) {
    while (!name.empty() && name.back() == '.') {
        name.pop_back();
    }
    const std::string lower = LowerCase(name);
    return lower == "invalid" ||
           (lower.size() > 8 && lower.compare(lower.size() - 8, 8, ".invalid") == 0);
}

int systemResolver(const std::string& name, in_addr_t& address) {
    if (isReservedInvalidName(name)) {
        return 11001;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    const int rc = ::getaddrinfo(name.c_str(), nullptr, &hints, &result);
    int error = winsockErrorFromLookup(rc, errno);
    if (rc == 0) {
        if (result && result->ai_addr && result->ai_family == AF_INET) {
            address = reinterpret_cast<const sockaddr_in*>(result->ai_addr)->sin_addr.s_addr;
        } else {
            error = 11004;
        }
    }
    if (result) {
        ::freeaddrinfo(result);
    }
    return error;
}

std::mutex resolverMutex;
TResolver& installedResolver() {
    static TResolver resolver;
    return resolver;
}

} // namespace

void SetResolver(TResolver resolver) {
    std::lock_guard<std::mutex> lock(resolverMutex);
    installedResolver() = std::move(resolver);
}

TResolver CurrentResolver() {
    std::lock_guard<std::mutex> lock(resolverMutex);
    return installedResolver() ? installedResolver() : TResolver(systemResolver);
}

} // namespace psock

namespace {

// A message of the hidden window, posted to it.
class TSocketMessageEvent : public QEvent {
public:
    static QEvent::Type type() {
        static const auto t = static_cast<QEvent::Type>(QEvent::registerEventType());
        return t;
    }
    TSocketMessageEvent(int fd, std::uint64_t generation, std::uint32_t msg, std::uint32_t lParam)
        : QEvent(type()), fd(fd), generation(generation), msg(msg), lParam(lParam) {}
    int fd;
    std::uint64_t generation;
    std::uint32_t msg;
    std::uint32_t lParam;
};

// The answer of a lookup, posted from the worker thread.
class TLookupEvent : public QEvent {
public:
    static QEvent::Type type() {
        static const auto t = static_cast<QEvent::Type>(QEvent::registerEventType());
        return t;
    }
    TLookupEvent(std::uint64_t serial, int error, in_addr_t address)
        : QEvent(type()), serial(serial), error(error), address(address) {}
    std::uint64_t serial;
    int error;
    in_addr_t address;
};

std::uint32_t makeSelectReply(std::uint16_t event, int error) {
    return static_cast<std::uint32_t>(event) | (static_cast<std::uint32_t>(error & 0xFFFF) << 16);
}

} // namespace

// Lets the worker thread post its answer only while the window still exists.
struct TPsockWindow::LookupLink {
    std::mutex mutex;
    TPsockWindow* window = nullptr;
};

TPsockWindow::TPsockWindow(TPowersock* owner)
    : owner_(owner), link_(std::make_shared<LookupLink>()) {
    link_->window = this;
}

TPsockWindow::~TPsockWindow() {
    std::lock_guard<std::mutex> lock(link_->mutex);
    link_->window = nullptr;
}

TPsockWindow::Watch* TPsockWindow::find(int fd) {
    const auto it = watches_.find(fd);
    return it == watches_.end() ? nullptr : &it->second;
}

void TPsockWindow::select(int fd, std::uint32_t msg, std::uint16_t mask) {
    Watch& watch = watches_[fd];
    watch.msg = msg;
    watch.mask = mask;
    watch.generation = nextGeneration_++;
    watch.wakeOnly = false;
    watch.reported = false;
    if (watch.write) {
        watch.write->setEnabled(false);
    }
    if (watch.read) {
        watch.read->setEnabled(false);
    }
    // Find out what the socket already is: an accepted socket comes connected.
    int listening = 0;
    socklen_t size = sizeof listening;
    sockaddr_in peer{};
    socklen_t peerSize = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) == 0 && listening) {
        watch.state = State::Listening;
        enableRead(fd, watch);
    } else if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) == 0) {
        watch.state = State::Connected;
        enableRead(fd, watch);
    } else if (watch.state != State::Connecting) {
        // An unconnected socket reports nothing (polling it would only say "hang-up").
        watch.state = State::Idle;
    }
}

void TPsockWindow::unselect(int fd) {
    watches_.erase(fd);
}

void TPsockWindow::enableRead(int fd, Watch& watch) {
    if (!watch.read) {
        watch.read = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(watch.read.get(), &QSocketNotifier::activated, this,
                [this, fd] { onReadable(fd); });
    }
    if (QThread::currentThread() == thread()) {
        watch.read->setEnabled(true);
    } else {
        // A notifier is only switched on its own thread.
        QMetaObject::invokeMethod(watch.read.get(), "setEnabled", Qt::QueuedConnection,
                                  Q_ARG(bool, true));
    }
}

void TPsockWindow::rearmRead(int fd) {
    Watch* watch = find(fd);
    if (watch && watch->state == State::Connected && watch->read) {
        watch->reported = false;
        if (!watch->read->isEnabled()) {
            enableRead(fd, *watch);
        }
    }
}

void TPsockWindow::rearmAccept(int fd) {
    Watch* watch = find(fd);
    if (watch && watch->state == State::Listening) {
        watch->reported = false;
        enableRead(fd, *watch);
    }
}

void TPsockWindow::noteListening(int fd) {
    Watch* watch = find(fd);
    if (watch) {
        watch->state = State::Listening;
        watch->reported = false;
        enableRead(fd, *watch);
    }
}

void TPsockWindow::post(int fd, std::uint64_t generation, std::uint32_t msg, std::uint32_t lParam) {
    QCoreApplication::postEvent(this, new TSocketMessageEvent(fd, generation, msg, lParam));
}

void TPsockWindow::onReadable(int fd) {
    Watch* watch = find(fd);
    if (!watch) {
        return;
    }
    // One message until the next receive (or accept). The notifier stays on
    // after a message, since a reader usually takes the bytes before the next
    // poll (switching it costs the dispatcher a wake-up each way); only when
    // the bytes are still there at the next poll does it go off, until a
    // receive switches it on again.
    if (watch->reported || (watch->state != State::Listening && watch->state != State::Connected)) {
        watch->read->setEnabled(false);
        return;
    }
    if (watch->state == State::Listening) {
        watch->reported = true;
        if (watch->mask & FD_ACCEPT) {
            post(fd, watch->generation, watch->msg, makeSelectReply(FD_ACCEPT, 0));
        }
        return;
    }
    char byte;
    const ssize_t n = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {
        watch->reported = true;
        if (watch->mask & FD_READ) {
            post(fd, watch->generation, watch->msg, makeSelectReply(FD_READ, 0));
        }
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        return;
    }
    watch->read->setEnabled(false);
    // End of the stream, or the connection failed: one FD_CLOSE, then silence.
    // The system tells a reset only once, and it was told here: keep it for
    // the readers, who would otherwise meet a plain end.
    const int error = n == 0 ? 0 : psock::winsockErrorFromErrno(errno);
    watch->state = State::Closed;
    watch->endError = error;
    if (watch->mask & FD_CLOSE) {
        post(fd, watch->generation, watch->msg, makeSelectReply(FD_CLOSE, error));
    }
}

void TPsockWindow::onWritable(int fd) {
    Watch* watch = find(fd);
    if (!watch) {
        return;
    }
    watch->write->setEnabled(false);
    if (watch->wakeOnly) {
        watch->wakeOnly = false;
        return; // the activation itself ended the wait
    }
    if (watch->state != State::Connecting) {
        return;
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
        error = errno;
    }
    const int code = psock::winsockErrorFromErrno(error);
    if (code == 0) {
        watch->state = State::Connected;
        enableRead(fd, *watch);
    } else {
        watch->state = State::Closed;
    }
    if (watch->mask & FD_CONNECT) {
        post(fd, watch->generation, watch->msg, makeSelectReply(FD_CONNECT, code));
    }
}

int TPsockWindow::startConnect(int fd, const sockaddr_in& address) {
    Watch* watch = find(fd);
    if (psock::sysConnect(fd, address) == 0) {
        // Done at once (common on loopback): still reported as a message, as WinSock does.
        if (watch) {
            watch->state = State::Connected;
            enableRead(fd, *watch);
            if (watch->mask & FD_CONNECT) {
                post(fd, watch->generation, watch->msg, makeSelectReply(FD_CONNECT, 0));
            }
        }
        return 0;
    }
    const int error = psock::WSAGetLastError();
    switch (error) {
    case WSAEWOULDBLOCK:
        if (watch) {
            watch->state = State::Connecting;
            watch->wakeOnly = false;
            if (!watch->write) {
                watch->write = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
                connect(watch->write.get(), &QSocketNotifier::activated, this,
                        [this, fd] { onWritable(fd); });
            }
            watch->write->setEnabled(true);
        }
        return -1;
    case 10051: // unreachable, refused, timed out: WinSock tells these by FD_CONNECT
    case 10060:
    case 10061:
    case 10064:
    case 10065:
        if (watch) {
            watch->state = State::Closed;
            if (watch->mask & FD_CONNECT) {
                post(fd, watch->generation, watch->msg, makeSelectReply(FD_CONNECT, error));
            }
        }
        psock::WSASetLastError(WSAEWOULDBLOCK);
        return -1;
    default:
        return -1;
    }
}

int TPsockWindow::endError(int fd) const {
    const auto it = watches_.find(fd);
    return it == watches_.end() ? 0 : it->second.endError;
}

void TPsockWindow::forgetEndError(int fd) {
    if (Watch* watch = find(fd)) {
        watch->endError = 0;
    }
}

bool TPsockWindow::wakeWhenWritable(int fd) {
    Watch* watch = find(fd);
    if (!watch || watch->state != State::Connected) {
        return false;
    }
    if (!watch->write) {
        watch->write = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        connect(watch->write.get(), &QSocketNotifier::activated, this,
                [this, fd] { onWritable(fd); });
    }
    watch->wakeOnly = true;
    watch->write->setEnabled(true);
    return true;
}

void TPsockWindow::startLookup(const std::string& name, std::uint64_t serial) {
    std::shared_ptr<LookupLink> link = link_;
    auto resolve = [link, name, serial, resolver = psock::CurrentResolver()] {
        in_addr_t address = 0;
        const int error = resolver(name, address);
        std::lock_guard<std::mutex> lock(link->mutex);
        if (link->window) {
            QCoreApplication::postEvent(link->window, new TLookupEvent(serial, error, address));
        }
    };
    try {
        std::thread(resolve).detach();
    } catch (const std::system_error&) {
        // No thread to spare: answer as a failed lookup rather than never.
        QCoreApplication::postEvent(this, new TLookupEvent(serial, 11002, 0));
    }
}

bool TPsockWindow::event(QEvent* event) {
    if (event->type() == TSocketMessageEvent::type()) {
        const auto* message = static_cast<TSocketMessageEvent*>(event);
        // A message for a socket closed or re-selected since it was posted is dropped.
        const Watch* watch = find(message->fd);
        if (watch && watch->generation == message->generation) {
            owner_->Wndproc(message->msg, static_cast<std::uintptr_t>(message->fd),
                            message->lParam);
        }
        return true;
    }
    if (event->type() == TLookupEvent::type()) {
        const auto* answer = static_cast<TLookupEvent*>(event);
        if (answer->serial == owner_->lookupSerial_) {
            if (answer->error == 0) {
                std::memcpy(owner_->HostEntryBuffer.data(), &answer->address,
                            sizeof answer->address);
            }
            owner_->Wndproc(LookupDoneMessage, static_cast<std::uintptr_t>(answer->serial),
                            makeSelectReply(0, answer->error));
        }
        return true;
    }
    return QObject::event(event);
}

TPsockEdgeWatch::TPsockEdgeWatch(int fd) : epoll_(::epoll_create1(EPOLL_CLOEXEC)) {
    if (epoll_ < 0) {
        return;
    }
    epoll_event interest{};
    interest.events = EPOLLIN | EPOLLRDHUP | EPOLLET;
    interest.data.fd = fd;
    if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &interest) != 0) {
        ::close(epoll_);
        epoll_ = -1;
        return;
    }
    drain(); // the bytes already waiting are not news
    notifier_ = std::make_unique<QSocketNotifier>(epoll_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { drain(); });
}

TPsockEdgeWatch::~TPsockEdgeWatch() {
    notifier_.reset();
    if (epoll_ >= 0) {
        ::close(epoll_);
    }
}

void TPsockEdgeWatch::drain() {
    epoll_event events[4];
    while (::epoll_wait(epoll_, events, 4, 0) > 0) {
    }
}

// The listening server and its serving threads.

#include "net/NMGeneralServer.h"

#include "net/PsockSys.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

std::mutex ServerLock;

// The serving threads of a listening server. Thread objects are made on the
// GUI thread and joined and deleted there once their threads have ended; the
// lock also orders a thread's last work before its deletion, and the hand-over
// of each connection to a thread waiting for one. An ending thread rings the
// bell, whose notifier on the GUI thread reaps it.
struct TNMGeneralServer::TServeThreads {
    TServeThreads() : bell(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~TServeThreads() {
        notifier.reset();
        if (bell >= 0) {
            ::close(bell);
        }
    }
    void ring() const {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(bell, &one, sizeof one);
    }

    std::mutex mutex;
    std::condition_variable changed;              // a connection or a thread ended
    std::vector<InstantiateServethread*> threads; // not yet deleted
    std::vector<InstantiateServethread*> waiting; // between connections, newest last
    int running = 0;                              // threads not yet ended
    int serving = 0;                              // threads with a connection
    bool stopping = false;                        // waiting threads end
    int bell;
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer reapLater; // for threads still on their way out
};

namespace {

constexpr int MaxAcceptsAtOnce = 32;
// Descriptors a serving thread may need as it starts (its event dispatcher's
// among them, which the toolkit cannot do without), for a burst of them.
constexpr int DescriptorHeadroom = 128;
constexpr int AcceptPauseMs = 100;
// How long a serving thread waits for a next connection before it ends, and
// how many wait at most (a burst's threads beyond them end at once).
constexpr auto ThreadLinger = std::chrono::seconds(2);
constexpr std::size_t MaxWaitingThreads = 128;

// The accepted socket has the lowest free number, so every descriptor below
// it is taken: near the limit there is no room for a serving thread.
bool descriptorsToSpare(int fd) {
    rlimit limit{};
    return ::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
           static_cast<rlim_t>(fd) + DescriptorHeadroom < limit.rlim_cur;
}

// Accept failed for want of descriptors or memory: the connection still waits.
bool isOutOfResources(std::int32_t error) {
    return error == 10024 || error == 10055; // too many open files, no buffer space
}

bool isServer(QObject* owner) {
    return dynamic_cast<TNMGeneralServer*>(owner) != nullptr;
}

} // namespace

// --- The list ---

void TServerList::Add(TNMGeneralServer* Item) {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.push_back(Item);
}

void TServerList::Remove(TNMGeneralServer* Item) {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.erase(std::remove(items_.begin(), items_.end(), Item), items_.end());
}

int TServerList::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(items_.size());
}

// --- The server ---

// A serving component lives on its own thread, so it cannot be a Qt child of
// its server: the server frees it through that thread instead.
TNMGeneralServer::TNMGeneralServer(QObject* Owner)
    : TPowersock(isServer(Owner) ? nullptr : Owner, !isServer(Owner)) {
    if (!isServer(Owner)) {
        ServerList = new TServerList;
        threads_ = std::make_unique<TServeThreads>();
        if (threads_->bell >= 0) {
            threads_->notifier =
                std::make_unique<QSocketNotifier>(threads_->bell, QSocketNotifier::Read);
            connect(threads_->notifier.get(), &QSocketNotifier::activated, this, [this] {
                std::uint64_t rung = 0;
                [[maybe_unused]] const auto read = ::read(threads_->bell, &rung, sizeof rung);
                reapEndedThreads();
            });
        }
        threads_->reapLater.setSingleShot(true);
        threads_->reapLater.setInterval(10);
        connect(&threads_->reapLater, &QTimer::timeout, this, [this] { reapEndedThreads(); });
    }
}

TNMGeneralServer::~TNMGeneralServer() {
    // Its threads use the list and this server to the end, so they end first.
    StopServing();
    delete ServerList;
    ServerList = nullptr;
}

TNMGeneralServer* TNMGeneralServer::NewInstance(QObject* Owner) {
    return new TNMGeneralServer(Owner);
}

void TNMGeneralServer::SelectAccepted(std::uint16_t Socket) {
    if (!threads_) {
        TPowersock::SelectAccepted(Socket);
    }
}

void TNMGeneralServer::Loaded() {
    OnAccept = [this](QObject* Sender) { ServerAccept(Sender); };
    // Accepted sockets inherit the listening socket's reset-on-close, which
    // could cut off the last reply a serving component sends: a served
    // connection ends with an orderly close.
    const linger orderly{0, 0};
    ::setsockopt(SocketHandle, SOL_SOCKET, SO_LINGER, &orderly, sizeof orderly);
    Listen(false);
    // Room for a burst of clients: with a queue of one, every connection
    // beyond the second is turned away until its retry, seconds later.
    psock::sysListen(SocketHandle, SOMAXCONN);
}

void TNMGeneralServer::Abort() {
    if (!ServerList) {
        TPowersock::Abort();
        return;
    }
    StatusMessage(8, "Abort");
    ++aborts_; // before the list is locked: see InstantiateServethread::setUp
    const TServerList::TLocked list = ServerList->LockList();
    for (TNMGeneralServer* component : list.Items()) {
        // The flag rather than Cancel(): its status report would run the
        // component's OnStatus here, beside the component's own thread.
        component->Canceled = true;
        // A wait that sleeps until its thread's next event sees the flag now.
        if (component->ServeThread && component->ServeThread->events_) {
            component->ServeThread->events_->wakeUp();
        }
    }
}

void TNMGeneralServer::ServerAccept(QObject* /*Sender*/) {
    const QPointer<TNMGeneralServer> alive(this); // an OnClientContact may free the server
    // A burst of clients is taken in one go, a bounded number at a time (the
    // rest are announced again at once), rather than one per notification.
    for (int taken = 0; taken < MaxAcceptsAtOnce; ++taken) {
        bool served = false;
        bool failed = false;
        bool pending = false; // a connection is waiting that could not be taken
        {
            std::lock_guard<std::mutex> lock(ServerLock);
            try {
                AsyncDone = true; // Accept does not wait
                const std::uint16_t socket = Accept();
                if (socket == InvalidSocketHandle) {
                    break;
                }
                if (threads_ && descriptorsToSpare(socket)) {
                    serve(socket);
                    served = true;
                } else {
                    // A serving component serves no one else; and near the
                    // descriptor limit a serving thread could not start.
                    Close(socket);
                }
            } catch (const ESockError&) {
                pending = isOutOfResources(LastErrorNo);
                failed = true;
            } catch (...) {
                failed = true;
            }
        }
        if (pending) {
            pauseAccepting();
        }
        if (failed) {
            break; // a connection that could not be taken leaves the server listening
        }
        if (served && OnClientContact) {
            OnClientContact(this);
            if (!alive) {
                return;
            }
        }
    }
    if (threads_) {
        reapEndedThreads();
    }
}

void TNMGeneralServer::serve(std::uint16_t socket) {
    {
        std::lock_guard<std::mutex> lock(threads_->mutex);
        if (!threads_->waiting.empty() && !threads_->stopping) {
            // the thread that waited least: the others may end meanwhile
            InstantiateServethread* thread = threads_->waiting.back();
            threads_->waiting.pop_back();
            thread->connection_ = InstantiateServethread::TConnection(*this, socket);
            thread->handedOver_ = true;
            ++threads_->serving;
            thread->next_.notify_one();
            return;
        }
    }
    new InstantiateServethread(this, socket);
}

void TNMGeneralServer::pauseAccepting() {
    // The waiting connection would be announced again at once, and again:
    // listening rests for a moment instead of spinning.
    WindowHandle->unselect(SocketHandle);
    QTimer::singleShot(AcceptPauseMs, this, [this] {
        WindowHandle->select(SocketHandle, SocketEventMessage, FD_ACCEPT);
    });
}

void TNMGeneralServer::reapEndedThreads(bool wait) {
    std::vector<InstantiateServethread*> ended;
    {
        std::lock_guard<std::mutex> lock(threads_->mutex);
        auto& all = threads_->threads;
        const auto split = std::partition(
            all.begin(), all.end(), [](const InstantiateServethread* t) { return !t->ended_; });
        ended.assign(split, all.end());
        all.erase(split, all.end());
    }
    // A thread rings just before it exits: one still on its way out is
    // joined on a later round rather than waited for here.
    std::vector<InstantiateServethread*> exiting;
    for (InstantiateServethread* thread : ended) {
        if (wait || thread->tryJoin()) {
            delete thread;
        } else {
            exiting.push_back(thread);
        }
    }
    if (!exiting.empty()) {
        {
            std::lock_guard<std::mutex> lock(threads_->mutex);
            threads_->threads.insert(threads_->threads.end(), exiting.begin(), exiting.end());
        }
        if (!threads_->reapLater.isActive()) {
            threads_->reapLater.start();
        }
    }
}

void TNMGeneralServer::StopServing() {
    using namespace std::chrono_literals;
    if (!threads_) {
        return;
    }
    for (;;) {
        // Again and again: a Serve that catches the abort and waits anew is
        // canceled anew.
        Abort();
        std::unique_lock<std::mutex> lock(threads_->mutex);
        if (threads_->changed.wait_for(lock, 50ms, [this] { return threads_->serving == 0; })) {
            break;
        }
    }
    {
        std::unique_lock<std::mutex> lock(threads_->mutex);
        threads_->stopping = true;
        for (InstantiateServethread* thread : threads_->waiting) {
            thread->next_.notify_one();
        }
        threads_->changed.wait(lock, [this] { return threads_->running == 0; });
        threads_->stopping = false; // a later connection gets a new thread
    }
    reapEndedThreads(true);
}

// --- The serving thread ---

InstantiateServethread::TConnection::TConnection(TNMGeneralServer& server, std::uint16_t socket)
    : socket(socket), peer(server.RemoteAddress), onConnect(server.OnConnect),
      onDisconnect(server.OnDisconnect), timeOut(server.TimeOut), aborts(server.aborts_) {}

InstantiateServethread::InstantiateServethread(TNMGeneralServer* Server, std::uint16_t Socket)
    : server_(Server), connection_(*Server, Socket) {
    TNMGeneralServer::TServeThreads& registry = *Server->threads_;
    {
        std::lock_guard<std::mutex> lock(registry.mutex);
        registry.threads.push_back(this);
        ++registry.running;
        ++registry.serving;
    }
    // The component is made on the thread, so that its window, notifiers and
    // timer belong to the thread that serves.
    joinable_ = ::pthread_create(&thread_, nullptr, &InstantiateServethread::entry, this) == 0;
    if (!joinable_) {
        // No thread to be had: the connection is closed, not leaked.
        psock::sysClose(connection_.socket);
        std::lock_guard<std::mutex> lock(registry.mutex);
        ended_ = true;
        --registry.running;
        --registry.serving;
        registry.changed.notify_all();
    }
}

InstantiateServethread::~InstantiateServethread() {
    if (joinable_) {
        ::pthread_join(thread_, nullptr);
    }
}

bool InstantiateServethread::tryJoin() {
    if (joinable_ && ::pthread_tryjoin_np(thread_, nullptr) != 0) {
        return false;
    }
    joinable_ = false;
    return true;
}

void* InstantiateServethread::entry(void* self) {
    static_cast<InstantiateServethread*>(self)->run();
    return nullptr;
}

bool InstantiateServethread::setUp() {
    TConnection& c = connection_;
    try {
        if (!events_) {
            { QEventLoop dispatcherOfItsOwn; } // what makes Qt give this thread its dispatcher
            events_ = QAbstractEventDispatcher::instance();
        }
        // Made without a socket of its own: it takes the accepted one.
        ServingComponent = server_->NewInstance(server_);
        TNMGeneralServer& component = *ServingComponent;
        component.Connected = true;
        component.RemoteAddress = c.peer;
        component.OnConnect = c.onConnect;
        component.OnDisconnect = c.onDisconnect;
        // One setting bounds the waits of every connection.
        component.TimeOut = c.timeOut;
        component.ServeThread = this;
        component.SocketHandle = c.socket;
        c.socket = InvalidSocketHandle;
        server_->ServerList->Add(&component);
        // An abort that did not find the component listed counted itself
        // before it looked, so it shows here.
        if (server_->aborts_ != c.aborts) {
            component.Canceled = true;
        }
        component.WindowHandle->select(component.SocketHandle, SocketEventMessage, SocketEventMask);
        component.ParentServer = server_;
        return true;
    } catch (...) {
        if (c.socket != InvalidSocketHandle) {
            psock::sysClose(c.socket);
            c.socket = InvalidSocketHandle;
        }
        return false;
    }
}

void InstantiateServethread::run() {
    do {
        if (setUp()) {
            Execute();
        }
        release();
    } while (waitForNext());
    server_->threads_->ring(); // the server joins it, after the destructor's wait if need be
}

bool InstantiateServethread::waitForNext() {
    TNMGeneralServer::TServeThreads& registry = *server_->threads_;
    std::unique_lock<std::mutex> lock(registry.mutex);
    --registry.serving;
    registry.changed.notify_all();
    if (!registry.stopping && registry.waiting.size() < MaxWaitingThreads) {
        registry.waiting.push_back(this);
        next_.wait_for(lock, ThreadLinger, [&] { return handedOver_ || registry.stopping; });
        if (handedOver_) {
            handedOver_ = false;
            return true; // the server counted it serving as it handed the connection over
        }
        std::erase(registry.waiting, this);
    }
    ended_ = true;
    --registry.running;
    registry.changed.notify_all();
    return false;
}

void InstantiateServethread::Execute() {
    try {
        ServingComponent->Serve();
    } catch (...) {
        // a client that made Serve fail ends only its own connection
    }
}

void InstantiateServethread::release() {
    std::lock_guard<std::mutex> lock(ServerLock);
    try {
        if (ServingComponent) {
            server_->ServerList->Remove(ServingComponent);
            delete ServingComponent; // closes the accepted socket, on this thread
        }
    } catch (...) {
    }
    ServingComponent = nullptr;
}

#pragma once

// The listening server: a socket component that listens on Port, accepts each
// connection on the GUI thread and serves it on a thread of its own, through a
// serving component of the server's own class whose Serve does the work for
// one client.
//
//     class TEchoServer : public TNMServerOf<TEchoServer> {
//     public:
//         using TNMServerOf::TNMServerOf;
//         void Serve() override { ... ReadLn() ... Write(...) ... }
//     };
//     auto server = new TEchoServer(form); server->Port = 2121; server->Loaded();
//
// The destructor stops serving first: every serving component is canceled and
// its thread joined.
//
// A serving component lives wholly on its thread: its hidden window, its
// socket notifications, its timer and its Serve. Its OnConnect and
// OnDisconnect (taken from the server) are called there too. Each connection
// has a component of its own; a serving thread serves one connection after
// another.

#include "net/Psock.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <vector>

class TNMGeneralServer;
class InstantiateServethread;
class QAbstractEventDispatcher;

// Serializes accepting against the serving threads' removal of their
// components, for every server of the process.
extern std::mutex ServerLock;

// The serving components of a listening server, under a lock of their own.
class TServerList {
public:
    // The entries, locked for as long as the view lives.
    class TLocked {
    public:
        explicit TLocked(TServerList& list) : lock_(list.mutex_), items_(list.items_) {}
        const std::vector<TNMGeneralServer*>& Items() const { return items_; }

    private:
        std::unique_lock<std::mutex> lock_;
        const std::vector<TNMGeneralServer*>& items_;
    };

    TLocked LockList() { return TLocked(*this); }
    void Add(TNMGeneralServer* Item);
    void Remove(TNMGeneralServer* Item);
    int Count() const;

private:
    mutable std::mutex mutex_;
    std::vector<TNMGeneralServer*> items_;
};

class TNMGeneralServer : public TPowersock {
public:
    // Owned by a server (or by one of its derived classes), the component is a
    // serving one; otherwise it is a listening server with its ServerList.
    explicit TNMGeneralServer(QObject* Owner = nullptr);
    ~TNMGeneralServer() override;

    // Starts listening once the properties are set (the form calls it after
    // loading): connections are announced as FD_ACCEPT and ServerAccept takes them.
    virtual void Loaded();
    // A server connects nowhere.
    void Connect() override {}
    // A listening server cancels the waits of every serving component; a
    // serving one cancels its own, which is how its time-out ends them.
    void Abort() override;
    // The work for one client, run on the serving thread; nothing here.
    virtual void Serve() {}
    // The listening server's OnAccept: takes the connections waiting (a
    // bounded number at a time), each to a serving thread of its own, and
    // fires OnClientContact for each one taken into service.
    void ServerAccept(QObject* Sender);
    // Cancels every serving component again and again until all their threads
    // have ended. The destructor does it; a derived server whose serving
    // components use members of its own calls it first in its own destructor,
    // before those members go.
    void StopServing();

    // Owned by a listening server (null in a serving one); a serving component
    // enters it from its own thread as that thread starts, and leaves it as it ends.
    TServerList* ServerList = nullptr;
    TNotifyEvent OnClientContact;
    TNMGeneralServer* ParentServer = nullptr;      // in a serving component: its server
    InstantiateServethread* ServeThread = nullptr; // in a serving component: its thread

protected:
    // The class's virtual constructor: a new component of this object's own
    // class. Every derived server provides it (TNMServerOf does so).
    virtual TNMGeneralServer* NewInstance(QObject* Owner);
    // An accepted socket is watched by its serving component's window, on
    // that component's thread, not by the listening server's.
    void SelectAccepted(std::uint16_t Socket) override;

private:
    friend class InstantiateServethread;
    struct TServeThreads;

    // Stops listening for a moment (out of descriptors or memory).
    void pauseAccepting();
    // Gives the accepted socket to a serving thread waiting for one, or to a new one.
    void serve(std::uint16_t socket);
    // Joins and deletes the threads that have ended: those that have exited
    // at once, the others shortly after (or, with wait, all, waiting for them).
    void reapEndedThreads(bool wait = false);

    std::unique_ptr<TServeThreads> threads_; // of a listening server
    // Counts the listening server's aborts, so that one reaches the serving
    // components still on their way into the list too.
    std::atomic<std::uint64_t> aborts_{0};
};

// A derived server whose serving components are of class TServer.
template <class TServer, class TBase = TNMGeneralServer> class TNMServerOf : public TBase {
public:
    using TBase::TBase;

protected:
    TNMGeneralServer* NewInstance(QObject* Owner) override { return new TServer(Owner); }
};

// A serving thread: it serves one accepted connection at a time, each
// through a serving component made for it, on the thread, and freed there
// once Serve returns. Then it waits a while for the server's next connection
// (a thread and its event dispatcher cost more than the work of many a
// connection) and ends when none comes; the server joins the ended thread and
// deletes this object, so the GUI thread never waits for it.
//
// It is a plain POSIX thread rather than a QThread: Qt gives it an event
// dispatcher of its own as it starts (an adopted thread), and joining it
// orders all it did before whatever follows, for the sanitizers too.
class InstantiateServethread {
public:
    // Starts a thread that serves the accepted socket (when no thread can be
    // had, the socket is closed). What the serving component takes from the
    // server is taken here, before the server accepts again.
    InstantiateServethread(TNMGeneralServer* Server, std::uint16_t Socket);
    virtual ~InstantiateServethread();
    InstantiateServethread(const InstantiateServethread&) = delete;
    InstantiateServethread& operator=(const InstantiateServethread&) = delete;

    // The component serving the thread's connection; null between connections.
    TNMGeneralServer* ServingComponent = nullptr;

protected:
    // Serves the client; whatever Serve raises ends only this connection.
    virtual void Execute();

private:
    friend class TNMGeneralServer;

    // What a serving component takes from the server at the accept.
    struct TConnection {
        TConnection(TNMGeneralServer& server, std::uint16_t socket);
        std::uint16_t socket; // the accepted socket until the component holds it
        sockaddr_in peer;
        TNotifyEvent onConnect;
        TNotifyEvent onDisconnect;
        std::int32_t timeOut;
        std::uint64_t aborts; // the server's aborts before this connection
    };

    static void* entry(void* self);
    void run();
    bool setUp();
    void release();
    // Waits for the server's next connection; false when the thread is to end.
    bool waitForNext();
    // Joins the thread if it has exited, without waiting for it.
    bool tryJoin();

    TNMGeneralServer* server_;
    TConnection connection_;
    // Under the server's thread registry lock:
    bool handedOver_ = false; // a next connection is in connection_
    bool ended_ = false;
    std::condition_variable next_;
    QAbstractEventDispatcher* events_ = nullptr; // the thread's own, set as it starts
    pthread_t thread_{};
    bool joinable_ = false;
};

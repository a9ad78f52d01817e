// The socket component: construction and start-up, the hidden window's
// messages, the waits, host resolution, connecting, closing and accepting.

#include "net/Psock.h"

#include "framework/Pump.h"
#include "framework/SysUtils.h"
#include "net/PsockSys.h"

#include <QSysInfo>
#include <arpa/inet.h>
#include <cstring>
#include <netdb.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

std::atomic<std::int32_t> WinsockUsers{0};

namespace {

void copyText(char* target, std::size_t size, const std::string& text) {
    const std::size_t n = std::min(size - 1, text.size());
    std::memcpy(target, text.data(), n);
    target[n] = '\0';
}

std::string versionText(std::uint16_t version) {
    return IntToStr(version >> 8) + "." + IntToStr(version & 0xFF);
}

// What the socket layer of this system is, in the start-up record's terms.
void startupRecord(TWSAData& data) {
    data.wVersion = 0x0101;
    data.wHighVersion = 0x0101;
    copyText(data.szDescription, sizeof data.szDescription,
             "POSIX sockets, non-blocking, readiness by Qt " + std::string(qVersion()) +
                 " socket notifiers");
    copyText(data.szSystemStatus, sizeof data.szSystemStatus,
             "Running on " + QSysInfo::kernelType().toStdString() + " " +
                 QSysInfo::kernelVersion().toStdString());
    rlimit limit{};
    std::uint64_t maxSockets = 65535;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        maxSockets = std::min<std::uint64_t>(limit.rlim_cur, 65535);
    }
    data.iMaxSockets = static_cast<std::uint16_t>(maxSockets);
    data.iMaxUdpDg = 65507; // largest IPv4 UDP payload
}

// The socket has an address of its own already (a bind before Listen).
bool isBound(int fd) {
    sockaddr_in own{};
    socklen_t size = sizeof own;
    return ::getsockname(fd, reinterpret_cast<sockaddr*>(&own), &size) == 0 && own.sin_port != 0;
}

} // namespace

TPowersock::TPowersock(QObject* Owner) : TPowersock(Owner, true) {}

TPowersock::TPowersock(QObject* Owner, bool WithSocket) : QObject(Owner) {
    WindowHandle = new TPsockWindow(this);
    Proxy.clear();
    HostEntryBuffer.assign(1024, 0);
    Timer = new TThreadTimer(this);
    Timer->SetEnabled(false);
    Timer->SetOnTimer([this](QObject* sender) { TimerFired(sender); });
    TimeOut = 0;
    Canceled = false;
    Destroying = false;
    Connected = false;
    StatusMessage(8, "Create");
    try {
        InitWinsock(WithSocket);
    } catch (...) {
        delete Timer;
        delete WindowHandle;
        throw;
    }
}

TPowersock::~TPowersock() {
    componentDestroying_ = true;
    StatusMessage(8, "Destroy");
    try {
        TPowersock::Abort();
        Cancel();
    } catch (...) {
    }
    delete Timer;
    Timer = nullptr;
    HostEntryBuffer.clear();
    Destroying = true;
    try {
        RequestCloseSocket();
    } catch (...) {
        // a failing close must not escape a destructor
    }
    if (--WinsockUsers == 0) {
        // nothing to release: the next first user fills its record again
    }
    delete WindowHandle;
    WindowHandle = nullptr;
}

void TPowersock::InitWinsock(bool WithSocket) {
    StatusMessage(8, "Initializing Winsock");
    if (++WinsockUsers == 1) {
        startupRecord(WinsockData);
        WinsockInfo.Add("Version= " + versionText(WinsockData.wVersion));
        WinsockInfo.Add("High Version= " + versionText(WinsockData.wHighVersion));
        WinsockInfo.Add("Description= " + std::string(WinsockData.szDescription));
        WinsockInfo.Add("System= " + std::string(WinsockData.szSystemStatus));
        WinsockInfo.Add("Max Sockets= " + IntToStr(WinsockData.iMaxSockets));
        WinsockInfo.Add("Max Udp pack size= " + IntToStr(WinsockData.iMaxUdpDg));
    }
    if (!WithSocket) {
        return;
    }
    try {
        SocketHandle = openSocket(IPPROTO_TCP);
        if (SocketHandle == InvalidSocketHandle) {
            ErrorManager(WSAEWOULDBLOCK);
            throw ESockError("no socket");
        }
        // Closing resets the connection at once.
        const linger reset{1, 0};
        ::setsockopt(SocketHandle, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        selectSocket(SocketHandle, SocketEventMessage, SocketEventMask);
    } catch (...) {
        if (SocketHandle != InvalidSocketHandle) {
            WindowHandle->unselect(SocketHandle);
            psock::sysClose(SocketHandle);
            SocketHandle = InvalidSocketHandle;
        }
        --WinsockUsers;
        throw ESockError("Initializaton of windows sockets failed");
    }
}

std::uint16_t TPowersock::openSocket(int protocol) {
    const int fd = psock::sysSocket(protocol);
    if (fd < 0) {
        return InvalidSocketHandle;
    }
    if (fd >= InvalidSocketHandle) {
        // The handle is kept in 16 bits.
        psock::sysClose(fd);
        throw ERangeError();
    }
    return static_cast<std::uint16_t>(fd);
}

void TPowersock::selectSocket(std::uint16_t handle, std::uint32_t msg, std::uint16_t mask) {
    WindowHandle->select(handle, msg, mask);
}

void TPowersock::Wndproc(std::uint32_t Msg, std::uintptr_t /*WParam*/, std::uint32_t LParam) {
    try {
        Succeeded = (LParam >> 16) == 0;
        const auto event = static_cast<std::uint16_t>(LParam & 0xFFFF);
        if (Msg == SocketEventMessage) {
            switch (event) {
            case FD_READ:
                if (OnDataReady) {
                    OnDataReady(this);
                }
                break;
            case FD_ACCEPT:
                Connected = true;
                if (OnAccept) {
                    OnAccept(this);
                }
                break;
            case FD_CONNECT:
                if (Succeeded) {
                    Connected = true;
                    if (OnConnect) {
                        OnConnect(this);
                    }
                }
                break;
            case FD_CLOSE:
                // With unread data waiting the readers meet the end themselves.
                if (!DataAvailable()) {
                    // a reset would be lost with the socket: the next reader reports it
                    closedByError_ = WindowHandle->endError(SocketHandle);
                    RequestCloseSocket();
                }
                break;
            default:
                break;
            }
        } else if (Msg == LookupDoneMessage) {
            AsyncDone = true;
            if (event == FD_ACCEPT) {
                Connected = true;
                if (!componentDestroying_ && OnDisconnect) {
                    OnDisconnect(this);
                }
            }
        }
    } catch (...) {
        // nothing raised by a message handler may leave the window
    }
}

// A wait with nothing to do sleeps until the next event of the thread: data,
// a timer, a lookup's answer, user input.
void TPowersock::waitForEvent() {
    WaitMessage();
}

void TPowersock::pumpAfter(bool progressed) {
    if (progressed) {
        ProcessMessages();
    } else {
        WaitMessage();
    }
}

void TPowersock::ResolveRemoteHost() {
    StatusMessage(8, "Resolve Host");
    copyText(TransferBuffer, sizeof TransferBuffer, Proxy.empty() ? Host : Proxy);
    RemoteAddress.sin_addr.s_addr = ::inet_addr(TransferBuffer);
    if (RemoteAddress.sin_addr.s_addr != INADDR_NONE) {
        return;
    }
    RemoteAddress.sin_addr.s_addr = 0;
    TimerOn();
    {
        psock::TFinally off([this] {
            TimerOff();
            ++lookupSerial_; // an answer still on its way now belongs to nobody
        });
        AsyncDone = false;
        WindowHandle->startLookup(TransferBuffer, ++lookupSerial_);
        while (!AsyncDone && !TimedOut && !Canceled) {
            waitForEvent();
        }
    }
    if (TimedOut) {
        throw ESockError("Host Lookup Timed Out");
    }
    if (Canceled) {
        throw ESockError("Host Lookup Canceled");
    }
    if (!Succeeded) {
        throw ESockError("Host Lookup Failed");
    }
    std::memcpy(&RemoteAddress.sin_addr.s_addr, HostEntryBuffer.data(), 4);
    if (OnHostResolved) {
        OnHostResolved(this);
    }
}

void TPowersock::Connect() {
    StatusMessage(8, "Connecting");
    // A Connect started from inside another one's wait is a second request.
    if (connecting_) {
        throw ESockError("Already connected");
    }
    Canceled = false;
    if (Connected) {
        throw ESockError("Already connected");
    }
    closedByError_ = 0;
    connecting_ = true;
    psock::TFinally notConnecting([this] { connecting_ = false; });

    int retries = 0;
    do {
        try {
            ResolveRemoteHost();
        } catch (const ESockError& error) {
            if (error.Message() == "Host Lookup Timed Out" ||
                error.Message() == "Host Lookup Canceled") {
                throw;
            }
            RemoteAddress.sin_addr.s_addr = 0;
        }
        if (RemoteAddress.sin_addr.s_addr == 0) {
            if (retries > 0 || !OnInvalidHost) {
                throw ESockError("Null Remote Address");
            }
            bool handled = false;
            OnInvalidHost(handled);
            if (!handled) {
                throw ESockError("Null Remote Address");
            }
            ++retries;
        }
    } while (RemoteAddress.sin_addr.s_addr == 0);

    RemoteAddress.sin_family = AF_INET;
    RemoteAddress.sin_port =
        htons(static_cast<std::uint16_t>(Proxy.empty() ? Port : ProxyPort) & 0xFFFF);
    AsyncDone = false;
    Succeeded = true;
    if (WindowHandle->startConnect(SocketHandle, RemoteAddress) == -1) {
        ErrorManager(WSAEWOULDBLOCK);
    }
    TimerOn();
    {
        psock::TFinally off([this] { TimerOff(); });
        while (!Connected && !TimedOut && !Canceled && Succeeded) {
            waitForEvent();
        }
    }
    if (!TimedOut && !Canceled && Succeeded) {
        return;
    }
    if (OnConnectionFailed) {
        OnConnectionFailed(this);
    }
    if (TimedOut) {
        throw ESockError("Connection Timed out");
    }
    if (Canceled) {
        throw ESockError("Connection Canceled");
    }
    throw ESockError("Connection Failed");
}

void TPowersock::Disconnect() {
    StatusMessage(8, "Disconnecting");
    // The caller gives up: a connect or send waiting on this socket ends at
    // once, as a Cancel ends it, instead of waiting out the time-out. (A
    // receive ends without an error at the close.)
    if (connecting_ || sending_) {
        Canceled = true;
    }
    closedByError_ = 0;
    RequestCloseSocket();
}

void TPowersock::RequestCloseSocket() {
    StatusMessage(4, "Request Close Socket");
    Connected = false;
    if (SocketHandle == InvalidSocketHandle) {
        return;
    }
    WindowHandle->unselect(SocketHandle);
    if (psock::sysClose(SocketHandle) != 0) {
        ErrorManager(WSAEWOULDBLOCK);
        return;
    }
    SocketHandle = InvalidSocketHandle;
    if (!componentDestroying_ && OnDisconnect) {
        OnDisconnect(this);
    }
    if (!Destroying && SocketHandle == InvalidSocketHandle) {
        // Always hold an unconnected socket, ready for the next Connect.
        SocketHandle = openSocket(0);
        if (SocketHandle != InvalidSocketHandle) {
            selectSocket(SocketHandle, SocketEventMessage, SocketEventMask);
        }
    }
}

void TPowersock::Cancel() {
    StatusMessage(8, "Canceling");
    Canceled = true;
}

void TPowersock::Abort() {
    StatusMessage(8, "Abort");
    Cancel();
}

void TPowersock::Close(std::uint32_t Socket) {
    StatusMessage(8, "Closing Socket");
    if (Socket >= 0x80000000u) {
        throw ERangeError();
    }
    WindowHandle->unselect(static_cast<int>(Socket));
    psock::sysClose(static_cast<int>(Socket));
}

void TPowersock::CertifyConnect() {
    StatusMessage(8, "Checking Connection");
    bool asked = false;
    while (!Connected) {
        if (asked || !OnConnectionNeeded) {
            throw Exception("Not Connected");
        }
        bool handled = false;
        OnConnectionNeeded(handled);
        asked = true;
        if (!handled) {
            throw Exception("Not Connected");
        }
    }
}

void TPowersock::Listen(bool Flag) {
    StatusMessage(8, "Listening");
    if (Port < 0 || Port > 0xFFFF) {
        throw ERangeError();
    }
    RemoteAddress = sockaddr_in{};
    RemoteAddress.sin_family = AF_INET;
    RemoteAddress.sin_port = htons(static_cast<std::uint16_t>(Port));
    RemoteAddress.sin_addr.s_addr = ::inet_addr("0.0.0.0");
    AsyncDone = false;
    // Connections of an earlier run still closing on the port must not keep it
    // taken; a port another socket listens on stays refused.
    const int reuse = 1;
    ::setsockopt(SocketHandle, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    // A port in use is an error here, not a listen on some port the system
    // picks; a socket the caller bound already keeps its address.
    if (psock::sysBind(SocketHandle, RemoteAddress) != 0 && !isBound(SocketHandle)) {
        ErrorManager(WSAEWOULDBLOCK);
    }
    selectSocket(SocketHandle, Flag ? LookupDoneMessage : SocketEventMessage, FD_ACCEPT);
    if (psock::sysListen(SocketHandle, 1) != 0) {
        WindowHandle->unselect(SocketHandle);
        ErrorManager(WSAEWOULDBLOCK);
    }
    WindowHandle->noteListening(SocketHandle);
}

std::uint16_t TPowersock::Accept() {
    StatusMessage(4, "Accepting");
    while (!AsyncDone && !Canceled) {
        waitForEvent();
    }
    if (Canceled) {
        throw ESockError("Accepting Canceled");
    }
    if (!Succeeded) {
        throw ESockError("Error creating Data Connection");
    }
    sockaddr_in peer{};
    const int fd = psock::sysAccept(SocketHandle, peer);
    WindowHandle->rearmAccept(SocketHandle);
    if (fd < 0) {
        ErrorManager(WSAEWOULDBLOCK);
        return InvalidSocketHandle;
    }
    if (fd >= InvalidSocketHandle) {
        psock::sysClose(fd);
        throw ERangeError();
    }
    SelectAccepted(static_cast<std::uint16_t>(fd));
    RemoteAddress = peer;
    if (Canceled) {
        // Nobody would receive the handle: close it rather than leak it.
        WindowHandle->unselect(fd);
        psock::sysClose(fd);
        Canceled = false;
        throw EAbortError("Socket send aborted");
    }
    return static_cast<std::uint16_t>(fd);
}

void TPowersock::SelectAccepted(std::uint16_t Socket) {
    selectSocket(Socket, SocketEventMessage, SocketEventMask);
}

std::string TPowersock::GetRemoteIP() {
    StatusMessage(8, "Getting Remote IP");
    return ::inet_ntoa(RemoteAddress.sin_addr);
}

std::string TPowersock::GetLocalIP() {
    StatusMessage(8, "Getting Local IP");
    char name[200] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return {};
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &result) != 0 || !result) {
        return {}; // the local name does not resolve
    }
    const auto* address = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
    const auto* b = reinterpret_cast<const unsigned char*>(&address->sin_addr.s_addr);
    std::string text = Format("%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
    ::freeaddrinfo(result);
    return text;
}

std::string TPowersock::GetLocalAddress() {
    sockaddr_in own{};
    socklen_t size = sizeof own;
    ::getsockname(SocketHandle, reinterpret_cast<sockaddr*>(&own), &size);
    std::string text = ::inet_ntoa(own.sin_addr);
    int replaced = 0;
    for (char& c : text) {
        if (c == '.' && replaced < 3) {
            c = ',';
            ++replaced;
        }
    }
    return text;
}

std::string TPowersock::GetPortString() {
    sockaddr_in own{};
    socklen_t size = sizeof own;
    ::getsockname(SocketHandle, reinterpret_cast<sockaddr*>(&own), &size);
    const std::uint16_t port = ntohs(own.sin_port);
    return Format(",%d,%d", port >> 8, port & 0xFF);
}

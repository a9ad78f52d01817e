#pragma once

// The socket component: one TCP socket driven from the GUI thread. Every
// operation that must wait runs the thread's message pump meanwhile, so the
// user interface, the time-out and a Cancel button act on a running transfer
// through the component's flags.
//
// The platform underneath is POSIX: non-blocking sockets whose readiness a
// QSocketNotifier turns into the two notification messages of the hidden
// window, with the WinSock event codes and error numbers the rest of the
// program speaks (errno is translated once, where the system call fails).

#include "framework/Exceptions.h"
#include "framework/Streams.h"
#include "framework/StringList.h"

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <netinet/in.h>
#include <string>
#include <vector>

class TPsockWindow;

// Any failure of the socket layer.
class ESockError : public Exception {
public:
    using Exception::Exception;
};

// A transfer ended because Canceled was set (Cancel, Abort or the time-out).
class EAbortError : public ESockError {
public:
    using ESockError::ESockError;
};

// Event shapes. Sender is the component (or the timer) that fires the event.
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TOnErrorEvent =
    std::function<void(QObject* Sender, std::uint16_t Errno, const std::string& Errmsg)>;
using THandlerEvent = std::function<void(bool& Handled)>;
using TOnHostResolved = std::function<void(QObject* Sender)>;
using TOnStatus = std::function<void(QObject* Sender, const std::string& Status)>;

// The two messages of the hidden window.
constexpr std::uint32_t SocketEventMessage = 1125; // WM_USER + 101
constexpr std::uint32_t LookupDoneMessage = 1126;  // WM_USER + 102

// Event codes in the low word of a SocketEventMessage.
enum TSocketEventCode : std::uint16_t {
    FD_READ = 1,
    FD_OOB = 4,
    FD_ACCEPT = 8,
    FD_CONNECT = 16,
    FD_CLOSE = 32,
};
// Events every socket of a component is watched for (FD_WRITE is not asked).
constexpr std::uint16_t SocketEventMask = FD_READ | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;

// WinSock numbers the layer uses by name.
constexpr std::uint16_t WSAEWOULDBLOCK = 10035;
constexpr std::uint16_t WSAENOTCONN = 10057;
constexpr std::uint16_t WSAECONNRESET = 10054;
// The SocketHandle value that means "no socket".
constexpr std::uint16_t InvalidSocketHandle = 65535;

// One entry of the WinSock error table.
struct TWinsockErrorEntry {
    std::int32_t Code;
    const char* Text;
};
constexpr int WinsockErrorCount = 50;
extern const TWinsockErrorEntry WinsockErrorTable[WinsockErrorCount];

// The start-up record describing the socket layer (filled by the first
// component only).
struct TWSAData {
    std::uint16_t wVersion = 0;
    std::uint16_t wHighVersion = 0;
    char szDescription[257] = {};
    char szSystemStatus[129] = {};
    std::uint16_t iMaxSockets = 0;
    std::uint16_t iMaxUdpDg = 0;
};

// Number of components that have started the socket layer (process-wide).
extern std::atomic<std::int32_t> WinsockUsers;

// A window-message timer: no thread of its own, it fires on the thread that
// created it. Setting Enabled or Interval to the value it already has leaves a
// running countdown alone.
class TThreadTimer : public QObject {
public:
    explicit TThreadTimer(QObject* Owner = nullptr);
    ~TThreadTimer() override;

    bool Enabled() const { return enabled_; }
    std::uint32_t Interval() const { return interval_; }
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    void SetEnabled(bool Value);
    void SetInterval(std::uint32_t Value);
    void SetOnTimer(TNotifyEvent Value);

    // Starts a running countdown again from now; a stopped timer stays stopped.
    void Restart();

    // Whether a countdown is scheduled at the moment.
    bool isRunning() const { return timerId_ != 0; }
    // Milliseconds until the next expiry; -1 when nothing is scheduled.
    std::int64_t remainingTime() const;

    // Called with the exception an OnTimer handler raised (it must not travel
    // up through the event loop). The program installs its error box here;
    // by default the message goes to the Qt warning channel.
    static std::function<void(const std::exception&)> ApplicationExceptionHandler;

protected:
    // Fires OnTimer; derived timers may do their own work instead.
    virtual void Timer();
    void UpdateTimer();
    void timerEvent(QTimerEvent* event) override;

private:
    std::uint32_t interval_ = 1000;
    bool enabled_ = true;
    TNotifyEvent onTimer_;
    int timerId_ = 0;
    std::int64_t dueMs_ = 0; // monotonic time of the next expiry
};

class TPowersock : public QObject {
public:
    explicit TPowersock(QObject* Owner = nullptr);
    ~TPowersock() override;
    TPowersock(const TPowersock&) = delete;
    TPowersock& operator=(const TPowersock&) = delete;

    // --- Published properties ---
    TNotifyEvent OnConnect;
    TNotifyEvent OnDisconnect;
    THandlerEvent OnInvalidHost;
    TOnHostResolved OnHostResolved;
    TOnStatus OnStatus;
    TNotifyEvent OnConnectionFailed;
    std::int32_t TimeOut = 0;     // milliseconds; 0: no time-out
    std::int32_t ReportLevel = 0; // highest status level reported
    std::int32_t Port = 0;        // remote port for Connect (low 16 bits), local for Listen
    std::string Host;             // dotted IPv4 address or a name

    // --- Public state and events ---
    TNotifyEvent OnDataReady;
    TNotifyEvent OnAccept;
    TOnErrorEvent OnError;
    THandlerEvent OnConnectionNeeded;
    TNotifyEvent OnPacketRecvd;
    TNotifyEvent OnPacketSent;

    TStringList WinsockInfo; // six lines, filled by the first instance
    std::int32_t BytesSent = 0;
    std::int32_t BytesTotal = 0;
    std::int32_t BytesRecvd = 0;
    std::int32_t LastErrorNo = 0;
    std::string Status;
    std::string Proxy;
    std::int32_t ProxyPort = 0;
    std::string LastReply;
    std::int16_t ReplyNumber = 0;
    sockaddr_in RemoteAddress{};
    std::uint16_t SocketHandle = InvalidSocketHandle;

    // Flags the waits test after every pump; handlers run inside a wait set
    // them. Atomic because a serving component's thread reads them too.
    std::atomic<bool> Canceled{false};
    std::atomic<bool> Succeeded{false};
    std::atomic<bool> TimedOut{false};
    std::atomic<bool> AsyncDone{false};
    std::atomic<bool> Connected{false};

    // --- Connection ---
    virtual std::uint16_t Accept();
    virtual void Connect();
    virtual void Disconnect();
    virtual std::string Transaction(const std::string& Command);
    virtual void Abort();

    void Cancel();
    void CertifyConnect();
    void ResolveRemoteHost();
    void RequestCloseSocket();
    void Close(std::uint32_t Socket);
    void Listen(bool Flag);
    std::string GetRemoteIP();
    std::string GetLocalIP();
    std::string GetLocalAddress();
    std::string GetPortString();

    // --- Transfers ---
    void SendBuffer(const char* Buffer, std::uint16_t Count);
    void Write(const std::string& S);
    void Writeln(const std::string& S);
    void SendFile(const std::string& FileName);
    void SendStream(TStream& Stream);
    std::string Read(std::uint16_t Count);
    std::string ReadLn();
    void CaptureString(std::string& S, std::int32_t Count);
    void CaptureStream(TStream& Stream, std::int32_t Count);
    void CaptureFile(const std::string& FileName);
    void AppendFile(const std::string& FileName);
    void FilterHeader(TStream& Stream);
    bool DataAvailable();
    void ClearInput();

    // --- Errors and status ---
    void StatusMessage(std::uint8_t Level, const std::string& Text);
    std::string ErrorManager(std::uint16_t Ignore);
    void SetWSAError(std::uint16_t ErrorNo, const std::string& ErrorMsg);
    std::string SocketErrorStr(std::uint16_t ErrorNo);
    std::int32_t GetLastErrorNo();
    void SetLastErrorNo(std::int32_t ErrorNo);

    // --- Time-out ---
    void TimerOn();
    void TimerOff();

protected:
    // Handler of the hidden window's two messages.
    virtual void Wndproc(std::uint32_t Msg, std::uintptr_t WParam, std::uint32_t LParam);
    // Selects a socket Accept took to this component's window (a listening
    // server hands it to a serving component's window instead).
    virtual void SelectAccepted(std::uint16_t Socket);
    void TimerFired(QObject* Sender);
    void InitWinsock();

    char TransferBuffer[65537];
    std::atomic<bool> Destroying{false};
    TThreadTimer* Timer = nullptr; // owned
    TWSAData WinsockData;
    std::vector<char> HostEntryBuffer; // 1024 bytes: the last lookup's address
    TPsockWindow* WindowHandle = nullptr;

private:
    friend class TPsockWindow;

    // The component-base "destruction has begun" state.
    bool componentDestroying_ = false;
    // Identifies the lookup whose result is awaited; older results are dropped.
    std::uint64_t lookupSerial_ = 0;
    // A Connect is under way (a second one from inside its wait is refused).
    bool connecting_ = false;
    // A send is under way: a Disconnect meanwhile cancels it, as it does a Connect.
    bool sending_ = false;
    // The error that ended the connection when the window met it first and
    // closed the socket; the next reader reports it, once.
    int closedByError_ = 0;

    std::uint16_t openSocket(int protocol);
    void selectSocket(std::uint16_t handle, std::uint32_t msg, std::uint16_t mask);
    std::int64_t receive(char* buffer, std::int64_t length, int flags, bool rearm = true);
    // Bytes came in: the time-out counts the silence from now.
    void restartTimeOut();
    std::int64_t sendSome(const char* buffer, std::int64_t length);
    void sendBlock(std::int64_t length, bool& sentNothing);
    // A transfer that ended because Canceled was set: clears it and raises
    // the abort error with message.
    void raiseIfCanceled(const char* message);
    // One take of up to a block for the receive loops: the bytes go to store,
    // BytesRecvd and OnPacketRecvd, and for a capture the time-out starts
    // again. Returns what recv returned; for a capture, 0 also when the
    // socket is no longer connected (a Disconnect meanwhile ends it as the
    // close does). Other errors are reported, would-block passing.
    std::int64_t takeBlock(const std::function<void(std::int64_t)>& store, bool capture);
    // After a failed receive: keeps the error number and, with
    // notConnectedEnds, tells a socket no longer connected (the end of the
    // data for the readers); any other error is reported, would-block passing.
    bool receiveFailed(bool notConnectedEnds);
    // Sleeps until the socket can take more bytes (or any other event comes).
    void waitWritable();
    void waitForEvent();
    void pumpAfter(bool progressed);
};

// Fields of Text split at every Delimiter, counted from 1.
std::string NthWord(const std::string& Text, char Delimiter, std::int32_t N);
// 1-based position of the N-th Delimiter; Length(Text) + 1 when there are fewer.
std::int32_t NthPos(const std::string& Text, char Delimiter, std::int32_t N);
// Writes S and CR LF to the stream.
void StreamLn(TStream& Stream, const std::string& S);

// The listening server built on this component.
#include "net/NMGeneralServer.h"

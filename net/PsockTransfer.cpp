// The component's transfers: strings, buffers, files and streams out; lines,
// counted blocks and everything up to the close in; and the text helpers.

#include "framework/Pump.h"
#include "framework/SysUtils.h"
#include "net/Psock.h"
#include "net/PsockSys.h"

#include <algorithm>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>

namespace {

constexpr std::int64_t BlockSize = 65536;

// The byte counters are 32 bits; past 2 GiB they wrap rather than overflow.
void addCount(std::int32_t& counter, std::int64_t n) {
    counter = static_cast<std::int32_t>(static_cast<std::uint32_t>(counter) +
                                        static_cast<std::uint32_t>(n));
}

// The peer has shut its side: no more bytes will come.
bool peerHasClosed(int fd) {
    pollfd p{fd, POLLRDHUP, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

} // namespace

std::int64_t TPowersock::receive(char* buffer, std::int64_t length, int flags, bool rearm) {
    std::int64_t n = psock::sysRecv(SocketHandle, buffer, static_cast<std::size_t>(length), flags);
    if (n == 0 && length > 0) {
        // the window met the reset first, and the system tells it only once
        if (const int error = WindowHandle->endError(SocketHandle)) {
            psock::WSASetLastError(error);
            n = -1;
        }
    }
    if (rearm) {
        WindowHandle->rearmRead(SocketHandle);
    }
    return n;
}

std::int64_t TPowersock::sendSome(const char* buffer, std::int64_t length) {
    return psock::sysSend(SocketHandle, buffer, static_cast<std::size_t>(length));
}

void TPowersock::raiseIfCanceled(const char* message) {
    if (Canceled) {
        Canceled = false;
        throw EAbortError(message);
    }
}

std::int64_t TPowersock::takeBlock(const std::function<void(std::int64_t)>& store, bool capture) {
    const std::int64_t n = receive(TransferBuffer, BlockSize, 0);
    if (n > 0) {
        store(n);
        addCount(BytesRecvd, n);
        if (OnPacketRecvd) {
            OnPacketRecvd(this);
        }
        if (capture) {
            // the time-out bounds a silence, not the whole capture: a slow
            // link still delivering may take as long as it needs
            restartTimeOut();
        }
    } else if (n < 0 && receiveFailed(capture)) {
        return 0; // closed under the capture (a Disconnect meanwhile): the end
    }
    return n;
}

bool TPowersock::receiveFailed(bool notConnectedEnds) {
    LastErrorNo = psock::WSAGetLastError();
    if (LastErrorNo == WSAENOTCONN && closedByError_ != 0) {
        // the socket read from is the fresh one a reset left: report the reset
        LastErrorNo = closedByError_;
        closedByError_ = 0;
        psock::WSASetLastError(LastErrorNo);
    } else if (notConnectedEnds && LastErrorNo == WSAENOTCONN) {
        return true;
    }
    if (LastErrorNo != WSAEWOULDBLOCK && LastErrorNo > 10000) {
        WindowHandle->forgetEndError(SocketHandle); // reported now, once
    }
    ErrorManager(WSAEWOULDBLOCK);
    return false;
}

void TPowersock::waitWritable() {
    if (WindowHandle->wakeWhenWritable(SocketHandle)) {
        waitForEvent();
        return;
    }
    // not a connected socket of the window: poll briefly, still pumping
    psock::sysWaitWritable(SocketHandle, 10);
    ProcessMessages();
}

// --- Sending ---

void TPowersock::SendBuffer(const char* Buffer, std::uint16_t Count) {
    StatusMessage(4, "Sending Buffer");
    TimerOn();
    {
        psock::TFinally off([this] { TimerOff(); });
        if (!Canceled) {
            std::size_t count = Count;
            if (Count == 0) {
                count = std::strlen(Buffer);
                if (count > 0xFFFF) {
                    throw ERangeError();
                }
            }
            const bool wasSending = sending_;
            sending_ = true;
            psock::TFinally restore([this, wasSending] { sending_ = wasSending; });
            std::size_t remaining = count;
            while (remaining > 0 && !Canceled) {
                const std::int64_t n = sendSome(Buffer + count - remaining, remaining);
                if (n == 0) {
                    break;
                }
                if (n > 0) {
                    remaining -= static_cast<std::size_t>(n);
                    continue;
                }
                ErrorManager(WSAEWOULDBLOCK);
                // The peer takes no more for now: wait for it with the pump
                // running, so that the time-out and the user's Cancel reach us.
                waitWritable();
            }
        }
    }
    raiseIfCanceled("Socket send aborted");
}

void TPowersock::Write(const std::string& S) {
    StatusMessage(8, "Write");
    // Only the bytes before the first NUL go, and 65536 or more of them do not
    // fit the 16-bit count. They are sent from S itself rather than through
    // the transfer buffer: the send pumps, and a handler run meanwhile may use
    // the buffer.
    const std::size_t n = ::strnlen(S.c_str(), S.size());
    if (n > 0xFFFF) {
        throw ERangeError();
    }
    SendBuffer(S.c_str(), static_cast<std::uint16_t>(n));
}

void TPowersock::Writeln(const std::string& S) {
    StatusMessage(8, "Writeln");
    Write(S + "\r\n");
}

// Sends TransferBuffer[0, length), pumping between attempts. sentNothing
// tells a send that took no byte (which leaves the block).
void TPowersock::sendBlock(std::int64_t length, bool& sentNothing) {
    sentNothing = false;
    const bool wasSending = sending_;
    sending_ = true;
    psock::TFinally restore([this, wasSending] { sending_ = wasSending; });
    std::int64_t remaining = length;
    while (remaining > 0 && !Canceled) {
        const std::int64_t n = sendSome(TransferBuffer + length - remaining, remaining);
        if (n == 0) {
            sentNothing = true;
            return;
        }
        if (n > 0) {
            remaining -= n;
            addCount(BytesSent, n);
            if (OnPacketSent) {
                OnPacketSent(this);
            }
            ProcessMessages();
            continue;
        }
        ErrorManager(WSAEWOULDBLOCK);
        waitWritable();
    }
}

void TPowersock::SendFile(const std::string& FileName) {
    StatusMessage(8, "SendFile");
    {
        TFileStream file(FileName, TFileMode::OpenRead);
        const std::int64_t size = file.Size();
        while (!Canceled) {
            const std::int64_t got = file.Read(TransferBuffer, BlockSize);
            bool sentNothing = false;
            sendBlock(got, sentNothing);
            if (got <= 0 || file.Position() >= size) {
                break; // a file that shrank meanwhile ends here too
            }
        }
    }
    raiseIfCanceled("Socket send aborted");
}

void TPowersock::SendStream(TStream& Stream) {
    StatusMessage(8, "SendStream");
    Stream.SetPosition(0);
    if (!Canceled) {
        BytesSent = 0;
        const std::int64_t size = Stream.Size();
        BytesTotal = static_cast<std::int32_t>(size);
        while (!Canceled && Stream.Position() < size) {
            const std::int64_t block = std::min(size - Stream.Position(), BlockSize);
            const std::int64_t got = Stream.Read(TransferBuffer, block);
            bool sentNothing = false;
            sendBlock(got, sentNothing);
            if (sentNothing) {
                return;
            }
            if (got <= 0) {
                break;
            }
        }
    }
    raiseIfCanceled("Socket send aborted");
}

// --- Receiving ---

std::string TPowersock::ReadLn() {
    StatusMessage(8, "ReadLn");
    TimerOn();
    std::string line;
    {
        psock::TFinally off([this] { TimerOff(); });
        for (;;) {
            const std::int64_t room = BlockSize - static_cast<std::int64_t>(line.size());
            if (room <= 0) {
                // A line may hold at most 65536 bytes, its LF included.
                throw ERangeError();
            }
            const std::int64_t n = receive(TransferBuffer, room, MSG_PEEK);
            bool progressed = false;
            bool complete = false;
            if (n == 0) {
                return {}; // closed: a line without its LF is dropped
            }
            if (n < 0) {
                if (receiveFailed(true)) {
                    return {};
                }
            } else {
                const char* lf = static_cast<const char*>(std::memchr(TransferBuffer, '\n', n));
                const std::int64_t want = lf ? (lf - TransferBuffer) + 1 : n;
                const std::int64_t taken = receive(TransferBuffer, want, 0);
                if (taken < 0) {
                    if (receiveFailed(true)) {
                        return {};
                    }
                } else {
                    line.append(TransferBuffer, static_cast<std::size_t>(taken));
                    progressed = taken > 0;
                    if (progressed) {
                        restartTimeOut();
                    }
                    complete = lf && taken == want;
                }
            }
            if (complete) {
                break;
            }
            pumpAfter(progressed);
            if (Canceled) {
                break;
            }
        }
    }
    raiseIfCanceled("Socket readln aborted");
    return line;
}

std::string TPowersock::Read(std::uint16_t Count) {
    StatusMessage(8, "Read( " + IntToStr(Count) + " )");
    std::int64_t count = Count;
    if (Count == 0) {
        const std::int64_t n = receive(TransferBuffer, BlockSize, MSG_PEEK);
        if (n < 0) {
            receiveFailed(false);
        }
        // All 65536 bytes of a full buffer are given, where a 16-bit count would overflow.
        count = std::max<std::int64_t>(n, 0);
    } else {
        // Waits for more bytes while fewer than Count are waiting.
        TPsockEdgeWatch news(SocketHandle);
        for (;;) {
            const std::int64_t n = receive(TransferBuffer, BlockSize, MSG_PEEK, false);
            if (n == 0) {
                return {};
            }
            if (n < 0) {
                receiveFailed(false);
            } else if (n >= Count) {
                break;
            } else if (peerHasClosed(SocketHandle)) {
                count = n; // no more will come: what is there is the rest
                break;
            }
            if (news.active()) {
                waitForEvent();
            } else {
                ProcessMessages();
            }
            if (Canceled) {
                break;
            }
        }
    }
    raiseIfCanceled("Socket send aborted");
    if (count == 0) {
        return {};
    }
    const std::int64_t n = receive(TransferBuffer, count, 0);
    if (n < 0) {
        receiveFailed(false);
        return {};
    }
    return std::string(TransferBuffer, static_cast<std::size_t>(n));
}

std::string TPowersock::Transaction(const std::string& Command) {
    StatusMessage(8, "Transaction");
    ReplyNumber = 0;
    Writeln(Command);
    LastReply = ReadLn();
    if (!LastReply.empty()) {
        StatusMessage(1, LastReply);
        std::size_t digits = 0;
        while (digits < LastReply.size() && digits < 10 && LastReply[digits] >= '0' &&
               LastReply[digits] <= '9') {
            ++digits;
        }
        if (digits > 0) {
            std::int64_t value = 0;
            for (std::size_t i = 0; i < digits; ++i) {
                value = value * 10 + (LastReply[i] - '0');
            }
            if (value > 0x7FFFFFFF) {
                value = 0; // does not fit the 32-bit conversion
            }
            if (value > 32767) {
                throw ERangeError(); // the reply number is 16 bits
            }
            ReplyNumber = static_cast<std::int16_t>(value);
        }
    }
    return LastReply;
}

void TPowersock::CaptureString(std::string& S, std::int32_t Count) {
    StatusMessage(8, "Capture String");
    S.clear();
    BytesRecvd = 0;
    TimerOn();
    {
        psock::TFinally off([this] { TimerOff(); });
        const auto store = [&](std::int64_t n) {
            S.append(TransferBuffer, static_cast<std::size_t>(n));
        };
        while (!Canceled && (Count == -1 || Count > static_cast<std::int64_t>(S.size()))) {
            const std::int64_t n = takeBlock(store, true);
            if (n == 0) {
                break;
            }
            pumpAfter(n > 0);
        }
    }
    raiseIfCanceled("Socket capture aborted");
}

void TPowersock::CaptureStream(TStream& Stream, std::int32_t Count) {
    StatusMessage(8, "Capture Stream");
    BytesRecvd = 0;
    TimerOn();
    {
        psock::TFinally off([this] { TimerOff(); });
        bool firstPass = true;
        while (!Canceled && (Count == -1 ? firstPass : Count > Stream.Size())) {
            firstPass = false;
            const std::int64_t n =
                takeBlock([&](std::int64_t got) { Stream.WriteBuffer(TransferBuffer, got); }, true);
            if (n == 0) {
                break;
            }
            if (Count == -1) {
                ProcessMessages(); // one pass: nothing to wait for
            } else {
                pumpAfter(n > 0);
            }
        }
    }
    raiseIfCanceled("Socket capture aborted");
}

void TPowersock::CaptureFile(const std::string& FileName) {
    StatusMessage(8, "CaptureFile");
    BytesRecvd = 0;
    TimerOn();
    {
        psock::TFinally off([this] { TimerOff(); });
        TFileStream file(FileName, TFileMode::Create);
        while (!Canceled) {
            const std::int64_t n =
                takeBlock([&](std::int64_t got) { file.WriteBuffer(TransferBuffer, got); }, true);
            if (n == 0) {
                break;
            }
            pumpAfter(n > 0);
        }
    }
    raiseIfCanceled("Socket send aborted");
}

void TPowersock::AppendFile(const std::string& FileName) {
    StatusMessage(8, "Append File");
    BytesRecvd = 0;
    {
        TFileStream file(FileName, TFileMode::OpenWrite);
        file.Seek(0, TSeekOrigin::End);
        while (Connected && !Canceled) {
            const std::int64_t n =
                takeBlock([&](std::int64_t got) { file.WriteBuffer(TransferBuffer, got); }, false);
            // At the end of the stream the close notification ends the loop.
            pumpAfter(n > 0);
        }
    }
    raiseIfCanceled("Socket send aborted");
    if (closedByError_ != 0) {
        // the close that ended the loop was a reset: the file is cut short
        psock::WSASetLastError(WSAENOTCONN);
        receiveFailed(false);
    }
}

void TPowersock::FilterHeader(TStream& Stream) {
    StatusMessage(8, "FilterHeader");
    for (;;) {
        const std::string line = ReadLn();
        if (line.empty()) {
            return;
        }
        Stream.WriteString(line);
        if (line == "\n" || line == "\r\n") {
            return;
        }
    }
}

bool TPowersock::DataAvailable() {
    StatusMessage(8, "Data Available");
    char byte;
    return receive(&byte, 1, MSG_PEEK, false) > 0;
}

void TPowersock::ClearInput() {
    StatusMessage(8, "Clearing Input");
    std::vector<char> scratch(BlockSize);
    receive(scratch.data(), BlockSize, 0);
}

// --- Text helpers ---

std::string NthWord(const std::string& Text, char Delimiter, std::int32_t N) {
    std::int32_t field = 1;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= Text.size(); ++i) {
        if (i == Text.size() || Text[i] == Delimiter) {
            if (field == N) {
                return Text.substr(start, i - start);
            }
            ++field;
            start = i + 1;
        }
    }
    return {};
}

std::int32_t NthPos(const std::string& Text, char Delimiter, std::int32_t N) {
    std::int32_t seen = 0;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == Delimiter && ++seen == N) {
            return static_cast<std::int32_t>(i + 1);
        }
    }
    return static_cast<std::int32_t>(Text.size() + 1);
}

void StreamLn(TStream& Stream, const std::string& S) {
    Stream.WriteString(S + "\r\n");
}

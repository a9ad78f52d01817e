#include "net/Nmhttp.h"

#include "framework/Exceptions.h"
#include "framework/LargeBuffer.h"
#include "framework/Streams.h"
#include "framework/SysUtils.h"
#include "net/NmhttpParse.h"
#include "net/Nmuue.h"

#include <algorithm>
#include <chrono>
#include <memory>

namespace {

// The body string is reserved from an announced Content-Length, but a server
// that announces more than it sends may not make the client hold this much.
constexpr std::int64_t MaxBodyReservation = std::int64_t{128} << 20;

const char* methodWord(CmdType command) {
    switch (command) {
    case CmdGET:
        return "GET ";
    case CmdOPTIONS:
        return "OPTIONS ";
    case CmdHEAD:
        return "HEAD ";
    case CmdPOST:
        return "POST ";
    case CmdPUT:
        return "PUT ";
    case CmdPATCH:
        return "PATCH ";
    case CmdCOPY:
        return "COPY ";
    case CmdMOVE:
        return "MOVE ";
    case CmdDELETE:
        return "DELETE ";
    case CmdLINK:
        return "LINK ";
    case CmdUNLINK:
        return "UNLINK ";
    case CmdTRACE:
        return "TRACE ";
    case CmdWRAPPED:
        // data the caller has already encoded, sent as a form: a POST that
        // skips the URL encoding
        return "POST ";
    }
    return "GET ";
}

bool sendsData(CmdType command) {
    switch (command) {
    case CmdPOST:
    case CmdPUT:
    case CmdPATCH:
    case CmdLINK:
    case CmdUNLINK:
    case CmdTRACE:
    case CmdWRAPPED:
        return true;
    default:
        return false;
    }
}

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

TNMHTTP::TNMHTTP(QObject* Owner) : TPowersock(Owner) {}

TNMHTTP::~TNMHTTP() = default;

void TNMHTTP::Abort() {
    AsyncDone = true;
    Cancel();
}

void TNMHTTP::HTTPConnect() {
    int followed = 0;
    for (;;) {
        ParseURL();
        AssembleHTTPHeader();
        if (OnAboutToSend) {
            OnAboutToSend(this);
        }
        bool follow = false;
        try {
            Connect();
            SendHTTP();
            ReplyNumber = 0;
            RemoveHeader();
            captureBody();
            if (ReplyNumber < 299) {
                if (OnSuccess) {
                    OnSuccess(Command);
                }
                StatusMessage(2, "Transaction Completed");
            } else if (ReplyNumber > 399) {
                if (OnFailure) {
                    OnFailure(Command);
                }
            } else if (ReplyNumber >= 300 && ReplyNumber <= 302 && !RedirectLocation.empty()) {
                // a redirection without a Location has nowhere to go: it ends
                // the exchange like the other replies not followed
                URL = RedirectLocation;
                follow = true;
            }
        } catch (...) {
            Disconnect();
            throw;
        }
        Disconnect();

        if (ReplyNumber >= 300 && ReplyNumber <= 398) {
            if (!CookieReceived.empty()) {
                HeaderInfo.Cookie = CookieReceived;
            }
            bool handled = false;
            if (OnRedirect) {
                OnRedirect(handled);
            }
            if (handled) {
                return;
            }
            if (follow && !HasUrlScheme(URL) && URL.front() != '/') {
                // a relative location ("page.html", "sub/page.html") stays on
                // the server that sent it, port included, from its root
                URL = Port == 80 ? "http://" + Host + "/" + URL
                                 : "http://" + Host + ":" + IntToStr(Port) + "/" + URL;
            }
        }
        if (ReplyNumber == 401) {
            if (OnAuthenticationNeeded) {
                OnAuthenticationNeeded(this);
            }
            return;
        }
        // 299 and 303 to 399 (and a 300 to 302 without a Location) would
        // repeat the same request forever: only followed redirections go round
        if (!follow) {
            return;
        }
        if (++followed > MaxRedirections) {
            throw Exception("Too many redirections");
        }
    }
}

void TNMHTTP::captureBody() {
    // Room reserved for an announced body that never came is given back.
    const auto releaseUnused = [this] {
        if (!InputFileMode && Body.size() < static_cast<std::size_t>(std::max(BytesTotal, 0)) / 2) {
            Body.shrink_to_fit();
        }
    };
    try {
        if (InputFileMode) {
            CaptureFile(Body);
        } else {
            Body.clear();
            LargeBuffer::Reserve(Body, static_cast<std::size_t>(std::clamp<std::int64_t>(
                                           BytesTotal, 0, MaxBodyReservation)));
            CaptureString(Body, -1);
        }
        releaseUnused();
    } catch (const EAbortError&) {
        releaseUnused();
        throw;
    } catch (const ESockError&) {
        releaseUnused();
        // A reset once the whole announced body is in loses nothing (servers
        // that close without reading all of a request reset so); any other
        // reset leaves the body cut short, and that is an error.
        const bool wholeBody = BytesTotal > 0 && BytesRecvd >= BytesTotal;
        if (!wholeBody || LastErrorNo != WSAECONNRESET) {
            throw;
        }
    }
}

void TNMHTTP::ParseURL() {
    ParseHttpURL(URL, Host, Port, RequestPath);
}

void TNMHTTP::AssembleHTTPHeader() {
    RequestLines.Clear();
    RequestLines.Add(std::string(methodWord(Command)) + (Proxy.empty() ? RequestPath : URL) +
                     " HTTP/1.0");
    if (!Proxy.empty()) {
        RequestLines.Add("Proxy-Connection: Keep-Alive");
        RequestLines.Add("Host: " + Host);
    }
    RequestLines.SetValue("Host", Host);
    RequestLines.Add("Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff");
    RequestLines.Add("Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript");
    RequestLines.SetValue("User-Agent", HeaderInfo.LocalProgram);
    RequestLines.SetValue("From", HeaderInfo.LocalMailAddress);
    RequestLines.SetValue("Cookie", HeaderInfo.Cookie);
    RequestLines.SetValue("Referer", HeaderInfo.Referer);
    if (!HeaderInfo.UserId.empty() && !HeaderInfo.Password.empty()) {
        std::string credentials = UUEncodeString(HeaderInfo.UserId + ":" + HeaderInfo.Password);
        std::erase_if(credentials, [](char c) { return c == '\r' || c == '\n'; });
        RequestLines.SetValue("Authorization", "Basic " + credentials);
    }
    RequestLines.Add("Content-type: application/x-www-form-urlencoded");
    if (Command == CmdCOPY || Command == CmdMOVE) {
        RequestLines.Add("URI-header: " + Destination);
    } else if (Command == CmdLINK || Command == CmdUNLINK) {
        RequestLines.Add("Link: " + Destination);
    }
    if (sendsData(Command)) {
        std::int64_t length = static_cast<std::int64_t>(RequestData.size());
        if (OutputFileMode) {
            TFileStream data(RequestData, TFileMode::OpenRead);
            length = data.Size();
        }
        RequestLines.Add("Content-Length: " + IntToStr(length));
    }
}

void TNMHTTP::sendBytes(const std::string& bytes) {
    // SendBuffer with a real count sends NUL bytes too and has no 64 KB
    // ceiling once the text is cut into blocks: the server receives exactly
    // the bytes the Content-Length announced
    constexpr std::size_t block = 65535;
    for (std::size_t at = 0; at < bytes.size(); at += block) {
        const std::size_t n = std::min(block, bytes.size() - at);
        SendBuffer(bytes.data() + at, static_cast<std::uint16_t>(n));
    }
}

void TNMHTTP::SendHTTP() {
    sendBytes(RequestLines.Text());
    Writeln("");
    if (sendsData(Command)) {
        if (OutputFileMode) {
            SendFile(RequestData);
        } else {
            sendBytes(RequestData);
        }
    }
}

std::string TNMHTTP::readHeaderLine(std::int64_t startedMs) {
    // each ReadLn has its own time-out; this bounds the whole header too, so
    // a server dripping header lines cannot hold the client
    if (TimeOut > 0 && nowMs() - startedMs > TimeOut) {
        TimedOut = true;
        throw EAbortError("Socket readln aborted");
    }
    return ReadLn();
}

void TNMHTTP::RemoveHeader() {
    BytesTotal = 0;
    CookieReceived.clear();
    RedirectLocation.clear();
    std::unique_ptr<TFileStream> file;
    if (OutputFileMode) {
        file = std::make_unique<TFileStream>(Header, TFileMode::Create);
    } else {
        Header.clear();
    }
    THttpReplyInfo info;
    const std::int64_t started = nowMs();
    ReadHttpReplyHeader([&] { return readHeaderLine(started); },
                        [&](const std::string& line) {
                            if (file) {
                                file->WriteString(line);
                            } else {
                                Header += line;
                            }
                        },
                        info);
    ReplyNumber = info.ReplyNumber;
    BytesTotal = info.BytesTotal;
    CookieReceived = info.CookieReceived;
    RedirectLocation = info.RedirectLocation;
}

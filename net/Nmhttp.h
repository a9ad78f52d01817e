#pragma once

// The HTTP client: one HTTP/1.0 request to one server over one connection,
// the reply's status line and header read line by line, the body read until
// the server closes, redirections of kind 300 to 302 followed. Every request
// operation returns when the whole exchange is over; the socket layer keeps
// the user interface running meanwhile.

#include "net/Nmextstr.h"
#include "net/Psock.h"

#include <cstdint>
#include <functional>
#include <string>

// Values for the optional request header lines.
class THeaderInfo {
public:
    std::string LocalMailAddress;
    std::string LocalProgram;
    std::string Cookie;
    std::string Referer;
    std::string UserId;
    std::string Password;
};

enum CmdType {
    CmdGET,
    CmdOPTIONS,
    CmdHEAD,
    CmdPOST,
    CmdPUT,
    CmdPATCH,
    CmdCOPY,
    CmdMOVE,
    CmdDELETE,
    CmdLINK,
    CmdUNLINK,
    CmdTRACE,
    CmdWRAPPED,
};

using TOnCmdEvent = std::function<void(CmdType Cmd)>;

// Followed redirections of one request before it gives up.
constexpr int MaxRedirections = 20;

class TNMHTTP : public TPowersock {
public:
    explicit TNMHTTP(QObject* Owner = nullptr);
    ~TNMHTTP() override;

    // Stops the wait in progress with the socket layer's abort error.
    void Abort() override;

    // --- The exchange and its steps ---
    virtual void HTTPConnect();
    virtual void ParseURL();
    virtual void AssembleHTTPHeader();
    virtual void RemoveHeader();
    virtual void SendHTTP();

    // --- Requests ---
    virtual void Options(const std::string& AURL);
    virtual void Get(const std::string& AURL);
    virtual void Post(const std::string& AURL, const std::string& PostData);
    virtual void Put(const std::string& AURL, const std::string& PutData);
    virtual void Head(const std::string& AURL);
    virtual void Patch(const std::string& AURL, const std::string& PatchData);
    virtual void Delete(const std::string& AURL);
    virtual void Trace(const std::string& AURL, const std::string& TraceData);
    virtual void Copy(const std::string& AURL, const std::string& ADestination);
    virtual void Move(const std::string& AURL, const std::string& ADestination);
    virtual void Link(const std::string& AURL, const std::string& ALink);
    virtual void UnLink(const std::string& AURL, const std::string& ALink);
    virtual void Wrapped(const std::string& AURL, const std::string& WrappedData);

    // --- Published properties ---
    // The reply body, or with InputFileMode the name of the file that receives it.
    std::string Body = "Default.htm";
    // The reply's status and header lines, or with OutputFileMode the name of
    // the file that receives them.
    std::string Header = "Head.txt";
    THeaderInfo HeaderInfo;
    bool InputFileMode = false;
    // The data argument names a file whose content is sent, and the reply
    // header goes to the file named by Header.
    bool OutputFileMode = false;
    TNotifyEvent OnAboutToSend;
    TOnCmdEvent OnSuccess;
    TOnCmdEvent OnFailure;
    THandlerEvent OnRedirect;
    TNotifyEvent OnAuthenticationNeeded;

    // --- State of the current request ---
    std::string URL;
    std::string RequestPath;
    CmdType Command = CmdGET;
    std::string RequestData;
    std::string Destination;
    TExStringList RequestLines;
    std::string RedirectLocation;
    std::string CookieReceived;
    bool UrlEncodePost = true;

private:
    // Refuses a second request while one runs, then stores the arguments
    // given and runs the exchange.
    void request(CmdType command, const std::string& url, const std::string* data = nullptr,
                 const std::string* destination = nullptr);
    void sendBytes(const std::string& bytes);
    // The body into Body or its file, until the server closes.
    void captureBody();
    std::string readHeaderLine(std::int64_t startedMs);

    // True while a request runs, so a second one started from inside its
    // wait is refused before it touches the running one's state.
    bool busy_ = false;
};

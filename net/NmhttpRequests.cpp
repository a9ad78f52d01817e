// The request operations of the HTTP client: each stores its arguments and
// runs the exchange.
#include "net/Nmhttp.h"
#include "net/Nmurl.h"

namespace {

// Refuses a second request while one runs on the same component.
class BusyGuard {
public:
    explicit BusyGuard(bool& busy) : busy_(busy) {
        if (busy_) {
            throw ESockError("Already connected");
        }
        busy_ = true;
    }
    ~BusyGuard() { busy_ = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    bool& busy_;
};

} // namespace

void TNMHTTP::request(CmdType command, const std::string& url) {
    Command = command;
    URL = url;
    HTTPConnect();
}

void TNMHTTP::Get(const std::string& AURL) {
    BusyGuard guard(busy_);
    request(CmdGET, AURL);
}

void TNMHTTP::Options(const std::string& AURL) {
    BusyGuard guard(busy_);
    request(CmdOPTIONS, AURL);
}

void TNMHTTP::Head(const std::string& AURL) {
    BusyGuard guard(busy_);
    request(CmdHEAD, AURL);
}

void TNMHTTP::Post(const std::string& AURL, const std::string& PostData) {
    BusyGuard guard(busy_);
    if (UrlEncodePost && !OutputFileMode) {
        TNMURL encoder;
        encoder.InputString = PostData;
        RequestData = encoder.GetEncodeString();
    } else {
        RequestData = PostData;
    }
    request(CmdPOST, AURL);
}

void TNMHTTP::Put(const std::string& AURL, const std::string& PutData) {
    BusyGuard guard(busy_);
    RequestData = PutData;
    request(CmdPUT, AURL);
}

void TNMHTTP::Patch(const std::string& AURL, const std::string& PatchData) {
    BusyGuard guard(busy_);
    RequestData = PatchData;
    request(CmdPATCH, AURL);
}

void TNMHTTP::Delete(const std::string& AURL) {
    BusyGuard guard(busy_);
    request(CmdDELETE, AURL);
}

void TNMHTTP::Trace(const std::string& AURL, const std::string& TraceData) {
    BusyGuard guard(busy_);
    RequestData = TraceData;
    request(CmdTRACE, AURL);
}

void TNMHTTP::Copy(const std::string& AURL, const std::string& ADestination) {
    BusyGuard guard(busy_);
    Destination = ADestination;
    request(CmdCOPY, AURL);
}

void TNMHTTP::Move(const std::string& AURL, const std::string& ADestination) {
    BusyGuard guard(busy_);
    Destination = ADestination;
    request(CmdMOVE, AURL);
}

void TNMHTTP::Link(const std::string& AURL, const std::string& ALink) {
    BusyGuard guard(busy_);
    Destination = ALink;
    RequestData = "Send.dat";
    request(CmdLINK, AURL);
}

void TNMHTTP::UnLink(const std::string& AURL, const std::string& ALink) {
    BusyGuard guard(busy_);
    Destination = ALink;
    RequestData = "Send.dat";
    request(CmdUNLINK, AURL);
}

void TNMHTTP::Wrapped(const std::string& AURL, const std::string& WrappedData) {
    BusyGuard guard(busy_);
    RequestData = WrappedData;
    request(CmdWRAPPED, AURL);
}

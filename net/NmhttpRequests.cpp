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

void TNMHTTP::request(CmdType command, const std::string& url, const std::string* data,
                      const std::string* destination) {
    BusyGuard guard(busy_); // before anything is stored: a refused request changes nothing
    if (data) {
        RequestData = *data;
    }
    if (destination) {
        Destination = *destination;
    }
    Command = command;
    URL = url;
    HTTPConnect();
}

void TNMHTTP::Get(const std::string& AURL) {
    request(CmdGET, AURL);
}

void TNMHTTP::Options(const std::string& AURL) {
    request(CmdOPTIONS, AURL);
}

void TNMHTTP::Head(const std::string& AURL) {
    request(CmdHEAD, AURL);
}

void TNMHTTP::Post(const std::string& AURL, const std::string& PostData) {
    if (!UrlEncodePost || OutputFileMode) {
        request(CmdPOST, AURL, &PostData);
        return;
    }
    TNMURL encoder;
    encoder.InputString = PostData;
    const std::string encoded = encoder.GetEncodeString();
    request(CmdPOST, AURL, &encoded);
}

void TNMHTTP::Put(const std::string& AURL, const std::string& PutData) {
    request(CmdPUT, AURL, &PutData);
}

void TNMHTTP::Patch(const std::string& AURL, const std::string& PatchData) {
    request(CmdPATCH, AURL, &PatchData);
}

void TNMHTTP::Delete(const std::string& AURL) {
    request(CmdDELETE, AURL);
}

void TNMHTTP::Trace(const std::string& AURL, const std::string& TraceData) {
    request(CmdTRACE, AURL, &TraceData);
}

void TNMHTTP::Copy(const std::string& AURL, const std::string& ADestination) {
    request(CmdCOPY, AURL, nullptr, &ADestination);
}

void TNMHTTP::Move(const std::string& AURL, const std::string& ADestination) {
    request(CmdMOVE, AURL, nullptr, &ADestination);
}

void TNMHTTP::Link(const std::string& AURL, const std::string& ALink) {
    const std::string data = "Send.dat";
    request(CmdLINK, AURL, &data, &ALink);
}

void TNMHTTP::UnLink(const std::string& AURL, const std::string& ALink) {
    const std::string data = "Send.dat";
    request(CmdUNLINK, AURL, &data, &ALink);
}

void TNMHTTP::Wrapped(const std::string& AURL, const std::string& WrappedData) {
    request(CmdWRAPPED, AURL, &WrappedData);
}

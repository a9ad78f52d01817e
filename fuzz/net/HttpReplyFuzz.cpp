// The reading of a reply's status and header lines, fed from a peer in
// memory: every line is stored exactly as received, the reading stops at the
// blank line or the close, and what it keeps is bounded.
#include "framework/Exceptions.h"
#include "net/NmhttpParse.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    THttpMemoryPeer peer(bytes);
    std::string stored;
    THttpReplyInfo info;
    try {
        ReadHttpReplyHeader([&] { return peer.ReadLn(); },
                            [&](const std::string& line) { stored += line; }, info);
    } catch (const Exception&) {
        return 0;
    }
    // what was stored is the start of what was sent, and the body is the rest
    if (bytes.compare(0, stored.size(), stored) != 0) {
        std::abort();
    }
    const std::string rest = peer.Rest();
    if (!rest.empty() && stored + rest != bytes) {
        std::abort();
    }
    if (info.BytesTotal < 0) {
        std::abort();
    }
    // values end before the line end, and a cookie sent back cannot split a line
    if (info.RedirectLocation.find('\n') != std::string::npos ||
        info.CookieReceived.find_first_of("\r\n") != std::string::npos) {
        std::abort();
    }
    // the location is the text of a stored line: nothing is made up
    if (stored.find(info.RedirectLocation) == std::string::npos) {
        std::abort();
    }
    return 0;
}

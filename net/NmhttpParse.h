#pragma once

// The parts of the HTTP client that need no socket: the URL rule and the
// reading of a reply's status and header lines. The component runs them over
// its connection; tests and fuzz targets run them over bytes in memory.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Takes URL apart by the client's rule into Host, Port and RequestPath,
// appending "/" to URL when it names no path. Host and Port keep their values
// where URL does not name them. Line breaks and tabs are dropped from URL,
// blanks and control bytes around it too, and those inside it percent-encoded,
// as are its characters past ASCII, in UTF-8 (a URL that is not valid UTF-8
// is taken as Windows-1252).
// Raises Exception "Empty URL" and "HTTP Secure Socket is not supported",
// EConvertError for a port that is not a number and ERangeError for one
// outside 0 to 65535.
void ParseHttpURL(std::string& URL, std::string& Host, std::int32_t& Port,
                  std::string& RequestPath);

// Whether url begins with a scheme: a letter, then letters, digits, "+", "-"
// or ".", then "://". Only then is the text before its first ":" a scheme.
bool HasUrlScheme(const std::string& url);

// A reply header (status line included) may not grow past this.
constexpr std::size_t MaxReplyHeaderBytes = std::size_t{8} << 20;

// What the status line and header lines of one reply tell the client.
struct THttpReplyInfo {
    std::int16_t ReplyNumber = 0;
    std::int32_t BytesTotal = 0;
    std::string CookieReceived;
    std::string RedirectLocation;
};

// Returns the next line with its line end, or "" once the peer has closed.
using THttpLineReader = std::function<std::string()>;
using THttpLineStore = std::function<void(const std::string& Line)>;

// Reads the status line and the header lines up to the blank line (or the
// close), passing every line to store exactly as received. Raises Exception
// "Reply header too large" past MaxReplyHeaderBytes.
void ReadHttpReplyHeader(const THttpLineReader& readLine, const THttpLineStore& store,
                         THttpReplyInfo& info);

// The second space-separated field of a status line as a decimal number; 0
// when it is not one or does not fit 16 bits.
std::int16_t HttpStatusCode(const std::string& statusLine);
// The first run of digits after the colon of a Content-Length line; 0 when
// there is none or it does not fit 32 bits.
std::int32_t HttpContentLength(const std::string& line);

// A peer in memory that answers line reads as the socket does: the bytes up
// to and including the next LF, "" at the end (a last line without LF is
// dropped, as at a close).
class THttpMemoryPeer {
public:
    explicit THttpMemoryPeer(std::string bytes) : bytes_(std::move(bytes)) {}
    std::string ReadLn();
    // Everything not read yet.
    std::string Rest() const { return bytes_.substr(at_); }

private:
    std::string bytes_;
    std::size_t at_ = 0;
};

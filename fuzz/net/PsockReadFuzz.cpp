// The socket component's readers on whatever bytes a peer sends: ReadLn,
// Transaction and FilterHeader, then a capture of the rest, over a real
// loopback connection. Checks that no byte is lost, doubled or reordered.

#include "net/Psock.h"

#include <QCoreApplication>
#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int listenFd = -1;
std::uint16_t listenPort = 0;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listenFd < 0 ||
        ::bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd, 16) != 0 ||
        ::getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        std::abort();
    }
    listenPort = ntohs(address.sin_port);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Small enough to sit in the socket buffers before anyone reads.
    if (size < 1 || size > 65536 + 1024) {
        return 0;
    }
    const int mode = data[0] % 3;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);

    TPowersock sock;
    sock.Host = "127.0.0.1";
    sock.Port = listenPort;
    sock.TimeOut = 10000;
    sock.Connect();
    const int peer = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    check(peer >= 0);
    std::size_t sent = 0;
    while (sent < input.size()) {
        const ssize_t n = ::send(peer, input.data() + sent, input.size() - sent, MSG_NOSIGNAL);
        check(n > 0);
        sent += static_cast<std::size_t>(n);
    }
    ::shutdown(peer, SHUT_WR); // the end of the peer's bytes, while it still reads

    std::string got;
    bool overlong = false;
    if (mode == 0) {
        for (;;) {
            std::string line;
            try {
                line = sock.ReadLn();
            } catch (const ERangeError&) {
                overlong = true;
                break;
            }
            if (line.empty()) {
                break;
            }
            check(line.back() == '\n' && line.find('\n') == line.size() - 1);
            got += line;
        }
        check(input.compare(0, got.size(), got) == 0);
        if (!overlong) {
            // What is left is a last line without its LF, dropped at the close.
            check(input.find('\n', got.size()) == std::string::npos);
        } else {
            check(input.size() - got.size() >= 65536);
        }
    } else {
        if (mode == 1) {
            try {
                sock.Transaction("COMMAND");
            } catch (const ERangeError&) {
                if (sock.LastReply.empty()) {
                    overlong = true; // the line itself was too long
                } else {
                    check(sock.LastReply.size() >= 5); // a reply number above 32767
                }
            }
            got = sock.LastReply;
        } else {
            TMemoryStream header;
            try {
                sock.FilterHeader(header);
            } catch (const ERangeError&) {
                overlong = true;
            }
            got = header.DataString();
        }
        check(input.compare(0, got.size(), got) == 0);
        if (!overlong && (got.empty() || got.back() == '\n')) {
            std::string rest;
            sock.CaptureString(rest, -1);
            // A last line without LF is dropped by the reader; otherwise nothing is lost.
            if (!rest.empty()) {
                check(got + rest == input);
            }
            check(sock.BytesRecvd == static_cast<std::int32_t>(rest.size()));
        }
    }
    sock.Disconnect();
    ::close(peer);
    return 0;
}

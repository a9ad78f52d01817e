#pragma once

// The document tests' frame with what the web commands add: the HTTP client
// with its runner, and the import dialog whose bar the client's blocks move on.
#include "net/Nmhttp.h"
#include "tests/document/TestFrame.h"
#include "tests/net/LoopbackServer.h"
#include "tests/net/NetTestSupport.h"
#include "web/Unit4.h"
#include "web/WebHost.h"
#include "web/WebRequests.h"

#include <QLineEdit>
#include <QPushButton>

class TWebFrame : public TTestFrame, public TWebHost {
public:
    TWebFrame() {
        http.TimeOut = 5000; // ends any test fault
        http.OnPacketRecvd = [this](QObject*) {
            ++packets;
            import.PacketReceived(http);
        };
    }
    TNMHTTP& Http() override { return http; }
    TWebRequests& Requests() override { return requests; }
    TfrmNew* ActiveDocumentWindow() override {
        auto* window = qobject_cast<TfrmNew*>(DocumentArea().currentSubWindow());
        return window && !window->IsClosed() ? window : nullptr;
    }
    TfrmNew* NewDocumentWindow() override { return Files.FileNew(); }
    QPointer<TfrmNew>& CurrentDocumentRef() override { return current; }

    TNMHTTP http;
    TWebRequests requests{http};
    QPointer<TfrmNew> current;
    TfrmImport import{this, *this};
    int packets = 0; // blocks the client has received
};

using nettest::During;

class WebTest : public DocumentTestSupport {
protected:
    std::vector<std::string> Texts(TCall::Kind kind) {
        std::vector<std::string> texts;
        for (const TCall& call : seam->CallsOf(kind)) {
            texts.push_back(call.text.toStdString());
        }
        return texts;
    }
    std::vector<std::string> Boxes() { return Texts(TCall::Kind::MessageBox); }
    std::vector<std::string> Opened() { return Texts(TCall::Kind::ShellOpen); }

    // Types the URL and presses Import, as the user does.
    void Import(const std::string& url) {
        frame.import.Edit1().setText(QString::fromStdString(url));
        frame.import.Button1().click();
    }

    TWebFrame frame;
};

// An HTTP/1.0 reply announcing its body's length.
inline std::string Reply(const std::string& body, const char* status = "200 OK") {
    return std::string("HTTP/1.0 ") + status +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Answers each request with the next of replies, sent in pieces of chunk
// bytes pauseMs apart, then waits stallMs before closing.
inline loopback::Server Serving(std::vector<std::string> replies, std::size_t chunk = 1 << 20,
                                int pauseMs = 0, int stallMs = 0) {
    return loopback::Server([=](loopback::Connection& c) {
        c.ReadRequest();
        c.Drip(replies[static_cast<std::size_t>(c.Index()) % replies.size()], chunk, pauseMs);
        c.Pause(stallMs);
    });
}

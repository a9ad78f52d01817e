#pragma once

// A frame of its own for the web tests, in place of the main window: an MDI
// area, the file commands, the HTTP client with its request runner, and the
// import dialog whose bar the client's blocks move on.
#include "document/DocumentHost.h"
#include "document/FileCommands.h"
#include "net/Nmhttp.h"
#include "tests/common/DocumentTestSupport.h"
#include "tests/net/LoopbackServer.h"
#include "tests/net/NetTestSupport.h"
#include "web/Unit4.h"
#include "web/WebHost.h"
#include "web/WebRequests.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

class TWebFrame : public QMainWindow, public TDocumentHost, public TWebHost {
public:
    TWebFrame() : Files(*this) {
        setCentralWidget(area_);
        resize(800, 600);
        show();
        http.Port = 80;
        http.TimeOut = 5000; // ends any test fault
        http.OnPacketRecvd = [this](QObject*) {
            ++packets;
            import.ProgressBar().StepBy(1);
        };
    }

    QMdiArea& DocumentArea() override { return *area_; }
    QMenu* DocumentPopupMenu() override { return popup_; }
    void SetStatusText(const QString&) override {}
    void SaveDocumentAs(TfrmNew& window) override { Files.FileSaveAs(window); }

    TNMHTTP& Http() override { return http; }
    TWebRequests& Requests() override { return requests; }
    TfrmNew* ActiveDocumentWindow() override {
        auto* window = qobject_cast<TfrmNew*>(area_->currentSubWindow());
        return window && !window->IsClosed() ? window : nullptr;
    }
    TfrmNew* NewDocumentWindow() override { return Files.FileNew(); }
    QPointer<TfrmNew>& CurrentDocumentRef() override { return current; }

private:
    QMdiArea* area_ = new QMdiArea(this);
    QMenu* popup_ = new QMenu(this);

public:
    TFileCommands Files;
    TNMHTTP http;
    TWebRequests requests{http};
    QPointer<TfrmNew> current;
    TfrmImport import{this, *this};
    int packets = 0; // blocks the client has received
};

class WebTest : public DocumentTestSupport {
protected:
    // Messages of the boxes shown, in order.
    std::vector<std::string> Boxes() {
        std::vector<std::string> texts;
        for (const TCall& call : Messages()) {
            texts.push_back(call.text.toStdString());
        }
        return texts;
    }
    std::vector<std::string> Opened() {
        std::vector<std::string> targets;
        for (const TCall& call : seam->CallsOf(TCall::Kind::ShellOpen)) {
            targets.push_back(call.text.toStdString());
        }
        return targets;
    }

    // Types the URL and presses Import, as the user does.
    void Import(const std::string& url) {
        frame.import.Edit1().setText(QString::fromStdString(url));
        frame.import.Button1().click();
    }

    // While the next command waits: runs action once ready() holds, polling
    // every few milliseconds; reports how long after the start it ran.
    struct During {
        During(std::function<bool()> ready, std::function<void()> action) {
            clock.start();
            QObject::connect(&poll, &QTimer::timeout, &poll, [this, ready, action] {
                if (ranAfterMs < 0 && ready()) {
                    ranAfterMs = clock.elapsed();
                    action();
                }
            });
            poll.start(2);
        }
        QElapsedTimer clock;
        QTimer poll;
        qint64 ranAfterMs = -1;
    };

    TWebFrame frame;
};

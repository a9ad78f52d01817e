#include "web/WebRequests.h"

#include "framework/Exceptions.h"
#include "framework/SysUtils.h"
#include "net/Nmhttp.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <utility>

TWebRequests::TWebRequests(TNMHTTP& http, QObject* parent) : QObject(parent), http_(http) {}

TWebRequests::~TWebRequests() {
    if (depth_ > 0 && QCoreApplication::instance()) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

void TWebRequests::Run(const std::function<void()>& request) {
    if (depth_++ == 0) {
        ended_ = false;
        held_.clear();
        QCoreApplication::instance()->installEventFilter(this);
    }
    try {
        request();
    } catch (...) {
        finished();
        throw;
    }
    finished();
}

void TWebRequests::finished() {
    if (--depth_ > 0) {
        return;
    }
    QCoreApplication::instance()->removeEventFilter(this);
    // Posted from here the deletions wait for the main loop: the command
    // that waited has not returned yet.
    for (const QPointer<QObject>& held : std::exchange(held_, {})) {
        if (held) {
            QCoreApplication::postEvent(held, new QDeferredDeleteEvent);
        }
    }
    for (auto& action : std::exchange(whenIdle_, {})) {
        QMetaObject::invokeMethod(this, std::move(action), Qt::QueuedConnection);
    }
}

void TWebRequests::End() {
    if (depth_ == 0) {
        return;
    }
    ended_ = true;
    // Disconnect ends a name lookup, a connect and a send as a Cancel does,
    // and a receive as the server's close does.
    http_.Disconnect();
}

void TWebRequests::WhenIdle(std::function<void()> action) {
    if (depth_ > 0) {
        whenIdle_.push_back(std::move(action));
    } else {
        QMetaObject::invokeMethod(this, std::move(action), Qt::QueuedConnection);
    }
}

bool TWebRequests::eventFilter(QObject* watched, QEvent* event) {
    // A window the user closed during the wait: kept until the wait is over.
    if (event->type() == QEvent::DeferredDelete && watched->isWidgetType()) {
        held_.emplace_back(watched);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void RequireSuccess(const TNMHTTP& http) {
    if (http.ReplyNumber < 400) {
        return;
    }
    // "HTTP/1.0 404 Not Found\r\n": what follows the version, a long one cut.
    const std::string& header = http.Header;
    const std::size_t lineEnd = std::min(header.find_first_of("\r\n"), header.size());
    const std::size_t from = std::min(header.find(' '), lineEnd);
    std::string status = header.substr(from, lineEnd - from);
    const std::size_t first = status.find_first_not_of(' ');
    status = first == std::string::npos
                 ? IntToStr(http.ReplyNumber)
                 : status.substr(first, status.find_last_not_of(' ') + 1 - first);
    constexpr std::size_t limit = 200;
    if (status.size() > limit) {
        status = status.substr(0, limit) + "...";
    }
    throw Exception("The server answered " + status);
}

void RequireWholeBody(const TNMHTTP& http) {
    const int code = http.ReplyNumber;
    // These replies have no body, whatever length their header names.
    const bool bodiless = (code >= 100 && code < 200) || code == 204 || code == 304;
    if (!bodiless && http.BytesTotal > 0 && http.BytesRecvd < http.BytesTotal) {
        throw Exception("The server closed the connection after " + IntToStr(http.BytesRecvd) +
                        " of the " + IntToStr(http.BytesTotal) + " bytes it announced");
    }
}

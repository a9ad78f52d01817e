#include "web/WebRequests.h"

#include "framework/Exceptions.h"
#include "framework/SysUtils.h"
#include "net/Nmhttp.h"

#include <QCoreApplication>
#include <QEvent>
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

void RequireWholeBody(const TNMHTTP& http) {
    const int code = http.ReplyNumber;
    // These replies have no body, whatever length their header names.
    const bool bodiless = (code >= 100 && code < 200) || code == 204 || code == 304;
    if (!bodiless && http.BytesTotal > 0 && http.BytesRecvd < http.BytesTotal) {
        throw Exception("The server closed the connection after " + IntToStr(http.BytesRecvd) +
                        " of the " + IntToStr(http.BytesTotal) + " bytes it announced");
    }
}

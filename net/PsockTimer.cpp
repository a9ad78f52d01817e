// The time-out: a window-message timer on the creating thread, and the
// component's three time-out operations.

#include "net/Psock.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QTimerEvent>

namespace {
std::int64_t nowMs() {
    return QDeadlineTimer::current(Qt::PreciseTimer).deadline();
}
} // namespace

std::function<void(const std::exception&)> TThreadTimer::ApplicationExceptionHandler =
    [](const std::exception& error) { qWarning("%s", error.what()); };

TThreadTimer::TThreadTimer(QObject* Owner) : QObject(Owner) {}

TThreadTimer::~TThreadTimer() {
    enabled_ = false;
    UpdateTimer();
}

void TThreadTimer::SetEnabled(bool Value) {
    if (Value != enabled_) {
        enabled_ = Value;
        UpdateTimer();
    }
}

void TThreadTimer::SetInterval(std::uint32_t Value) {
    if (Value != interval_) {
        interval_ = Value;
        UpdateTimer();
    }
}

void TThreadTimer::SetOnTimer(TNotifyEvent Value) {
    onTimer_ = std::move(Value);
    UpdateTimer();
}

void TThreadTimer::Restart() {
    if (timerId_ != 0) {
        UpdateTimer();
    }
}

std::int64_t TThreadTimer::remainingTime() const {
    if (timerId_ == 0) {
        return -1;
    }
    return std::max<std::int64_t>(0, dueMs_ - nowMs());
}

void TThreadTimer::UpdateTimer() {
    if (timerId_ != 0) {
        killTimer(timerId_);
        timerId_ = 0;
    }
    if (interval_ != 0 && enabled_ && onTimer_) {
        const int interval = static_cast<int>(std::min<std::uint32_t>(interval_, 0x7FFFFFFF));
        timerId_ = startTimer(interval, Qt::PreciseTimer);
        if (timerId_ == 0) {
            throw Exception("No Timer");
        }
        dueMs_ = nowMs() + interval;
    }
}

void TThreadTimer::Timer() {
    if (onTimer_) {
        onTimer_(this);
    }
}

void TThreadTimer::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timerId_) {
        QObject::timerEvent(event);
        return;
    }
    dueMs_ = nowMs() + interval_;
    try {
        Timer();
    } catch (const std::exception& error) {
        // never let it unwind through the event loop
        if (ApplicationExceptionHandler) {
            ApplicationExceptionHandler(error);
        }
    } catch (...) {
    }
}

void TPowersock::TimerOn() {
    StatusMessage(8, "Timer On");
    TimedOut = false;
    if (TimeOut < 0) {
        throw ERangeError();
    }
    Timer->SetInterval(static_cast<std::uint32_t>(TimeOut));
    Timer->SetEnabled(true);
}

void TPowersock::TimerOff() {
    StatusMessage(8, "Timer Off");
    Timer->SetEnabled(false);
}

void TPowersock::restartTimeOut() {
    StatusMessage(8, "Timer On");
    // A time-out that has fired already stays fired: its cancel is on its way.
    Timer->Restart();
}

void TPowersock::TimerFired(QObject* /*Sender*/) {
    StatusMessage(8, "Timer Triggered");
    TimerOff();
    TimedOut = true;
    AsyncDone = true;
    Abort();
}

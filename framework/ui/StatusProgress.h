#pragma once

#include "framework/Progress.h"

#include <chrono>
#include <functional>

class QProgressBar;
class QStatusBar;

// A progress bar in the status line for loads and saves that take a while:
// it appears once a job has run for longer than the delay, follows it, and
// goes when it ends. Jobs run on the GUI thread without returning to the
// event loop, so the bar repaints itself.
class TStatusProgress : public TProgress {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    explicit TStatusProgress(QStatusBar& statusLine);

    // For tests: the time source and the delay before the bar appears.
    void SetClock(Clock clock) { clock_ = std::move(clock); }
    void SetDelay(std::chrono::milliseconds delay) { delay_ = delay; }

    void Begin() override;
    void Report(double done) override;
    void End() override;

    QProgressBar& Bar() const { return *bar_; }

private:
    void show(int value);

    QStatusBar& statusLine_;
    QProgressBar* bar_;
    Clock clock_;
    std::chrono::milliseconds delay_{500};
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point painted_;
    int depth_ = 0; // a save may run inside another job (Save As from a close)
};

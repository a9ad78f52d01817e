#include "framework/ui/StatusProgress.h"

#include <QProgressBar>
#include <QStatusBar>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(StatusProgress, AppearsOnlyForJobsLongerThanHalfASecondAndFollowsThem) {
    QStatusBar line;
    line.show();
    TStatusProgress progress(line);
    auto now = std::chrono::steady_clock::time_point{};
    progress.SetClock([&] { return now; });
    const QProgressBar& bar = progress.Bar();

    // A quick job shows nothing.
    progress.Begin();
    now += 300ms;
    progress.Report(0.9);
    EXPECT_TRUE(bar.isHidden());
    progress.End();

    // A slow one: the bar appears past half a second, at the share done.
    progress.Begin();
    const std::tuple<std::chrono::milliseconds, double, bool, int> steps[] = {
        {200ms, 0.2, false, 0},  {499ms, 0.3, false, 0},
        {501ms, 0.4, true, 400}, {520ms, 0.5, true, 400}, // repainted at most every 50 ms
        {560ms, 0.6, true, 600}, {900ms, 1.5, true, 1000}};
    const auto start = now;
    for (const auto& [at, done, visible, value] : steps) {
        now = start + at;
        progress.Report(done);
        EXPECT_EQ(bar.isVisible(), visible) << at.count();
        EXPECT_EQ(bar.value(), value) << at.count();
    }
    // A save run inside the job (Save As from a close) does not end it.
    progress.Begin();
    progress.End();
    EXPECT_TRUE(bar.isVisible());
    progress.End();
    EXPECT_TRUE(bar.isHidden());
    EXPECT_EQ(bar.parentWidget(), &line) << "it lives in the status line";
}

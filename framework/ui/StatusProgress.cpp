#include "framework/ui/StatusProgress.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QStatusBar>

namespace {
constexpr int kSteps = 1000;
// Often enough to look smooth, seldom enough to cost nothing.
constexpr std::chrono::milliseconds kRepaintEvery{50};
} // namespace

TStatusProgress::TStatusProgress(QStatusBar& statusLine)
    : statusLine_(statusLine), bar_(new QProgressBar), clock_(&std::chrono::steady_clock::now) {
    bar_->setObjectName(QStringLiteral("LoadSaveProgress"));
    bar_->setRange(0, kSteps);
    bar_->setTextVisible(false);
    bar_->setMaximumHeight(16);
    bar_->setFixedWidth(200);
    statusLine_.addPermanentWidget(bar_);
    bar_->hide();
}

void TStatusProgress::Begin() {
    if (depth_++ == 0) {
        started_ = clock_();
        bar_->setValue(0);
    }
}

void TStatusProgress::Report(double done) {
    if (depth_ == 0) {
        return;
    }
    const auto now = clock_();
    const int value = static_cast<int>(std::clamp(done, 0.0, 1.0) * kSteps);
    if (bar_->isHidden()) {
        if (now - started_ >= delay_) {
            show(value);
            painted_ = now;
        }
        return;
    }
    if (value == bar_->value() || now - painted_ < kRepaintEvery) {
        return;
    }
    bar_->setValue(value);
    bar_->repaint();
    painted_ = now;
}

void TStatusProgress::show(int value) {
    bar_->show();
    bar_->setValue(value);
    // Laid out and painted at once: the job keeps the event loop waiting.
    QCoreApplication::sendPostedEvents(&statusLine_, QEvent::LayoutRequest);
    QCoreApplication::sendPostedEvents(bar_, QEvent::LayoutRequest);
    statusLine_.repaint();
}

void TStatusProgress::End() {
    if (depth_ > 0 && --depth_ == 0) {
        bar_->hide();
    }
}

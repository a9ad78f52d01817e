#pragma once

#include <algorithm>

// Told how far a long job (a load, a save) has come. Reporting is cheap: the
// receiver decides whether and when anything is shown.
class TProgress {
public:
    virtual ~TProgress() = default;
    virtual void Begin() {}
    // The share of the whole job done, from 0 to 1.
    virtual void Report(double done) = 0;
    virtual void End() {}
};

// Reports to a progress that may be absent.
inline void ReportProgress(TProgress* progress, double done) {
    if (progress != nullptr) {
        progress->Report(done);
    }
}

// One step of a job: its own 0 to 1 is the stretch [from, to] of the whole.
class TProgressStep : public TProgress {
public:
    TProgressStep(TProgress* whole, double from, double to) : whole_(whole), from_(from), to_(to) {}
    void Report(double done) override {
        ReportProgress(whole_, from_ + (to_ - from_) * std::clamp(done, 0.0, 1.0));
    }
    // nullptr when there is no whole to report to, so callees can skip their reports.
    TProgress* get() { return whole_ != nullptr ? this : nullptr; }

private:
    TProgress* whole_;
    double from_;
    double to_;
};

// A job from start to end, ended however the scope is left.
class TProgressJob {
public:
    explicit TProgressJob(TProgress* progress) : progress_(progress) {
        if (progress_ != nullptr) {
            progress_->Begin();
        }
    }
    ~TProgressJob() {
        if (progress_ != nullptr) {
            progress_->End();
        }
    }
    TProgressJob(const TProgressJob&) = delete;
    TProgressJob& operator=(const TProgressJob&) = delete;

    // A step of this job.
    TProgressStep Step(double from, double to) const { return {progress_, from, to}; }

private:
    TProgress* progress_;
};

#pragma once

// The main of a benchmark that needs the widget layer: a headless
// QApplication and the application object around the benchmarks, and
// fixtures made on first use that go before those objects do.

#include "framework/ui/Application.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <functional>
#include <malloc.h>
#include <memory>
#include <vector>

namespace bench {

// Large blocks always in pages of their own, given back when freed. glibc
// otherwise raises the threshold as large blocks are freed, so whether a
// 20 MB buffer came in fresh pages or in reused ones would depend on what
// ran before it, and that is most of the cost of a whole-text change.
inline void FixMallocThreshold() {
    ::mallopt(M_MMAP_THRESHOLD, 128 << 10);
}

inline std::vector<std::function<void()>>& AtShutdown() {
    static std::vector<std::function<void()>> actions;
    return actions;
}

// The one T of the run, made on first use.
template <typename T> T& Lazy() {
    static std::unique_ptr<T> instance;
    if (!instance) {
        instance = std::make_unique<T>();
        AtShutdown().push_back([] { instance.reset(); });
    }
    return *instance;
}

inline int RunGuiBenchmarks(int argc, char** argv) {
    FixMallocThreshold();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication qtApplication(argc, argv);
    TApplication application;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto& action : AtShutdown()) {
        action();
    }
    return 0;
}

} // namespace bench

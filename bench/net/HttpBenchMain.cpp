// The main of the net benchmarks: the socket layer waits through Qt's event
// loop, so a QCoreApplication must exist. Weak, so a shared main of the
// folder, should one be added, takes its place.
#include <QCoreApplication>
#include <benchmark/benchmark.h>

__attribute__((weak)) int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

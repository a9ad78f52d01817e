#pragma once

// Speed bounds in the tests are on CPU time: on a loaded machine the wall
// clock also counts the time other processes had the processor.

#include <ctime>

namespace testcpu {

// CPU seconds the process has used so far, all its threads together.
inline double processSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// CPU seconds f takes.
double secondsOf(auto&& f) {
    const double start = processSeconds();
    f();
    return processSeconds() - start;
}

} // namespace testcpu

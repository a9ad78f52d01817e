#pragma once

// What several benchmarks share: the generated texts and replies they move,
// file sizes, and curl as the baseline of a transfer. Nothing here is timed
// on its own; each benchmark times the same work as before.

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace bench {

// Lines of prose with CR LF ends, as a document is, padded to exactly size bytes.
inline std::string ProseText(std::size_t size) {
    const std::string line =
        "The quick brown fox jumps over the lazy dog; pack my box with five dozen jugs.\r\n";
    std::string text;
    text.reserve(size);
    while (text.size() + line.size() <= size) {
        text += line;
    }
    text.append(size - text.size(), 'x');
    return text;
}

// An HTTP/1.0 200 reply whose body is size pseudo-random bytes.
inline std::string PseudoRandomReply(std::size_t size, std::uint32_t seed) {
    std::string body(size, '\0');
    for (char& c : body) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
    }
    return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n" + body;
}

// The size of a file, -1 when there is none.
inline std::int64_t FileSize(const std::string& name) {
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

// Removes a file outside the timing, so the next iteration creates it anew.
inline void FreshFile(benchmark::State& state, const std::string& name) {
    state.PauseTiming();
    ::unlink(name.c_str());
    state.ResumeTiming();
}

// The command that fetches url into file as curl does on its own.
inline std::string CurlToFileCommand(const std::string& url, const std::string& file) {
    return "curl --http1.0 -s -o '" + file + "' " + url;
}

// A baseline that runs a command pays a shell's and a process's start
// besides the work. The same command on a 3-byte input,
// run before each timed run (outside the timing), gives that start-up, so a
// ratio can be given raw and with it taken out: counters startup_ms (the
// probe's mean) and work_ms (the timed run's mean less the probe's).
class StartupCorrection {
public:
    explicit StartupCorrection(std::string probe) : probe_(std::move(probe)) {}

    // Before each timed run; false, the benchmark skipped, when the probe fails.
    bool Probe(benchmark::State& state) {
        state.PauseTiming();
        const auto start = std::chrono::steady_clock::now();
        const bool ok = std::system(probe_.c_str()) == 0;
        startupMs_ += msSince(start);
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("start-up probe failed");
        }
        return ok;
    }
    // Times one run of the work; its result passes through.
    template <typename F> bool Timed(F&& run) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = run();
        timedMs_ += msSince(start);
        ++runs_;
        return ok;
    }
    void Report(benchmark::State& state) const {
        if (runs_ == 0) {
            return;
        }
        state.counters["startup_ms"] = startupMs_ / runs_;
        state.counters["work_ms"] = (timedMs_ - startupMs_) / runs_;
    }

private:
    static double msSince(std::chrono::steady_clock::time_point start) {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    }

    std::string probe_;
    double startupMs_ = 0;
    double timedMs_ = 0;
    int runs_ = 0;
};

// One timed run of command into a file removed beforehand (outside the
// timing); false, the benchmark skipped, when curl fails or the size is wrong.
// With startup, its probe runs first and the run is timed for its counters.
inline bool CurlRun(benchmark::State& state, const std::string& command, const std::string& file,
                    std::int64_t size, StartupCorrection* startup = nullptr) {
    FreshFile(state, file);
    if (startup && !startup->Probe(state)) {
        return false;
    }
    const auto run = [&] { return std::system(command.c_str()) == 0; };
    const bool ran = startup ? startup->Timed(run) : run();
    if (!ran || FileSize(file) != size) {
        state.SkipWithError("curl failed");
        return false;
    }
    return true;
}

} // namespace bench

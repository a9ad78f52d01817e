#pragma once

// What several benchmarks share: the generated texts and replies they move,
// file sizes, and curl as the baseline of a transfer. Nothing here is timed
// on its own; each benchmark times the same work as before.

#include <benchmark/benchmark.h>
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

// One timed run of command into a file removed beforehand (outside the
// timing); false, the benchmark skipped, when curl fails or the size is wrong.
inline bool CurlRun(benchmark::State& state, const std::string& command, const std::string& file,
                    std::int64_t size) {
    FreshFile(state, file);
    if (std::system(command.c_str()) != 0 || FileSize(file) != size) {
        state.SkipWithError("curl failed");
        return false;
    }
    return true;
}

} // namespace bench

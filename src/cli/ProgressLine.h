#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// How far a long run, preview or undo has come, as one line on a terminal that is drawn over
// again in place and wiped when the work ends.
namespace morvanex::cli {

// "12345 / 100000 files, 4321 files/s, 0:21 left"; the rate and the time left only when
// `rate` (files per second) is above zero.
std::string FormatProgress(std::uint64_t done, std::uint64_t total, double rate);

// True when a progress line belongs on the file: a terminal, and --quiet not given. Pipes,
// files and CI logs never get one.
bool WantsProgressLine(int fd, bool quiet);

class ProgressLine {
  public:
    // Monotonic nanoseconds; the default reads the steady clock.
    using Clock = std::int64_t (*)();
    static std::int64_t SteadyNanoseconds();

    // The line appears once the work has taken kDelay since construction, and is redrawn at
    // most every kInterval: a run of many quick files pays a clock reading per file.
    static constexpr std::int64_t kDelay = 500'000'000;
    static constexpr std::int64_t kInterval = 100'000'000;

    ProgressLine(std::FILE* stream, bool enabled, Clock clock = &SteadyNanoseconds);
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    bool Enabled() const { return m_enabled; }
    // `done` of `total` (a total still being counted may shrink from one call to the next).
    void Update(std::uint64_t done, std::uint64_t total);
    // Wipes the line, if one is shown, and leaves the cursor at the start of it.
    void Clear();

  private:
    std::FILE* m_stream;
    bool m_enabled;
    Clock m_clock;
    std::int64_t m_start;
    std::int64_t m_firstTime = -1;  // the first update: the rate counts from there
    std::uint64_t m_firstDone = 0;
    std::int64_t m_lastDraw = 0;
    std::size_t m_shown = 0;  // characters on the line now
};

}  // namespace morvanex::cli

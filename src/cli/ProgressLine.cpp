#include "cli/ProgressLine.h"

#include <unistd.h>

#include <chrono>
#include <cmath>

namespace morvanex::cli {

namespace {

std::string Duration(double seconds) {
    const auto whole = static_cast<std::uint64_t>(std::ceil(seconds));
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu",
                      static_cast<unsigned long long>(whole / 3600),
                      static_cast<unsigned long long>(whole / 60 % 60),
                      static_cast<unsigned long long>(whole % 60));
    } else {
        std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(whole / 60),
                      static_cast<unsigned long long>(whole % 60));
    }
    return text;
}

}  // namespace

std::string FormatProgress(std::uint64_t done, std::uint64_t total, double rate) {
    std::string text = std::to_string(done) + " / " + std::to_string(total) + " files";
    if (rate > 0) {
        text += ", " + std::to_string(static_cast<std::uint64_t>(std::llround(rate))) + " files/s";
        const std::uint64_t left = total > done ? total - done : 0;
        text += ", " + Duration(static_cast<double>(left) / rate) + " left";
    }
    return text;
}

bool WantsProgressLine(int fd, bool quiet) {
    return !quiet && ::isatty(fd) == 1;
}

std::int64_t ProgressLine::SteadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

ProgressLine::ProgressLine(std::FILE* stream, bool enabled, Clock clock)
    : m_stream(stream), m_enabled(enabled), m_clock(clock), m_start(enabled ? clock() : 0) {}

void ProgressLine::Update(std::uint64_t done, std::uint64_t total) {
    if (!m_enabled) return;
    const std::int64_t now = m_clock();
    if (m_firstTime < 0) {
        m_firstTime = now;
        m_firstDone = done;
    }
    if (now - m_start < kDelay || (m_shown != 0 && now - m_lastDraw < kInterval)) return;
    m_lastDraw = now;
    const double seconds = static_cast<double>(now - m_firstTime) / 1e9;
    const double rate =
        seconds > 0 && done > m_firstDone ? static_cast<double>(done - m_firstDone) / seconds : 0;
    std::string text = FormatProgress(done, total, rate);
    const std::size_t length = text.size();
    // Blanks over what a longer line before left behind: no terminal control sequences, so a
    // plain terminal shows it as well.
    if (length < m_shown) text.append(m_shown - length, ' ');
    std::fprintf(m_stream, "\r%s", text.c_str());
    std::fflush(m_stream);
    m_shown = length;
}

void ProgressLine::Clear() {
    if (!m_enabled || m_shown == 0) return;
    std::fprintf(m_stream, "\r%s\r", std::string(m_shown, ' ').c_str());
    std::fflush(m_stream);
    m_shown = 0;
}

}  // namespace morvanex::cli

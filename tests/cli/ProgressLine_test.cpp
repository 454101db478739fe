#include "cli/ProgressLine.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/TerminalInteraction.h"
#include "platform/Codepage.h"
#include "support/TempFolder.h"

namespace morvanex::cli {
namespace {

constexpr std::int64_t kMs = 1'000'000;

std::int64_t g_now = 0;
std::int64_t FakeClock() {
    return g_now;
}

// What a stream received, read back from a temporary file.
class CapturedStream {
  public:
    CapturedStream() : m_file(std::tmpfile()) {}
    ~CapturedStream() { std::fclose(m_file); }
    std::FILE* File() { return m_file; }
    std::string Text() {
        std::fflush(m_file);
        std::string text;
        std::rewind(m_file);
        for (int c; (c = std::fgetc(m_file)) != EOF;) text += static_cast<char>(c);
        return text;
    }

  private:
    std::FILE* m_file;
};

// Standard error's file descriptor sent to a temporary file for the life of the object.
class CapturedStderr {
  public:
    CapturedStderr() : m_saved(::dup(STDERR_FILENO)) {
        std::fflush(stderr);
        ::dup2(::fileno(m_stream.File()), STDERR_FILENO);
    }
    ~CapturedStderr() {
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
    }
    std::string Text() {
        std::fflush(stderr);
        return m_stream.Text();
    }

  private:
    CapturedStream m_stream;
    int m_saved;
};

TEST(ProgressLine, FormatsCountRateAndTimeLeft) {
    struct Row {
        const char* name;
        std::uint64_t done, total;
        double rate;
        const char* expected;
    } rows[] = {
        {"rate/unknown_yet", 5, 10, 0, "5 / 10 files"},
        {"left/minutes", 100, 1000, 10, "100 / 1000 files, 10 files/s, 1:30 left"},
        {"left/hours", 0, 100000, 20, "0 / 100000 files, 20 files/s, 1:23:20 left"},
        {"left/rounded_up", 1, 3, 1.5, "1 / 3 files, 2 files/s, 0:02 left"},
        {"left/total_shrank_below_done", 12, 10, 5, "12 / 10 files, 5 files/s, 0:00 left"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FormatProgress(row.done, row.total, row.rate), row.expected) << row.name;
    }
}

TEST(ProgressLine, AppearsAfterHalfASecondAtMostTenTimesASecondAndIsWiped) {
    CapturedStream stream;
    g_now = 0;
    ProgressLine line(stream.File(), true, &FakeClock);
    struct Step {
        std::int64_t at;  // milliseconds since the work started
        std::uint64_t done;
        std::string drawn;  // what the stream gets at this step
    } steps[] = {
        {100, 1, ""},  // quick work shows nothing
        {499, 9, ""},
        {600, 11, "\r11 / 100 files, 20 files/s, 0:05 left"},
        {650, 12, ""},  // within a tenth of a second of the last drawing
        {700, 21, "\r21 / 100 files, 33 files/s, 0:03 left"},
        {5100, 100, "\r100 / 100 files, 20 files/s, 0:00 left"},
    };
    std::string expected;
    for (const Step& step : steps) {
        g_now = step.at * kMs;
        line.Update(step.done, 100);
        expected += step.drawn;
        EXPECT_EQ(stream.Text(), expected) << "at " << step.at << " ms";
    }
    line.Clear();
    const std::string last = "100 / 100 files, 20 files/s, 0:00 left";
    expected += "\r" + std::string(last.size(), ' ') + "\r";
    EXPECT_EQ(stream.Text(), expected);
    line.Clear();  // nothing shown: nothing to wipe
    EXPECT_EQ(stream.Text(), expected);
    g_now = 5150 * kMs;
    line.Update(100, 100);  // drawn again at once after a wipe
    EXPECT_EQ(stream.Text(), expected + "\r" + last);
}

TEST(ProgressLine, AShorterLineBlanksTheRestOfTheLongerOne) {
    CapturedStream stream;
    g_now = 0;
    ProgressLine line(stream.File(), true, &FakeClock);
    g_now = 600 * kMs;
    line.Update(0, 1000);  // no rate yet: the longer text comes second
    g_now = 1600 * kMs;
    line.Update(10, 1000);
    g_now = 1700 * kMs;
    line.Update(10, 10);
    const std::string first = "0 / 1000 files";
    const std::string second = "10 / 1000 files, 10 files/s, 1:39 left";
    const std::string third = "10 / 10 files, 9 files/s, 0:00 left";
    EXPECT_EQ(stream.Text(), "\r" + first + "\r" + second + "\r" + third +
                                 std::string(second.size() - third.size(), ' '));
}

TEST(ProgressLine, OnlyATerminalWithoutQuietGetsALine) {
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    test::TempFolder temp;
    const int file = ::open(temp.CreateFile("log").c_str(), O_WRONLY);
    struct Row {
        const char* name;
        int fd;
        bool quiet;
        bool expected;
    } rows[] = {
        {"terminal/shown", slave, false, true},
        {"terminal/quiet", slave, true, false},
        {"pipe/never", pipeEnds[1], false, false},
        {"file/never", file, false, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(WantsProgressLine(row.fd, row.quiet), row.expected) << row.name;
    for (const int fd : {master, slave, pipeEnds[0], pipeEnds[1], file}) ::close(fd);

    CapturedStream stream;
    ProgressLine off(stream.File(), false, &FakeClock);
    g_now = 10'000 * kMs;
    off.Update(5, 10);
    off.Clear();
    EXPECT_EQ(stream.Text(), "");
}

// The interaction of the command line: never a progress bar (a run may start while statuses are
// still being read), a line when asked for, and the line wiped before anything else is printed.
TEST(ProgressLine, TheTerminalInteractionWipesItsLineBeforeItPrints) {
    struct Row {
        const char* name;
        bool line;
        bool countsDown;
        int current;
        std::string expected;
    } rows[] = {
        {"run/counts_up", true, false, 40,
         "\r40 / 100 files\r" + std::string(14, ' ') + "\r" + "変換完了。\n"},
        {"undo/records_left", true, true, 40,
         "\r60 / 100 files\r" + std::string(14, ' ') + "\r" + "変換完了。\n"},
        {"off/message_only", false, false, 40, "変換完了。\n"},
    };
    for (const auto& row : rows) {
        g_now = 0;
        TerminalInteraction terminal({}, ListFormat::Text, true, row.line, &FakeClock);
        if (row.countsDown) terminal.CountProgressDown();
        EXPECT_FALSE(terminal.ShowsProgress()) << row.name;
        EXPECT_EQ(terminal.ShowsProgressLine(), row.line) << row.name;
        CapturedStderr captured;
        g_now = 700 * kMs;
        terminal.Progress(100, row.current);
        terminal.ShowMessage(platform::Sjis("変換完了。"), engine::MessageIcon::None);
        terminal.ProgressDone();
        EXPECT_EQ(captured.Text(), row.expected) << row.name;
    }
}

}  // namespace
}  // namespace morvanex::cli

// The window's run against the command line's, each timed inside its own process from the start
// of the run to its end, on the same job and a fresh folder (bench/window_run.sh runs the rounds).
//
//   window_run cli JOB FOLDER      the command line's run
//   window_run window JOB FOLDER   the window's run; also the event loop's latency during it
//   window_run stop JOB FOLDER     the window's run, stopped a second after it began
//
// Prints "name value" lines: run_us and cpu_us (the process's processor time over the same span,
// every thread; steadier than the wall time on a loaded machine), and for the window
// latency_p50_ms, latency_p99_ms, latency_max_ms; for the stop stop_ms (from the stop to the end of
// the work) and done files.
#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "engine/Interaction.h"
#include "platform/Clock.h"
#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"
#include "shell/Document.h"
#include "shell/MainFrame.h"
#include "shell/MainView.h"
#include "shell/QtInteraction.h"
#include "widgets/Preferences.h"

namespace {

using namespace morvanex;
using Clock = std::chrono::steady_clock;

long long MicrosSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
}

// The processor time of the whole process so far, user and system, every thread.
long long CpuMicros() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// The window's bar moves as in the program; messages and lists are not shown (they would wait
// for a click), questions are answered Yes.
class BenchInteraction final : public engine::Interaction {
  public:
    void ShowMessage(const std::string& text, engine::MessageIcon) override {
        std::fprintf(stderr, "%s\n", platform::Utf8FromCp932(text).c_str());
    }
    bool AskYesNo(engine::Question, const std::string&) override { return true; }
    void ShowResultList(const engine::ResultList&) override {}
    bool ConfirmUndo(const engine::ResultList&) override { return false; }
    void Progress(unsigned total, int current) override { bar->Progress(total, current); }
    void ProgressDone() override { bar->ProgressDone(); }
    void ProgressReset() override { bar->ProgressReset(); }
    void BeginWait() override { bar->BeginWait(); }
    void EndWait() override { bar->EndWait(); }

    shell::QtInteraction* bar = nullptr;
};

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(at, values.size() - 1)];
}

int Cli(const char* job, const char* folder) {
    platform::FixTimeZone();
    std::vector<std::string> words = {"morvanex-cli", "run", job, "--folder", folder};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    const long long cpuStart = CpuMicros();
    const Clock::time_point start = Clock::now();
    const int status = morvanex::cli::RunCommandLine(static_cast<int>(argv.size()), argv.data());
    std::printf("run_us %lld\ncpu_us %lld\n", MicrosSince(start), CpuMicros() - cpuStart);
    return status;
}

int Window(int argc, char** argv, bool stop) {
    QApplication application(argc, argv);
    platform::FixTimeZone();
    widgets::Preferences preferences;
    shell::Document document(preferences, std::make_unique<platform::PosixFileSystem>(),
                             std::make_unique<platform::SystemClock>());
    BenchInteraction interaction;
    shell::FrameOptions options;
    options.interaction = &interaction;
    shell::MainFrame frame(document, options);
    shell::QtInteraction bar(&frame, frame.View().ProgressBar(), false);
    interaction.bar = &bar;
    document.NewDocument();
    frame.View().InitialUpdate();
    frame.show();
    if (!document.Load(platform::Cp932FromUtf8(argv[2]))) return 2;
    document.Settings().SelectFile.FullPath = platform::Cp932FromUtf8(argv[3]);

    // The event loop's latency: how late a timer of 10 ms fires while the run goes.
    constexpr int kTick = 10;
    std::vector<double> late;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(kTick);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        late.push_back(std::max(0.0, static_cast<double>(sinceTick.restart()) - kTick));
    });

    Clock::time_point start;
    Clock::time_point stopped;
    Clock::time_point ended;
    long long runMicros = 0;
    long long cpuStart = 0;
    long long cpuMicros = 0;
    int done = 0;
    QTimer::singleShot(500, [&] {
        cpuStart = CpuMicros();
        start = Clock::now();
        sinceTick.start();
        ticker.start();
        frame.View().StartRun(false, [&](const engine::RunOutcome& outcome) {
            ended = Clock::now();
            runMicros = MicrosSince(start);
            cpuMicros = CpuMicros() - cpuStart;
            done = outcome.doneCount;
            ticker.stop();
            QApplication::quit();
        });
        if (stop) {
            QTimer::singleShot(1000, [&] {
                stopped = Clock::now();
                frame.View().StopWork();
            });
        }
    });
    QApplication::exec();
    if (stop) {
        const auto micros =
            std::chrono::duration_cast<std::chrono::microseconds>(ended - stopped).count();
        std::printf("stop_ms %.1f\ndone %d\n", static_cast<double>(micros) / 1000.0, done);
    }
    std::printf("run_us %lld\ncpu_us %lld\n", runMicros, cpuMicros);
    std::printf("latency_p50_ms %.1f\nlatency_p99_ms %.1f\nlatency_max_ms %.1f\n",
                Percentile(late, 0.5), Percentile(late, 0.99), Percentile(late, 1.0));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: window_run cli|window|stop JOB FOLDER\n");
        return 2;
    }
    if (std::strcmp(argv[1], "cli") == 0) return Cli(argv[2], argv[3]);
    return Window(argc, argv, std::strcmp(argv[1], "stop") == 0);
}

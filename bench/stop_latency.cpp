// How long a stop takes to end a preview of a folder sorted by time: from the request to the
// preview's return, the request made at the moment each stage of the preview begins (the
// listing of the targets, the plan's listing of the folder the names go to) and at even steps
// through a preview's whole length. The files are made once, empty, with random names and one
// modification time each; the disk's cache is warm (a local disk, as the user's folder is).
//   stop_latency DIR [COUNT] [ROUNDS] [preview]
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/StopRequest.h"
#include "engine/run/RunDriver.h"
#include "platform/PosixFileSystem.h"
#include "settings/SettingsLifecycle.h"
#include "support/FixedClock.h"
#include "support/ForwardingFileSystem.h"
#include "support/ScriptedInteraction.h"
#include "support/SequencePattern.h"

namespace {

using namespace morvanex;
using Clock = std::chrono::steady_clock;

// Requests the stop as the k-th folder listing begins, and notes when.
class StopAtListing final : public test::ForwardingFileSystem {
  public:
    StopAtListing(platform::FileSystem& real, engine::StopRequest& stop, int k)
        : ForwardingFileSystem(real), m_stop(stop), m_k(k) {}
    int ListFolder(std::string_view folder, bool withAttributes,
                   std::vector<platform::DirectoryEntry>& entries) override {
        if (++m_calls != m_k)
            return ForwardingFileSystem::ListFolder(folder, withAttributes, entries);
        requested = Clock::now();
        m_stop.Request();
        const int error = ForwardingFileSystem::ListFolder(folder, withAttributes, entries);
        listed = Clock::now();
        return error;
    }
    Clock::time_point requested{};
    Clock::time_point listed{};  // when that listing, which nothing can cut short, returned

  private:
    engine::StopRequest& m_stop;
    int m_k;
    int m_calls = 0;
};

void MakeFiles(const std::string& dir, int count) {
    std::mt19937 random(7);
    const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int i = 0; i < count; ++i) {
        std::string name;
        for (int c = 0; c < 12; ++c) name += letters[random() % 36];
        name += ".jpg";
        const std::string path = dir + "/" + name;  // a name made twice is made once
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd < 0) continue;
        const timespec times[2] = {{1600000000 + static_cast<time_t>(random() % 100000000), 0},
                                   {1600000000 + static_cast<time_t>(random() % 100000000), 0}};
        ::futimens(fd, times);
        ::close(fd);
    }
}

settings::RenameSettings Job(platform::FileSystem& fileSystem, const platform::Clock& clock,
                             const std::string& dir) {
    settings::RenameSettings s = settings::ConstructSettings({fileSystem, clock, {}});
    s.SelectFile.FullPath = dir.ends_with('/') ? dir : dir + "/";
    s.CommonOption.SortCondition = 2;  // by modification time
    test::UseSequencePattern(s, "IMG_", 6);
    return s;
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: stop_latency DIR [COUNT] [ROUNDS] [preview]\n");
        return 2;
    }
    std::filesystem::create_directories(argv[1]);
    const std::string dir = std::filesystem::absolute(argv[1]).lexically_normal().string();
    const int count = argc > 2 ? std::atoi(argv[2]) : 100000;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
    // "preview": whole previews only, for the time a preview takes.
    const bool previewsOnly = argc > 4 && std::string(argv[4]) == "preview";
    MakeFiles(dir, count);
    platform::PosixFileSystem real;
    test::FixedClock clock(1700000000);
    test::ScriptedInteraction ui;
    ui.showsProgress = false;

    std::vector<double> whole;
    std::vector<double> atListing[2];
    std::vector<double> listing[2];
    std::vector<double> swept;
    for (int round = 0; round < rounds; ++round) {
        {
            settings::RenameSettings s = Job(real, clock, dir);
            const auto start = Clock::now();
            const engine::RunOutcome outcome =
                engine::StartRun(s, {real, clock, ui}, true, nullptr);
            whole.push_back(Ms(Clock::now() - start));
            if (outcome.resultCode != 0) std::fprintf(stderr, "preview: %d\n", outcome.resultCode);
        }
        if (previewsOnly) continue;
        for (int k = 1; k <= 2; ++k) {
            engine::StopRequest stop;
            StopAtListing stopping(real, stop, k);
            settings::RenameSettings s = Job(real, clock, dir);
            const engine::RunOutcome outcome =
                engine::StartRun(s, {stopping, clock, ui, nullptr, &stop}, true, nullptr);
            atListing[k - 1].push_back(Ms(Clock::now() - stopping.requested));
            listing[k - 1].push_back(Ms(stopping.listed - stopping.requested));
            if (outcome.resultCode != 20) std::fprintf(stderr, "stopped: %d\n", outcome.resultCode);
        }
        // A request from another thread, as the window's button makes it, at ten even steps
        // through the preview's length.
        for (int step = 0; step < 10; ++step) {
            engine::StopRequest stop;
            settings::RenameSettings s = Job(real, clock, dir);
            std::atomic<bool> ended{false};
            Clock::time_point requested{};
            std::thread button([&] {
                std::this_thread::sleep_for(
                    std::chrono::duration<double, std::milli>(whole.back() * step / 10));
                requested = Clock::now();
                stop.Request();
            });
            engine::StartRun(s, {real, clock, ui, nullptr, &stop}, true, nullptr);
            const auto end = Clock::now();
            button.join();
            if (requested < end) swept.push_back(Ms(end - requested));
        }
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    const auto most = [](const std::vector<double>& v) {
        return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
    };
    std::printf("files %d, rounds %d\n", count, rounds);
    std::printf("preview_ms median %.1f\n", median(whole));
    std::printf("stop_at_target_listing_ms median %.1f max %.1f (the listing call %.1f)\n",
                median(atListing[0]), most(atListing[0]), median(listing[0]));
    std::printf("stop_at_plan_listing_ms median %.1f max %.1f (the listing call %.1f)\n",
                median(atListing[1]), most(atListing[1]), median(listing[1]));
    std::printf("stop_swept_ms median %.1f max %.1f (%zu stops)\n", median(swept), most(swept),
                swept.size());
    return 0;
}

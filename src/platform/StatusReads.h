#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace morvanex::platform {

// The statuses of a list of files, read in list order by `read(i)` (0 or the system error). From
// 4,096 files on a second thread reads every other block of 256 ahead of the caller: each read
// waits on the kernel rather than on this process, so two at a time take about half as long.
// `read` is called from both threads, each i once; `stopped` (when given) is asked before each
// read, from both threads.
class StatusReads {
  public:
    StatusReads(std::size_t count, std::function<int(std::size_t)> read,
                std::function<bool()> stopped = {});
    ~StatusReads();  // ends the second thread where it is
    StatusReads(const StatusReads&) = delete;
    StatusReads& operator=(const StatusReads&) = delete;

    // File i's status read, by this thread or by waiting for the second one: 0, the system
    // error, or ECANCELED once `stopped` says so. Called for i = 0, 1, 2… from one thread.
    int Next(std::size_t i);

  private:
    bool Stopped() const;

    std::function<int(std::size_t)> m_read;
    std::function<bool()> m_stopped;
    std::atomic<bool> m_abandoned{false};
    // The second thread's blocks (the odd ones): each marked ready (1) when read, with each
    // file's error (no system error is above 255).
    std::unique_ptr<std::atomic<std::uint8_t>[]> m_ready;
    std::vector<std::uint8_t> m_errors;
    std::thread m_helper;
};

}  // namespace morvanex::platform

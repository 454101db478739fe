#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/StopRequest.h"
#include "platform/FileSystem.h"

namespace morvanex::engine {

// The statuses of a list of paths (with their stored attributes), read in list order. From
// 4,096 paths on a second thread reads every other block of 256 ahead of the caller: each read
// waits on the kernel rather than on this process, so two at a time take about half as long.
// The file system, the lists and `stop` must outlive the reads.
class StatusReads {
  public:
    StatusReads(platform::FileSystem& fileSystem, const std::vector<std::string>& paths,
                std::vector<platform::FileStatus>& statuses, const StopRequest* stop = nullptr);
    ~StatusReads();  // ends the second thread where it is
    StatusReads(const StatusReads&) = delete;
    StatusReads& operator=(const StatusReads&) = delete;

    // Path i's status into statuses[i], reading it or waiting for the second thread: 0, the
    // system error, or ECANCELED once a stop is requested. Called for i = 0, 1, 2… from one
    // thread.
    int Next(std::size_t i);

  private:
    bool Stopped() const;

    platform::FileSystem& m_fileSystem;
    const std::vector<std::string>& m_paths;
    std::vector<platform::FileStatus>& m_statuses;
    const StopRequest* m_stop;
    std::atomic<bool> m_abandoned{false};
    // The second thread's blocks (the odd ones): each marked ready (1) when read, with each
    // path's error (no system error is above 255).
    std::unique_ptr<std::atomic<std::uint8_t>[]> m_ready;
    std::vector<std::uint8_t> m_errors;
    std::thread m_helper;
};

}  // namespace morvanex::engine

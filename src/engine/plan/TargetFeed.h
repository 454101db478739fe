#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/StopRequest.h"
#include "platform/FileSystem.h"

namespace morvanex::engine {

// The targets of a run, handed to the engine one by one in run order. Either the whole list is
// known from the start (a free selection, or a folder listed in full), or the folder's entries
// are known in their final order but their statuses are still being read, on a second thread,
// while the run already works on the first ones: the statuses decide which entries are
// targets (the attribute rule of the listing mode) and become the targets' before-status.
class TargetFeed {
  public:
    // A list known in full; statuses (one per path) when a listing read them, else empty.
    explicit TargetFeed(std::vector<std::string> paths,
                        std::vector<platform::FileStatus> statuses = {});
    // Candidates in run order; each becomes a target when its status admits it by the listing
    // mode and mask. The statuses are read through `fileSystem`, which must outlive the feed, as
    // must `stop`: once it is requested the reading ends and the list is complete where it came
    // to (a stopped run changes nothing it has not planned, and need not wait for the rest).
    TargetFeed(platform::FileSystem& fileSystem, std::vector<std::string> candidates,
               int listingMode, std::uint8_t attributeMask, const StopRequest* stop = nullptr);
    // A list known in full whose statuses are read here, as a listing's are: every path is a
    // target, in the list's order; one whose status cannot be read is handed without one.
    TargetFeed(platform::FileSystem& fileSystem, std::vector<std::string> paths,
               const StopRequest* stop = nullptr);
    ~TargetFeed();
    TargetFeed(const TargetFeed&) = delete;
    TargetFeed& operator=(const TargetFeed&) = delete;

    // Target i, waiting while the list has not reached it; false when there are fewer targets.
    // `status` is null when no listing read it (the caller reads it itself).
    bool Get(std::size_t i, const std::string*& path, const platform::FileStatus*& status);
    // The number of targets, waiting for the whole list.
    std::size_t Count();
    // No smaller than Count(), known at once.
    std::size_t UpperBound() const { return m_candidates.size(); }
    // Count() once the list is complete, UpperBound() before: without waiting.
    std::size_t TotalSoFar() const {
        return m_complete.load(std::memory_order_acquire) ? m_found.load(std::memory_order_acquire)
                                                          : UpperBound();
    }
    // Gives up the listed statuses once the caller has taken each target's (waits for the whole
    // list): Get then gives none. A run of a million files need not hold them twice.
    void DropStatuses();
    // The targets in run order (the whole list, waited for); the feed gives them up.
    std::vector<std::string> TakePaths();

  private:
    void ReadStatuses();
    // Waits until target i is known or the list is complete; true when target i exists.
    bool WaitFor(std::size_t i);

    platform::FileSystem* m_fileSystem = nullptr;
    const StopRequest* m_stop = nullptr;
    std::vector<std::string> m_candidates;
    std::vector<platform::FileStatus> m_statuses;  // one per candidate
    // A given list keeps every candidate; those whose status could not be read are marked (1).
    bool m_keepsAll = false;
    std::vector<std::uint8_t> m_unread;
    int m_mode = 0;
    std::uint8_t m_mask = 0;

    // Candidate index of each target found so far; written only by the reading thread, into
    // room reserved up front, and read below m_found.
    std::vector<std::size_t> m_targets;
    std::atomic<std::size_t> m_found{0};
    std::atomic<bool> m_complete{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_reader;
};

}  // namespace morvanex::engine

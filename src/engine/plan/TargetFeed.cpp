#include "engine/plan/TargetFeed.h"

#include <algorithm>

#include "engine/plan/CollectTargets.h"

namespace morvanex::engine {

namespace {

// The reader wakes a waiting run after this many targets (and at the end), not after each.
constexpr std::size_t kPublishEvery = 256;
// From this many candidates on, a second thread reads every other block of statuses: each read
// waits on the kernel rather than on this process, so two at a time take about half as long.
constexpr std::size_t kParallelFrom = 4096;
constexpr std::size_t kBlock = 256;

}  // namespace

TargetFeed::TargetFeed(std::vector<std::string> paths, std::vector<platform::FileStatus> statuses)
    : m_candidates(std::move(paths)), m_statuses(std::move(statuses)) {
    if (m_statuses.size() != m_candidates.size()) m_statuses.clear();
    m_targets.resize(m_candidates.size());
    for (std::size_t i = 0; i < m_targets.size(); ++i) m_targets[i] = i;
    m_found = m_candidates.size();
    m_complete = true;
}

TargetFeed::TargetFeed(platform::FileSystem& fileSystem, std::vector<std::string> candidates,
                       int listingMode, std::uint8_t attributeMask, const StopRequest* stop)
    : m_fileSystem(&fileSystem),
      m_stop(stop),
      m_candidates(std::move(candidates)),
      m_statuses(m_candidates.size()),
      m_mode(listingMode),
      m_mask(attributeMask) {
    m_targets.resize(m_candidates.size());
    m_reader = std::thread(&TargetFeed::ReadStatuses, this);
}

TargetFeed::~TargetFeed() {
    if (m_reader.joinable()) m_reader.join();
}

void TargetFeed::ReadStatuses() {
    const std::size_t count = m_candidates.size();
    const auto stopped = [&] { return m_stop != nullptr && m_stop->Requested(); };
    // The helper's blocks are the odd ones; each is marked ready (1) when read, with whether
    // each of its candidates could be read. A stop marks the rest ready unread.
    const bool helped = count >= kParallelFrom;
    const std::size_t blocks = (count + kBlock - 1) / kBlock;
    std::vector<std::atomic<std::uint8_t>> ready(helped ? blocks : 0);
    std::vector<std::uint8_t> read(helped ? count : 0);
    std::thread helper;
    if (helped) {
        helper = std::thread([&] {
            for (std::size_t b = 1; b < blocks; b += 2) {
                for (std::size_t c = b * kBlock; c < std::min(count, (b + 1) * kBlock); ++c) {
                    if (stopped()) break;
                    read[c] = m_fileSystem->GetStatus(m_candidates[c], m_statuses[c]) == 0;
                }
                ready[b].store(1, std::memory_order_release);
                ready[b].notify_one();
            }
        });
    }
    std::size_t found = 0;
    for (std::size_t c = 0; c < count; ++c) {
        if (stopped()) break;
        const std::size_t block = c / kBlock;
        bool readable = false;
        if (helped && block % 2 == 1) {
            if (c % kBlock == 0) ready[block].wait(0, std::memory_order_acquire);
            readable = read[c] != 0;
        } else {
            readable = m_fileSystem->GetStatus(m_candidates[c], m_statuses[c]) == 0;
        }
        // A candidate that vanished since it was listed is no target, as if never listed.
        if (!readable) continue;
        if (Admits(m_mode, m_statuses[c].attributes, m_mask) != 1) continue;
        m_targets[found++] = c;
        if (found % kPublishEvery == 0) {
            std::lock_guard lock(m_mutex);
            m_found.store(found, std::memory_order_release);
            m_changed.notify_all();
        }
    }
    if (helper.joinable()) helper.join();
    std::lock_guard lock(m_mutex);
    m_found.store(found, std::memory_order_release);
    m_complete.store(true, std::memory_order_release);
    m_changed.notify_all();
}

bool TargetFeed::WaitFor(std::size_t i) {
    if (i < m_found.load(std::memory_order_acquire)) return true;
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] {
        return i < m_found.load(std::memory_order_acquire) ||
               m_complete.load(std::memory_order_acquire);
    });
    return i < m_found.load(std::memory_order_acquire);
}

bool TargetFeed::Get(std::size_t i, const std::string*& path, const platform::FileStatus*& status) {
    if (!WaitFor(i)) return false;
    const std::size_t c = m_targets[i];
    path = &m_candidates[c];
    status = m_statuses.empty() ? nullptr : &m_statuses[c];
    return true;
}

std::size_t TargetFeed::Count() {
    if (m_reader.joinable()) m_reader.join();
    return m_found.load(std::memory_order_acquire);
}

void TargetFeed::DropStatuses() {
    Count();
    std::vector<platform::FileStatus>().swap(m_statuses);
}

std::vector<std::string> TargetFeed::TakePaths() {
    const std::size_t count = Count();
    std::vector<std::string> paths;
    paths.reserve(count);
    for (std::size_t i = 0; i < count; ++i) paths.push_back(std::move(m_candidates[m_targets[i]]));
    return paths;
}

}  // namespace morvanex::engine

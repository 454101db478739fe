#include "engine/plan/TargetFeed.h"

#include <cerrno>

#include "engine/plan/CollectTargets.h"
#include "platform/StatusReads.h"

namespace morvanex::engine {

namespace {

// The reader wakes a waiting run after this many targets (and at the end), not after each.
constexpr std::size_t kPublishEvery = 256;

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

TargetFeed::TargetFeed(platform::FileSystem& fileSystem, std::vector<std::string> paths,
                       const StopRequest* stop)
    : m_fileSystem(&fileSystem),
      m_stop(stop),
      m_candidates(std::move(paths)),
      m_statuses(m_candidates.size()),
      m_keepsAll(true),
      m_unread(m_candidates.size(), 0) {
    m_targets.resize(m_candidates.size());
    m_reader = std::thread(&TargetFeed::ReadStatuses, this);
}

TargetFeed::~TargetFeed() {
    if (m_reader.joinable()) m_reader.join();
}

void TargetFeed::ReadStatuses() {
    platform::StatusReads reads(
        m_candidates.size(),
        [this](std::size_t c) { return m_fileSystem->GetStatus(m_candidates[c], m_statuses[c]); },
        [this] { return m_stop != nullptr && m_stop->Requested(); });
    std::size_t found = 0;
    for (std::size_t c = 0; c < m_candidates.size(); ++c) {
        const int error = reads.Next(c);
        if (error == ECANCELED) break;
        if (m_keepsAll) {
            m_unread[c] = error != 0;
        } else {
            // A candidate that vanished since it was listed is no target, as if never listed.
            if (error != 0) continue;
            if (Admits(m_mode, m_statuses[c].attributes, m_mask) != 1) continue;
        }
        m_targets[found++] = c;
        if (found % kPublishEvery == 0) {
            std::lock_guard lock(m_mutex);
            m_found.store(found, std::memory_order_release);
            m_changed.notify_all();
        }
    }
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
    status =
        m_statuses.empty() || (!m_unread.empty() && m_unread[c] != 0) ? nullptr : &m_statuses[c];
    return true;
}

std::size_t TargetFeed::Count() {
    if (m_reader.joinable()) m_reader.join();
    return m_found.load(std::memory_order_acquire);
}

void TargetFeed::DropStatuses() {
    Count();
    std::vector<platform::FileStatus>().swap(m_statuses);
    std::vector<std::uint8_t>().swap(m_unread);
}

std::vector<std::string> TargetFeed::TakePaths() {
    const std::size_t count = Count();
    std::vector<std::string> paths;
    paths.reserve(count);
    for (std::size_t i = 0; i < count; ++i) paths.push_back(std::move(m_candidates[m_targets[i]]));
    return paths;
}

}  // namespace morvanex::engine

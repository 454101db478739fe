#include "platform/StatusReads.h"

#include <algorithm>
#include <cerrno>

namespace morvanex::platform {

namespace {

constexpr std::size_t kParallelFrom = 4096;
constexpr std::size_t kBlock = 256;

}  // namespace

StatusReads::StatusReads(std::size_t count, std::function<int(std::size_t)> read,
                         std::function<bool()> stopped)
    : m_read(std::move(read)), m_stopped(std::move(stopped)) {
    if (count < kParallelFrom) return;
    const std::size_t blocks = (count + kBlock - 1) / kBlock;
    m_ready = std::make_unique<std::atomic<std::uint8_t>[]>(blocks);
    m_errors.assign(count, 0);
    m_helper = std::thread([this, count, blocks] {
        for (std::size_t b = 1; b < blocks; b += 2) {
            for (std::size_t i = b * kBlock; i < std::min(count, (b + 1) * kBlock); ++i) {
                const int error = Stopped() ? ECANCELED : m_read(i);
                m_errors[i] = static_cast<std::uint8_t>(std::min(error, 255));
            }
            m_ready[b].store(1, std::memory_order_release);
            m_ready[b].notify_one();
        }
    });
}

StatusReads::~StatusReads() {
    m_abandoned.store(true, std::memory_order_relaxed);
    if (m_helper.joinable()) m_helper.join();
}

bool StatusReads::Stopped() const {
    return m_abandoned.load(std::memory_order_relaxed) || (m_stopped && m_stopped());
}

int StatusReads::Next(std::size_t i) {
    const std::size_t block = i / kBlock;
    if (m_ready && block % 2 == 1) {
        m_ready[block].wait(0, std::memory_order_acquire);
        return m_errors[i];
    }
    if (m_stopped && m_stopped()) return ECANCELED;
    return m_read(i);
}

}  // namespace morvanex::platform

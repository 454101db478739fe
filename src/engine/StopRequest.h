#pragma once

#include <atomic>

namespace morvanex::engine {

// A user's request to stop a run, a preview or an undo, made from any thread (the window's
// stop button, the terminal's Ctrl-C). The work looks at it only between two whole steps of its
// plan, so what it has done is complete and recorded when it stops.
class StopRequest {
  public:
    void Request() noexcept { m_requested.store(true, std::memory_order_relaxed); }
    void Clear() noexcept { m_requested.store(false, std::memory_order_relaxed); }
    bool Requested() const noexcept { return m_requested.load(std::memory_order_relaxed); }

  private:
    std::atomic<bool> m_requested{false};
};

}  // namespace morvanex::engine

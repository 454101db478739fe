#include "cli/Interrupt.h"

#include <signal.h>

#include <atomic>

namespace morvanex::cli {
namespace {

// What the handler may touch: lock-free atomics only.
static_assert(std::atomic<engine::StopRequest*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

std::atomic<engine::StopRequest*> g_request{nullptr};
std::atomic<int> g_signal{0};
struct sigaction g_previous[2];
constexpr int kSignals[2] = {SIGINT, SIGTERM};

void OnSignal(int signal) {
    engine::StopRequest* request = g_request.load();
    if (request == nullptr || request->Requested()) {
        // The second: the default action, now.
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    g_signal.store(signal);
    request->Request();
}

}  // namespace

InterruptStop::InterruptStop() {
    g_signal.store(0);
    g_request.store(&m_request);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // A read or write the signal met goes on: the work looks at the request itself.
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 2; ++i) sigaction(kSignals[i], &action, &g_previous[i]);
}

InterruptStop::~InterruptStop() {
    for (int i = 0; i < 2; ++i) sigaction(kSignals[i], &g_previous[i], nullptr);
    g_request.store(nullptr);
}

int InterruptStop::ExitStatus() const {
    const int signal = g_signal.load();
    return 128 + (signal != 0 ? signal : SIGINT);
}

}  // namespace morvanex::cli

#include "cli/Interrupt.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/InChild.h"

namespace morvanex::cli {
namespace {

void (*HandlerOf(int signal))(int) {
    struct sigaction now = {};
    sigaction(signal, nullptr, &now);
    return now.sa_handler;
}

// Each signal in a child of its own: the first asks for the stop and the program goes on, the
// handler the process had comes back afterwards, and a second one ends the program as the
// signal does by default.
TEST(InterruptStop, FirstSignalStopsSecondEndsAndTheHandlersComeBack) {
    const struct {
        int signal;
        int status;
    } rows[] = {{SIGINT, 130}, {SIGTERM, 143}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.signal);
        const std::vector<int> report = test::InChild([&] {
            ::signal(row.signal, SIG_IGN);  // what the process had before
            std::vector<int> seen;
            {
                const InterruptStop interrupt;
                seen.push_back(interrupt.Request().Requested());
                ::raise(row.signal);
                seen.push_back(interrupt.Request().Requested());
                seen.push_back(interrupt.ExitStatus());
            }
            seen.push_back(HandlerOf(row.signal) == SIG_IGN);
            return seen;
        });
        EXPECT_EQ(report, (std::vector<int>{0, 1, row.status, 1}));

        const pid_t child = fork();
        if (child == 0) {
            const InterruptStop interrupt;
            ::raise(row.signal);
            ::raise(row.signal);
            _exit(0);  // not reached: the second signal ends the child
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == row.signal) << status;
    }
}

}  // namespace
}  // namespace morvanex::cli

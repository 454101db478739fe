#include "support/ChildProcess.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace morvanex::test {

std::vector<int> InChild(const std::function<std::vector<int>()>& body) {
    int channel[2];
    if (pipe(channel) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const std::vector<int> report = body();
        const auto size = static_cast<ssize_t>(report.size() * sizeof(int));
        _exit(write(channel[1], report.data(), report.size() * sizeof(int)) == size ? 0 : 1);
    }
    close(channel[1]);
    std::vector<int> report;
    for (int value = 0; read(channel[0], &value, sizeof value) == sizeof value;) {
        report.push_back(value);
    }
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return report;
}

}  // namespace morvanex::test

#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <vector>

namespace morvanex::test {

// Runs `body` in a child process, so that what it changes for the whole process (a resource
// limit, a system-call filter, the user, a mount namespace and its mounts) cannot reach other
// tests and ends with the child however it ends; returns what it reported.
inline std::vector<int> InChild(const std::function<std::vector<int>()>& body) {
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

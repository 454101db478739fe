#pragma once

#include <functional>
#include <vector>

namespace morvanex::test {

// Runs `body` in a child process, so that what it changes for the whole process (a resource
// limit, a system-call filter, the user, a mount namespace) cannot reach other tests; returns
// what it reported, and fails the test when the child did not end normally.
std::vector<int> InChild(const std::function<std::vector<int>()>& body);

}  // namespace morvanex::test

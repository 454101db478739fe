#pragma once

#include <string>

namespace morvanex::platform {

// Creates a file that did not exist (host path), open for appending, never through a symbolic
// link: 0 with the descriptor, EEXIST when anything has the name (a link too, dangling or not),
// EPERM when the folder lets other users remove or replace what it holds (writable by a group
// other than the user's own private group, or by everyone, and not sticky), else the system's
// error. The folder is checked by the same handle the file is created through, so the check
// holds for the folder the file lands in, whatever is renamed meanwhile.
int CreateExclusively(const std::string& hostPath, int& fd);

}  // namespace morvanex::platform

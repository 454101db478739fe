#include "platform/ExclusiveFile.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace morvanex::platform {

namespace {

// A group named after the user that is the user's own login group and lists no one (user
// private groups, where the umask lets the group write): no other user is in it.
bool IsUsersPrivateGroup(gid_t group) {
    std::vector<char> buffer(16384);
    passwd user{};
    passwd* userFound = nullptr;
    if (getpwuid_r(geteuid(), &user, buffer.data(), buffer.size() / 2, &userFound) != 0 ||
        userFound == nullptr || user.pw_gid != group) {
        return false;
    }
    ::group entry{};
    ::group* groupFound = nullptr;
    if (getgrgid_r(group, &entry, buffer.data() + buffer.size() / 2, buffer.size() / 2,
                   &groupFound) != 0 ||
        groupFound == nullptr) {
        return false;
    }
    const bool noOtherMember =
        entry.gr_mem == nullptr || entry.gr_mem[0] == nullptr ||
        (std::strcmp(entry.gr_mem[0], user.pw_name) == 0 && entry.gr_mem[1] == nullptr);
    return std::strcmp(entry.gr_name, user.pw_name) == 0 && noOtherMember;
}

// Where other users may delete or rename entries, they could replace a file once written (a log
// of commands, say) or take its name first; the sticky bit (as on /tmp) forbids the former, and
// the exclusive creation below the latter.
bool OthersMayReplaceEntries(const struct stat& folder) {
    if ((folder.st_mode & S_ISVTX) != 0) return false;
    if ((folder.st_mode & S_IWOTH) != 0) return true;
    return (folder.st_mode & S_IWGRP) != 0 && !IsUsersPrivateGroup(folder.st_gid);
}

}  // namespace

int CreateExclusively(const std::string& hostPath, int& fd) {
    fd = -1;
    const std::size_t slash = hostPath.rfind('/');
    const std::string folderPath = slash == std::string::npos ? std::string(".")
                                   : slash == 0               ? std::string("/")
                                                              : hostPath.substr(0, slash);
    const std::string name = slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return EINVAL;
    // The folder the user chose may itself be reached through a link; the file never is.
    const int folder = open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return errno;
    struct stat status {};
    int error = fstat(folder, &status) == 0 ? 0 : errno;
    if (error == 0 && OthersMayReplaceEntries(status)) error = EPERM;
    if (error == 0) {
        fd = openat(folder, name.c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_APPEND | O_CLOEXEC, 0666);
        if (fd < 0) error = errno;
    }
    close(folder);
    return error;
}

}  // namespace morvanex::platform

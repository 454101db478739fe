#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

// What a camera card's FUSE driver (fusefat, exfat-fuse) refuses, played on any folder by a
// seccomp filter on the calling process, and a process stopped inside one chosen rename: the
// moments between two system calls of a move made certain, not left to chance.
namespace morvanex::test {

enum class CardRefuses {
    NoReplace,          // renameat2 fails with EINVAL, as where RENAME_NOREPLACE is unknown
    NoReplaceNorLinks,  // and link(2) with EPERM too, as on FAT and exFAT
};

// Filters the calling process (and what it starts) for good: call it in a child process only.
// False where no seccomp filter can be set.
bool RefuseLikeACard(CardRefuses what);

// A child process that refuses like a card (NoReplaceNorLinks) and whose rename(2) onto a name
// that contains `name` waits for this object; every other rename goes on at once.
class HeldRename {
  public:
    HeldRename(std::string name, std::function<int()> body);
    ~HeldRename();
    HeldRename(const HeldRename&) = delete;
    HeldRename& operator=(const HeldRename&) = delete;

    // False where the machine has no seccomp filter with a listener: the caller skips.
    bool Supported() const { return m_listener >= 0; }
    // Waits until the child waits in that rename: true, or false when it ended first.
    bool Held();
    // Lets the rename go on (or fail with `error`), then waits for the child: what `body`
    // returned, or -1 when it did not end normally.
    int Release(int error = 0);
    // Kills the child where it waits.
    void Kill();

  private:
    bool Next(std::uint64_t& id, std::string& to);

    std::string m_name;
    pid_t m_child = -1;
    int m_listener = -1;
    int m_result = -1;  // the read end of the child's answer
    std::uint64_t m_held = 0;
    bool m_holding = false;
};

}  // namespace morvanex::test

// The physical limit of a rename job: reads the planned moves, one "OLD<TAB>NEW" per line
// (further columns ignored; both paths escaped as the tsv preview writes them), and calls
// rename(2) for each, nothing else.
//   raw_rename PLAN [--reverse] [--checked]
// --checked adds the system calls a safe run cannot do without, and nothing else: before the
// first move each source's status and stored flags are read (on two threads, as the run reads
// them), and each move reads the status of its source again and compares the identity before
// renaming it (relative to its open folder, without replacing); a source made by an earlier move
// (a swap's temporary name) has no listing to compare with. With --reverse (the undo) there
// is no listing: each move's status read is compared with the journal's record. What a run
// costs beyond this is its own work: the plan, the journal, the process.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/TextEscape.h"

namespace {

struct Move {
    std::string from;
    std::string to;
    int folder = -1;           // the open folder of both (--checked)
    std::size_t fromName = 0;  // where the names start in the paths
    std::size_t toName = 0;
    struct statx listed {};
};

// The stored flags, as the listing reads them: getxattrat(2) where the kernel has it.
void ReadFlags(const Move& move) {
    unsigned char value = 0;
    struct {
        std::uint64_t value;
        std::uint32_t size;
        std::uint32_t flags;
    } args{reinterpret_cast<std::uintptr_t>(&value), 1, 0};
    if (syscall(464, move.folder, move.from.c_str() + move.fromName, AT_SYMLINK_NOFOLLOW,
                "user.morvanex.attributes", &args, sizeof args) < 0 &&
        errno == ENOSYS) {
        lgetxattr(move.from.c_str(), "user.morvanex.attributes", &value, 1);
    }
}

constexpr unsigned kMask = STATX_BASIC_STATS | STATX_BTIME;

int Checked(std::vector<Move>& moves, bool reverse) {
    std::map<std::string, int> folders;
    for (Move& move : moves) {
        move.fromName = move.from.rfind('/') + 1;
        move.toName = move.to.rfind('/') + 1;
        const std::string folder = move.from.substr(0, move.fromName);
        auto [it, added] = folders.emplace(folder, -1);
        if (added) it->second = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        move.folder = it->second;
    }
    auto list = [&](std::size_t begin, std::size_t step) {
        for (std::size_t i = begin; i < moves.size(); i += step) {
            Move& move = moves[i];
            statx(move.folder, move.from.c_str() + move.fromName, AT_SYMLINK_NOFOLLOW, kMask,
                  &move.listed);
            ReadFlags(move);
        }
    };
    if (!reverse) {
        std::thread helper(list, 1, 2);
        list(0, 2);
        helper.join();
    }
    int failures = 0;
    auto move = [&](const Move& m, bool back) {
        const char* from = (back ? m.to.c_str() + m.toName : m.from.c_str() + m.fromName);
        const char* to = (back ? m.from.c_str() + m.fromName : m.to.c_str() + m.toName);
        struct statx found {};
        if (statx(m.folder, from, AT_SYMLINK_NOFOLLOW, kMask, &found) != 0 ||
            (!back && m.listed.stx_ino != 0 &&
             (found.stx_ino != m.listed.stx_ino ||
              found.stx_btime.tv_nsec != m.listed.stx_btime.tv_nsec))) {
            ++failures;
            return;
        }
        failures += renameat2(m.folder, from, m.folder, to, RENAME_NOREPLACE) != 0;
    };
    if (reverse) {
        for (auto it = moves.rbegin(); it != moves.rend(); ++it) move(*it, true);
    } else {
        for (const Move& m : moves) move(m, false);
    }
    return failures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    bool reverse = false;
    bool checked = false;
    for (int i = 2; i < argc; ++i) {
        reverse |= std::strcmp(argv[i], "--reverse") == 0;
        checked |= std::strcmp(argv[i], "--checked") == 0;
    }
    std::FILE* plan = std::fopen(argv[1], "r");
    if (plan == nullptr) return 1;
    std::vector<Move> moves;
    char* line = nullptr;
    std::size_t size = 0;
    ssize_t length;
    while ((length = getline(&line, &size, plan)) > 0) {
        std::string text(line, static_cast<std::size_t>(length));
        if (!text.empty() && text.back() == '\n') text.pop_back();
        const std::size_t tab = text.find('\t');
        if (tab == std::string::npos) continue;
        const std::size_t end = text.find('\t', tab + 1);
        Move move;
        if (!morvanex::platform::Unescape(std::string_view(text).substr(0, tab), move.from) ||
            !morvanex::platform::Unescape(
                std::string_view(text).substr(
                    tab + 1, end == std::string::npos ? std::string::npos : end - tab - 1),
                move.to)) {
            std::fprintf(stderr, "raw_rename: a path that is not escaped as tsv: %s\n",
                         text.c_str());
            return 2;
        }
        moves.push_back(std::move(move));
    }
    std::free(line);
    std::fclose(plan);
    int failures = 0;
    if (checked) {
        failures = Checked(moves, reverse);
    } else if (reverse) {
        for (auto it = moves.rbegin(); it != moves.rend(); ++it)
            failures += std::rename(it->to.c_str(), it->from.c_str()) != 0;
    } else {
        for (const Move& m : moves) failures += std::rename(m.from.c_str(), m.to.c_str()) != 0;
    }
    return failures == 0 ? 0 : 1;
}

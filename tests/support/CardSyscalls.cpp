#include "support/CardSyscalls.h"

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <vector>

namespace morvanex::test {

namespace {

#if defined(__x86_64__)
constexpr std::uint32_t kArchitecture = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr std::uint32_t kArchitecture = AUDIT_ARCH_AARCH64;
#else
constexpr std::uint32_t kArchitecture = 0;
#endif

// One system call answered with `action`: the test skips the answer unless the number matches.
void Answer(std::vector<sock_filter>& program, long number, std::uint32_t action) {
    program.push_back(
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<std::uint32_t>(number), 0, 1));
    program.push_back(BPF_STMT(BPF_RET | BPF_K, action));
}

// -1 where no filter can be set; else the listener's descriptor (with `listen`) or 0.
int InstallFilter(CardRefuses what, bool listen) {
    if (kArchitecture == 0) return -1;
    std::vector<sock_filter> program = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArchitecture, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
    };
    Answer(program, __NR_renameat2, SECCOMP_RET_ERRNO | EINVAL);
    if (what == CardRefuses::NoReplaceNorLinks) {
#ifdef __NR_link
        Answer(program, __NR_link, SECCOMP_RET_ERRNO | EPERM);
#endif
        Answer(program, __NR_linkat, SECCOMP_RET_ERRNO | EPERM);
    }
    if (listen) {
#ifdef __NR_rename
        Answer(program, __NR_rename, SECCOMP_RET_USER_NOTIF);
#endif
        Answer(program, __NR_renameat, SECCOMP_RET_USER_NOTIF);
    }
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    const sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return -1;
    const long result = syscall(__NR_seccomp, SECCOMP_SET_MODE_FILTER,
                                listen ? SECCOMP_FILTER_FLAG_NEW_LISTENER : 0, &filter);
    return result < 0 ? -1 : static_cast<int>(result);
}

// The text at `address` in another process, read a page at a time (a read that runs into an
// unmapped page fails as a whole).
std::string ReadText(pid_t pid, std::uint64_t address) {
    std::string text;
    const auto page = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    while (text.size() < 8192) {
        char chunk[4096];
        const std::size_t size = std::min<std::uint64_t>(sizeof chunk, page - address % page);
        iovec local{chunk, size};
        iovec remote{reinterpret_cast<void*>(address), size};
        const ssize_t got = process_vm_readv(pid, &local, 1, &remote, 1, 0);
        if (got <= 0) break;
        const auto* end =
            static_cast<const char*>(std::memchr(chunk, '\0', static_cast<std::size_t>(got)));
        text.append(chunk, end != nullptr ? static_cast<std::size_t>(end - chunk)
                                          : static_cast<std::size_t>(got));
        if (end != nullptr) break;
        address += static_cast<std::uint64_t>(got);
    }
    return text;
}

void Respond(int listener, std::uint64_t id, int error) {
    seccomp_notif_resp response{};
    response.id = id;
    response.error = -error;
    response.flags = error == 0 ? SECCOMP_USER_NOTIF_FLAG_CONTINUE : 0;
    ioctl(listener, SECCOMP_IOCTL_NOTIF_SEND, &response);
}

}  // namespace

bool RefuseLikeACard(CardRefuses what) {
    return InstallFilter(what, false) >= 0;
}

HeldRename::HeldRename(std::string name, std::function<int()> body) : m_name(std::move(name)) {
    int channel[2];
    int result[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, channel) != 0) return;
    if (pipe2(result, O_CLOEXEC) != 0) return;
    m_child = fork();
    if (m_child == 0) {
        close(channel[0]);
        close(result[0]);
        const int listener = InstallFilter(CardRefuses::NoReplaceNorLinks, true);
        // The listener goes to the parent before the first rename, which would wait for it.
        char marker = listener >= 0 ? 1 : 0;
        iovec part{&marker, 1};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        msghdr message{};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        if (listener >= 0) {
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            cmsghdr* header = CMSG_FIRSTHDR(&message);
            header->cmsg_level = SOL_SOCKET;
            header->cmsg_type = SCM_RIGHTS;
            header->cmsg_len = CMSG_LEN(sizeof(int));
            std::memcpy(CMSG_DATA(header), &listener, sizeof(int));
        }
        if (sendmsg(channel[1], &message, 0) != 1 || listener < 0) _exit(1);
        close(listener);
        close(channel[1]);
        const int answer = body();
        _exit(write(result[1], &answer, sizeof answer) == sizeof answer ? 0 : 1);
    }
    close(channel[1]);
    close(result[1]);
    m_result = result[0];
    char marker = 0;
    iovec part{&marker, 1};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    if (m_child > 0 && recvmsg(channel[0], &message, 0) == 1 && marker == 1) {
        if (const cmsghdr* header = CMSG_FIRSTHDR(&message);
            header != nullptr && header->cmsg_type == SCM_RIGHTS) {
            std::memcpy(&m_listener, CMSG_DATA(header), sizeof(int));
        }
    }
    close(channel[0]);
    if (m_listener < 0) Kill();
}

HeldRename::~HeldRename() {
    Kill();
    if (m_result >= 0) close(m_result);
}

// The next rename the child waits in; false once the child has ended.
bool HeldRename::Next(std::uint64_t& id, std::string& to) {
    seccomp_notif_sizes sizes{};
    syscall(__NR_seccomp, SECCOMP_GET_NOTIF_SIZES, 0, &sizes);
    std::vector<unsigned char> buffer(
        std::max<std::size_t>(sizes.seccomp_notif, sizeof(seccomp_notif)));
    auto* request = reinterpret_cast<seccomp_notif*>(buffer.data());
    for (;;) {
        pollfd waiting{m_listener, POLLIN, 0};
        if (poll(&waiting, 1, -1) < 0 && errno == EINTR) continue;
        if ((waiting.revents & POLLIN) == 0) return false;
        std::fill(buffer.begin(), buffer.end(), 0);
        if (ioctl(m_listener, SECCOMP_IOCTL_NOTIF_RECV, request) != 0) continue;
#ifdef __NR_rename
        const bool plain = request->data.nr == __NR_rename;
#else
        const bool plain = false;
#endif
        id = request->id;
        to = ReadText(request->pid, request->data.args[plain ? 1 : 3]);
        return true;
    }
}

bool HeldRename::Held() {
    std::string to;
    while (m_listener >= 0 && Next(m_held, to)) {
        if (to.find(m_name) != std::string::npos) return m_holding = true;
        Respond(m_listener, m_held, 0);
    }
    return false;
}

int HeldRename::Release(int error) {
    if (!m_holding) return -1;
    Respond(m_listener, m_held, error);
    m_holding = false;
    // Later renames go on by themselves until the child ends.
    std::uint64_t id = 0;
    std::string to;
    while (Next(id, to)) Respond(m_listener, id, 0);
    int answer = -1;
    if (read(m_result, &answer, sizeof answer) != sizeof answer) answer = -1;
    int status = 0;
    waitpid(m_child, &status, 0);
    m_child = -1;
    Kill();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? answer : -1;
}

void HeldRename::Kill() {
    if (m_child > 0) {
        kill(m_child, SIGKILL);
        waitpid(m_child, nullptr, 0);
        m_child = -1;
    }
    if (m_listener >= 0) close(m_listener);
    m_listener = -1;
    m_holding = false;
}

}  // namespace morvanex::test

#include "platform/MappedFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "platform/Codepage.h"

namespace morvanex::platform {

namespace detail {

thread_local sigjmp_buf* t_storeGuard = nullptr;

namespace {

struct sigaction g_previous {};

void OnBusError(int, siginfo_t*, void*) {
    if (t_storeGuard != nullptr) siglongjmp(*t_storeGuard, 1);
    // Not a guarded store: whatever handled the signal before handles it now. A fault comes
    // back when the instruction is retried, so returning hands it over.
    sigaction(SIGBUS, &g_previous, nullptr);
}

}  // namespace

void InstallStoreFaultHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &g_previous);
    });
}

}  // namespace detail

MappedFile::~MappedFile() {
    Close();
}

int MappedFile::CreateLocked(std::string_view path, int folder) {
    Close();
    m_fd =
        ::openat(folder, Utf8FromCp932(path).c_str(), O_RDWR | O_CLOEXEC | O_CREAT | O_EXCL, 0600);
    if (m_fd < 0) return errno;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        Close();
        return error;
    }
    return 0;
}

int MappedFile::Open(std::string_view path, bool create) {
    Close();
    const int flags = O_RDWR | O_CLOEXEC | (create ? O_CREAT | O_TRUNC : 0);
    m_fd = ::open(Utf8FromCp932(path).c_str(), flags, 0600);
    if (m_fd < 0) return errno;
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) {
        const int error = errno;
        Close();
        return error;
    }
    if (st.st_size > 0) {
        void* data = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ | PROT_WRITE,
                            MAP_SHARED, m_fd, 0);
        if (data == MAP_FAILED) {
            const int error = errno;
            Close();
            return error;
        }
        m_data = static_cast<unsigned char*>(data);
        m_size = static_cast<std::size_t>(st.st_size);
    }
    return 0;
}

void MappedFile::Close() {
    if (m_data != nullptr) ::munmap(m_data, m_size);
    if (m_fd >= 0) ::close(m_fd);
    m_data = nullptr;
    m_size = 0;
    m_fd = -1;
}

int MappedFile::Reserve(std::size_t bytes) {
    if (m_fd < 0) return EBADF;
    if (bytes <= m_size) return 0;
    // Grow in large steps: few system calls over a run of any length.
    std::size_t size = m_size == 0 ? std::size_t{1} << 20 : m_size;
    while (size < bytes) size *= 2;
    // posix_fallocate reserves the blocks, so a full disk shows here and not as a fault later
    // when a page of the mapping is first written.
    if (const int error = ::posix_fallocate(m_fd, 0, static_cast<off_t>(size))) return error;
    void* data = m_data == nullptr
                     ? ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0)
                     : ::mremap(m_data, m_size, size, MREMAP_MAYMOVE);
    if (data == MAP_FAILED) return errno;
    m_data = static_cast<unsigned char*>(data);
    m_size = size;
    return 0;
}

int MappedFile::Truncate(std::size_t bytes) {
    if (m_fd < 0) return EBADF;
    if (bytes >= m_size) return 0;
    if (bytes == 0) {
        ::munmap(m_data, m_size);
        m_data = nullptr;
    } else {
        void* data = ::mremap(m_data, m_size, bytes, 0);
        if (data == MAP_FAILED) return errno;
        m_data = static_cast<unsigned char*>(data);
    }
    m_size = bytes;
    return ::ftruncate(m_fd, static_cast<off_t>(bytes)) == 0 ? 0 : errno;
}

int MappedFile::SyncLater() {
    if (m_fd < 0) return EBADF;
    if (m_data != nullptr && ::msync(m_data, m_size, MS_ASYNC) != 0) return errno;
    return 0;
}

int MappedFile::Sync() {
    if (m_fd < 0) return EBADF;
    if (m_data != nullptr && ::msync(m_data, m_size, MS_SYNC) != 0) return errno;
    return ::fsync(m_fd) == 0 ? 0 : errno;
}

}  // namespace morvanex::platform

#include "platform/MappedFile.h"

#include <signal.h>

#include <cerrno>
#include <mutex>

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

int MappedFile::CreateLocked(FolderHandle& folder, std::string_view name) {
    Close();
    int error = 0;
    m_file = folder.Open(name, FileAccess::kCreateNew, error);
    if (m_file == nullptr) return error;
    // A file made a moment ago that cannot be locked is no one's: it goes again.
    if ((error = m_file->Lock(true, false)) != 0) {
        Close();
        folder.Remove(name);
    }
    return error;
}

void MappedFile::Close() {
    // The handle ends the mapping and closes the file.
    m_file.reset();
    m_data = nullptr;
    m_size = 0;
}

int MappedFile::Reserve(std::size_t bytes) {
    if (m_file == nullptr) return EBADF;
    if (bytes <= m_size) return 0;
    if (m_size > 0) {
        std::size_t now = 0;
        if (const int error = FileSize(now)) return error;
        if (now < m_size) return EIO;
    }
    // Grow in large steps: few system calls over a run of any length.
    std::size_t size = m_size == 0 ? std::size_t{1} << 20 : m_size;
    while (size < bytes) size *= 2;
    if (const int error = m_file->Allocate(size)) return error;
    if (const int error = m_file->Map(size, m_data)) return error;
    m_size = size;
    return 0;
}

int MappedFile::Truncate(std::size_t bytes) {
    if (m_file == nullptr) return EBADF;
    if (bytes >= m_size) return 0;
    if (const int error = m_file->Map(bytes, m_data)) return error;
    m_size = bytes;
    return m_file->Truncate(bytes);
}

int MappedFile::FileSize(std::size_t& bytes) const {
    if (m_file == nullptr) return EBADF;
    HandleStatus status;
    if (const int error = m_file->Status(status)) return error;
    bytes = static_cast<std::size_t>(status.size);
    return 0;
}

int MappedFile::SyncLater() {
    if (m_file == nullptr) return EBADF;
    return m_file->SyncLater();
}

}  // namespace morvanex::platform

#pragma once

#include <fcntl.h>

#include <csetjmp>
#include <cstddef>
#include <string_view>

namespace morvanex::platform {

// A file mapped into memory and shared with the page cache: what is stored into it belongs to
// the file at once, without a system call, and survives the process being killed. Sync pushes
// it to the disk. Used for the undo journal, which is written for every target of a run.
class MappedFile {
  public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Opens (create: creating or emptying) a file; 0 or the system error code.
    int Open(std::string_view path, bool create);
    // Creates a new file (EEXIST when the name is taken), private to the user, and holds an
    // exclusive lock on it (flock) until it is closed; 0 or the system error code. A relative
    // path is taken from the open folder `folder` (AT_FDCWD: the current one).
    int CreateLocked(std::string_view path, int folder = AT_FDCWD);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    // Makes the file (and the mapping) at least `bytes` long; new bytes read as zero.
    int Reserve(std::size_t bytes);
    // Cuts the file to `bytes` (at most its current size).
    int Truncate(std::size_t bytes);
    // Pushes the mapping to the disk and waits for it.
    int Sync();
    // Starts pushing the mapping to the disk and returns at once.
    int SyncLater();

    unsigned char* Data() { return m_data; }

    // Runs `store`, which writes into the mapping. False when the file was cut short under the
    // mapping by someone else meanwhile: the write faulted (SIGBUS) and was abandoned, and the
    // process goes on instead of being killed.
    template <typename Store>
    static bool Guarded(Store&& store);
    std::size_t Size() const { return m_size; }

  private:
    int m_fd = -1;
    unsigned char* m_data = nullptr;
    std::size_t m_size = 0;
};

namespace detail {
// The jump out of a faulting store of the thread, null outside Guarded.
extern thread_local sigjmp_buf* t_storeGuard;
void InstallStoreFaultHandler();
}  // namespace detail

template <typename Store>
bool MappedFile::Guarded(Store&& store) {
    detail::InstallStoreFaultHandler();
    sigjmp_buf jump;
    // The handler runs with SIGBUS unblocked (SA_NODEFER), so the mask need not be saved: no
    // system call per store.
    if (sigsetjmp(jump, 0) != 0) {
        detail::t_storeGuard = nullptr;
        return false;
    }
    detail::t_storeGuard = &jump;
    store();
    detail::t_storeGuard = nullptr;
    return true;
}

}  // namespace morvanex::platform

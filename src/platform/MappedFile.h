#pragma once

#include <csetjmp>
#include <cstddef>
#include <memory>
#include <string_view>

#include "platform/FileSystem.h"

namespace morvanex::platform {

// A file mapped into memory and shared with the page cache: what is stored into it belongs to
// the file at once, without a system call, and survives the process being killed. Used for the
// undo journal, which is written for every target of a run. Every call on the file goes
// through the FileHandle of the file system that opened it.
class MappedFile {
  public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Creates a new file `name` in `folder` (EEXIST when the name is taken), private to the
    // user, and holds an exclusive lock on it (flock) until it is closed; 0 or the system error.
    int CreateLocked(FolderHandle& folder, std::string_view name);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }

    // Makes the file (and the mapping) at least `bytes` long; new bytes read as zero. EIO when
    // the file was cut shorter than the mapping meanwhile: growing it would hide the cut.
    int Reserve(std::size_t bytes);
    // Cuts the file to `bytes` (at most its current size).
    int Truncate(std::size_t bytes);
    // The file's size as the system holds it now (someone else may have cut it).
    int FileSize(std::size_t& bytes) const;
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
    std::unique_ptr<FileHandle> m_file;
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

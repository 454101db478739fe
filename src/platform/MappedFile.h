#pragma once

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
    std::size_t Size() const { return m_size; }

private:
    int m_fd = -1;
    unsigned char* m_data = nullptr;
    std::size_t m_size = 0;
};

}  // namespace morvanex::platform

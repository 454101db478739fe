// The open folders and files of PosixFileSystem: one descriptor each, every call one system
// call (or a loop of them where the system may do less than asked).
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"

namespace morvanex::platform {

namespace {

// The host form of a CP932 name or path, exactly as the system call must see it.
int HostForm(std::string_view text, std::string& host) {
    Utf8FromCp932(text, host);
    if (host.empty() || host.find('\0') != std::string::npos) return EINVAL;
    if (host.size() >= PATH_MAX) return ENAMETOOLONG;
    return 0;
}

int StatusOf(int fd, HandleStatus& status) {
    struct stat found {};
    if (fstat(fd, &found) != 0) return errno;
    status.folder = S_ISDIR(found.st_mode);
    status.regular = S_ISREG(found.st_mode);
    status.size = found.st_size > 0 ? static_cast<std::uint64_t>(found.st_size) : 0;
    status.owner = found.st_uid;
    status.permissions = found.st_mode & 0777;
    return 0;
}

class PosixFileHandle final : public FileHandle {
  public:
    explicit PosixFileHandle(int fd) : m_fd(fd) {}
    ~PosixFileHandle() override {
        if (m_data != nullptr) munmap(m_data, m_mapped);
        close(m_fd);
    }
    PosixFileHandle(const PosixFileHandle&) = delete;
    PosixFileHandle& operator=(const PosixFileHandle&) = delete;

    int Lock(bool exclusive, bool wait) override {
        const int operation = (exclusive ? LOCK_EX : LOCK_SH) | (wait ? 0 : LOCK_NB);
        while (flock(m_fd, operation) != 0) {
            if (errno != EINTR) return errno;
        }
        return 0;
    }

    int Status(HandleStatus& status) override { return StatusOf(m_fd, status); }

    int ReadAt(std::uint64_t offset, std::size_t count, std::string& bytes) override {
        bytes.clear();
        // Read in large steps straight into place; a count beyond the file costs no memory.
        constexpr std::size_t kStep = std::size_t{1} << 20;
        std::size_t have = 0;
        while (have < count) {
            bytes.resize(have + std::min(count - have, kStep));
            const ssize_t got = pread(m_fd, bytes.data() + have, bytes.size() - have,
                                      static_cast<off_t>(offset + have));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                const int error = errno;
                bytes.clear();
                return error;
            }
            if (got == 0) break;
            have += static_cast<std::size_t>(got);
        }
        bytes.resize(have);
        return 0;
    }

    int WriteAt(std::uint64_t offset, std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t done =
                pwrite(m_fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
            if (done < 0 && errno == EINTR) continue;
            if (done < 0) return errno;
            if (done == 0) return EIO;
            bytes.remove_prefix(static_cast<std::size_t>(done));
            offset += static_cast<std::uint64_t>(done);
        }
        return 0;
    }

    int Sync() override { return fsync(m_fd) == 0 ? 0 : errno; }

    int Allocate(std::uint64_t size) override {
        return posix_fallocate(m_fd, 0, static_cast<off_t>(size));
    }

    int Truncate(std::uint64_t size) override {
        return ftruncate(m_fd, static_cast<off_t>(size)) == 0 ? 0 : errno;
    }

    int Map(std::size_t size, unsigned char*& data) override {
        if (size == 0) {
            if (m_data != nullptr) munmap(m_data, m_mapped);
            m_data = nullptr;
            m_mapped = 0;
        } else {
            void* mapped = m_data == nullptr
                               ? mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0)
                               : mremap(m_data, m_mapped, size, MREMAP_MAYMOVE);
            if (mapped == MAP_FAILED) return errno;
            m_data = static_cast<unsigned char*>(mapped);
            m_mapped = size;
        }
        data = m_data;
        return 0;
    }

    int SyncLater() override {
        if (m_data != nullptr && msync(m_data, m_mapped, MS_ASYNC) != 0) return errno;
        return 0;
    }

  private:
    int m_fd;
    unsigned char* m_data = nullptr;
    std::size_t m_mapped = 0;
};

class PosixFolderHandle final : public FolderHandle {
  public:
    explicit PosixFolderHandle(int fd) : m_fd(fd) {}
    ~PosixFolderHandle() override { close(m_fd); }
    PosixFolderHandle(const PosixFolderHandle&) = delete;
    PosixFolderHandle& operator=(const PosixFolderHandle&) = delete;

    int Status(HandleStatus& status) override { return StatusOf(m_fd, status); }

    int List(std::vector<std::string>& names) override {
        names.clear();
        // A descriptor of its own: closing the listing closes it, not the folder's.
        const int fd = openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return errno;
        DIR* dir = fdopendir(fd);
        if (dir == nullptr) {
            const int error = errno;
            close(fd);
            return error;
        }
        int error = 0;
        for (;;) {
            errno = 0;
            const dirent* entry = readdir(dir);
            if (entry == nullptr) {
                error = errno;
                break;
            }
            const std::string_view name = entry->d_name;
            if (name != "." && name != "..") names.push_back(Cp932FromUtf8(name));
        }
        closedir(dir);
        if (error != 0) names.clear();
        return error;
    }

    std::unique_ptr<FileHandle> Open(std::string_view name, FileAccess access,
                                     int& error) override {
        std::string host;
        if ((error = HostForm(name, host)) != 0) return nullptr;
        int flags = O_NOFOLLOW | O_CLOEXEC;
        switch (access) {
            case FileAccess::kRead:
                flags |= O_RDONLY;
                break;
            case FileAccess::kReadWrite:
                flags |= O_RDWR;
                break;
            case FileAccess::kCreate:
                flags |= O_RDWR | O_CREAT;
                break;
            case FileAccess::kCreateNew:
                flags |= O_RDWR | O_CREAT | O_EXCL;
                break;
        }
        const int fd = openat(m_fd, host.c_str(), flags, S_IRUSR | S_IWUSR);
        if (fd < 0) {
            error = errno;
            return nullptr;
        }
        return std::make_unique<PosixFileHandle>(fd);
    }

    int Remove(std::string_view name) override {
        std::string host;
        if (const int error = HostForm(name, host)) return error;
        return unlinkat(m_fd, host.c_str(), 0) == 0 ? 0 : errno;
    }

    int Link(std::string_view from, std::string_view to) override {
        std::string hostFrom;
        std::string hostTo;
        if (const int error = HostForm(from, hostFrom)) return error;
        if (const int error = HostForm(to, hostTo)) return error;
        return linkat(m_fd, hostFrom.c_str(), m_fd, hostTo.c_str(), 0) == 0 ? 0 : errno;
    }

  private:
    int m_fd;
};

}  // namespace

std::unique_ptr<FolderHandle> PosixFileSystem::OpenFolder(std::string_view path, bool createPrivate,
                                                          int& error) {
    std::string host;
    if ((error = HostForm(path, host)) != 0) return nullptr;
    if (host[0] != '/') {
        error = EINVAL;
        return nullptr;
    }
    if (createPrivate) {
        for (std::size_t slash = host.find('/', 1); slash != std::string::npos;
             slash = host.find('/', slash + 1)) {
            const std::string part = host.substr(0, slash);
            if (mkdir(part.c_str(), S_IRWXU) != 0 && errno != EEXIST) {
                error = errno;
                return nullptr;
            }
        }
        if (host.back() != '/' && mkdir(host.c_str(), S_IRWXU) != 0 && errno != EEXIST) {
            error = errno;
            return nullptr;
        }
    }
    const int fd = open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    return std::make_unique<PosixFolderHandle>(fd);
}

}  // namespace morvanex::platform

#include "platform/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>
#include <thread>

#include "platform/Codepage.h"

namespace morvanex::platform {

namespace {

// One byte holding the hidden, system and archive flags, which POSIX has no place for.
constexpr const char* kAttributeName = "user.morvanex.attributes";
constexpr std::uint8_t kStoredFlags = attr::kHidden | attr::kSystem | attr::kArchive;
constexpr std::size_t kChunk = 64 * 1024;

// Closes the descriptor it holds.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }
    // Closes now and reports the error, which some file systems (NFS) only give here.
    int Close() {
        const int result = close(m_fd);
        m_fd = -1;
        return result == 0 ? 0 : errno;
    }

  private:
    int m_fd;
};

// The host (UTF-8) form of a CP932 path. The syscall must see exactly this path: a NUL inside
// would cut it short, and the host refuses paths beyond PATH_MAX rather than shorten them.
int ToHost(std::string_view path, std::string& host) {
    Utf8FromCp932(path, host);
    if (host.find('\0') != std::string::npos) return EINVAL;
    if (host.size() >= PATH_MAX) return ENAMETOOLONG;
    return 0;
}

std::string_view LastName(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool IsDotName(std::string_view name) {
    return name.starts_with('.') && name != "." && name != "..";
}

// What the name itself is: a symbolic link is described as the link, never its target, so that
// what a run records of it (times, identity) is what it renames and undo gives back.
int StatAt(int folder, const char* path, struct statx& status) {
    constexpr unsigned kMask = STATX_BASIC_STATS | STATX_BTIME;
    return statx(folder, path, AT_SYMLINK_NOFOLLOW, kMask, &status) == 0 ? 0 : errno;
}

// Whether a link leads, through any number of links, to a folder (a dangling or looping one
// does not).
bool LeadsToFolder(int folder, const char* path) {
    struct statx target {};
    return statx(folder, path, 0, STATX_TYPE, &target) == 0 && S_ISDIR(target.stx_mode);
}

// The errors of a file system that keeps no user extended attributes or no modes (FAT, exFAT
// and others through FUSE, ramfs): what it cannot keep is lost, as on such a volume elsewhere.
bool KeepsNothing(int error) {
    return error == EOPNOTSUPP || error == ENOTSUP || error == ENOSYS;
}

// The stored flags, or -1 when none are stored or they cannot be read (no user attributes on
// this file system, no read permission): the defaults apply then.
int StoredFlags(const std::string& host) {
    unsigned char value = 0;
    if (lgetxattr(host.c_str(), kAttributeName, &value, 1) != 1) return -1;
    return value & kStoredFlags;
}

// getxattrat(2) reads the flags of a name relative to an open folder (Linux 6.13), saving the
// walk of the whole path for every entry of a listing; older kernels take the path.
constexpr long kGetXattrAt = 464;
struct XattrArgs {
    std::uint64_t value;
    std::uint32_t size;
    std::uint32_t flags;
};

int StoredFlagsAt(int folder, const char* name, const std::string& prefix) {
    static std::atomic<bool> unsupported{false};
    if (!unsupported.load(std::memory_order_relaxed)) {
        unsigned char value = 0;
        XattrArgs args{reinterpret_cast<std::uintptr_t>(&value), 1, 0};
        const long got = syscall(kGetXattrAt, folder, name, AT_SYMLINK_NOFOLLOW, kAttributeName,
                                 &args, sizeof args);
        if (got == 1) return value & kStoredFlags;
        if (got < 0 && errno != ENOSYS) return -1;
        if (got >= 0) return -1;
        unsupported.store(true, std::memory_order_relaxed);
    }
    return StoredFlags(prefix + name);
}

std::uint8_t DefaultFlags(bool folder) {
    return folder ? 0 : attr::kArchive;
}

std::uint8_t AttributesFrom(std::uint16_t mode, int stored, std::string_view name) {
    const bool folder = S_ISDIR(mode);
    auto attributes = static_cast<std::uint8_t>(stored >= 0 ? stored : DefaultFlags(folder));
    if ((mode & S_IWUSR) == 0) attributes |= attr::kReadOnly;
    if (IsDotName(name)) attributes |= attr::kHidden;
    if (folder) {
        attributes |= attr::kDirectory;
    } else if (attributes == 0) {
        attributes = attr::kNormal;
    }
    return attributes;
}

// A link keeps no mode and no user extended attributes on Linux: it has the default flags and
// is never read-only (its mode bits are all set).
std::uint8_t AttributesOf(std::uint16_t mode, const std::string& host, std::string_view name) {
    return AttributesFrom(mode, S_ISLNK(mode) ? -1 : StoredFlags(host), name);
}

void FillStatus(const struct statx& found, std::uint8_t attributes, FileStatus& status) {
    status.modification = found.stx_mtime.tv_sec;
    status.access = found.stx_atime.tv_sec;
    status.modificationNs = found.stx_mtime.tv_nsec;
    status.accessNs = found.stx_atime.tv_nsec;
    status.creation =
        (found.stx_mask & STATX_BTIME) != 0 ? found.stx_btime.tv_sec : found.stx_mtime.tv_sec;
    // A folder has no size of its own to the program.
    status.size = S_ISDIR(found.stx_mode) ? 0 : static_cast<std::int64_t>(found.stx_size);
    status.attributes = attributes;
    status.link = S_ISLNK(found.stx_mode);
    status.identity = {
        static_cast<std::uint64_t>(makedev(found.stx_dev_major, found.stx_dev_minor)),
        found.stx_ino};
    status.birth = (found.stx_mask & STATX_BTIME) != 0
                       ? found.stx_btime.tv_sec * 1000000000LL + found.stx_btime.tv_nsec
                       : 0;
}

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (written == 0) return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// A rename that never replaces an existing target (POSIX rename would).
int RenameNoReplace(const char* from, const char* to) {
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // The file system cannot refuse by itself (older network and FUSE file systems). A hard link
    // is never made over an existing name, so link the new name and drop the old one.
    struct stat status {};
    if (lstat(from, &status) != 0) return errno;
    if (!S_ISDIR(status.st_mode)) {
        if (link(from, to) == 0) {
            if (unlink(from) == 0) return 0;
            const int error = errno;
            unlink(to);
            return error;
        }
        if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) return errno;
    }
    // Folders, and file systems without hard links: all that is left is to look first.
    if (lstat(to, &status) == 0) return EEXIST;
    if (errno != ENOENT) return errno;
    return rename(from, to) == 0 ? 0 : errno;
}

// The kernel (or the file system: reflinks, server-side copies) moves the data where it can;
// where it cannot, read and write carry on from the same offsets.
int CopyContents(int in, int out) {
    for (;;) {
        const ssize_t copied = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (copied > 0) continue;
        if (copied == 0) break;
        if (errno == EINTR) continue;
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
            errno == EBADF) {
            break;
        }
        return errno;
    }
    std::string buffer(kChunk, '\0');
    for (;;) {
        const ssize_t got = read(in, buffer.data(), buffer.size());
        if (got == 0) return 0;
        if (got < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (const int error = WriteAll(out, {buffer.data(), static_cast<std::size_t>(got)})) {
            return error;
        }
    }
}

int CopyStoredFlags(int in, int out) {
    unsigned char value = 0;
    if (fgetxattr(in, kAttributeName, &value, 1) != 1) return 0;
    // A destination without user attributes loses only the flags, as on FAT.
    if (fsetxattr(out, kAttributeName, &value, 1, 0) != 0 && !KeepsNothing(errno)) return errno;
    return 0;
}

class PosixOutputFile final : public OutputFile {
  public:
    explicit PosixOutputFile(int fd) : m_fd(fd) {}
    // O_APPEND makes every write land at the end, and write(2) has handed the bytes to the
    // kernel when it returns: they survive this process being killed.
    int Append(std::string_view bytes) override { return WriteAll(m_fd.Get(), bytes); }

  private:
    FileDescriptor m_fd;
};

bool IsEnterableFolder(const std::string& host) {
    struct stat status {};
    return stat(host.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           access(host.c_str(), X_OK) == 0;
}

std::string WithSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (!path.ends_with('/')) path += '/';
    return path;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
    if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr) {
        return user->pw_dir;
    }
    return {};
}

int DigitValue(char c, int base) {
    const int value = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : base;
    return value < base ? value : -1;
}

// Replaces each escape `introducer` + `digits` digits of `base` by the byte it stands for.
std::string Unescape(std::string_view text, std::string_view introducer, int digits, int base) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t end = i + introducer.size() + static_cast<std::size_t>(digits);
        int value = 0;
        if (text.substr(i, introducer.size()) == introducer && end <= text.size()) {
            for (std::size_t d = i + introducer.size(); d < end && value >= 0; ++d) {
                const int digit = DigitValue(text[d], base);
                value = digit < 0 ? -1 : value * base + digit;
            }
            if (value >= 0 && value < 256) {
                out += static_cast<char>(value);
                i = end - 1;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// /proc/self/mounts writes blanks, tabs, newlines and backslashes as \ooo.
std::string DecodeMountField(std::string_view field) {
    return Unescape(field, "\\", 3, 8);
}

// udev names its links with \xHH for blanks, slashes and other unsafe bytes.
std::string DecodeUdevName(std::string_view name) {
    return Unescape(name, "\\x", 2, 16);
}

bool IsVolumeFolder(std::string_view folder) {
    for (std::string_view parent : {"/media/", "/mnt/", "/run/media/"}) {
        if (folder.size() > parent.size() && folder.starts_with(parent)) return true;
    }
    return false;
}

// The label udev found on the device, else the mount folder's name; host text.
std::string VolumeLabel(const std::string& device, const std::string& folder) {
    struct stat deviceStatus {};
    if (stat(device.c_str(), &deviceStatus) == 0 && S_ISBLK(deviceStatus.st_mode)) {
        const std::string labels = "/dev/disk/by-label/";
        if (DIR* dir = opendir(labels.c_str())) {
            std::string label;
            while (const dirent* entry = readdir(dir)) {
                struct stat linked {};
                if (entry->d_name[0] != '.' &&
                    stat((labels + entry->d_name).c_str(), &linked) == 0 &&
                    S_ISBLK(linked.st_mode) && linked.st_rdev == deviceStatus.st_rdev) {
                    label = DecodeUdevName(entry->d_name);
                    break;
                }
            }
            closedir(dir);
            if (!label.empty()) return label;
        }
    }
    return std::string(LastName(folder));
}

}  // namespace

int PosixFileSystem::ListFolder(std::string_view folder, bool withAttributes,
                                std::vector<DirectoryEntry>& entries) {
    entries.clear();
    std::string host;
    if (const int error = ToHost(folder, host)) return error;
    DIR* dir = opendir(host.c_str());
    if (dir == nullptr) return errno;
    const std::string prefix = host.ends_with('/') ? host : host + '/';
    // First the host names with their d_type (kept in `attributes` for now), then the statuses,
    // then the names in CP932: one entry per name all along, so a folder of many entries is
    // held once.
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* next = readdir(dir);
        if (next == nullptr) {
            error = errno;
            break;
        }
        const std::string_view name = next->d_name;
        if (name == "." || name == "..") continue;
        DirectoryEntry& entry = entries.emplace_back();
        entry.name = name;
        entry.attributes = next->d_type;
    }

    // d_type tells a folder and a link without a status read; whether a link leads to a folder
    // takes one more. The listing's own statx is all the status an entry gets (identity and
    // times included): with attributes every entry needs it, and a large folder shares that
    // work out between two threads, as each read waits on the kernel rather than on this
    // process. An entry that is gone meanwhile is marked by an empty name.
    // A link to a folder is listed as a folder, so that the folder tree browses through it;
    // its `link` tells it apart, and its status is the link's own.
    const int folderFd = dirfd(dir);
    const auto describe = [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            DirectoryEntry& entry = entries[i];
            const unsigned char type = entry.attributes;
            const char* name = entry.name.c_str();
            entry.attributes = 0;
            if (withAttributes || type == DT_UNKNOWN) {
                struct statx status {};
                if (StatAt(folderFd, name, status) != 0) {
                    entry.name.clear();
                    continue;
                }
                const bool link = S_ISLNK(status.stx_mode);
                const bool toFolder =
                    link ? LeadsToFolder(folderFd, name) : S_ISDIR(status.stx_mode);
                if (withAttributes) {
                    entry.attributes =
                        link ? AttributesFrom(toFolder ? S_IFDIR | 0777 : status.stx_mode, -1,
                                              entry.name)
                             : AttributesFrom(status.stx_mode,
                                              StoredFlagsAt(folderFd, name, prefix), entry.name);
                    FillStatus(status, entry.attributes, entry.status);
                } else {
                    entry.attributes = toFolder ? attr::kDirectory : 0;
                    entry.status.link = link;
                }
            } else if (type == DT_LNK) {
                entry.attributes = LeadsToFolder(folderFd, name) ? attr::kDirectory : 0;
                entry.status.link = true;
            } else if (type == DT_DIR) {
                entry.attributes = attr::kDirectory;
            }
        }
    };
    constexpr std::size_t kParallelFrom = 4096;
    if (error == 0 && withAttributes && entries.size() >= kParallelFrom) {
        std::thread helper(describe, entries.size() / 2, entries.size());
        describe(0, entries.size() / 2);
        helper.join();
    } else if (error == 0) {
        describe(0, entries.size());
    }
    closedir(dir);

    std::size_t kept = 0;
    std::string converted;
    for (std::size_t i = 0; i < entries.size() && error == 0; ++i) {
        if (entries[i].name.empty()) continue;
        Cp932FromUtf8(entries[i].name, converted);
        if (converted != entries[i].name) entries[i].name = converted;
        if (kept != i) entries[kept] = std::move(entries[i]);
        ++kept;
    }
    entries.resize(error == 0 ? kept : 0);
    return error;
}

int PosixFileSystem::GetStatus(std::string_view path, FileStatus& status) {
    std::string host;
    if (const int error = ToHost(path, host)) return error;
    struct statx found {};
    if (const int error = StatAt(AT_FDCWD, host.c_str(), found)) return error;
    FillStatus(found, AttributesOf(found.stx_mode, host, LastName(host)), status);
    return 0;
}

int PosixFileSystem::GetIdentity(std::string_view path, FileIdentity& identity) {
    std::string host;
    if (const int error = ToHost(path, host)) return error;
    struct stat found {};
    if (::stat(host.c_str(), &found) != 0) return errno;
    identity = {static_cast<std::uint64_t>(found.st_dev), static_cast<std::uint64_t>(found.st_ino)};
    return 0;
}

int PosixFileSystem::GetAttributes(std::string_view path, std::uint8_t& attributes) {
    std::string host;
    if (const int error = ToHost(path, host)) return error;
    struct statx found {};
    if (const int error = StatAt(AT_FDCWD, host.c_str(), found)) return error;
    attributes = AttributesOf(found.stx_mode, host, LastName(host));
    return 0;
}

int PosixFileSystem::SetAttributes(std::string_view path, std::uint8_t attributes) {
    std::string host;
    if (const int error = ToHost(path, host)) return error;
    struct statx found {};
    if (const int error = StatAt(AT_FDCWD, host.c_str(), found)) return error;
    // Linux keeps neither a mode nor user extended attributes for a link, and a change must
    // never reach its target.
    if (S_ISLNK(found.stx_mode)) return 0;
    const bool folder = S_ISDIR(found.stx_mode);
    mode_t mode = found.stx_mode & 07777;
    const mode_t wantedMode = (attributes & attr::kReadOnly) != 0
                                  ? mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)
                                  : mode | S_IWUSR;

    auto flags = static_cast<std::uint8_t>(attributes & kStoredFlags);
    // A dot name is hidden by itself; storing the flag would keep the file hidden under a later
    // name without the dot.
    if (IsDotName(LastName(host))) flags &= static_cast<std::uint8_t>(~attr::kHidden);
    const int wantedStored = flags == DefaultFlags(folder) ? -1 : flags;
    const bool flagsChange = wantedStored != StoredFlags(host);

    // User attributes of a file without write permission cannot be changed, even by its owner.
    if (flagsChange && (mode & S_IWUSR) == 0) {
        if (chmod(host.c_str(), mode | S_IWUSR) != 0 && !KeepsNothing(errno)) return errno;
        mode |= S_IWUSR;
    }
    int flagsError = 0;
    if (flagsChange) {
        const auto value = static_cast<unsigned char>(flags);
        const int result = wantedStored < 0 ? lremovexattr(host.c_str(), kAttributeName)
                                            : lsetxattr(host.c_str(), kAttributeName, &value, 1, 0);
        if (result != 0 && errno != ENODATA && !KeepsNothing(errno)) flagsError = errno;
    }
    if (wantedMode != mode && chmod(host.c_str(), wantedMode) != 0 && !KeepsNothing(errno)) {
        return errno;
    }
    return flagsError;
}

int PosixFileSystem::SetTimes(std::string_view path, Timestamp /*creation*/, Timestamp modification,
                              Timestamp access) {
    std::string host;
    if (const int error = ToHost(path, host)) return error;
    const timespec times[2] = {{static_cast<time_t>(access), 0},
                               {static_cast<time_t>(modification), 0}};
    return utimensat(AT_FDCWD, host.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

int PosixFileSystem::RestoreTimes(std::string_view path, const FileStatus& saved) {
    std::string host;
    if (const int error = ToHost(path, host)) return error;
    // Beyond a second the kernel would read some values as "now" or "leave as it is".
    constexpr std::uint32_t kSecond = 1000000000;
    if (saved.accessNs >= kSecond || saved.modificationNs >= kSecond) return EINVAL;
    const timespec times[2] = {{static_cast<time_t>(saved.access), saved.accessNs},
                               {static_cast<time_t>(saved.modification), saved.modificationNs}};
    return utimensat(AT_FDCWD, host.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

int PosixFileSystem::Move(std::string_view from, std::string_view to) {
    // A run moves every target: the host forms are built in buffers kept from move to move.
    thread_local std::string source;
    thread_local std::string target;
    if (const int error = ToHost(from, source)) return error;
    if (const int error = ToHost(to, target)) return error;
    // Moving a file to its own name leaves it as it is, as rename(2) would.
    if (source == target) return ::access(source.c_str(), F_OK) == 0 ? 0 : errno;
    // Where the file system ignores case, a change of letter case only meets the file itself
    // and is refused (EEXIST) like any other taken name: the run goes through a temporary name
    // it has recorded first (engine::MoveKeepingCase), so a kill between the two steps is undone.
    return RenameNoReplace(source.c_str(), target.c_str());
}

int PosixFileSystem::Copy(std::string_view from, std::string_view to) {
    std::string source;
    std::string target;
    if (const int error = ToHost(from, source)) return error;
    if (const int error = ToHost(to, target)) return error;
    // O_NONBLOCK: a FIFO must not hang the run; it is refused below.
    FileDescriptor in(open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.Get() < 0) return errno;
    struct stat status {};
    if (fstat(in.Get(), &status) != 0) return errno;
    if (S_ISDIR(status.st_mode)) return EISDIR;
    if (!S_ISREG(status.st_mode)) return EINVAL;

    FileDescriptor out(open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.Get() < 0) return errno;
    int error = CopyContents(in.Get(), out.Get());
    if (error == 0) error = CopyStoredFlags(in.Get(), out.Get());
    // The mode last but one: a read-only copy would refuse the stored flags.
    // A file system without modes (FAT through fusefat) keeps the copy's own.
    if (error == 0 && fchmod(out.Get(), status.st_mode & 0777) != 0 && !KeepsNothing(errno)) {
        error = errno;
    }
    // Both times given: fusefat and exfat-fuse silently drop a change that leaves the access
    // time as it is (UTIME_OMIT), the modification time with it.
    timespec times[2] = {{}, status.st_mtim};
    clock_gettime(CLOCK_REALTIME, &times[0]);
    if (error == 0 && futimens(out.Get(), times) != 0) error = errno;
    const int closeError = out.Close();
    if (error == 0) error = closeError;
    if (error != 0) unlink(target.c_str());
    return error;
}

int PosixFileSystem::CreateFolder(std::string_view path) {
    std::string host;
    if (const int error = ToHost(path, host)) return error;
    return mkdir(host.c_str(), 0777) == 0 ? 0 : errno;
}

int PosixFileSystem::DeleteFile(std::string_view path) {
    std::string host;
    if (const int error = ToHost(path, host)) return error;
    return unlink(host.c_str()) == 0 ? 0 : errno;
}

bool PosixFileSystem::KeepsIdentity(std::string_view path) {
    // The kinds whose inode numbers are made up per mount (or per lookup) on Linux.
    constexpr long kMsdos = 0x4d44;
    constexpr long kExfat = 0x2011BAB0;
    constexpr long kFuse = 0x65735546;
    constexpr long kNtfs3 = 0x7366746e;
    constexpr long kNtfs = 0x5346544e;
    std::string host;
    struct statfs found {};
    if (ToHost(path, host) != 0 || ::statfs(host.c_str(), &found) != 0) return true;
    switch (static_cast<long>(found.f_type)) {
        case kMsdos:
        case kExfat:
        case kFuse:
        case kNtfs3:
        case kNtfs:
            return false;
        default:
            return true;
    }
}

bool PosixFileSystem::CanEnter(std::string_view folder) {
    std::string host;
    return ToHost(folder, host) == 0 && IsEnterableFolder(host);
}

bool PosixFileSystem::Exists(std::string_view path) {
    std::string host;
    struct stat status {};
    return ToHost(path, host) == 0 && lstat(host.c_str(), &status) == 0;
}

int PosixFileSystem::ReadFirstBytes(std::string_view path, std::size_t count, std::string& bytes) {
    return ReadBytesAt(path, 0, count, bytes);
}

namespace {

// Reads up to bytes.size() bytes from `offset`; the bytes are cut to what was read.
int ReadFully(int fd, std::uint64_t offset, std::string& bytes) {
    std::size_t have = 0;
    while (have < bytes.size()) {
        const ssize_t got =
            pread(fd, bytes.data() + have, bytes.size() - have, static_cast<off_t>(offset + have));
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            bytes.clear();
            return error;
        }
        have += static_cast<std::size_t>(got);
    }
    bytes.resize(have);
    return 0;
}

class PosixInputFile final : public InputFile {
  public:
    PosixInputFile(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}

    void SetSize(std::uint64_t size) { m_size = size; }
    std::uint64_t Size() const override { return m_size; }
    int ReadAt(std::uint64_t offset, std::size_t count, std::string& bytes) override {
        bytes.clear();
        // Never more than the file held when it was opened: a hostile count costs no memory.
        if (offset >= m_size) return 0;
        bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(count, m_size - offset)));
        return ReadFully(m_fd.Get(), offset, bytes);
    }

  private:
    FileDescriptor m_fd;
    std::uint64_t m_size;
};

}  // namespace

std::unique_ptr<InputFile> PosixFileSystem::OpenInput(std::string_view path, int& error) {
    std::string host;
    if ((error = ToHost(path, host)) != 0) return nullptr;
    // Not blocking: a FIFO named here must not hang the open; it is refused below.
    const int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    // The object owns the descriptor from here on: every return below closes it.
    auto file = std::make_unique<PosixInputFile>(fd, 0);
    struct stat status {};
    if (fstat(fd, &status) != 0) {
        error = errno;
        return nullptr;
    }
    if (!S_ISREG(status.st_mode)) {
        error = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        return nullptr;
    }
    file->SetSize(static_cast<std::uint64_t>(status.st_size));
    error = 0;
    return file;
}

int PosixFileSystem::ReadBytesAt(std::string_view path, std::uint64_t offset, std::size_t count,
                                 std::string& bytes) {
    bytes.clear();
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return EOVERFLOW;
    std::string host;
    if (const int error = ToHost(path, host)) return error;
    FileDescriptor in(open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.Get() < 0) return errno;
    struct stat status {};
    if (fstat(in.Get(), &status) != 0) return errno;
    if (S_ISDIR(status.st_mode)) return EISDIR;
    if (!S_ISREG(status.st_mode)) return EINVAL;
    // Never more than the file holds past the offset: a hostile count costs no memory.
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (offset >= size) return 0;
    bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(count, size - offset)));
    std::size_t have = 0;
    while (have < bytes.size()) {
        const ssize_t got = pread(in.Get(), bytes.data() + have, bytes.size() - have,
                                  static_cast<off_t>(offset + have));
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            bytes.clear();
            return error;
        }
        have += static_cast<std::size_t>(got);
    }
    bytes.resize(have);
    return 0;
}

int PosixFileSystem::WriteFile(std::string_view path, std::string_view bytes) {
    std::string host;
    if (const int error = ToHost(path, host)) return error;
    FileDescriptor out(open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (out.Get() < 0) return errno;
    int error = WriteAll(out.Get(), bytes);
    struct stat status {};
    // Only a regular file is removed on failure: a device named here is none of ours to delete.
    const bool regular = fstat(out.Get(), &status) == 0 && S_ISREG(status.st_mode);
    const int closeError = out.Close();
    if (error == 0) error = closeError;
    if (error != 0 && regular) unlink(host.c_str());
    return error;
}

std::unique_ptr<OutputFile> PosixFileSystem::OpenOutput(std::string_view path, bool truncate,
                                                        int& error) {
    std::string host;
    if ((error = ToHost(path, host)) != 0) return nullptr;
    const int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | (truncate ? O_TRUNC : 0);
    const int fd = open(host.c_str(), flags, 0666);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    return std::make_unique<PosixOutputFile>(fd);
}

std::string PosixFileSystem::TemporaryFolder() {
    const char* fromEnvironment = std::getenv("TMPDIR");
    std::string host = "/tmp";
    if (fromEnvironment != nullptr && fromEnvironment[0] == '/' &&
        IsEnterableFolder(fromEnvironment)) {
        host = fromEnvironment;
    }
    std::string path;
    if (!TryCp932FromUtf8(WithSlash(host), path)) path = "/tmp/";
    return path;
}

std::vector<Root> PosixFileSystem::Roots() {
    std::vector<Root> roots;
    const auto add = [&roots](const std::string& host, std::string label, bool removable) {
        std::string path;
        if (host.empty() || !TryCp932FromUtf8(WithSlash(host), path)) return;
        const auto same = [&path](const Root& root) { return root.path == path; };
        if (std::none_of(roots.begin(), roots.end(), same)) {
            roots.push_back({std::move(path), std::move(label), removable});
        }
    };
    add("/", Sjis("システム"), false);
    add(HomeFolder(), Sjis("ホーム"), false);

    std::ifstream mounts("/proc/self/mounts");
    for (std::string line; std::getline(mounts, line);) {
        std::istringstream fields(line);
        std::string device;
        std::string folder;
        if (!(fields >> device >> folder)) continue;
        folder = DecodeMountField(folder);
        if (!IsVolumeFolder(folder)) continue;
        std::string label;
        if (!TryCp932FromUtf8(VolumeLabel(DecodeMountField(device), folder), label)) {
            label = Cp932FromUtf8(LastName(folder));
        }
        add(folder, std::move(label), true);
    }
    return roots;
}

}  // namespace morvanex::platform

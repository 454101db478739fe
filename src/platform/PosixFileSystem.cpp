#include "platform/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/openat2.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
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
#include <cstring>
#include <fstream>
#include <limits>
#include <mutex>
#include <sstream>

#include "platform/Codepage.h"
#include "platform/ExclusiveFile.h"
#include "platform/MountTable.h"
#include "platform/Paths.h"
#include "platform/StatusReads.h"

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
    void Reset(int fd) {
        if (m_fd >= 0) close(m_fd);
        m_fd = fd;
    }
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

// The kernel (or the file system: reflinks, server-side copies) moves the data where it can;
// where it cannot, read and write carry on from the same offsets.
// `writing` says whether an error came from writing rather than reading.
int CopyContents(int in, int out, bool& writing) {
    // The kernel's own copy cannot say which end failed: the errors of the end written (no
    // space, quota, file too large, a read-only volume) are taken as that end's.
    for (;;) {
        const ssize_t copied = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (copied > 0) continue;
        if (copied == 0) break;
        if (errno == EINTR) continue;
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
            errno == EBADF) {
            break;
        }
        writing = errno == ENOSPC || errno == EDQUOT || errno == EFBIG || errno == EROFS;
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
            writing = true;
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

// How many folders below the anchor keep a handle open.
constexpr std::size_t kFolderHandles = 16;

// Where a call works: a folder handle and a name in it, in the host's form. Outside the anchor
// the folder is the working folder and the name the whole host path; "." is the folder itself.
struct Place {
    int folder = AT_FDCWD;
    std::string name;
};

// The host path of the folder of a place outside the anchor, to make other names beside it
// ("" under a handle, where names are relative to it already).
std::string FolderPrefix(const Place& place) {
    if (place.folder != AT_FDCWD) return {};
    const std::size_t slash = place.name.rfind('/');
    return slash == std::string::npos ? std::string() : place.name.substr(0, slash + 1);
}

// A status with what a check of the entry compares: kind, size, times, identity.
FileStatus EntryStatus(const struct statx& found) {
    FileStatus status;
    FillStatus(found, S_ISDIR(found.stx_mode) ? attr::kDirectory : 0, status);
    return status;
}

// What the mount of a file says of its kind, for a FUSE mount that does not name its driver:
// the type udev found on the device, else the volume's first sector where this process may
// read it (an image file, a device of its own user); "" when neither says.
std::string VolumeFormatOf(const MountEntry& mount) {
    if (!mount.source.starts_with('/')) return {};
    struct stat source {};
    if (stat(mount.source.c_str(), &source) != 0) return {};
    if (S_ISBLK(source.st_mode)) {
        std::ifstream udev("/run/udev/data/b" + std::to_string(major(source.st_rdev)) + ":" +
                           std::to_string(minor(source.st_rdev)));
        for (std::string line; std::getline(udev, line);) {
            if (line.starts_with("E:ID_FS_TYPE=")) return line.substr(13);
        }
    } else if (!S_ISREG(source.st_mode)) {
        return {};
    }
    FileDescriptor in(open(mount.source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    char sector[512];
    if (in.Get() < 0 || pread(in.Get(), sector, sizeof sector, 0) != sizeof sector) return {};
    return VolumeFormat({sector, sizeof sector});
}

// ASCII letters turned to the other case.
std::string FlippedCase(std::string_view name) {
    std::string flipped(name);
    for (char& c : flipped) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return flipped;
}

// Whether a folder's names ignore case, asked without writing: an entry looked up under its
// name with the case of its letters turned, where the folder does not list that name too.
// 1 yes, 0 no, -1 when nothing in the folder can tell.
int FolderIgnoresCase(const std::string& host) {
    DIR* dir = opendir(host.c_str());
    if (dir == nullptr) return -1;
    // A few hundred names: a large folder tells as well by its first ones.
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        if (names.size() == 512) break;
        names.emplace_back(entry->d_name);
    }
    int answer = -1;
    for (const std::string& name : names) {
        const std::string flipped = FlippedCase(name);
        if (flipped == name || std::find(names.begin(), names.end(), flipped) != names.end())
            continue;
        struct statx found {};
        if (statx(dirfd(dir), flipped.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE, &found) == 0) {
            answer = 1;
            break;
        }
        if (errno == ENOENT) {
            answer = 0;
            break;
        }
    }
    closedir(dir);
    return answer;
}

// Whether a folder carries the casefold attribute (ext4, f2fs, tmpfs): its names then ignore
// case whatever the rest of the file system does.
bool HasCasefoldAttribute(const std::string& host) {
    FileDescriptor folder(open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
    int flags = 0;
    return folder.Get() >= 0 && ioctl(folder.Get(), FS_IOC_GETFLAGS, &flags) == 0 &&
           (flags & FS_CASEFOLD_FL) != 0;
}

// Opens a folder by a path without following a symbolic link anywhere on it (where the kernel
// can: openat2), so that a canonical path cannot be turned aside between its reading and here.
int OpenCanonicalFolder(const char* path) {
    open_how how{};
    how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS;
    const long fd = syscall(SYS_openat2, AT_FDCWD, path, &how, sizeof how);
    if (fd >= 0 || (errno != ENOSYS && errno != EPERM)) return static_cast<int>(fd);
    return open(path, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// An entry opened as itself, never through it (a link stays the link), and checked against what
// the caller expects: the changes then reach it through /proc/self/fd, whatever its name leads
// to by then.
struct OpenedEntry {
    FileDescriptor fd{-1};
    struct statx status {};
    std::string path;  // /proc/self/fd/N
};

}  // namespace

struct PosixFileSystem::State {
    struct Handle {
        std::string relative;  // host path below the anchor, ending with '/'
        int fd = -1;           // O_PATH
        dev_t device = 0;
        ino_t inode = 0;
        std::uint64_t used = 0;
    };
    struct Mount {
        int id = -1;  // the mount's number where statx gave it
        std::uint64_t device = 0;
        MountTraits traits;
        int renameReplaces = -1;  // the probe's answer (-1: not asked yet)
        int ignoresCase = -1;     // for a mount that must be asked: the first folder's answer
    };

    std::mutex mutex;
    std::string anchor;      // CP932 as the caller spelled it, ending with the separator
    std::string anchorHost;  // its host form
    int anchorFd = -1;
    std::vector<Handle> handles;
    std::uint64_t uses = 0;
    std::vector<Mount> mounts;
    unsigned probes = 0;  // numbers the temporary names of the probes

    ~State() { Release(); }

    void Release() {
        for (const Handle& handle : handles) close(handle.fd);
        handles.clear();
        if (anchorFd >= 0) close(anchorFd);
        anchorFd = -1;
        anchor.clear();
        anchorHost.clear();
    }

    void Drop(std::size_t i) {
        close(handles[i].fd);
        handles.erase(handles.begin() + static_cast<std::ptrdiff_t>(i));
    }

    // The handle of the folders `relative` (host, each ending with '/') below the anchor, one
    // at a time from the anchor: a cached handle is used while its name still leads to it.
    int Reach(std::string_view relative, int& fd) {
        fd = anchorFd;
        for (std::size_t start = 0; start < relative.size();) {
            const std::size_t slash = relative.find('/', start);
            const std::string_view name = relative.substr(start, slash - start);
            const std::string_view key = relative.substr(0, slash + 1);
            start = slash + 1;
            if (name.empty() || name == ".") continue;
            if (name == "..") return EINVAL;
            const std::string component(name);
            const auto cached = std::find_if(handles.begin(), handles.end(),
                                             [&](const Handle& h) { return h.relative == key; });
            if (cached != handles.end()) {
                const auto i = static_cast<std::size_t>(cached - handles.begin());
                struct statx found {};
                if (statx(fd, component.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_INO,
                          &found) != 0) {
                    const int error = errno;
                    Drop(i);
                    return error;
                }
                if (!S_ISDIR(found.stx_mode) || found.stx_ino != cached->inode ||
                    makedev(found.stx_dev_major, found.stx_dev_minor) != cached->device) {
                    Drop(i);
                    return ESTALE;
                }
                cached->used = ++uses;
                fd = cached->fd;
                continue;
            }
            const int opened =
                openat(fd, component.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            // Not a folder any more (a link, a file): something else took its place.
            if (opened < 0) return errno == ENOTDIR || errno == ELOOP ? ESTALE : errno;
            struct stat status {};
            fstat(opened, &status);
            if (handles.size() == kFolderHandles) {
                Drop(
                    static_cast<std::size_t>(std::min_element(handles.begin(), handles.end(),
                                                              [](const Handle& a, const Handle& b) {
                                                                  return a.used < b.used;
                                                              }) -
                                             handles.begin()));
            }
            handles.push_back({std::string(key), opened, status.st_dev, status.st_ino, ++uses});
            fd = opened;
        }
        return 0;
    }

    // Where a path lies: below the anchor, its folder's handle and its last name.
    int PlaceOf(std::string_view path, Place& place) {
        place.folder = AT_FDCWD;
        const bool anchored =
            anchorFd >= 0 && (path.starts_with(anchor) ||
                              (path.size() + 1 == anchor.size() && anchor.starts_with(path)));
        if (!anchored) return ToHost(path, place.name);
        // The host form of the part below the anchor; its folders are reached, its last name
        // stays.
        std::string& name = place.name;
        if (const int error = ToHost(path.substr(std::min(path.size(), anchor.size())), name)) {
            return error;
        }
        const void* last = ::memrchr(name.data(), '/', name.size());
        const std::size_t slash =
            last == nullptr
                ? std::string::npos
                : static_cast<std::size_t>(static_cast<const char*>(last) - name.data());
        if (slash != std::string::npos) {
            if (const int error = Reach(std::string_view(name).substr(0, slash + 1), place.folder))
                return error;
            name.erase(0, slash + 1);
        } else {
            place.folder = anchorFd;
        }
        if (name == "..") return EINVAL;
        if (name.empty()) name = ".";
        return 0;
    }

    // What is known of the mount a file lies on (`host` its path, for a mount the table does
    // not name by number or device).
    Mount& MountOf(const struct statx& status, const std::string& host) {
        const int id =
            (status.stx_mask & STATX_MNT_ID) != 0 ? static_cast<int>(status.stx_mnt_id) : -1;
        const std::uint64_t device = makedev(status.stx_dev_major, status.stx_dev_minor);
        for (Mount& mount : mounts) {
            if (mount.id == id && mount.device == device) return mount;
        }
        MountEntry found;
        std::size_t longest = 0;
        char* real = host.empty() ? nullptr : realpath(host.c_str(), nullptr);
        const std::string canonical = real != nullptr ? real : "";
        std::free(real);
        std::ifstream table("/proc/self/mountinfo");
        for (std::string line; std::getline(table, line);) {
            MountEntry entry;
            if (!ParseMountInfoLine(line, entry)) continue;
            if (id >= 0 ? entry.id == id : entry.device == device) {
                found = std::move(entry);
                break;
            }
            // A mount that numbers its devices apart from the table's (btrfs subvolumes): the
            // deepest mount point above the file.
            const std::string point = WithSlash(entry.mountPoint);
            if (!canonical.empty() && WithSlash(canonical).starts_with(point) &&
                point.size() >= longest) {
                longest = point.size();
                found = std::move(entry);
            }
        }
        const bool fuse = found.type == "fuse" || found.type == "fuseblk";
        mounts.push_back({id, device, TraitsOfMount(found, fuse ? VolumeFormatOf(found) : "")});
        return mounts.back();
    }

    // Whether a move onto a taken name takes its place on the mount of `place`'s folder: asked
    // once per mount by two temporary files there, as a driver may also refuse (EEXIST) or
    // keep both. 0, or the error that kept the probe from being made.
    int RenameReplaces(const Place& place, Mount& mount, bool& replaces) {
        if (mount.renameReplaces >= 0) {
            replaces = mount.renameReplaces == 1;
            return 0;
        }
        const std::string base = FolderPrefix(place) + ".morvanex-probe-" +
                                 std::to_string(getpid()) + "-" + std::to_string(++probes);
        const std::string first = base + "a";
        const std::string second = base + "b";
        for (const std::string* name : {&first, &second}) {
            const int fd =
                openat(place.folder, name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd < 0) {
                const int error = errno;
                if (name == &second) unlinkat(place.folder, first.c_str(), 0);
                return error;
            }
            close(fd);
        }
        replaces = renameat(place.folder, first.c_str(), place.folder, second.c_str()) == 0 &&
                   faccessat(place.folder, first.c_str(), F_OK, AT_SYMLINK_NOFOLLOW) != 0;
        unlinkat(place.folder, first.c_str(), 0);
        unlinkat(place.folder, second.c_str(), 0);
        mount.renameReplaces = replaces ? 1 : 0;
        return 0;
    }
    // A move that never replaces a file, of the entry `found` describes.
    int MoveNoReplace(const Place& source, const Place& target, const struct statx& found) {
        const char* from = source.name.c_str();
        const char* to = target.name.c_str();
        if (renameat2(source.folder, from, target.folder, to, RENAME_NOREPLACE) == 0) return 0;
        if (errno != EINVAL && errno != ENOSYS) return errno;
        const bool folder = S_ISDIR(found.stx_mode);
        Mount& mount = MountOf(found, source.folder == AT_FDCWD ? source.name : std::string());
        // The file system cannot refuse a taken name by itself (FUSE, NFS). A hard link is never
        // made over an existing name: link the new name and drop the old one.
        if (!folder) {
            if (linkat(source.folder, from, target.folder, to, 0) == 0) {
                if (unlinkat(source.folder, from, 0) == 0) return 0;
                const int error = errno;
                unlinkat(target.folder, to, 0);
                return error;
            }
            if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) return errno;
        }
        // Nor links (FAT and exFAT through FUSE): the new name is taken first, exclusively, and
        // the file moved onto that empty reservation, where a move does take a file's place.
        // A folder cannot take the place of a file.
        if (folder) return ENOTSUP;
        bool replaces = false;
        if (const int error = RenameReplaces(target, mount, replaces)) return error;
        if (!replaces) return ENOTSUP;
        const int reservation =
            openat(target.folder, to, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (reservation < 0) return errno;
        struct statx reserved {};
        const bool known = statx(reservation, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &reserved) == 0;
        close(reservation);
        if (renameat(source.folder, from, target.folder, to) == 0) return 0;
        const int error = errno;
        // The reservation goes again, while it is still the empty file made here.
        struct statx now {};
        if (known && statx(target.folder, to, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &now) == 0 &&
            S_ISREG(now.stx_mode) && now.stx_size == 0 &&
            IsSameEntry(EntryStatus(reserved), EntryStatus(now),
                        mount.traits.traits.keepsIdentity)) {
            unlinkat(target.folder, to, 0);
        }
        return error;
    }

    // Sets the times of the entry at `path` that is still the one expected.
    int SetTimes(std::string_view path, const timespec (&times)[2], const FileStatus* expected) {
        Place place;
        if (const int error = PlaceOf(path, place)) return error;
        OpenedEntry entry;
        if (const int error = OpenEntry(place, expected, entry)) return error;
        // A link gets the times itself: by its name, as /proc would lead on to its target.
        const int result =
            S_ISLNK(entry.status.stx_mode)
                ? utimensat(place.folder, place.name.c_str(), times, AT_SYMLINK_NOFOLLOW)
                : utimensat(AT_FDCWD, entry.path.c_str(), times, 0);
        return result == 0 ? 0 : errno;
    }

    int OpenEntry(const Place& place, const FileStatus* expected, OpenedEntry& entry) {
        entry.fd.Reset(openat(place.folder, place.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (entry.fd.Get() < 0) return errno;
        if (statx(entry.fd.Get(), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME | STATX_MNT_ID,
                  &entry.status) != 0) {
            return errno;
        }
        if (expected != nullptr && !IsSameEntry(*expected, EntryStatus(entry.status),
                                                KeepsIdentity(entry.status, place))) {
            return ESTALE;
        }
        // Without /proc the entry is reached by its path again, which only a path of its own
        // (outside the anchor) has.
        static const bool proc = access("/proc/self/fd", X_OK) == 0;
        if (!proc && place.folder != AT_FDCWD) return ENOSYS;
        entry.path = proc ? "/proc/self/fd/" + std::to_string(entry.fd.Get()) : place.name;
        return 0;
    }

    bool KeepsIdentity(const struct statx& status, const Place& place) {
        return MountOf(status, place.folder == AT_FDCWD ? place.name : std::string())
            .traits.traits.keepsIdentity;
    }
};

PosixFileSystem::PosixFileSystem() : m_state(std::make_unique<State>()) {}

PosixFileSystem::~PosixFileSystem() = default;

int PosixFileSystem::OpenListing(std::string_view folder, std::string& host, DIR*& dir) {
    if (const int error = ToHost(folder, host)) return error;
    {
        std::lock_guard lock(m_state->mutex);
        Place place;
        if (const int error = m_state->PlaceOf(folder, place)) return error;
        // Below the anchor a folder is never reached through a link; elsewhere the listing
        // follows one, as the folder tree browses through links.
        const int fd = openat(
            place.folder, place.name.c_str(),
            O_RDONLY | O_DIRECTORY | O_CLOEXEC | (place.folder != AT_FDCWD ? O_NOFOLLOW : 0));
        if (fd < 0) return errno == ELOOP && place.folder != AT_FDCWD ? ESTALE : errno;
        dir = fdopendir(fd);
        if (dir == nullptr) {
            const int error = errno;
            close(fd);
            return error;
        }
    }
    return 0;
}

namespace {

// Every entry of an open folder but "." and "..", in the order the system lists them; 0 or the
// error that ended the reading.
template <typename Each>
int ReadEntries(DIR* dir, const Each& each) {
    for (;;) {
        errno = 0;
        const dirent* next = readdir(dir);
        if (next == nullptr) return errno;
        const std::string_view name = next->d_name;
        if (name != "." && name != "..") each(*next);
    }
}

}  // namespace

int PosixFileSystem::ListNames(std::string_view folder,
                               const std::function<void(std::string_view)>& each) {
    std::string host;
    DIR* dir = nullptr;
    if (const int error = OpenListing(folder, host, dir)) return error;
    std::string converted;
    const int error = ReadEntries(dir, [&](const dirent& entry) {
        Cp932FromUtf8(entry.d_name, converted);
        each(converted);
    });
    closedir(dir);
    return error;
}

int PosixFileSystem::ListFolder(std::string_view folder, bool withAttributes,
                                std::vector<DirectoryEntry>& entries) {
    entries.clear();
    std::string host;
    DIR* dir = nullptr;
    if (const int error = OpenListing(folder, host, dir)) return error;
    const std::string prefix = host.ends_with('/') ? host : host + '/';
    // First the host names with their d_type (kept in `attributes` for now), then the statuses,
    // then the names in CP932: one entry per name all along, so a folder of many entries is
    // held once.
    int error = ReadEntries(dir, [&](const dirent& next) {
        DirectoryEntry& entry = entries.emplace_back();
        entry.name = next.d_name;
        entry.attributes = next.d_type;
    });

    // d_type tells a folder and a link without a status read; whether a link leads to a folder
    // takes one more. The listing's own statx is all the status an entry gets (identity and
    // times included): with attributes every entry needs it, and a large folder's reads are
    // shared by two threads (StatusReads); without, a second thread would have nothing to do.
    // An entry that is gone meanwhile is marked by an empty name.
    // A link to a folder is listed as a folder, so that the folder tree browses through it;
    // its `link` tells it apart, and its status is the link's own.
    const int folderFd = dirfd(dir);
    const auto describe = [&](std::size_t i) {
        DirectoryEntry& entry = entries[i];
        const unsigned char type = entry.attributes;
        const char* name = entry.name.c_str();
        entry.attributes = 0;
        if (withAttributes || type == DT_UNKNOWN) {
            struct statx status {};
            if (StatAt(folderFd, name, status) != 0) {
                entry.name.clear();
                return 0;
            }
            const bool link = S_ISLNK(status.stx_mode);
            const bool toFolder = link ? LeadsToFolder(folderFd, name) : S_ISDIR(status.stx_mode);
            if (withAttributes) {
                entry.attributes =
                    link ? AttributesFrom(toFolder ? S_IFDIR | 0777 : status.stx_mode, -1,
                                          entry.name)
                         : AttributesFrom(status.stx_mode, StoredFlagsAt(folderFd, name, prefix),
                                          entry.name);
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
        return 0;
    };
    if (error == 0 && withAttributes) {
        StatusReads reads(entries.size(), describe);
        for (std::size_t i = 0; i < entries.size(); ++i) reads.Next(i);
    } else if (error == 0) {
        // Names only: a status is read for an entry whose kind the listing did not say, rarely.
        for (std::size_t i = 0; i < entries.size(); ++i) describe(i);
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
    return StatusOf(path, status, true);
}

int PosixFileSystem::GetEntryStatus(std::string_view path, FileStatus& status) {
    return StatusOf(path, status, false);
}

int PosixFileSystem::StatusOf(std::string_view path, FileStatus& status, bool storedFlags) {
    // A run reads every target's status: the host form in a buffer kept from read to read.
    thread_local std::string host;
    // A name right in the anchored folder is read from its handle: no walk of the whole path
    // (a run reads every target's status, on a thread of its own), and no folder but the one
    // listed. The anchor does not change while a run reads statuses.
    const State& state = *m_state;
    if (state.anchorFd >= 0 && path.size() > state.anchor.size() &&
        path.starts_with(state.anchor) &&
        path.find(kSeparator, state.anchor.size()) == std::string_view::npos) {
        if (const int error = ToHost(path.substr(state.anchor.size()), host)) return error;
        if (host == "..") return EINVAL;
        struct statx found {};
        if (const int error = StatAt(state.anchorFd, host.c_str(), found)) return error;
        const int stored = S_ISLNK(found.stx_mode) || !storedFlags
                               ? -1
                               : StoredFlagsAt(state.anchorFd, host.c_str(), state.anchorHost);
        FillStatus(found, AttributesFrom(found.stx_mode, stored, host), status);
        return 0;
    }
    if (const int error = ToHost(path, host)) return error;
    struct statx found {};
    if (const int error = StatAt(AT_FDCWD, host.c_str(), found)) return error;
    FillStatus(found,
               storedFlags ? AttributesOf(found.stx_mode, host, LastName(host))
                           : AttributesFrom(found.stx_mode, -1, LastName(host)),
               status);
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

int PosixFileSystem::SetAttributes(std::string_view path, std::uint8_t attributes,
                                   const FileStatus* expected) {
    std::lock_guard lock(m_state->mutex);
    Place place;
    if (const int error = m_state->PlaceOf(path, place)) return error;
    OpenedEntry entry;
    if (const int error = m_state->OpenEntry(place, expected, entry)) return error;
    // Linux keeps neither a mode nor user extended attributes for a link, and a change must
    // never reach its target.
    if (S_ISLNK(entry.status.stx_mode)) return 0;
    const char* file = entry.path.c_str();
    const bool folder = S_ISDIR(entry.status.stx_mode);
    mode_t mode = entry.status.stx_mode & 07777;
    const mode_t wantedMode = (attributes & attr::kReadOnly) != 0
                                  ? mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)
                                  : mode | S_IWUSR;

    auto flags = static_cast<std::uint8_t>(attributes & kStoredFlags);
    // A dot name is hidden by itself; storing the flag would keep the file hidden under a later
    // name without the dot.
    if (IsDotName(LastName(place.name))) flags &= static_cast<std::uint8_t>(~attr::kHidden);
    const int wantedStored = flags == DefaultFlags(folder) ? -1 : flags;
    unsigned char stored = 0;
    const int storedNow =
        getxattr(file, kAttributeName, &stored, 1) == 1 ? stored & kStoredFlags : -1;
    const bool flagsChange = wantedStored != storedNow;

    // User attributes of a file without write permission cannot be changed, even by its owner.
    if (flagsChange && (mode & S_IWUSR) == 0) {
        if (chmod(file, mode | S_IWUSR) != 0 && !KeepsNothing(errno)) return errno;
        mode |= S_IWUSR;
    }
    int flagsError = 0;
    if (flagsChange) {
        const auto value = static_cast<unsigned char>(flags);
        const int result = wantedStored < 0 ? removexattr(file, kAttributeName)
                                            : setxattr(file, kAttributeName, &value, 1, 0);
        if (result != 0 && errno != ENODATA && !KeepsNothing(errno)) flagsError = errno;
    }
    if (wantedMode != mode && chmod(file, wantedMode) != 0 && !KeepsNothing(errno)) {
        return errno;
    }
    return flagsError;
}

int PosixFileSystem::SetTimes(std::string_view path, Timestamp /*creation*/, Timestamp modification,
                              Timestamp access, const FileStatus* expected) {
    const timespec times[2] = {{static_cast<time_t>(access), 0},
                               {static_cast<time_t>(modification), 0}};
    std::lock_guard lock(m_state->mutex);
    return m_state->SetTimes(path, times, expected);
}

int PosixFileSystem::RestoreTimes(std::string_view path, const FileStatus& saved,
                                  const FileStatus* expected) {
    // Beyond a second the kernel would read some values as "now" or "leave as it is".
    constexpr std::uint32_t kSecond = 1000000000;
    if (saved.accessNs >= kSecond || saved.modificationNs >= kSecond) return EINVAL;
    const timespec times[2] = {{static_cast<time_t>(saved.access), saved.accessNs},
                               {static_cast<time_t>(saved.modification), saved.modificationNs}};
    std::lock_guard lock(m_state->mutex);
    return m_state->SetTimes(path, times, expected);
}

template <typename Check>
int PosixFileSystem::MoveChecked(std::string_view from, std::string_view to, bool checkOwnName,
                                 const Check& check) {
    // A run moves every target: the host forms are built in buffers kept from move to move.
    thread_local Place source;
    thread_local Place target;
    std::lock_guard lock(m_state->mutex);
    if (const int error = m_state->PlaceOf(from, source)) return error;
    if (const int error = m_state->PlaceOf(to, target)) return error;
    const char* name = source.name.c_str();
    // Moving a file to its own name leaves it as it is, as rename(2) would.
    const bool ownName = source.folder == target.folder && source.name == target.name;
    if (ownName && !checkOwnName) {
        return faccessat(source.folder, name, F_OK, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
    }
    // A folder moved into itself (which RENAME_NOREPLACE's EINVAL would not tell from a file
    // system that lacks the flag).
    if (to.size() > from.size() && to.starts_with(from) && to[from.size()] == '/') return EINVAL;
    struct statx found {};
    if (statx(source.folder, name, AT_SYMLINK_NOFOLLOW,
              STATX_BASIC_STATS | STATX_BTIME | STATX_MNT_ID, &found) != 0) {
        return errno;
    }
    if (!check(found, source)) return ESTALE;
    if (ownName) return 0;
    // Where the file system ignores case, a change of letter case only meets the file itself
    // and is refused (EEXIST) like any other taken name: the run goes through a temporary name
    // it has recorded first (engine::MoveKeepingCase), so a kill between the two steps is undone.
    return m_state->MoveNoReplace(source, target, found);
}

int PosixFileSystem::Move(std::string_view from, std::string_view to, const FileStatus* expected) {
    return MoveChecked(from, to, false, [&](const struct statx& found, const auto& source) {
        return expected == nullptr ||
               IsSameEntry(*expected, EntryStatus(found), m_state->KeepsIdentity(found, source));
    });
}

int PosixFileSystem::MoveIf(std::string_view from, std::string_view to,
                            const std::function<bool(const FileStatus&)>& isTheFile,
                            FileStatus& found) {
    found = {};
    return MoveChecked(from, to, true, [&](const struct statx& entry, const auto&) {
        found = EntryStatus(entry);
        return isTheFile(found);
    });
}

int PosixFileSystem::Copy(std::string_view from, std::string_view to, bool* destinationFailed) {
    bool atDestination = false;
    const int error = [&] {
        std::lock_guard lock(m_state->mutex);
        Place source;
        Place target;
        if (const int failed = m_state->PlaceOf(from, source)) return failed;
        atDestination = true;
        if (const int failed = m_state->PlaceOf(to, target)) return failed;
        atDestination = false;
        // O_NONBLOCK: a FIFO must not hang the run; it is refused below.
        FileDescriptor in(
            openat(source.folder, source.name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (in.Get() < 0) return errno;
        struct stat status {};
        if (fstat(in.Get(), &status) != 0) return errno;
        if (S_ISDIR(status.st_mode)) return EISDIR;
        if (!S_ISREG(status.st_mode)) return EINVAL;

        atDestination = true;
        FileDescriptor out(openat(target.folder, target.name.c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (out.Get() < 0) return errno;
        bool writing = false;
        int failed = CopyContents(in.Get(), out.Get(), writing);
        atDestination = failed == 0 || writing;
        if (failed == 0) failed = CopyStoredFlags(in.Get(), out.Get());
        // The mode last but one: a read-only copy would refuse the stored flags.
        // A file system without modes (FAT through fusefat) keeps the copy's own.
        if (failed == 0 && fchmod(out.Get(), status.st_mode & 0777) != 0 && !KeepsNothing(errno)) {
            failed = errno;
        }
        // Both times given: fusefat and exfat-fuse silently drop a change that leaves the access
        // time as it is (UTIME_OMIT), the modification time with it.
        timespec times[2] = {{}, status.st_mtim};
        clock_gettime(CLOCK_REALTIME, &times[0]);
        if (failed == 0 && futimens(out.Get(), times) != 0) failed = errno;
        const int closeError = out.Close();
        if (failed == 0) failed = closeError;
        if (failed != 0) unlinkat(target.folder, target.name.c_str(), 0);
        return failed;
    }();
    if (destinationFailed != nullptr) *destinationFailed = error != 0 && atDestination;
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

FolderTraits PosixFileSystem::TraitsOf(std::string_view folder) {
    std::string host;
    if (ToHost(folder, host) != 0) return {};
    struct statx found {};
    // The nearest folder that exists: a copy's destination may still be made.
    while (statx(AT_FDCWD, host.c_str(), 0, STATX_TYPE | STATX_MNT_ID, &found) != 0 ||
           !S_ISDIR(found.stx_mode)) {
        while (host.size() > 1 && host.back() == '/') host.pop_back();
        const std::size_t slash = host.rfind('/');
        if (slash == std::string::npos || host == "/") return {};
        host.resize(slash == 0 ? 1 : slash);
    }
    std::lock_guard lock(m_state->mutex);
    State::Mount& mount = m_state->MountOf(found, host);
    FolderTraits traits = mount.traits.traits;
    if (mount.traits.casefoldFolders && HasCasefoldAttribute(host)) traits.ignoresCase = true;
    if (mount.traits.caseUnknown) {
        if (mount.ignoresCase < 0) mount.ignoresCase = FolderIgnoresCase(host);
        if (mount.ignoresCase >= 0) traits.ignoresCase = mount.ignoresCase == 1;
    }
    return traits;
}

int PosixFileSystem::CanonicalPath(std::string_view path, std::string& canonical) {
    std::string host;
    if (const int error = ToHost(path, host)) return error;
    char* real = realpath(host.c_str(), nullptr);
    if (real == nullptr) return errno;
    Cp932FromUtf8(real, canonical);
    std::free(real);
    return 0;
}

int PosixFileSystem::Anchor(std::string_view folder) {
    std::lock_guard lock(m_state->mutex);
    m_state->Release();
    // What was learned of the mounts is asked again for each run: a card may have been swapped.
    m_state->mounts.clear();
    if (folder.empty()) return 0;
    const std::string anchor = WithTrailingSeparator(folder);
    std::string host;
    if (anchor.empty()) return EINVAL;
    if (const int error = ToHost(folder, host)) return error;
    char* real = realpath(host.c_str(), nullptr);
    if (real == nullptr) return errno;
    const int fd = OpenCanonicalFolder(real);
    std::free(real);
    if (fd < 0) return errno;
    m_state->anchor = anchor;
    m_state->anchorHost = WithSlash(host);
    m_state->anchorFd = fd;
    return 0;
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

std::unique_ptr<OutputFile> PosixFileSystem::OpenOutput(std::string_view path, OutputMode mode,
                                                        int& error) {
    std::string host;
    if ((error = ToHost(path, host)) != 0) return nullptr;
    int fd = -1;
    if (mode == OutputMode::kNew) {
        if ((error = CreateExclusively(host, fd)) != 0) return nullptr;
    } else if ((fd = open(host.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666)) < 0) {
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

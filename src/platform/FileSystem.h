#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"

// The file-system operations the core needs, on CP932 paths with the host separator. Every
// operation that can fail returns 0 or the system error code (an errno value); nothing throws.
// PosixFileSystem is the real one; tests add fault-injecting ones on top of it.
namespace morvanex::platform {

// The attribute byte the program works with: read-only, hidden, system, folder, archive, normal.
namespace attr {
inline constexpr std::uint8_t kReadOnly = 0x01;
inline constexpr std::uint8_t kHidden = 0x02;
inline constexpr std::uint8_t kSystem = 0x04;
inline constexpr std::uint8_t kDirectory = 0x10;
inline constexpr std::uint8_t kArchive = 0x20;
// Reported for a file that has none of the other bits; setting it alone clears them all.
inline constexpr std::uint8_t kNormal = 0x80;
}  // namespace attr

// Which file a path leads to: equal identities are the same file or folder.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    friend auto operator<=>(const FileIdentity&, const FileIdentity&) = default;
};

// What the program knows of a file: three times, size and attribute byte. A status read from
// the host also says which file it is and keeps the fractions of its times, so that an undo
// recognises the file it moved and gives it back its times exactly. A symbolic link is
// described as the link itself, never its target.
struct FileStatus {
    Timestamp creation = 0;
    Timestamp modification = 0;
    Timestamp access = 0;
    std::int64_t size = 0;
    std::uint8_t attributes = 0;
    bool link = false;                 // a symbolic link (of any target)
    std::uint32_t modificationNs = 0;  // nanoseconds within the second
    std::uint32_t accessNs = 0;
    FileIdentity identity;  // {0, 0} when the host did not say
    // When the file was made, in nanoseconds, where the host records it (else 0): an inode
    // number freed by a deleted file is soon given to a new one, which was made later.
    std::int64_t birth = 0;

    friend bool operator==(const FileStatus&, const FileStatus&) = default;
};

// What a folder's file system does with names and files: the one answer every check asks
// (the run, the undo, the preview's conflicts), from the mount table and the folder itself.
struct FolderTraits {
    // The file system as the mount table names it ("ext4", "fuse.fusefat"); a FUSE mount that
    // does not name its driver is named by what its volume holds ("fuseblk (exfat)").
    std::string fileSystem;
    // A file keeps its inode number for as long as it exists. The drivers of FAT, exFAT and
    // NTFS and FUSE file systems number files per mount or per lookup: there only the kind,
    // size and modification time tell one file from another.
    bool keepsIdentity = true;
    // The system itself refuses a move onto a name that is taken (renameat2's
    // RENAME_NOREPLACE); where it cannot, Move makes sure of it another way.
    bool noReplaceMove = true;
    // Names follow the rules of Windows, where the volume is read too (FAT, exFAT, NTFS):
    // IsWindowsName says which names those systems can open.
    bool windowsNames = false;
    // Two names that differ in letter case only are one name. Where the file system cannot
    // say and the folder holds nothing to ask it by, the answer is yes: a check that compares
    // names then finds a conflict too many rather than one too few.
    bool ignoresCase = false;

    friend bool operator==(const FolderTraits&, const FolderTraits&) = default;
};

// FAT keeps modification times in steps of two seconds.
inline constexpr Timestamp kCardTimeSteps = 2;

// True when `found` is still the entry a status was read of earlier (`listed`): the same kind;
// the same identity and birth, or where no birth is recorded (or the host gave no identity) the
// same size and modification time; where the file system keeps no identity, the same size and
// a modification time within kCardTimeSteps (a folder's time changes with its contents: there
// the kind and identity alone).
bool IsSameEntry(const FileStatus& listed, const FileStatus& found, bool keepsIdentity);

struct DirectoryEntry {
    std::string name;             // never "." or ".."
    std::uint8_t attributes = 0;  // with kDirectory for a folder
    FileStatus status;            // filled (attributes too) when listed with attributes;
                                  // `link` is filled either way
};

// A place a user browses from: "/", the home folder, a mounted volume.
struct Root {
    std::string path;   // ends with the separator
    std::string label;  // shown beside the path
    bool removable = false;
};

// A file kept open for appending lines: each Append reaches the file (the kernel) before it
// returns, so what was appended survives the process being killed.
class OutputFile {
  public:
    virtual ~OutputFile() = default;
    virtual int Append(std::string_view bytes) = 0;
};

// How OpenOutput treats a name that is already taken.
enum class OutputMode {
    kAppend,  // append to the file there, creating it when the name is free
    // Create a file that did not exist: fails with EEXIST when anything has the name, a symbolic
    // link too (never followed), and with EPERM in a folder where other users may remove or
    // replace what it holds (writable by others without the sticky bit), so that no one else can
    // aim the writes at another file or swap what was written.
    kNew,
};

// A file kept open for reading at positions: a reader that makes many small reads of one file
// (a tag library) opens it once instead of once per read.
class InputFile {
  public:
    virtual ~InputFile() = default;
    // The file's size when it was opened.
    virtual std::uint64_t Size() const = 0;
    // At most `count` bytes from `offset`: fewer where the file ends sooner, none past its end.
    virtual int ReadAt(std::uint64_t offset, std::size_t count, std::string& bytes) = 0;
};

// What a file or folder held open says of itself: its kind, size, owner and who may write it
// (the checks a private folder of the user's and its files must pass).
struct HandleStatus {
    bool folder = false;
    bool regular = false;  // a regular file
    std::uint64_t size = 0;
    std::uint32_t owner = 0;        // the owner's user id
    std::uint32_t permissions = 0;  // the permission bits of the mode (0777)
};

// How FolderHandle::Open opens a file in the folder. A symbolic link there is never followed,
// and a file made is the user's alone (0600).
enum class FileAccess {
    kRead,
    kReadWrite,  // an existing file
    kCreate,     // read and write, made when missing
    kCreateNew,  // read and write, made now: EEXIST when anything has the name
};

// A file held open: what is read, written, locked or mapped is this file, whatever happens to
// its name meanwhile. The lock and the mapping end with the object.
class FileHandle {
  public:
    virtual ~FileHandle() = default;

    // An advisory lock of the whole file, shared or exclusive (flock: held by this handle, not
    // by the process). Without `wait`, EWOULDBLOCK while another handle holds a lock in the way.
    virtual int Lock(bool exclusive, bool wait) = 0;
    virtual int Status(HandleStatus& status) = 0;
    // At most `count` bytes from `offset`: fewer where the file ends sooner.
    virtual int ReadAt(std::uint64_t offset, std::size_t count, std::string& bytes) = 0;
    // All bytes at `offset`, or the error.
    virtual int WriteAt(std::uint64_t offset, std::string_view bytes) = 0;
    // Pushes what was written to the disk and waits for it.
    virtual int Sync() = 0;
    // Makes the file at least `size` bytes long with its blocks reserved, so that a full disk
    // shows here rather than when a page of a mapping is first written.
    virtual int Allocate(std::uint64_t size) = 0;
    // Cuts (or extends with zeros) the file to `size` bytes.
    virtual int Truncate(std::uint64_t size) = 0;
    // Maps the file's first `size` bytes into memory, shared with the page cache: a store there
    // belongs to the file at once, without a system call. A second call replaces the mapping
    // (it may move: `data` says where it is now); size 0 ends it.
    virtual int Map(std::size_t size, unsigned char*& data) = 0;
    // Starts pushing the mapping to the disk and returns at once.
    virtual int SyncLater() = 0;
};

// A folder held open: the files below are reached by name from it, one level, never through a
// symbolic link, whatever becomes of the folder's path meanwhile. Names are CP932.
class FolderHandle {
  public:
    virtual ~FolderHandle() = default;

    virtual int Status(HandleStatus& status) = 0;
    // The names it holds, in the order the system lists them, without "." and "..".
    virtual int List(std::vector<std::string>& names) = 0;
    virtual std::unique_ptr<FileHandle> Open(std::string_view name, FileAccess access,
                                             int& error) = 0;
    // Removes a file (never a folder).
    virtual int Remove(std::string_view name) = 0;
    // Gives the file `from` the name `to` too: EEXIST when that is taken.
    virtual int Link(std::string_view from, std::string_view to) = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // The entries of a folder in the order the system lists them, each with its status. With
    // withAttributes false only the directory bit is filled (cheaper: no per-entry status read).
    virtual int ListFolder(std::string_view folder, bool withAttributes,
                           std::vector<DirectoryEntry>& entries) = 0;
    // The names alone, each given to `each` as it is read (no status, no list of entries: a
    // folder of a million names is never held whole here). By default through ListFolder.
    virtual int ListNames(std::string_view folder,
                          const std::function<void(std::string_view)>& each);
    virtual int GetStatus(std::string_view path, FileStatus& status) = 0;
    // The status with the attributes the mode gives (kind, read-only, a dot name's hidden) but
    // not the flags stored apart: all an identity check needs, without the read of the flags.
    virtual int GetEntryStatus(std::string_view path, FileStatus& status) {
        return GetStatus(path, status);
    }
    // The identity of what the path leads to, links followed (a folder reached through a link
    // is the folder).
    virtual int GetIdentity(std::string_view path, FileIdentity& identity) = 0;
    virtual int GetAttributes(std::string_view path, std::uint8_t& attributes) = 0;

    // The changes below take, as `expected`, the status the caller read of the file (its
    // listing): the entry at the path must still be that file (IsSameEntry), else the call
    // fails with ESTALE and changes nothing. Null changes whatever is there.

    // Applies read-only, hidden, system and archive; the directory bit is ignored.
    virtual int SetAttributes(std::string_view path, std::uint8_t attributes,
                              const FileStatus* expected) = 0;
    // Sets modification and access time. The creation time cannot be set on most Linux file
    // systems; it is accepted and left as it is. A symbolic link gets the times itself.
    virtual int SetTimes(std::string_view path, Timestamp creation, Timestamp modification,
                         Timestamp access, const FileStatus* expected) = 0;
    // Gives a file back the times of a saved status, to the nanosecond where the host keeps
    // them (undo). Without fractions this is SetTimes.
    virtual int RestoreTimes(std::string_view path, const FileStatus& saved,
                             const FileStatus* expected) {
        return SetTimes(path, saved.creation, saved.modification, saved.access, expected);
    }

    // Moves (renames) a file or folder. Never replaces an existing `to`: fails with EEXIST,
    // also where the file system cannot refuse a taken name by itself. Where it can make sure
    // of that only by creating the name first, a folder is not moved (ENOTSUP), nor anything
    // where a move would not take the place of that reservation (ENOTSUP).
    // A change of letter case only is made in place where the file system ignores case.
    virtual int Move(std::string_view from, std::string_view to, const FileStatus* expected) = 0;
    // The same move, made only when `isTheFile` accepts the entry as the move finds it (ESTALE
    // where it does not): one status read serves the caller's check and the move's. `found` is
    // that status (kind, size, times and identity). By default through GetEntryStatus and Move.
    // `isTheFile` must not call the file system.
    virtual int MoveIf(std::string_view from, std::string_view to,
                       const std::function<bool(const FileStatus&)>& isTheFile, FileStatus& found);
    // Copies a file's contents, mode, attributes and modification time. Never replaces an
    // existing `to` (EEXIST); a failed copy leaves no partial file behind. On failure,
    // `destinationFailed` (when given) says whether it was `to` that could not be made or
    // written, rather than `from` read.
    virtual int Copy(std::string_view from, std::string_view to, bool* destinationFailed) = 0;
    virtual int CreateFolder(std::string_view path) = 0;
    virtual int DeleteFile(std::string_view path) = 0;

    // The traits of a folder's file system (of the nearest folder above it that exists, when
    // it does not). What a fake does not say is the answer of an ordinary Linux disk.
    virtual FolderTraits TraitsOf(std::string_view /*folder*/) { return {}; }
    // The absolute path without ".", ".." and repeated separators, every symbolic link on the
    // way followed where the host resolves them: where the path really leads. 0 or the system
    // error. This default only tidies the text.
    virtual int CanonicalPath(std::string_view path, std::string& canonical);
    // Anchors the paths below `folder` (as spelled here): from now on they are reached from a
    // handle on the folder it leads to now, and each folder below it from its parent without
    // following a symbolic link, so that a folder swapped for a link or moved away after the
    // listing makes the calls below it fail (ESTALE, ENOENT) instead of reaching elsewhere.
    // An empty folder ends the anchor. 0 or the system error.
    virtual int Anchor(std::string_view /*folder*/) { return 0; }

    // True when the path is a folder this process can enter (the working folder is unchanged).
    virtual bool CanEnter(std::string_view folder) = 0;
    // True when something (file, folder, link) is at the path.
    virtual bool Exists(std::string_view path) = 0;

    // At most `count` bytes from the start of a file; fewer when the file is shorter.
    virtual int ReadFirstBytes(std::string_view path, std::size_t count, std::string& bytes) = 0;
    // At most `count` bytes from `offset` of a file: fewer where the file ends sooner, none when
    // it ends before `offset`. This default goes through ReadFirstBytes and so reads everything
    // before `offset` too; a file system on real files overrides it with a positioned read.
    virtual int ReadBytesAt(std::string_view path, std::uint64_t offset, std::size_t count,
                            std::string& bytes) {
        bytes.clear();
        if (offset > SIZE_MAX - count) return EOVERFLOW;
        std::string head;
        if (const int error =
                ReadFirstBytes(path, static_cast<std::size_t>(offset) + count, head)) {
            return error;
        }
        if (head.size() > offset) bytes.assign(head, static_cast<std::size_t>(offset));
        return 0;
    }
    // Opens a regular file for positioned reads (a folder gives EISDIR, anything else that is
    // no regular file EINVAL). This default reads through ReadBytesAt, path by path; a file
    // system on real files overrides it with one open descriptor.
    virtual std::unique_ptr<InputFile> OpenInput(std::string_view path, int& error);
    // Creates or empties the file and writes all bytes; on failure nothing partial remains.
    virtual int WriteFile(std::string_view path, std::string_view bytes) = 0;
    // Opens a file for appending, as the mode says.
    virtual std::unique_ptr<OutputFile> OpenOutput(std::string_view path, OutputMode mode,
                                                   int& error) = 0;

    // Opens a folder (absolute, links on the way followed) to reach its files from it: the
    // program's own files (the undo journal's state folder). With `createPrivate`, each missing
    // folder along the path is made first, the user's alone (0700). This default, of a file
    // system that holds no open files, fails with ENOTSUP.
    virtual std::unique_ptr<FolderHandle> OpenFolder(std::string_view path, bool createPrivate,
                                                     int& error);

    // The user's temporary folder, ending with the separator.
    virtual std::string TemporaryFolder() = 0;
    // "/", the home folder and mounted volumes, in that order.
    virtual std::vector<Root> Roots() = 0;
};

}  // namespace morvanex::platform

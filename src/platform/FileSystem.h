#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
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

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // The entries of a folder in the order the system lists them, each with its status. With
    // withAttributes false only the directory bit is filled (cheaper: no per-entry status read).
    virtual int ListFolder(std::string_view folder, bool withAttributes,
                           std::vector<DirectoryEntry>& entries) = 0;
    virtual int GetStatus(std::string_view path, FileStatus& status) = 0;
    // The identity of what the path leads to, links followed (a folder reached through a link
    // is the folder).
    virtual int GetIdentity(std::string_view path, FileIdentity& identity) = 0;
    virtual int GetAttributes(std::string_view path, std::uint8_t& attributes) = 0;
    // Applies read-only, hidden, system and archive; the directory bit is ignored.
    virtual int SetAttributes(std::string_view path, std::uint8_t attributes) = 0;
    // Sets modification and access time. The creation time cannot be set on most Linux file
    // systems; it is accepted and left as it is. A symbolic link gets the times itself.
    virtual int SetTimes(std::string_view path, Timestamp creation, Timestamp modification,
                         Timestamp access) = 0;
    // Gives a file back the times of a saved status, to the nanosecond where the host keeps
    // them (undo). Without fractions this is SetTimes.
    virtual int RestoreTimes(std::string_view path, const FileStatus& saved) {
        return SetTimes(path, saved.creation, saved.modification, saved.access);
    }

    // Moves (renames) a file or folder. Never replaces an existing `to`: fails with EEXIST.
    // A change of letter case only is made in place where the file system ignores case.
    virtual int Move(std::string_view from, std::string_view to) = 0;
    // Copies a file's contents, mode, attributes and modification time. Never replaces an
    // existing `to` (EEXIST); a failed copy leaves no partial file behind.
    virtual int Copy(std::string_view from, std::string_view to) = 0;
    virtual int CreateFolder(std::string_view path) = 0;
    virtual int DeleteFile(std::string_view path) = 0;

    // False where the file system at the path does not keep a file's inode number for as long
    // as the file exists (FAT, exFAT, NTFS and other FUSE file systems number files per mount):
    // there an identity cannot tell whether a file is still the same one.
    virtual bool KeepsIdentity(std::string_view /*path*/) { return true; }

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
    // Opens a file for appending (creating or emptying it first when truncate is set).
    virtual std::unique_ptr<OutputFile> OpenOutput(std::string_view path, bool truncate,
                                                   int& error) = 0;

    // The user's temporary folder, ending with the separator.
    virtual std::string TemporaryFolder() = 0;
    // "/", the home folder and mounted volumes, in that order.
    virtual std::vector<Root> Roots() = 0;
};

}  // namespace morvanex::platform

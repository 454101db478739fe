#pragma once

#include <dirent.h>

#include "platform/FileSystem.h"

namespace morvanex::platform {

// The file system of a POSIX host (UTF-8 names). Paths are converted at each system call; every
// host name has a CP932 form that converts back to exactly that name.
// Attributes: read-only is the absence of the owner's write bit; hidden is a name starting with
// "." or the stored flag; the archive, hidden and system flags are stored in the extended
// attribute "user.morvanex.attributes" where the file system allows it (a regular file without
// it counts as archive; a dot name's hidden flag is not stored, it comes with the name). A file
// system that keeps no user extended attributes (FAT and exFAT through FUSE, ramfs) or no modes
// (fusefat) keeps nothing of them: the flags read as the defaults and setting them succeeds
// without effect, as does read-only where the mode cannot be changed.
// A symbolic link is the link itself: its status (times, size, identity) is the link's, it is
// never read-only and has the default flags, and its attributes and times are changed on the
// link, never on its target. Linux keeps no mode and no user extended attributes for a link, so
// setting its attributes changes nothing and succeeds. Only a listing marks a link that leads to
// a folder as a folder (with `link` set), and GetIdentity follows links; Move renames the link,
// Copy copies what it leads to.
// A move never replaces a file. Where the file system refuses RENAME_NOREPLACE (FAT and exFAT
// through FUSE), a hard link takes the new name if it can; where links are refused too, the new
// name is first created exclusively (O_CREAT | O_EXCL: two runs, or any program that creates
// files that way, cannot both have it) and the file is then moved onto that empty reservation,
// once a probe with two temporary files in the folder has shown that the driver's rename takes
// the place of a file (once per mount). A folder cannot be moved that way; a failed move
// removes its reservation.
// Under an anchor (Anchor), the changes, and listings, reach a path's folder from a handle on
// the anchored folder, one folder at a time without following links, through a few cached
// handles that are checked to be still reached by their names.
// Statuses carry the file's identity (device and inode number) and the nanoseconds of its
// times. FUSE file systems that number what is looked up (fusefat, exfat-fuse) give one file a
// new number under another spelling of its name, after the kernel forgot it, and at each mount.
// The creation time is the birth time where the file system records one, else the modification
// time; it cannot be set. A folder's size is 0.
class PosixFileSystem : public FileSystem {
  public:
    PosixFileSystem();
    ~PosixFileSystem() override;
    PosixFileSystem(const PosixFileSystem&) = delete;
    PosixFileSystem& operator=(const PosixFileSystem&) = delete;

    int ListFolder(std::string_view folder, bool withAttributes,
                   std::vector<DirectoryEntry>& entries) override;
    int ListNames(std::string_view folder,
                  const std::function<void(std::string_view)>& each) override;
    int GetStatus(std::string_view path, FileStatus& status) override;
    int GetEntryStatus(std::string_view path, FileStatus& status) override;
    int GetIdentity(std::string_view path, FileIdentity& identity) override;
    int GetAttributes(std::string_view path, std::uint8_t& attributes) override;
    int SetAttributes(std::string_view path, std::uint8_t attributes,
                      const FileStatus* expected) override;
    int SetTimes(std::string_view path, Timestamp creation, Timestamp modification,
                 Timestamp access, const FileStatus* expected) override;
    int RestoreTimes(std::string_view path, const FileStatus& saved,
                     const FileStatus* expected) override;
    int Move(std::string_view from, std::string_view to, const FileStatus* expected) override;
    int MoveIf(std::string_view from, std::string_view to,
               const std::function<bool(const FileStatus&)>& isTheFile, FileStatus& found) override;
    int Copy(std::string_view from, std::string_view to, bool* destinationFailed) override;
    int CreateFolder(std::string_view path) override;
    int DeleteFile(std::string_view path) override;
    FolderTraits TraitsOf(std::string_view folder) override;
    int CanonicalPath(std::string_view path, std::string& canonical) override;
    int Anchor(std::string_view folder) override;
    bool CanEnter(std::string_view folder) override;
    bool Exists(std::string_view path) override;
    int ReadFirstBytes(std::string_view path, std::size_t count, std::string& bytes) override;
    int ReadBytesAt(std::string_view path, std::uint64_t offset, std::size_t count,
                    std::string& bytes) override;
    std::unique_ptr<InputFile> OpenInput(std::string_view path, int& error) override;
    int WriteFile(std::string_view path, std::string_view bytes) override;
    std::unique_ptr<OutputFile> OpenOutput(std::string_view path, OutputMode mode,
                                           int& error) override;
    std::unique_ptr<FolderHandle> OpenFolder(std::string_view path, bool createPrivate,
                                             int& error) override;
    std::string TemporaryFolder() override;
    std::vector<Root> Roots() override;

  private:
    // A move of the entry found at `from`, made when `check` accepts its status (read once, by
    // the folder's handle). A move to the entry's own name is checked only with `checkOwnName`.
    template <typename Check>
    int MoveChecked(std::string_view from, std::string_view to, bool checkOwnName,
                    const Check& check);
    // The folder opened for reading its entries (its host path in `host`).
    int OpenListing(std::string_view folder, std::string& host, DIR*& dir);
    int StatusOf(std::string_view path, FileStatus& status, bool storedFlags);

    // The anchor with its folder handles, and what is known of each mount.
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace morvanex::platform

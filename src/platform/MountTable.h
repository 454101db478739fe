#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

// What the mount table says of a file system, as text: read by PosixFileSystem to tell each
// folder's traits (FolderTraits), kept apart so that every kind of line is a row of a test.
namespace morvanex::platform {

// One line of /proc/self/mountinfo (host text, escapes undone).
struct MountEntry {
    int id = 0;                // the mount's number (statx's STATX_MNT_ID)
    std::uint64_t device = 0;  // makedev(major, minor) of its files
    std::string mountPoint;    // where it is mounted
    std::string type;          // "ext4", "fuse.fusefat", "fuseblk"
    std::string source;        // "/dev/sdb1", an image file, "fusefat"
    std::string superOptions;  // "rw,nocase", FUSE's "rw,user_id=0,..."
};

// False for a line that is not one of the table's.
bool ParseMountInfoLine(std::string_view line, MountEntry& entry);

// What a volume's first 512 bytes say it holds: "vfat", "exfat", "ntfs", or "" for anything
// else (the boot sector's file-system names).
std::string VolumeFormat(std::string_view firstSector);

// What a mount gives every folder on it.
struct MountTraits {
    FolderTraits traits;
    // The file system can make single folders ignore letter case (ext4, f2fs, tmpfs and
    // bcachefs folders with the casefold attribute): the folder itself must be asked.
    bool casefoldFolders = false;
    // Nothing in the table tells whether it ignores case (a network or unknown FUSE file
    // system): its names must be asked (traits.ignoresCase holds the cautious answer).
    bool caseUnknown = false;
};

// The traits of a mount from its line. `format` is what the volume holds (VolumeFormat, or the
// type udev found on the device) for a FUSE mount whose type does not name its driver ("fuse",
// "fuseblk"); "" when not known.
MountTraits TraitsOfMount(const MountEntry& entry, std::string_view format);

}  // namespace morvanex::platform

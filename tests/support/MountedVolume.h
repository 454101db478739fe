#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/TempFolder.h"

// Small file-system images made and mounted for a test: the kinds a photo passes through
// between a camera card and an archive. Making and mounting needs root, /dev/fuse, loop devices
// and the tools tools/install-deps.sh installs; a test without them skips the kind. Every mount
// stays in a mount namespace of this process's own and is undone whatever the end.
namespace morvanex::test {

// A kind of file system as a test makes and mounts it.
struct Volume {
    const char* name = "";
    std::vector<std::string> tools = {};  // needed on the PATH
    const char* kernelSupport = "";       // the name in /proc/filesystems it needs
    bool fuse = false;
    bool loop = false;      // mounted from its image through a loop device
    int imageMiB = 0;       // sparse; 0 for none
    std::string make = {};  // shell commands; IMAGE, DEVICE and DIR stand for the image, its
                            // loop device and the mount folder
    std::string mount = {};
    const char* feature = "";  // a file the kernel has where it supports what the kind needs
};

// In the kernel.
extern const Volume kExt4Volume;
extern const Volume kExt4CasefoldVolume;  // folders can be made to ignore case
extern const Volume kXfsVolume;
extern const Volume kBtrfsVolume;
extern const Volume kTmpfsVolume;
// Through their FUSE drivers (this kernel has no vfat): FAT16 and exFAT as on camera cards,
// and NTFS.
extern const Volume kFatVolume;
extern const Volume kExfatVolume;
extern const Volume kNtfsVolume;

// The text with every `what` replaced by `by`.
std::string Replaced(std::string text, const std::string& what, const std::string& by);
// The text as one word of a shell line.
std::string Quoted(const std::string& text);

class DriverSpace;
class LoopDevice;

// One volume of a kind, made in a temporary folder of its own and mounted there.
class MountedVolume {
  public:
    explicit MountedVolume(const Volume& volume);
    ~MountedVolume();
    MountedVolume(const MountedVolume&) = delete;
    MountedVolume& operator=(const MountedVolume&) = delete;

    enum class State { Mounted, Unavailable, Failed };
    struct Attached {
        State state = State::Failed;
        std::string why;  // what is missing (Unavailable) or what went wrong, with its output
    };
    // Makes the image and mounts it. Unavailable where this machine cannot (not root, no FUSE,
    // a tool missing, the tool refusing): the caller skips the kind.
    Attached Attach();
    // Also after a failure: nothing stays mounted.
    void Unmount();
    // The volume taken out and put back, as a card between two sessions; false with the log.
    bool Remount(std::string& log);

    // The mount folder (no separator at its end).
    const std::string& Folder() const { return m_folder; }

  private:
    bool Mount(std::string& log);
    // Runs a command here, or in `space`; its output goes to `log`.
    bool Shell(const std::string& command, std::string& log, DriverSpace* space = nullptr);

    const Volume& m_volume;
    TempFolder m_work;  // the image and the mount folder
    std::string m_folder;
    bool m_mounted = false;
    std::unique_ptr<LoopDevice> m_loop;      // for the kinds mounted from a block device
    std::unique_ptr<DriverSpace> m_drivers;  // where the mount command's processes run
};

}  // namespace morvanex::test

#include "support/MountedVolume.h"

#include <fcntl.h>
#include <linux/loop.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace morvanex::test {

const Volume kExt4Volume = {.name = "ext4",
                            .tools = {"mkfs.ext4", "mount"},
                            .kernelSupport = "ext4",
                            .loop = true,
                            .imageMiB = 8,
                            .make = "mkfs.ext4 -q -F IMAGE",
                            .mount = "mount -t ext4 DEVICE DIR"};
const Volume kExt4CasefoldVolume = {.name = "ext4_casefold",
                                    .tools = {"mkfs.ext4", "mount"},
                                    .kernelSupport = "ext4",
                                    .loop = true,
                                    .imageMiB = 8,
                                    .make = "mkfs.ext4 -q -F -O casefold IMAGE",
                                    .mount = "mount -t ext4 DEVICE DIR",
                                    .feature = "/sys/fs/ext4/features/casefold"};
// mkfs.xfs refuses less than 300 MiB; the sparse image costs a few.
const Volume kXfsVolume = {.name = "xfs",
                           .tools = {"mkfs.xfs", "mount"},
                           .kernelSupport = "xfs",
                           .loop = true,
                           .imageMiB = 300,
                           .make = "mkfs.xfs -q IMAGE",
                           .mount = "mount -t xfs DEVICE DIR"};
const Volume kBtrfsVolume = {.name = "btrfs",
                             .tools = {"mkfs.btrfs", "mount"},
                             .kernelSupport = "btrfs",
                             .loop = true,
                             .imageMiB = 128,
                             .make = "mkfs.btrfs -q IMAGE",
                             .mount = "mount -t btrfs DEVICE DIR"};
const Volume kTmpfsVolume = {.name = "tmpfs",
                             .tools = {"mount"},
                             .kernelSupport = "tmpfs",
                             .mount = "mount -t tmpfs -o size=16m morvanex-test DIR"};
// fusefat writes times as UTC and reads them as local time, so outside UTC every time it is
// given comes back off by the zone's offset: its daemon runs in UTC.
const Volume kFatVolume = {.name = "fat",
                           .tools = {"mkfs.fat", "fusefat"},
                           .kernelSupport = "fuse",
                           .fuse = true,
                           .imageMiB = 16,
                           .make = "mkfs.fat -F 16 IMAGE",
                           .mount = "TZ=UTC fusefat -o rw+ IMAGE DIR"};
// exfat-fuse needs a block device.
const Volume kExfatVolume = {.name = "exfat",
                             .tools = {"mkfs.exfat", "mount", "mount.exfat-fuse"},
                             .kernelSupport = "fuseblk",
                             .fuse = true,
                             .loop = true,
                             .imageMiB = 8,
                             .make = "mkfs.exfat IMAGE",
                             .mount = "mount -t exfat-fuse DEVICE DIR"};
const Volume kNtfsVolume = {.name = "ntfs",
                            .tools = {"mkntfs", "ntfs-3g"},
                            .kernelSupport = "fuse",
                            .fuse = true,
                            .imageMiB = 8,
                            .make = "mkntfs -F -Q IMAGE",
                            .mount = "ntfs-3g IMAGE DIR"};

std::string Replaced(std::string text, const std::string& what, const std::string& by) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at)) {
        text.replace(at, what.size(), by);
        at += by.size();
    }
    return text;
}

std::string Quoted(const std::string& text) {
    return "'" + Replaced(text, "'", "'\\''") + "'";
}

namespace {

// The tools live in the administrator's folders, which an ordinary PATH may lack.
const std::string kPath = "PATH=\"/usr/sbin:/sbin:$PATH\" ";

bool KernelSupports(const std::string& name) {
    std::ifstream filesystems("/proc/filesystems");
    for (std::string line; std::getline(filesystems, line);) {
        if (line.substr(line.find_last_of(" \t") + 1) == name) return true;
    }
    return false;
}

// Why this kind cannot be mounted here, or "" when it can be tried.
std::string WhyNot(const Volume& kind) {
    if (geteuid() != 0) return "making and mounting file systems needs root";
    if (kind.fuse && access("/dev/fuse", R_OK | W_OK) != 0) return "no usable /dev/fuse";
    if (kind.loop && access("/dev/loop-control", R_OK | W_OK) != 0) return "no loop devices";
    if (!KernelSupports(kind.kernelSupport)) {
        return std::string("the kernel has no ") + kind.kernelSupport;
    }
    if (*kind.feature != '\0' && access(kind.feature, F_OK) != 0) {
        return std::string("the kernel lacks ") + kind.feature;
    }
    for (const auto& tool : kind.tools) {
        if (std::system((kPath + "command -v " + tool + " >/dev/null 2>&1").c_str()) != 0) {
            return tool +
                   " is not on the PATH (tools/install-deps.sh installs the file system tools)";
        }
    }
    return "";
}

// The mounts of this process stay in a mount namespace of its own: nobody else sees them, and
// they are gone with the last process in it.
bool EnterPrivateMountNamespace() {
    static const bool entered = unshare(CLONE_NEWNS) == 0 &&
                                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return entered;
}

bool IsMountPoint(const std::string& folder) {
    struct stat inside {};
    struct stat parent {};
    return stat(folder.c_str(), &inside) == 0 && stat((folder + "/..").c_str(), &parent) == 0 &&
           inside.st_dev != parent.st_dev;
}

}  // namespace

// A PID namespace for one mount command and what it leaves running (a FUSE driver), whose first
// process stays until Close() or until this process ends: then the kernel ends whatever is left
// in it, so no driver outlives the test and keeps its mounts alive. This process itself stays in
// its own PID namespace (LeakSanitizer's tracer must see it).
class DriverSpace {
  public:
    DriverSpace() = default;
    DriverSpace(const DriverSpace&) = delete;
    DriverSpace& operator=(const DriverSpace&) = delete;
    ~DriverSpace() { Close(); }

    // Runs the shell line there; its exit status, -1 when the namespace cannot be made.
    int Run(const std::string& line) {
        int alive[2];
        int report[2];
        if (pipe2(alive, O_CLOEXEC) != 0) return -1;
        if (pipe2(report, O_CLOEXEC) != 0) {
            close(alive[0]);
            close(alive[1]);
            return -1;
        }
        const pid_t maker = fork();
        if (maker == 0) {
            // The namespace's first process is the child of the one that made the namespace.
            close(alive[1]);
            close(report[0]);
            if (unshare(CLONE_NEWPID) != 0) _exit(1);
            if (fork() != 0) _exit(0);
            Report outcome{std::system(line.c_str()), 0};
            char self[32] = {};  // this process's number outside its namespace
            if (readlink("/proc/self", self, sizeof self - 1) > 0) outcome.pid = std::atoi(self);
            if (write(report[1], &outcome, sizeof outcome) != sizeof outcome) _exit(1);
            close(report[1]);
            char byte = 0;
            while (read(alive[0], &byte, 1) < 0 && errno == EINTR) {
            }
            _exit(0);
        }
        close(alive[0]);
        close(report[1]);
        if (maker > 0) waitpid(maker, nullptr, 0);
        Report outcome{-1, 0};
        if (maker < 0 || read(report[0], &outcome, sizeof outcome) != sizeof outcome) {
            outcome = {-1, 0};
        }
        close(report[0]);
        m_first = outcome.pid;
        m_alive = alive[1];
        return outcome.status;
    }

    // Waits for every process left there but the first: a FUSE driver ends once its volume is
    // unmounted, after writing out what it still held. Then lets the first process go.
    void Close() {
        if (m_alive < 0) return;
        for (const pid_t driver : Others()) {
            // pidfd_open through syscall(): glibc 2.36's <sys/pidfd.h> lacks C linkage for C++.
            const auto handle = static_cast<int>(syscall(SYS_pidfd_open, driver, 0));
            if (handle < 0) continue;  // already gone
            pollfd ended{handle, POLLIN, 0};
            while (poll(&ended, 1, -1) < 0 && errno == EINTR) {
            }
            close(handle);
        }
        close(m_alive);
        m_alive = -1;
    }

  private:
    struct Report {
        int status;
        pid_t pid;
    };

    // The processes of the namespace besides its first one.
    std::vector<pid_t> Others() const {
        std::vector<pid_t> others;
        const std::string space = Namespace(m_first);
        if (space.empty()) return others;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
            const std::string name = entry.path().filename();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            const pid_t pid = std::stoi(name);
            if (pid != m_first && Namespace(pid) == space) others.push_back(pid);
        }
        return others;
    }

    static std::string Namespace(pid_t pid) {
        char name[64] = {};
        const std::string link = "/proc/" + std::to_string(pid) + "/ns/pid";
        return pid > 0 && readlink(link.c_str(), name, sizeof name - 1) > 0 ? name : "";
    }

    pid_t m_first = -1;
    int m_alive = -1;  // the write end of the pipe the first process waits on
};

// The image on a loop device of its own for the whole case, as a card stays in its reader: every
// mount of it, the remount too, is of the same device (mount -o loop would take whichever is
// free, and the kernel frees the last one only a moment after its unmount). The device lets go of
// the image by itself once this process, every process it started and every mount are done
// with it, however the test ends.
class LoopDevice {
  public:
    explicit LoopDevice(const std::string& image) {
        const int control = open("/dev/loop-control", O_RDWR | O_CLOEXEC);
        const int file = open(image.c_str(), O_RDWR | O_CLOEXEC);
        // Another process may take the free device first: then the next free one.
        for (int attempt = 0; control >= 0 && file >= 0 && m_device < 0 && attempt < 20;
             ++attempt) {
            const int number = ioctl(control, LOOP_CTL_GET_FREE);
            if (number < 0) break;
            const std::string path = "/dev/loop" + std::to_string(number);
            const int device = open(path.c_str(), O_RDWR | O_CLOEXEC);
            if (device < 0) continue;
            loop_config config{};
            config.fd = static_cast<std::uint32_t>(file);
            config.info.lo_flags = LO_FLAGS_AUTOCLEAR;
            if (ioctl(device, LOOP_CONFIGURE, &config) == 0) {
                m_device = device;
                m_path = path;
            } else {
                close(device);
            }
        }
        if (file >= 0) close(file);
        if (control >= 0) close(control);
    }
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;
    ~LoopDevice() {
        if (m_device >= 0) close(m_device);
    }

    // The device, "" when none could be had.
    const std::string& Path() const { return m_path; }

  private:
    int m_device = -1;
    std::string m_path;
};

MountedVolume::MountedVolume(const Volume& volume) : m_volume(volume) {}

MountedVolume::~MountedVolume() {
    Unmount();
}

MountedVolume::Attached MountedVolume::Attach() {
    if (const std::string why = WhyNot(m_volume); !why.empty()) return {State::Unavailable, why};
    if (!EnterPrivateMountNamespace())
        return {State::Failed,
                std::string("no mount namespace of its own: ") + std::strerror(errno)};
    m_folder = m_work.CreateFolder("mnt");
    if (m_folder.ends_with('/')) m_folder.pop_back();
    std::string log;
    if (m_volume.imageMiB > 0) {
        std::filesystem::resize_file(m_work.CreateFile("image"),
                                     static_cast<std::uintmax_t>(m_volume.imageMiB) << 20);
        if (!Shell(Replaced(m_volume.make, "IMAGE", Quoted(m_work / "image")), log))
            return {State::Unavailable, "cannot make it:\n" + log};
    }
    if (m_volume.loop) {
        m_loop = std::make_unique<LoopDevice>(m_work / "image");
        if (m_loop->Path().empty())
            return {State::Failed, std::string("no loop device: ") + std::strerror(errno)};
    }
    if (!Mount(log)) return {State::Unavailable, "cannot mount it:\n" + log};
    return {State::Mounted, ""};
}

bool MountedVolume::Mount(std::string& log) {
    std::string command = Replaced(m_volume.mount, "IMAGE", Quoted(m_work / "image"));
    if (m_loop) command = Replaced(command, "DEVICE", Quoted(m_loop->Path()));
    command = Replaced(command, "DIR", Quoted(m_folder));
    m_drivers = std::make_unique<DriverSpace>();
    m_mounted = Shell(command, log, m_drivers.get()) && IsMountPoint(m_folder);
    return m_mounted;
}

// Nothing of this process holds the volume between cases; should anyone else, it is detached
// and goes once they let go. The temporary folder then goes with the image (its loop device
// lets go of it once this object has).
void MountedVolume::Unmount() {
    if (m_mounted && umount2(m_folder.c_str(), 0) != 0) umount2(m_folder.c_str(), MNT_DETACH);
    m_mounted = false;
    m_drivers.reset();
}

bool MountedVolume::Remount(std::string& log) {
    Unmount();
    return Mount(log);
}

bool MountedVolume::Shell(const std::string& command, std::string& log, DriverSpace* space) {
    const std::string logFile = m_work / "log";
    const std::string line = kPath + command + " >" + Quoted(logFile) + " 2>&1";
    const int status = space != nullptr ? space->Run(line) : std::system(line.c_str());
    log = command + "\n" + m_work.ReadFile("log");
    return status == 0;
}

}  // namespace morvanex::test

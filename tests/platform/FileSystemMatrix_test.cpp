// Every kind of file system a photo passes through between a camera card and an archive, made
// as a small image and mounted for the test: ext4, xfs, btrfs and tmpfs in the kernel, FAT16,
// exFAT and NTFS through their FUSE drivers (this kernel has no vfat). PosixFileSystem and the
// whole command-line program are run on each. Making and mounting needs root, /dev/fuse, loop
// devices and the tools tools/install-deps.sh installs; each file system without them is skipped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <linux/loop.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/journal/Undo.h"
#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"
#include "support/CardSyscalls.h"
#include "support/TempFolder.h"

namespace morvanex::platform {
namespace {

constexpr std::int64_t kSecondNs = 1000000000;

// A kind of file system: how it is made and mounted, and what it keeps of a file.
struct Kind {
    const char* name = "";
    std::vector<std::string> tools = {};  // needed on the PATH
    const char* kernelSupport = "";       // the name in /proc/filesystems it needs
    bool fuse = false;
    bool loop = false;      // mounted from its image through a loop device
    int imageMiB = 0;       // sparse; 0 for none
    std::string make = {};  // shell commands; IMAGE, DEVICE and DIR stand for the image, its
                            // loop device and the mount folder
    std::string mount = {};
    bool ignoresCase = false;
    bool keepsReadOnly = false;  // through the owner's write bit
    bool keepsFlags = false;     // user extended attributes
    bool links = false;
    bool foreignNames = false;  // names beyond ASCII
    std::int64_t timeStepNs = 1;
    bool keepsAccess = true;   // an access time of its own
    FolderTraits traits = {};  // what TraitsOf answers for its folders
    const char* feature = "";  // a file the kernel has where it supports what the kind needs
    bool casefold = false;     // folders can be made to ignore case
};

const Kind kKinds[] = {
    {.name = "ext4",
     .tools = {"mkfs.ext4", "mount"},
     .kernelSupport = "ext4",
     .loop = true,
     .imageMiB = 8,
     .make = "mkfs.ext4 -q -F IMAGE",
     .mount = "mount -t ext4 DEVICE DIR",
     .keepsReadOnly = true,
     .keepsFlags = true,
     .links = true,
     .foreignNames = true,
     .traits = {"ext4", true, true, false, false}},
    // Folders with the casefold attribute ignore case, the rest of the volume does not.
    {.name = "ext4_casefold",
     .tools = {"mkfs.ext4", "mount"},
     .kernelSupport = "ext4",
     .loop = true,
     .imageMiB = 8,
     .make = "mkfs.ext4 -q -F -O casefold IMAGE",
     .mount = "mount -t ext4 DEVICE DIR",
     .keepsReadOnly = true,
     .keepsFlags = true,
     .links = true,
     .foreignNames = true,
     .traits = {"ext4", true, true, false, false},
     .feature = "/sys/fs/ext4/features/casefold",
     .casefold = true},
    // mkfs.xfs refuses less than 300 MiB; the sparse image costs a few.
    {.name = "xfs",
     .tools = {"mkfs.xfs", "mount"},
     .kernelSupport = "xfs",
     .loop = true,
     .imageMiB = 300,
     .make = "mkfs.xfs -q IMAGE",
     .mount = "mount -t xfs DEVICE DIR",
     .keepsReadOnly = true,
     .keepsFlags = true,
     .links = true,
     .foreignNames = true,
     .traits = {"xfs", true, true, false, false}},
    {.name = "btrfs",
     .tools = {"mkfs.btrfs", "mount"},
     .kernelSupport = "btrfs",
     .loop = true,
     .imageMiB = 128,
     .make = "mkfs.btrfs -q IMAGE",
     .mount = "mount -t btrfs DEVICE DIR",
     .keepsReadOnly = true,
     .keepsFlags = true,
     .links = true,
     .foreignNames = true,
     .traits = {"btrfs", true, true, false, false}},
    {.name = "tmpfs",
     .tools = {"mount"},
     .kernelSupport = "tmpfs",
     .mount = "mount -t tmpfs -o size=16m morvanex-test DIR",
     .keepsReadOnly = true,
     .keepsFlags = true,
     .links = true,
     .foreignNames = true,
     .traits = {"tmpfs", true, true, false, false}},
    // fusefat keeps no modes, no extended attributes, no links and only ASCII long names; its
    // times go in two-second steps and the access time reads as the modification time. It
    // writes times as UTC and reads them as local time, so outside UTC every time it is given
    // comes back off by the zone's offset: its daemon runs in UTC here.
    {.name = "fat",
     .tools = {"mkfs.fat", "fusefat"},
     .kernelSupport = "fuse",
     .fuse = true,
     .imageMiB = 16,
     .make = "mkfs.fat -F 16 IMAGE",
     .mount = "TZ=UTC fusefat -o rw+ IMAGE DIR",
     .ignoresCase = true,
     .timeStepNs = 2 * kSecondNs,
     .keepsAccess = false,
     .traits = {"fuse.fusefat", false, false, true, true}},
    // exfat-fuse needs a block device; it accepts every mode and keeps none.
    {.name = "exfat",
     .tools = {"mkfs.exfat", "mount", "mount.exfat-fuse"},
     .kernelSupport = "fuseblk",
     .fuse = true,
     .loop = true,
     .imageMiB = 8,
     .make = "mkfs.exfat IMAGE",
     .mount = "mount -t exfat-fuse DEVICE DIR",
     .ignoresCase = true,
     .foreignNames = true,
     .timeStepNs = kSecondNs,
     .traits = {"fuseblk (exfat)", false, false, true, true}},
    // ntfs-3g tells case apart by default, keeps user extended attributes and links, accepts
    // every mode without keeping one (no "permissions" option), and keeps 100 ns steps.
    {.name = "ntfs",
     .tools = {"mkntfs", "ntfs-3g"},
     .kernelSupport = "fuse",
     .fuse = true,
     .imageMiB = 8,
     .make = "mkntfs -F -Q IMAGE",
     .mount = "ntfs-3g IMAGE DIR",
     .keepsFlags = true,
     .links = true,
     .foreignNames = true,
     .timeStepNs = 100,
     .traits = {"fuse (ntfs)", false, false, true, false}},
};

// Failures name the file system, not the bytes of its description.
void PrintTo(const Kind& kind, std::ostream* out) {
    *out << kind.name;
}

// The tools live in the administrator's folders, which an ordinary PATH may lack.
const std::string kPath = "PATH=\"/usr/sbin:/sbin:$PATH\" ";

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

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

bool KernelSupports(const std::string& name) {
    std::ifstream filesystems("/proc/filesystems");
    for (std::string line; std::getline(filesystems, line);) {
        if (line.substr(line.find_last_of(" \t") + 1) == name) return true;
    }
    return false;
}

// Why this kind cannot be mounted here, or "" when it can be tried.
std::string WhyNot(const Kind& kind) {
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

bool IsMountPoint(const std::string& folder) {
    struct stat inside {};
    struct stat parent {};
    return stat(folder.c_str(), &inside) == 0 && stat((folder + "/..").c_str(), &parent) == 0 &&
           inside.st_dev != parent.st_dev;
}

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Host-side helpers for one case's own folder on the mounted file system.
struct Place {
    std::string host;  // ends with '/'

    std::string P(std::string_view relative) const {
        return test::Cp932(host + std::string(relative));
    }
    void Write(const std::string& relative, const std::string& contents) const {
        std::ofstream out(host + relative, std::ios::binary | std::ios::trunc);
        out << contents;
        ASSERT_TRUE(out.good()) << host + relative;
    }
    std::string Read(const std::string& relative) const { return ReadAll(host + relative); }
    // The names the folder lists, sorted.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(host, ec)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

std::int64_t Ns(Timestamp seconds, std::uint32_t ns) {
    return static_cast<std::int64_t>(seconds) * kSecondNs + ns;
}

class FileSystemMatrix : public testing::TestWithParam<Kind> {
  protected:
    void SetUp() override {
        const Kind& kind = GetParam();
        if (const std::string why = WhyNot(kind); !why.empty()) {
            GTEST_SKIP() << kind.name << " left out: " << why;
        }
        ASSERT_TRUE(EnterPrivateMountNamespace())
            << "no mount namespace of its own: " << std::strerror(errno);
        m_folder = work.CreateFolder("mnt");
        std::string log;
        if (kind.imageMiB > 0) {
            std::filesystem::resize_file(work.CreateFile("image"),
                                         static_cast<std::uintmax_t>(kind.imageMiB) << 20);
            if (!Shell(Replaced(kind.make, "IMAGE", Quoted(work / "image")), log)) {
                GTEST_SKIP() << kind.name << " left out: cannot make it:\n" << log;
            }
        }
        if (kind.loop) {
            m_loop = std::make_unique<LoopDevice>(work / "image");
            ASSERT_FALSE(m_loop->Path().empty()) << "no loop device: " << std::strerror(errno);
        }
        if (!Mount(log)) GTEST_SKIP() << kind.name << " left out: cannot mount it:\n" << log;
    }

    // Also after a failure: nothing stays mounted, and the temporary folder then goes with the
    // image (its loop device lets go of it once the fixture has).
    void TearDown() override { Unmount(); }

    bool Mount(std::string& log) {
        std::string command = Replaced(GetParam().mount, "IMAGE", Quoted(work / "image"));
        if (m_loop) command = Replaced(command, "DEVICE", Quoted(m_loop->Path()));
        command = Replaced(command, "DIR", Quoted(m_folder));
        m_drivers = std::make_unique<DriverSpace>();
        m_mounted = Shell(command, log, m_drivers.get()) && IsMountPoint(m_folder);
        return m_mounted;
    }

    // Nothing of this process holds the volume between cases; should anyone else, it is
    // detached and goes once they let go.
    void Unmount() {
        if (m_mounted && umount2(m_folder.c_str(), 0) != 0) umount2(m_folder.c_str(), MNT_DETACH);
        m_mounted = false;
        m_drivers.reset();
    }

    // The volume taken out and put back, as a card between two sessions.
    void Remount() {
        Unmount();
        std::string log;
        ASSERT_TRUE(Mount(log)) << log;
    }

    // Runs a command here, or in `space`; its output goes to `log`.
    bool Shell(const std::string& command, std::string& log, DriverSpace* space = nullptr) {
        const std::string logFile = work / "log";
        const std::string line = kPath + command + " >" + Quoted(logFile) + " 2>&1";
        const int status = space != nullptr ? space->Run(line) : std::system(line.c_str());
        log = command + "\n" + ReadAll(logFile);
        return status == 0;
    }

    // A fresh folder of its own on the mounted file system for one case.
    Place NewPlace(const std::string& name) {
        const std::string host = m_folder + "/" + name + "/";
        std::filesystem::create_directory(host);
        return {host};
    }

    // The program as scripts run it, in the folder of `place`, with a journal of its own.
    CliResult Cli(const Place& place, const std::string& arguments) {
        const char* cli = std::getenv("MORVANEX_CLI");
        EXPECT_NE(cli, nullptr) << "MORVANEX_CLI is set by CTest";
        const std::string command =
            "cd " + Quoted(place.host) + " && XDG_STATE_HOME=" + Quoted(state.Path()) + " " +
            Quoted(cli != nullptr ? cli : "false") + " " + arguments + " </dev/null >" +
            Quoted(state / "out") + " 2>" + Quoted(state / "err");
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, state.ReadFile("out"),
                state.ReadFile("err")};
    }

    test::TempFolder work;   // the image and the mount folder
    test::TempFolder state;  // the program's journal, on the host's own file system
    PosixFileSystem fs;

  private:
    std::string m_folder;
    bool m_mounted = false;
    std::unique_ptr<LoopDevice> m_loop;      // for the kinds mounted from a block device
    std::unique_ptr<DriverSpace> m_drivers;  // where the mount command's processes run
};

// A job: "IMG_" + four-digit sequence + "." + extension, names sorted ascending.
const char kSequenceJob[] =
    "[ParameterSaveFile]\r\nApplicationName=MorvaneX\r\n[RenameOption]\r\n"
    "SelectedPart00=1\r\nStrPart00=IMG_\r\nSelectedPart01=6\r\nStrPart01=1\r\n"
    "DigitNum01=4\r\nSelectedPart02=5\r\nSelectedPart03=3\r\nSelectedPart04=0\r\n"
    "SelectedPart05=0\r\n";
// A job that only makes whole names lower case.
const char kLowerCaseJob[] =
    "[ParameterSaveFile]\r\nApplicationName=MorvaneX\r\n[RenameOption]\r\nEnableRename=0\r\n"
    "[LetterChangeOption]\r\nEnableLetterChange=1\r\nChangeMode=1\r\n";

TEST_P(FileSystemMatrix, EveryOperationKeepsItsPromise) {
    const Kind& kind = GetParam();
    struct Row {
        const char* name;
        std::function<void(const Place&)> check;
    } rows[] = {
        {"rename",
         [&](const Place& at) {
             at.Write("a", "A");
             at.Write("b", "B");
             std::filesystem::create_directory(at.host + "d");
             EXPECT_EQ(fs.Move(at.P("a"), at.P("c"), nullptr), 0);
             EXPECT_EQ(fs.Move(at.P("c"), at.P("b"), nullptr), EEXIST);
             EXPECT_EQ(fs.Move(at.P("c"), at.P("d"), nullptr), EEXIST);
             // Where the system cannot refuse a taken name, a folder is not moved at all.
             EXPECT_EQ(fs.Move(at.P("d"), at.P("e"), nullptr),
                       kind.traits.noReplaceMove ? 0 : ENOTSUP);
             EXPECT_EQ(fs.Move(at.P("a"), at.P("f"), nullptr), ENOENT);
             EXPECT_EQ(at.Names(),
                       (std::vector<std::string>{"b", "c", kind.traits.noReplaceMove ? "e" : "d"}));
             EXPECT_EQ(at.Read("b"), "B");
             EXPECT_EQ(at.Read("c"), "A");
         }},
        {"case_only",
         [&](const Place& at) {
             // The file system may refuse the other spelling as taken; the run's move goes
             // through a temporary name then.
             at.Write("IMG_0001.JPG", "photo");
             EXPECT_EQ(engine::MoveKeepingCase(fs, at.P("IMG_0001.JPG"), at.P("img_0001.jpg"),
                                               at.P(".via"), nullptr),
                       0);
             EXPECT_EQ(at.Names(), (std::vector<std::string>{"img_0001.jpg"}));
             EXPECT_EQ(engine::MoveKeepingCase(fs, at.P("img_0001.jpg"), at.P("Img_0001.Jpg"),
                                               at.P(".via"), nullptr),
                       0);
             EXPECT_EQ(at.Names(), (std::vector<std::string>{"Img_0001.Jpg"}));
             EXPECT_EQ(at.Read("Img_0001.Jpg"), "photo");
         }},
        // Where case is ignored the other spelling names another file; where it is told apart,
        // the other spelling is another file. Either way nothing is replaced.
        {"case_variant_of_another_file",
         [&](const Place& at) {
             const std::string from = kind.ignoresCase ? "b.txt" : "a.txt";
             at.Write("A.TXT", "upper");
             at.Write(from, "other");
             if (kind.ignoresCase) {
                 EXPECT_EQ(fs.Move(at.P(from), at.P("a.txt"), nullptr), EEXIST);
             }
             EXPECT_EQ(fs.Move(at.P(from), at.P("A.TXT"), nullptr), EEXIST);
             EXPECT_EQ(at.Read("A.TXT"), "upper");
             EXPECT_EQ(at.Read(from), "other");
             EXPECT_EQ(at.Names().size(), 2u);
         }},
        {"copy",
         [&](const Place& at) {
             at.Write("a", std::string(100000, 'a'));
             at.Write("b", "B");
             std::filesystem::create_directory(at.host + "d");
             ASSERT_EQ(fs.SetTimes(at.P("a"), 0, 1000000000, 1000000000, nullptr), 0);
             EXPECT_EQ(fs.Copy(at.P("a"), at.P("c"), nullptr), 0);
             EXPECT_EQ(fs.Copy(at.P("a"), at.P("b"), nullptr), EEXIST);
             EXPECT_EQ(fs.Copy(at.P("d"), at.P("e"), nullptr), EISDIR);
             EXPECT_EQ(at.Read("c"), std::string(100000, 'a'));
             EXPECT_EQ(at.Read("b"), "B");
             EXPECT_EQ(at.Names(), (std::vector<std::string>{"a", "b", "c", "d"}));
             FileStatus copy;
             ASSERT_EQ(fs.GetStatus(at.P("c"), copy), 0);
             EXPECT_EQ(copy.modification, 1000000000);
         }},
        {"read_only",
         [&](const Place& at) {
             at.Write("f", "F");
             std::filesystem::create_directory(at.host + "d");
             for (const char* path : {"f", "d"}) {
                 std::uint8_t attributes = 0;
                 EXPECT_EQ(fs.SetAttributes(at.P(path), attr::kReadOnly, nullptr), 0) << path;
                 ASSERT_EQ(fs.GetAttributes(at.P(path), attributes), 0) << path;
                 EXPECT_EQ((attributes & attr::kReadOnly) != 0, kind.keepsReadOnly) << path;
                 EXPECT_EQ(fs.SetAttributes(at.P(path), attr::kNormal, nullptr), 0) << path;
                 ASSERT_EQ(fs.GetAttributes(at.P(path), attributes), 0) << path;
                 EXPECT_EQ(attributes & attr::kReadOnly, 0) << path;
             }
             std::ofstream writable(at.host + "f", std::ios::app);
             EXPECT_TRUE(writable.is_open());
         }},
        {"flags",
         [&](const Place& at) {
             at.Write("f", "F");
             std::filesystem::create_directory(at.host + "d");
             struct Step {
                 const char* path;
                 std::uint8_t set, kept, lost;
             } steps[] = {
                 {"f", attr::kHidden | attr::kSystem | attr::kArchive,
                  attr::kHidden | attr::kSystem | attr::kArchive, attr::kArchive},
                 {"f", attr::kNormal, attr::kNormal, attr::kArchive},
                 {"f", attr::kArchive, attr::kArchive, attr::kArchive},
                 {"d", attr::kHidden | attr::kArchive,
                  attr::kDirectory | attr::kHidden | attr::kArchive, attr::kDirectory},
                 {"d", attr::kNormal, attr::kDirectory, attr::kDirectory},
             };
             for (const auto& step : steps) {
                 EXPECT_EQ(fs.SetAttributes(at.P(step.path), step.set, nullptr), 0)
                     << int{step.set};
                 std::uint8_t attributes = 0;
                 ASSERT_EQ(fs.GetAttributes(at.P(step.path), attributes), 0);
                 EXPECT_EQ(attributes, kind.keepsFlags ? step.kept : step.lost) << int{step.set};
             }
         }},
        {"times",
         [&](const Place& at) {
             at.Write("f", "F");
             std::filesystem::create_directory(at.host + "d");
             // Exact where the file system keeps nanoseconds, else within one of its steps.
             const auto expectTimes = [&](const FileStatus& got, const FileStatus& wanted) {
                 const auto within = [&](std::int64_t a, std::int64_t b) {
                     return kind.timeStepNs == 1 ? a == b : std::abs(a - b) < kind.timeStepNs;
                 };
                 EXPECT_TRUE(within(Ns(got.modification, got.modificationNs),
                                    Ns(wanted.modification, wanted.modificationNs)))
                     << got.modification << "." << got.modificationNs;
                 if (kind.keepsAccess) {
                     EXPECT_TRUE(
                         within(Ns(got.access, got.accessNs), Ns(wanted.access, wanted.accessNs)))
                         << got.access << "." << got.accessNs;
                 }
             };
             for (const char* path : {"f", "d"}) {
                 SCOPED_TRACE(path);
                 // Odd seconds and fractions, which FAT and exFAT cannot keep.
                 FileStatus wanted;
                 wanted.modification = 1000000001;
                 wanted.access = 1100000003;
                 ASSERT_EQ(fs.SetTimes(at.P(path), 0, wanted.modification, wanted.access, nullptr),
                           0);
                 FileStatus status;
                 ASSERT_EQ(fs.GetStatus(at.P(path), status), 0);
                 expectTimes(status, wanted);

                 wanted = status;
                 wanted.modification = 1200000001;
                 wanted.modificationNs = 987654321;
                 wanted.access = 1300000001;
                 wanted.accessNs = 123456789;
                 ASSERT_EQ(fs.RestoreTimes(at.P(path), wanted, nullptr), 0);
                 ASSERT_EQ(fs.GetStatus(at.P(path), status), 0);
                 expectTimes(status, wanted);
             }
         }},
        // Within one mount two reads of one file tell the same file, two files differ.
        {"identity",
         [&](const Place& at) {
             at.Write("a", "A");
             at.Write("b", "B");
             FileStatus first;
             FileStatus second;
             FileStatus other;
             ASSERT_EQ(fs.GetStatus(at.P("a"), first), 0);
             ASSERT_EQ(fs.GetStatus(at.P("a"), second), 0);
             ASSERT_EQ(fs.GetStatus(at.P("b"), other), 0);
             EXPECT_NE(first.identity.inode, 0u);
             EXPECT_EQ(first.identity, second.identity);
             EXPECT_NE(first.identity, other.identity);
             FileIdentity followed;
             ASSERT_EQ(fs.GetIdentity(at.P("a"), followed), 0);
             EXPECT_EQ(followed, first.identity);
             std::vector<DirectoryEntry> entries;
             ASSERT_EQ(fs.ListFolder(at.P(""), true, entries), 0);
             for (const auto& entry : entries) {
                 EXPECT_EQ(entry.status.identity,
                           entry.name == "a" ? first.identity : other.identity)
                     << entry.name;
             }
         }},
        {"listing",
         [&](const Place& at) {
             std::map<std::string, bool> expected;  // name -> folder
             for (int i = 0; i < 40; ++i) {
                 const std::string name = "IMG_" + std::to_string(1000 + i) + ".JPG";
                 at.Write(name, name);
                 expected[name] = false;
             }
             for (const char* folder : {"sub", "Long folder name.d"}) {
                 std::filesystem::create_directory(at.host + folder);
                 expected[folder] = true;
             }
             if (kind.foreignNames) {
                 const std::string photo = "\xE5\x86\x99\xE7\x9C\x9F.jpg";  // 写真.jpg
                 at.Write(photo, photo);
                 expected[photo] = false;
             }
             for (const bool withAttributes : {true, false}) {
                 std::vector<DirectoryEntry> entries;
                 ASSERT_EQ(fs.ListFolder(at.P(""), withAttributes, entries), 0);
                 std::map<std::string, bool> listed;
                 for (const auto& entry : entries) {
                     const std::string host = Utf8FromCp932(entry.name);
                     const bool folder = (entry.attributes & attr::kDirectory) != 0;
                     EXPECT_TRUE(listed.emplace(host, folder).second) << host;
                     if (withAttributes && !folder) {
                         EXPECT_EQ(entry.status.size, static_cast<std::int64_t>(host.size()))
                             << host;
                     }
                 }
                 EXPECT_EQ(listed, expected) << "with attributes " << withAttributes;
             }
         }},
        {"links",
         [&](const Place& at) {
             if (!kind.links) {
                 EXPECT_NE(symlink("t", (at.host + "l").c_str()), 0) << "links after all";
                 return;
             }
             at.Write("t", "T");
             ASSERT_EQ(symlink("t", (at.host + "l").c_str()), 0);
             ASSERT_EQ(fs.SetTimes(at.P("t"), 0, 1000000000, 1000000000, nullptr), 0);
             EXPECT_EQ(fs.SetTimes(at.P("l"), 0, 1200000000, 1200000000, nullptr), 0);
             EXPECT_EQ(fs.SetAttributes(at.P("l"), attr::kReadOnly | attr::kHidden, nullptr), 0);
             FileStatus link;
             FileStatus target;
             ASSERT_EQ(fs.GetStatus(at.P("l"), link), 0);
             ASSERT_EQ(fs.GetStatus(at.P("t"), target), 0);
             EXPECT_TRUE(link.link);
             EXPECT_EQ(link.modification, 1200000000);
             EXPECT_EQ(link.attributes, attr::kArchive);
             EXPECT_NE(link.identity, target.identity);
             EXPECT_FALSE(target.link);
             EXPECT_EQ(target.modification, 1000000000);
             EXPECT_EQ(target.attributes, attr::kArchive);
             EXPECT_EQ(fs.Move(at.P("l"), at.P("m"), nullptr), 0);
             EXPECT_EQ(std::filesystem::read_symlink(at.host + "m"), "t");
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(kind.name) + "/" + row.name);
        row.check(NewPlace(row.name));
    }
}

// The move on a card's driver, which refuses RENAME_NOREPLACE and links: a second move onto the
// name while the first waits between taking it and renaming finds it taken; undo-safe names and
// the folder's traits as every check asks them.
TEST_P(FileSystemMatrix, NamesAreTakenOnceAndTraitsAreKnown) {
    const Kind& kind = GetParam();
    struct Row {
        const char* name;
        std::function<void(const Place&)> check;
    } rows[] = {
        {"traits",
         [&](const Place& at) {
             EXPECT_EQ(fs.TraitsOf(at.P("")), kind.traits);
             EXPECT_EQ(fs.TraitsOf(at.P("not/made/yet/")), kind.traits) << "the nearest folder";
         }},
        {"casefold_folder",
         [&](const Place& at) {
             if (!kind.casefold) return;
             std::filesystem::create_directory(at.host + "folded");
             const int folder = open((at.host + "folded").c_str(), O_RDONLY | O_DIRECTORY);
             int flags = 0;
             ASSERT_EQ(ioctl(folder, FS_IOC_GETFLAGS, &flags), 0);
             flags |= FS_CASEFOLD_FL;
             ASSERT_EQ(ioctl(folder, FS_IOC_SETFLAGS, &flags), 0);
             close(folder);
             EXPECT_TRUE(fs.TraitsOf(at.P("folded/")).ignoresCase);
             EXPECT_FALSE(fs.TraitsOf(at.P("")).ignoresCase);
         }},
        {"reservation_race",
         [&](const Place& at) {
             at.Write("a.jpg", "A");
             at.Write("b.jpg", "B");
             test::HeldRename held("X.jpg",
                                   [&] { return fs.Move(at.P("b.jpg"), at.P("X.jpg"), nullptr); });
             if (!held.Supported()) GTEST_SKIP() << "no seccomp listener on this machine";
             ASSERT_TRUE(held.Held());
             const pid_t second = fork();
             if (second == 0) {
                 _exit(test::RefuseLikeACard(test::CardRefuses::NoReplaceNorLinks)
                           ? fs.Move(at.P("a.jpg"), at.P("X.jpg"), nullptr)
                           : 255);
             }
             int status = 0;
             waitpid(second, &status, 0);
             EXPECT_EQ(WEXITSTATUS(status), EEXIST);
             EXPECT_EQ(held.Release(), 0);
             EXPECT_EQ(at.Names(), (std::vector<std::string>{"X.jpg", "a.jpg"}));
             EXPECT_EQ(at.Read("X.jpg"), "B");
             EXPECT_EQ(at.Read("a.jpg"), "A");
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(kind.name) + "/" + row.name);
        row.check(NewPlace(row.name));
    }
}

TEST_P(FileSystemMatrix, CommandLineRunsAndUndoes) {
    const Kind& kind = GetParam();
    struct Row {
        const char* name;
        const char* job;
        std::map<std::string, std::string> before;  // name -> contents
        std::vector<std::string> after;             // the names after the run, sorted
        bool remount;                               // between the run and the undo
    } rows[] = {
        {"cli_sequence",
         kSequenceJob,
         {{"b.jpg", "B"}, {"a.jpg", "A"}, {"c.txt", "C"}},
         {"IMG_0001.jpg", "IMG_0002.jpg", "IMG_0003.txt"},
         false},
        // The card taken out after the run and put back before the undo: the FUSE drivers of
        // FAT and exFAT then give every file a new inode number.
        {"cli_sequence_remounted",
         kSequenceJob,
         {{"b.jpg", "B"}, {"a.jpg", "A"}},
         {"IMG_0001.jpg", "IMG_0002.jpg"},
         true},
        // On FAT and exFAT a pure change of letter case: the file itself is at the new name.
        {"cli_lower_case",
         kLowerCaseJob,
         {{"IMG_0001.JPG", "1"}, {"IMG_0002.JPG", "2"}, {"Mixed.Jpg", "3"}},
         {"img_0001.jpg", "img_0002.jpg", "mixed.jpg"},
         false},
        {"cli_lower_case_remounted",
         kLowerCaseJob,
         {{"IMG_0001.JPG", "1"}},
         {"img_0001.jpg"},
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(kind.name) + "/" + row.name);
        // tmpfs keeps nothing when it is unmounted.
        if (row.remount && kind.imageMiB == 0) continue;
        const Place at = NewPlace(row.name);
        const std::string job = state.CreateFile(std::string(row.name) + ".mvx", row.job);
        for (const auto& [name, contents] : row.before) at.Write(name, contents);

        const CliResult run = Cli(at, "run " + Quoted(job) + " --folder .");
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_EQ(at.Names(), row.after);
        if (row.remount) Remount();

        const CliResult undo = Cli(at, "undo --yes");
        EXPECT_EQ(undo.status, 0) << undo.out << undo.err;
        std::vector<std::string> names;
        for (const auto& [name, contents] : row.before) {
            names.push_back(name);
            EXPECT_EQ(at.Read(name), contents) << name;
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(at.Names(), names);
    }
}

// Names Windows cannot open are refused on the volumes it reads (code 10, the rule named) and
// made elsewhere: copied onto the volume from the host, or renamed there.
TEST_P(FileSystemMatrix, NamesWindowsCannotOpenStayOffItsVolumes) {
    const Kind& kind = GetParam();
    struct Row {
        const char* name;
        std::string job;
        std::string source;  // a file of the host (copy) or of the volume (rename)
        std::string made;    // the name made where the rules do not apply
    } rows[] = {
        {"copy_onto_the_volume",
         "[RenameOption]\r\nEnableRename=0\r\n[CopyToDir]\r\nEnableCopy=1\r\nFullPath=DEST\r\n",
         "host:a:b.txt", "a:b.txt"},
        {"trailing_blank",
         "[RenameOption]\r\nEnableRename=0\r\n[StringChangeOption]\r\nEnableStringChange=1\r\n"
         "ChangeBefore001=.txt\r\nChangeAfter001=\".txt \"\r\n",
         "one.txt", "one.txt "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(kind.name) + "/" + row.name);
        const Place at = NewPlace(row.name);
        const bool copy = row.source.starts_with("host:");
        test::TempFolder host;
        const std::string file = copy ? row.source.substr(5) : row.source;
        if (copy) {
            host.CreateFile(file, "contents");
        } else {
            at.Write(file, "contents");
        }
        const std::string job = state.CreateFile(
            std::string(row.name) + ".mvx", "[ParameterSaveFile]\r\nApplicationName=MorvaneX\r\n" +
                                                Replaced(row.job, "DEST", at.host));
        const CliResult run =
            Cli(at, "run " + Quoted(job) + " --folder " + Quoted(copy ? host.Path() : at.host));
        if (kind.traits.windowsNames) {
            EXPECT_EQ(run.status, 1) << run.out << run.err;
            EXPECT_NE(run.err.find("Error Code : 10\n"), std::string::npos) << run.err;
            EXPECT_NE(run.err.find(kind.traits.fileSystem), std::string::npos) << run.err;
            EXPECT_EQ(at.Names(),
                      copy ? std::vector<std::string>{} : std::vector<std::string>{file});
        } else {
            EXPECT_EQ(run.status, 0) << run.out << run.err;
            EXPECT_EQ(at.Read(row.made), "contents");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(FileSystems, FileSystemMatrix, testing::ValuesIn(kKinds),
                         [](const testing::TestParamInfo<Kind>& kind) {
                             return std::string(kind.param.name);
                         });

}  // namespace
}  // namespace morvanex::platform

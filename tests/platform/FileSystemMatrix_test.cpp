// Every kind of file system a photo passes through between a camera card and an archive, made
// as a small image and mounted for the test (support/MountedVolume.h): ext4, xfs, btrfs and
// tmpfs in the kernel, FAT16, exFAT and NTFS through their FUSE drivers. PosixFileSystem and the
// whole command-line program are run on each; each file system this machine cannot mount is
// skipped.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
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
#include "support/MountedVolume.h"
#include "support/TempFolder.h"

namespace morvanex::platform {
namespace {

constexpr std::int64_t kSecondNs = 1000000000;

// A kind of file system: how it is made and mounted, and what it keeps of a file.
struct Kind {
    const test::Volume* volume = nullptr;
    bool ignoresCase = false;
    bool keepsReadOnly = false;  // through the owner's write bit
    bool keepsFlags = false;     // user extended attributes
    bool links = false;
    bool foreignNames = false;  // names beyond ASCII
    std::int64_t timeStepNs = 1;
    bool keepsAccess = true;   // an access time of its own
    FolderTraits traits = {};  // what TraitsOf answers for its folders
    bool casefold = false;     // folders can be made to ignore case
};

const Kind kKinds[] = {
    {.volume = &test::kExt4Volume,
     .keepsReadOnly = true,
     .keepsFlags = true,
     .links = true,
     .foreignNames = true,
     .traits = {"ext4", true, true, false, false}},
    // Folders with the casefold attribute ignore case, the rest of the volume does not.
    {.volume = &test::kExt4CasefoldVolume,
     .keepsReadOnly = true,
     .keepsFlags = true,
     .links = true,
     .foreignNames = true,
     .traits = {"ext4", true, true, false, false},
     .casefold = true},
    {.volume = &test::kXfsVolume,
     .keepsReadOnly = true,
     .keepsFlags = true,
     .links = true,
     .foreignNames = true,
     .traits = {"xfs", true, true, false, false}},
    {.volume = &test::kBtrfsVolume,
     .keepsReadOnly = true,
     .keepsFlags = true,
     .links = true,
     .foreignNames = true,
     .traits = {"btrfs", true, true, false, false}},
    {.volume = &test::kTmpfsVolume,
     .keepsReadOnly = true,
     .keepsFlags = true,
     .links = true,
     .foreignNames = true,
     .traits = {"tmpfs", true, true, false, false}},
    // fusefat keeps no modes, no extended attributes, no links and only ASCII long names; its
    // times go in two-second steps and the access time reads as the modification time.
    {.volume = &test::kFatVolume,
     .ignoresCase = true,
     .timeStepNs = 2 * kSecondNs,
     .keepsAccess = false,
     .traits = {"fuse.fusefat", false, false, true, true}},
    // exfat-fuse accepts every mode and keeps none.
    {.volume = &test::kExfatVolume,
     .ignoresCase = true,
     .foreignNames = true,
     .timeStepNs = kSecondNs,
     .traits = {"fuseblk (exfat)", false, false, true, true}},
    // ntfs-3g tells case apart by default, keeps user extended attributes and links, accepts
    // every mode without keeping one (no "permissions" option), and keeps 100 ns steps.
    {.volume = &test::kNtfsVolume,
     .keepsFlags = true,
     .links = true,
     .foreignNames = true,
     .timeStepNs = 100,
     .traits = {"fuse (ntfs)", false, false, true, false}},
};

// Failures name the file system, not the bytes of its description.
void PrintTo(const Kind& kind, std::ostream* out) {
    *out << kind.volume->name;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
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
        m_volume = std::make_unique<test::MountedVolume>(*kind.volume);
        const test::MountedVolume::Attached attached = m_volume->Attach();
        if (attached.state == test::MountedVolume::State::Unavailable)
            GTEST_SKIP() << kind.volume->name << " left out: " << attached.why;
        ASSERT_EQ(attached.state, test::MountedVolume::State::Mounted) << attached.why;
        m_folder = m_volume->Folder();
    }

    // Also after a failure: nothing stays mounted.
    void TearDown() override { m_volume.reset(); }

    // The volume taken out and put back, as a card between two sessions.
    void Remount() {
        std::string log;
        ASSERT_TRUE(m_volume->Remount(log)) << log;
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
            "cd " + test::Quoted(place.host) + " && XDG_STATE_HOME=" + test::Quoted(state.Path()) +
            " " + test::Quoted(cli != nullptr ? cli : "false") + " " + arguments + " </dev/null >" +
            test::Quoted(state / "out") + " 2>" + test::Quoted(state / "err");
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, state.ReadFile("out"),
                state.ReadFile("err")};
    }

    test::TempFolder state;  // the program's journal, on the host's own file system
    PosixFileSystem fs;

  private:
    std::unique_ptr<test::MountedVolume> m_volume;
    std::string m_folder;
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
        SCOPED_TRACE(std::string(kind.volume->name) + "/" + row.name);
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
        SCOPED_TRACE(std::string(kind.volume->name) + "/" + row.name);
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
        SCOPED_TRACE(std::string(kind.volume->name) + "/" + row.name);
        // tmpfs keeps nothing when it is unmounted.
        if (row.remount && kind.volume->imageMiB == 0) continue;
        const Place at = NewPlace(row.name);
        const std::string job = state.CreateFile(std::string(row.name) + ".mvx", row.job);
        for (const auto& [name, contents] : row.before) at.Write(name, contents);

        const CliResult run = Cli(at, "run " + test::Quoted(job) + " --folder .");
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
        SCOPED_TRACE(std::string(kind.volume->name) + "/" + row.name);
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
                                                test::Replaced(row.job, "DEST", at.host));
        const CliResult run = Cli(at, "run " + test::Quoted(job) + " --folder " +
                                          test::Quoted(copy ? host.Path() : at.host));
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
                             return std::string(kind.param.volume->name);
                         });

}  // namespace
}  // namespace morvanex::platform

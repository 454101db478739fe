#include "platform/PosixFileSystem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "support/CardSyscalls.h"
#include "support/FaultInjectingFileSystem.h"
#include "support/ForeignNames.h"
#include "support/InChild.h"
#include "support/TempFolder.h"

namespace morvanex::platform {
namespace {

using test::FaultInjectingFileSystem;
using test::InChild;

// Whether a file found is still the one listed, by what its file system keeps: identity and birth
// where it numbers its files, else its size and a time the card may give at another precision.
TEST(IsSameEntry, TellsAFileByWhatItsFileSystemKeeps) {
    FileStatus listed;
    listed.identity = {8, 100};
    listed.birth = 5'000'000'123;
    listed.size = 10;
    listed.modification = 1000;
    listed.modificationNs = 400'000'000;
    const struct {
        const char* name;
        bool keepsIdentity;
        void (*change)(FileStatus&);
        bool same;
    } rows[] = {
        {"identity/contents_changed", true, [](FileStatus& f) { f.size = 11; }, true},
        {"identity/inode_given_again", true, [](FileStatus& f) { f.birth += 1; }, false},
        {"identity/no_birth_time_changed", true,
         [](FileStatus& f) { f.birth = 0, f.modificationNs = 0; }, false},
        {"card/time_read_again_coarser", false, [](FileStatus& f) { f.modificationNs = 0; }, true},
        {"card/within_two_seconds", false, [](FileStatus& f) { f.modification -= 2; }, true},
        {"card/three_seconds_apart", false, [](FileStatus& f) { f.modification += 3; }, false},
        {"card/other_size", false, [](FileStatus& f) { f.size = 11; }, false},
        {"card/a_folder_now", false, [](FileStatus& f) { f.attributes = attr::kDirectory; }, false},
    };
    for (const auto& row : rows) {
        FileStatus found = listed;
        row.change(found);
        EXPECT_EQ(IsSameEntry(listed, found, row.keepsIdentity), row.same) << row.name;
    }
}

// Files larger than `bytes` fail with EFBIG from here on, like a disk that fills up midway.
void LimitFileSize(rlim_t bytes) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
}

bool HasStoredFlags(const std::string& hostPath) {
    return getxattr(hostPath.c_str(), "user.morvanex.attributes", nullptr, 0) >= 0;
}

// Folders end with "/"; a content starting with "->" makes a symbolic link to the rest.
void Populate(test::TempFolder& folder, const std::map<std::string, std::string>& files) {
    for (const auto& [name, content] : files) {
        if (name.ends_with('/')) {
            folder.CreateFolder(name);
        } else if (content.starts_with("->")) {
            folder.CreateSymlink(content.substr(2), name);
        } else {
            folder.CreateFile(name, content);
        }
    }
}

class PosixFileSystemTest : public testing::Test {
  protected:
    std::string P(std::string_view relative) const { return temp.Cp932Path(relative); }
    void Create(const std::map<std::string, std::string>& files) { Populate(temp, files); }

    std::vector<std::string> Listed(std::string_view folder = "") {
        std::vector<DirectoryEntry> entries;
        EXPECT_EQ(fs.ListFolder(P(folder), false, entries), 0);
        std::vector<std::string> names;
        for (const auto& entry : entries) names.push_back(Utf8FromCp932(entry.name));
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempFolder temp;
    PosixFileSystem fs;
};

// --- Move and Copy never replace anything ---

TEST_F(PosixFileSystemTest, MoveAndCopyNeverReplace) {
    struct Row {
        const char* name;
        std::map<std::string, std::string> before;
        bool copy;
        std::string from, to;
        int error;
        std::map<std::string, std::string> after;
        std::vector<std::string> absent;
    } rows[] = {
        {"move/onto_file",
         {{"a", "A"}, {"b", "B"}},
         false,
         "a",
         "b",
         EEXIST,
         {{"a", "A"}, {"b", "B"}},
         {}},
        {"move/case_variant_is_another_file",
         {{"a.txt", "lower"}, {"A.TXT", "upper"}},
         false,
         "a.txt",
         "A.TXT",
         EEXIST,
         {{"a.txt", "lower"}, {"A.TXT", "upper"}},
         {}},
        {"move/case_only",
         {{"a.txt", "A"}},
         false,
         "a.txt",
         "A.TXT",
         0,
         {{"A.TXT", "A"}},
         {"a.txt"}},
        {"move/onto_dangling_link",
         {{"a", "A"}, {"b", "->gone"}},
         false,
         "a",
         "b",
         EEXIST,
         {{"a", "A"}},
         {"gone"}},
        {"move/folder_onto_empty_folder",
         {{"d1/f", "F"}, {"d2/", ""}},
         false,
         "d1",
         "d2",
         EEXIST,
         {{"d1/f", "F"}},
         {"d2/f"}},
        {"move/folder", {{"d1/f", "F"}}, false, "d1/", "d3", 0, {{"d3/f", "F"}}, {"d1"}},
        {"move/missing_source", {}, false, "a", "b", ENOENT, {}, {"b"}},
        {"move/into_missing_folder",
         {{"a", "A"}},
         false,
         "a",
         "no/a",
         ENOENT,
         {{"a", "A"}},
         {"no"}},
        {"copy/onto_file",
         {{"a", "A"}, {"b", "B"}},
         true,
         "a",
         "b",
         EEXIST,
         {{"a", "A"}, {"b", "B"}},
         {}},
        {"copy/onto_dangling_link",
         {{"a", "A"}, {"b", "->gone"}},
         true,
         "a",
         "b",
         EEXIST,
         {{"a", "A"}},
         {"gone"}},
        {"copy/new", {{"a", "A"}}, true, "a", "c", 0, {{"a", "A"}, {"c", "A"}}, {}},
        {"copy/folder", {{"d1/f", "F"}}, true, "d1", "d2", EISDIR, {{"d1/f", "F"}}, {"d2"}},
        {"copy/missing_source", {}, true, "a", "b", ENOENT, {}, {"b"}},
        {"copy/into_missing_folder", {{"a", "A"}}, true, "a", "no/a", ENOENT, {{"a", "A"}}, {"no"}},
    };
    for (const auto& row : rows) {
        test::TempFolder folder;
        Populate(folder, row.before);
        const std::string from = folder.Cp932Path(row.from);
        const std::string to = folder.Cp932Path(row.to);
        EXPECT_EQ(row.copy ? fs.Copy(from, to, nullptr) : fs.Move(from, to, nullptr), row.error)
            << row.name;
        for (const auto& [name, content] : row.after) {
            EXPECT_EQ(folder.ReadFile(name), content) << row.name << ": " << name;
        }
        for (const auto& name : row.absent) EXPECT_FALSE(folder.Exists(name)) << row.name;
    }
}

TEST_F(PosixFileSystemTest, MoveBetweenTwoLinksOfOneFileReplacesNeither) {
    // Two names of one file look like a case-insensitive file system's single entry.
    temp.CreateFile("a.txt", "same");
    ASSERT_EQ(link((temp / "a.txt").c_str(), (temp / "A.TXT").c_str()), 0);
    EXPECT_EQ(fs.Move(P("a.txt"), P("A.TXT"), nullptr), EEXIST);
    EXPECT_EQ(Listed(), (std::vector<std::string>{"A.TXT", "a.txt"}));

    EXPECT_EQ(fs.Move(P("a.txt"), P("a.txt"), nullptr), 0);
    EXPECT_EQ(Listed(), (std::vector<std::string>{"A.TXT", "a.txt"}));
}

TEST_F(PosixFileSystemTest, MoveOntoACaseVariantThatIsAnotherFileTouchesNeither) {
    Create({{"a.txt", "lower"}, {"A.TXT", "upper"}});
    struct stat before {};
    ASSERT_EQ(lstat((temp / "a.txt").c_str(), &before), 0);
    // A rename, even one taken back, would stamp the file with a later change time. Here the
    // clock is the point: the wait lets it move past the file system's time step, so that such
    // a stamp would show.
    usleep(20000);
    EXPECT_EQ(fs.Move(P("a.txt"), P("A.TXT"), nullptr), EEXIST);
    struct stat after {};
    ASSERT_EQ(lstat((temp / "a.txt").c_str(), &after), 0);
    EXPECT_EQ(after.st_ctim.tv_sec, before.st_ctim.tv_sec);
    EXPECT_EQ(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
    EXPECT_EQ(Listed(), (std::vector<std::string>{"A.TXT", "a.txt"}));
}

// Where the file system does not know RENAME_NOREPLACE a hard link takes the new name; where it
// refuses links too (FAT and exFAT through FUSE) the name is reserved first. Either way nothing
// is replaced, and nothing of the move's own is left behind.
TEST_F(PosixFileSystemTest, MoveNeverReplacesWhereTheSystemCannotRefuseATakenName) {
    struct Row {
        const char* name;
        test::CardRefuses refuses;
        std::vector<int> errors;  // renameat2 itself, then the moves below
        std::vector<std::string> after;
    } rows[] = {
        // A folder has no hard links, and cannot take the place of a reserved name: it stays.
        {"hard_links",
         test::CardRefuses::NoReplace,
         {EINVAL, EEXIST, EEXIST, ENOTSUP, 0, ENOTSUP},
         {"C.TXT", "b", "c.txt", "d1", "d2", "moved"}},
        {"reserved_names",
         test::CardRefuses::NoReplaceNorLinks,
         {EINVAL, EEXIST, EEXIST, ENOTSUP, 0, ENOTSUP},
         {"C.TXT", "b", "c.txt", "d1", "d2", "moved"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempFolder folder;
        Populate(
            folder,
            {{"a", "A"}, {"b", "B"}, {"c.txt", "c"}, {"C.TXT", "C"}, {"d1/f", "F"}, {"d2/", ""}});
        const auto path = [&](const char* name) { return folder.Cp932Path(name); };
        const auto report = InChild([&] {
            if (!test::RefuseLikeACard(row.refuses)) return std::vector<int>{-1};
            const int probe = renameat2(AT_FDCWD, "/nonexistent-a", AT_FDCWD, "/nonexistent-b",
                                        RENAME_NOREPLACE) == 0
                                  ? 0
                                  : errno;
            return std::vector<int>{probe,
                                    fs.Move(path("a"), path("b"), nullptr),
                                    fs.Move(path("c.txt"), path("C.TXT"), nullptr),
                                    fs.Move(path("d1"), path("d2"), nullptr),
                                    fs.Move(path("a"), path("moved"), nullptr),
                                    fs.Move(path("d1"), path("d3"), nullptr)};
        });
        ASSERT_FALSE(report.empty());
        if (report[0] == -1) GTEST_SKIP() << "no seccomp filter on this machine";
        EXPECT_EQ(report, row.errors);
        EXPECT_EQ(folder.ReadFile("b"), "B");
        EXPECT_EQ(folder.ReadFile("C.TXT"), "C");
        EXPECT_EQ(folder.ReadFile("c.txt"), "c");
        EXPECT_EQ(folder.ReadFile("moved"), "A");
        std::vector<DirectoryEntry> entries;
        ASSERT_EQ(fs.ListFolder(folder.Cp932Path(""), false, entries), 0);
        std::vector<std::string> names;
        for (const auto& entry : entries) names.push_back(entry.name);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, row.after) << "no reservation or probe left";
    }
}

// Two moves onto one name where the file system cannot refuse a taken name itself: the first is
// held between taking the name and its rename(2) while the other comes. The name is taken for
// good from the first moment, so the second never replaces the first file (before, each looked,
// found the name free, and the later rename replaced the earlier file).
TEST_F(PosixFileSystemTest, TwoMovesOntoOneNameNeverReplaceEachOther) {
    struct Row {
        const char* name;
        const char* held;  // the rename that waits: onto the name, or the probe's
        std::function<int(test::TempFolder&)> meanwhile;
        int meanwhileError, releaseWith, heldError;
        std::vector<std::string> after;
    } rows[] = {
        {"race/a_second_move_of_ours",
         "X.jpg",
         [&](test::TempFolder& folder) {
             return InChild([&] {
                        if (!test::RefuseLikeACard(test::CardRefuses::NoReplaceNorLinks))
                            return std::vector<int>{-1};
                        return std::vector<int>{
                            fs.Move(folder.Cp932Path("a.jpg"), folder.Cp932Path("X.jpg"), nullptr)};
                    })
                 .at(0);
         },
         EEXIST,
         0,
         0,
         {"X.jpg", "a.jpg"}},
        {"race/a_program_that_creates_exclusively",
         "X.jpg",
         [](test::TempFolder& folder) {
             const int fd = ::open((folder / "X.jpg").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
             if (fd >= 0) ::close(fd);
             return fd >= 0 ? 0 : errno;
         },
         EEXIST,
         0,
         0,
         {"X.jpg", "a.jpg"}},
        // A driver whose rename keeps the file it should replace: no move is made there.
        {"probe/rename_does_not_replace",
         ".morvanex-probe-",
         [](test::TempFolder&) { return 0; },
         0,
         EEXIST,
         ENOTSUP,
         {"a.jpg", "b.jpg"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempFolder folder;
        folder.CreateFile("a.jpg", "A");
        folder.CreateFile("b.jpg", "B");
        PosixFileSystem own;
        test::HeldRename held(row.held, [&] {
            return own.Move(folder.Cp932Path("b.jpg"), folder.Cp932Path("X.jpg"), nullptr);
        });
        if (!held.Supported()) GTEST_SKIP() << "no seccomp listener on this machine";
        ASSERT_TRUE(held.Held());
        EXPECT_EQ(row.meanwhile(folder), row.meanwhileError);
        EXPECT_EQ(held.Release(row.releaseWith), row.heldError);
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, row.after);
        EXPECT_EQ(folder.ReadFile("a.jpg"), "A");
        EXPECT_EQ(folder.ReadFile(row.heldError == 0 ? "X.jpg" : "b.jpg"), "B");
    }
}

// Under an anchor a change reaches only the entry that was listed: a folder on the way swapped
// for a link (to a folder outside the tree), moved away, or the entry swapped for another file
// or a link, fails the change and leaves everything as it was.
TEST_F(PosixFileSystemTest, ChangesReachOnlyTheEntryListed) {
    using Change = std::function<int(FileSystem&, const std::string&, const FileStatus&)>;
    const Change move = [](FileSystem& f, const std::string& path, const FileStatus& listed) {
        return f.Move(path, path + ".new", &listed);
    };
    // The caller's own check, on the status the move reads.
    const Change moveIf = [](FileSystem& f, const std::string& path, const FileStatus& listed) {
        FileStatus found;
        const int error = f.MoveIf(
            path, path + ".new",
            [&](const FileStatus& entry) { return IsSameEntry(listed, entry, true); }, found);
        EXPECT_EQ(found.size, error == 0 ? listed.size : found.size);
        return error;
    };
    const Change refused = [](FileSystem& f, const std::string& path, const FileStatus&) {
        FileStatus found;
        return f.MoveIf(
            path, path + ".new", [](const FileStatus&) { return false; }, found);
    };
    const Change attributes = [](FileSystem& f, const std::string& path, const FileStatus& listed) {
        return f.SetAttributes(path, attr::kReadOnly | attr::kHidden, &listed);
    };
    const Change times = [](FileSystem& f, const std::string& path, const FileStatus& listed) {
        return f.SetTimes(path, 0, 1000000000, 1000000000, &listed);
    };
    const Change listing = [](FileSystem& f, const std::string& path, const FileStatus&) {
        std::vector<DirectoryEntry> entries;
        return f.ListFolder(DirectoryOf(path), true, entries);
    };
    enum class Swap { None, FolderForLink, FolderMoved, FileForFile, FileForLink };
    struct Row {
        const char* name;
        bool anchored;
        bool cached;  // the folder was listed (and its handle kept) before the swap
        Swap swap;
        const char* entry;
        Change change;
        int error;
    } rows[] = {
        {"folder_for_link/move", true, true, Swap::FolderForLink, "sub/f", move, ESTALE},
        {"folder_for_link/attributes", true, true, Swap::FolderForLink, "sub/f", attributes,
         ESTALE},
        {"folder_for_link/times", true, true, Swap::FolderForLink, "sub/f", times, ESTALE},
        {"folder_for_link/listing", true, true, Swap::FolderForLink, "sub/f", listing, ESTALE},
        {"folder_for_link/never_reached_before", true, false, Swap::FolderForLink, "sub/f", move,
         ESTALE},
        {"folder_for_link/move_if", true, true, Swap::FolderForLink, "sub/f", moveIf, ESTALE},
        {"folder_moved/move", true, true, Swap::FolderMoved, "sub/f", move, ENOENT},
        {"file_for_file/move_if", true, true, Swap::FileForFile, "g", moveIf, ESTALE},
        {"file_for_link/move_if", true, true, Swap::FileForLink, "sub/f", moveIf, ESTALE},
        {"unchanged/move_if", true, true, Swap::None, "sub/f", moveIf, 0},
        {"unchanged/move_if_refused", true, true, Swap::None, "sub/f", refused, ESTALE},
        {"file_for_file/move", true, true, Swap::FileForFile, "g", move, ESTALE},
        {"file_for_link/attributes", true, true, Swap::FileForLink, "g", attributes, ESTALE},
        {"file_for_link/move", true, true, Swap::FileForLink, "sub/f", move, ESTALE},
        {"without_anchor/file_for_file", false, true, Swap::FileForFile, "sub/f", move, ESTALE},
        {"unchanged/move", true, true, Swap::None, "sub/f", move, 0},
        {"unchanged/listing", true, true, Swap::None, "sub/f", listing, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempFolder root;
        test::TempFolder outside;
        Populate(root, {{"sub/f", "inside"}, {"g", "G"}});
        Populate(outside, {{"f", "outside"}, {"g", "outside"}});
        outside.SetModificationTime("f", 1200000000);
        const auto outsideBefore = std::filesystem::last_write_time(outside / "f");
        PosixFileSystem anchored;
        if (row.anchored) {
            ASSERT_EQ(anchored.Anchor(root.Cp932Path("")), 0);
        }
        const std::string path = root.Cp932Path(row.entry);
        FileStatus listed;
        ASSERT_EQ(anchored.GetStatus(path, listed), 0);
        std::vector<DirectoryEntry> entries;
        if (row.cached) {
            ASSERT_EQ(anchored.ListFolder(root.Cp932Path("sub/"), true, entries), 0);
        }
        switch (row.swap) {
            case Swap::None:
                break;
            case Swap::FolderForLink:
                std::filesystem::rename(root / "sub", root / "sub.real");
                std::filesystem::create_directory_symlink(outside.Path(), root / "sub");
                break;
            case Swap::FolderMoved:
                std::filesystem::rename(root / "sub", root / "sub.moved");
                break;
            case Swap::FileForFile:
                std::filesystem::remove(root / row.entry);
                root.CreateFile(row.entry, "another");
                root.SetModificationTime(row.entry, 1300000000);
                break;
            case Swap::FileForLink:
                std::filesystem::remove(root / row.entry);
                std::filesystem::create_symlink(outside / "f", root / row.entry);
                break;
        }
        EXPECT_EQ(row.change(anchored, path, listed), row.error);
        EXPECT_EQ(outside.ReadFile("f"), "outside");
        EXPECT_FALSE(outside.Exists("f.new"));
        EXPECT_EQ(std::filesystem::last_write_time(outside / "f"), outsideBefore);
        std::uint8_t outsideAttributes = 0;
        ASSERT_EQ(fs.GetAttributes(outside.Cp932Path("f"), outsideAttributes), 0);
        EXPECT_EQ(outsideAttributes, attr::kArchive);
        if (row.swap == Swap::FileForFile) {
            EXPECT_EQ(root.ReadFile(row.entry), "another");
        }
        if (std::string_view(row.name).starts_with("unchanged/move")) {
            EXPECT_EQ(root.Exists(std::string(row.entry) + ".new"), row.error == 0);
        }
        EXPECT_EQ(anchored.Anchor(""), 0);
    }
}

// --- Copy ---

TEST_F(PosixFileSystemTest, CopyIsByteIdenticalAndKeepsModeTimeAndAttributes) {
    std::string content;
    for (unsigned i = 0; i < 300000; ++i) content += static_cast<char>(i * 7919u % 251);
    temp.CreateFile("src", content);
    ASSERT_EQ(fs.SetAttributes(P("src"), attr::kSystem | attr::kReadOnly, nullptr), 0);
    temp.SetModificationTime("src", 978307200);

    ASSERT_EQ(fs.Copy(P("src"), P("dst"), nullptr), 0);
    EXPECT_EQ(temp.ReadFile("dst"), content);
    EXPECT_EQ(temp.ReadFile("src"), content);
    EXPECT_EQ(temp.ModificationTime("dst"), 978307200);
    EXPECT_EQ(temp.ModificationTime("src"), 978307200);
    std::uint8_t attributes = 0;
    ASSERT_EQ(fs.GetAttributes(P("dst"), attributes), 0);
    EXPECT_EQ(attributes, attr::kSystem | attr::kReadOnly);
    struct stat src {};
    struct stat dst {};
    ASSERT_EQ(stat((temp / "src").c_str(), &src), 0);
    ASSERT_EQ(stat((temp / "dst").c_str(), &dst), 0);
    EXPECT_EQ(dst.st_mode, src.st_mode);
}

TEST_F(PosixFileSystemTest, FailureMidwayLeavesNoPartialFile) {
    const std::string content(256 * 1024, 'x');
    temp.CreateFile("src", content);
    const auto report = InChild([&] {
        LimitFileSize(64 * 1024);
        int appendError = 0;
        const auto out = fs.OpenOutput(P("log"), OutputMode::kNew, appendError);
        if (out) appendError = out->Append(content);
        return std::vector<int>{fs.Copy(P("src"), P("copy"), nullptr),
                                fs.WriteFile(P("written"), content), appendError};
    });
    EXPECT_EQ(report, (std::vector<int>{EFBIG, EFBIG, EFBIG}));
    EXPECT_FALSE(temp.Exists("copy"));
    EXPECT_FALSE(temp.Exists("written"));
    EXPECT_EQ(temp.ReadFile("src"), content);
}

// --- Listing ---

TEST_F(PosixFileSystemTest, ListingGivesEveryEntryOnceWithItsDirectoryBit) {
    Create({{"a", "A"},
            {".hidden", ""},
            {"sub/inner", ""},
            {"to_sub", "->sub"},
            {"dangling", "->gone"}});
    const std::map<std::string, std::uint8_t> expected = {
        {"a", attr::kArchive},        {".hidden", attr::kHidden | attr::kArchive},
        {"sub", attr::kDirectory},    {"to_sub", attr::kDirectory},
        {"dangling", attr::kArchive},
    };
    for (const bool withAttributes : {true, false}) {
        for (const std::string& folder : {P(""), P("sub/..")}) {
            std::vector<DirectoryEntry> entries;
            ASSERT_EQ(fs.ListFolder(folder, withAttributes, entries), 0);
            std::map<std::string, std::uint8_t> listed;
            for (const auto& entry : entries) {
                EXPECT_TRUE(listed.emplace(entry.name, entry.attributes).second) << entry.name;
            }
            for (auto [name, attributes] : expected) {
                if (!withAttributes) attributes &= attr::kDirectory;
                EXPECT_EQ(listed[name], attributes) << name << " with " << withAttributes;
            }
            EXPECT_EQ(listed.size(), expected.size()) << "never . or ..";
        }
    }
    std::vector<DirectoryEntry> entries;
    EXPECT_EQ(fs.ListFolder(P("missing"), true, entries), ENOENT);
    EXPECT_EQ(fs.ListFolder(P("a"), true, entries), ENOTDIR);
    const auto nothing = [](std::string_view name) { ADD_FAILURE() << name; };
    EXPECT_EQ(fs.ListNames(P("missing"), nothing), ENOENT);
    EXPECT_EQ(fs.ListNames(P("a"), nothing), ENOTDIR);
}

TEST_F(PosixFileSystemTest, ForeignNamesListMoveAndStatUnchanged) {
    const std::string names[] = {"caf\xC3\xA9.txt", "\xF0\x9F\x98\x80.jpg", "raw\xE9.txt",
                                 "\xE5\x86\x99\xE7\x9C\x9F.jpg"};
    for (const auto& name : names) temp.CreateFile(name, name);
    std::vector<DirectoryEntry> entries;
    ASSERT_EQ(fs.ListFolder(P(""), true, entries), 0);
    ASSERT_EQ(entries.size(), std::size(names));
    for (const auto& entry : entries) {
        const std::string host = Utf8FromCp932(entry.name);
        ASSERT_TRUE(std::find(std::begin(names), std::end(names), host) != std::end(names)) << host;
        FileStatus status;
        ASSERT_EQ(fs.GetStatus(P("") + entry.name, status), 0) << host;
        EXPECT_EQ(status.size, static_cast<std::int64_t>(host.size())) << host;
        ASSERT_EQ(fs.Move(P("") + entry.name, P("") + "new-" + entry.name, nullptr), 0) << host;
        EXPECT_EQ(temp.ReadFile("new-" + host), host);
    }
}

TEST_F(PosixFileSystemTest, TwentyThousandForeignNamesAllListAndComeBack) {
    const std::vector<std::string> names = test::ForeignCharacters(20000);
    for (const auto& name : names) {
        const int fd = ::open((temp / name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0) << name;
        ::close(fd);
    }
    std::vector<DirectoryEntry> entries;
    ASSERT_EQ(fs.ListFolder(P(""), false, entries), 0);
    ASSERT_EQ(entries.size(), names.size());
    std::vector<std::string> listed;
    for (const auto& entry : entries) listed.push_back(Utf8FromCp932(entry.name));
    std::sort(listed.begin(), listed.end());
    std::vector<std::string> expected = names;
    std::sort(expected.begin(), expected.end());
    EXPECT_TRUE(listed == expected);
    // The names alone come in the listing's form and order.
    std::size_t at = 0;
    ASSERT_EQ(fs.ListNames(P(""),
                           [&](std::string_view name) {
                               ASSERT_LT(at, entries.size());
                               EXPECT_EQ(name, entries[at++].name);
                           }),
              0);
    EXPECT_EQ(at, entries.size());
    // The form a listing gives is the one any conversion gives, so a saved path finds its file.
    FileStatus status;
    EXPECT_EQ(fs.GetStatus(P("") + Cp932FromUtf8(names.back()), status), 0);
}

// --- Attributes ---

TEST_F(PosixFileSystemTest, AttributesReadFromModeNameAndStoredFlags) {
    struct Row {
        const char* name;
        std::string path;  // a folder ends with "/"
        unsigned mode;     // 0: as created
        std::uint8_t expected;
    } rows[] = {
        {"file/archive_by_default", "f", 0, attr::kArchive},
        {"file/read_only_without_owner_write", "r", 0444, attr::kReadOnly | attr::kArchive},
        {"file/owner_write_is_enough", "w", 0200, attr::kArchive},
        {"file/hidden_by_dot_name", ".h", 0, attr::kHidden | attr::kArchive},
        {"folder/plain", "d/", 0, attr::kDirectory},
        {"folder/read_only", "rd/", 0555, attr::kDirectory | attr::kReadOnly},
        {"folder/hidden_by_dot_name", ".hd/", 0, attr::kDirectory | attr::kHidden},
    };
    for (const auto& row : rows) {
        Create({{row.path, ""}});
        if (row.mode != 0) temp.SetMode(row.path, row.mode);
        std::uint8_t attributes = 0;
        ASSERT_EQ(fs.GetAttributes(P(row.path), attributes), 0) << row.name;
        EXPECT_EQ(attributes, row.expected) << row.name;
    }
}

TEST_F(PosixFileSystemTest, AttributesRoundTrip) {
    struct Row {
        const char* name;
        std::string path;
        std::uint8_t set, expected;
        bool stored;  // whether the flags must be kept in the extended attribute
    } rows[] = {
        {"file/hidden", "f1", attr::kHidden, attr::kHidden, true},
        {"file/system", "f2", attr::kSystem, attr::kSystem, true},
        {"file/archive_is_the_default", "f3", attr::kArchive, attr::kArchive, false},
        {"file/normal", "f4", attr::kNormal, attr::kNormal, true},
        {"file/none_reads_normal", "f5", 0, attr::kNormal, true},
        {"file/normal_with_read_only", "f6", attr::kNormal | attr::kReadOnly, attr::kReadOnly,
         true},
        {"file/all", "f7", 0x27, 0x27, true},
        {"file/directory_bit_ignored", "f8", attr::kDirectory | attr::kArchive, attr::kArchive,
         false},
        {"folder/archive", "d1/", attr::kArchive, attr::kDirectory | attr::kArchive, true},
        {"folder/none_is_the_default", "d2/", attr::kNormal, attr::kDirectory, false},
        {"folder/read_only_hidden", "d3/", attr::kReadOnly | attr::kHidden,
         attr::kDirectory | attr::kReadOnly | attr::kHidden, true},
        {"dot_name/hidden_not_stored", ".f", attr::kHidden | attr::kArchive,
         attr::kHidden | attr::kArchive, false},
        {"dot_name/cannot_unhide", ".g", attr::kArchive, attr::kHidden | attr::kArchive, false},
    };
    for (const auto& row : rows) {
        Create({{row.path, ""}});
        // From a state other than the default, so that the default must be restored.
        ASSERT_EQ(fs.SetAttributes(P(row.path), attr::kSystem, nullptr), 0) << row.name;
        ASSERT_EQ(fs.SetAttributes(P(row.path), row.set, nullptr), 0) << row.name;
        std::uint8_t attributes = 0;
        ASSERT_EQ(fs.GetAttributes(P(row.path), attributes), 0) << row.name;
        EXPECT_EQ(attributes, row.expected) << row.name;
        EXPECT_EQ(HasStoredFlags(temp / row.path), row.stored) << row.name;
    }
}

TEST_F(PosixFileSystemTest, ReadOnlyClearsAllWriteBitsAndGivesBackTheOwners) {
    temp.CreateFile("f");
    temp.SetMode("f", 0666);
    ASSERT_EQ(fs.SetAttributes(P("f"), attr::kReadOnly, nullptr), 0);
    struct stat status {};
    ASSERT_EQ(stat((temp / "f").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0444u);
    ASSERT_EQ(fs.SetAttributes(P("f"), attr::kArchive, nullptr), 0);
    ASSERT_EQ(stat((temp / "f").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0644u);
}

TEST_F(PosixFileSystemTest, HiddenFlagStaysWithTheFileNotTheDotName) {
    temp.CreateFile(".dot");
    temp.CreateFile("plain");
    ASSERT_EQ(fs.SetAttributes(P(".dot"), attr::kHidden | attr::kArchive, nullptr), 0);
    ASSERT_EQ(fs.SetAttributes(P("plain"), attr::kHidden | attr::kArchive, nullptr), 0);
    ASSERT_EQ(fs.Move(P(".dot"), P("undotted"), nullptr), 0);
    ASSERT_EQ(fs.Move(P("plain"), P("still_hidden"), nullptr), 0);
    std::uint8_t attributes = 0;
    ASSERT_EQ(fs.GetAttributes(P("undotted"), attributes), 0);
    EXPECT_EQ(attributes, attr::kArchive);
    ASSERT_EQ(fs.GetAttributes(P("still_hidden"), attributes), 0);
    EXPECT_EQ(attributes, attr::kHidden | attr::kArchive);
}

// What permissions decide can only be seen by an ordinary user: as root the test drops to
// "nobody" in a child process.
TEST_F(PosixFileSystemTest, OrdinaryUserCanFlagReadOnlyFilesAndCannotEnterClosedFolders) {
    Create({{"user/ro", ""}, {"user/closed/", ""}, {"user/open/", ""}});
    temp.SetMode("", 0755);
    temp.SetMode("user/ro", 0444);
    temp.SetMode("user/closed", 0600);
    const bool root = geteuid() == 0;
    if (root) {
        for (const char* path : {"user", "user/ro", "user/closed", "user/open"}) {
            ASSERT_EQ(chown((temp / path).c_str(), 65534, 65534), 0);
        }
    }
    const auto report = InChild([&] {
        if (root && (setgid(65534) != 0 || setuid(65534) != 0)) return std::vector<int>{-1};
        std::uint8_t attributes = 0;
        const int set = fs.SetAttributes(P("user/ro"), attr::kReadOnly | attr::kSystem, nullptr);
        fs.GetAttributes(P("user/ro"), attributes);
        return std::vector<int>{set, attributes, fs.CanEnter(P("user/closed")),
                                fs.CanEnter(P("user/open"))};
    });
    EXPECT_EQ(report, (std::vector<int>{0, attr::kReadOnly | attr::kSystem, false, true}));
    struct stat status {};
    ASSERT_EQ(stat((temp / "user/ro").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0444u);
}

// ramfs keeps no extended attributes, like FAT or exFAT through FUSE: the flags are lost without
// an error, read-only still works through the mode. It is mounted in a private mount namespace
// of a child process, so nothing of it outlives the test.
TEST_F(PosixFileSystemTest, WithoutExtendedAttributesFlagsAreLostQuietlyAndReadOnlyStays) {
    Create({{"flagged", "F"}, {"ram/", ""}});
    ASSERT_EQ(fs.SetAttributes(P("flagged"), attr::kSystem, nullptr), 0);
    const auto report = InChild([&] {
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("none", (temp / "ram").c_str(), "ramfs", 0, nullptr) != 0) {
            return std::vector<int>{-1};
        }
        temp.CreateFile("ram/f");
        std::uint8_t attributes = 0;
        const int setFlags = fs.SetAttributes(P("ram/f"), attr::kReadOnly | attr::kSystem, nullptr);
        fs.GetAttributes(P("ram/f"), attributes);
        const int setDefault = fs.SetAttributes(P("ram/f"), attr::kArchive, nullptr);
        std::uint8_t cleared = 0;
        fs.GetAttributes(P("ram/f"), cleared);
        const int setHidden = fs.SetAttributes(P("ram/f"), attr::kHidden, nullptr);
        std::uint8_t hidden = 0;
        fs.GetAttributes(P("ram/f"), hidden);
        return std::vector<int>{setFlags,
                                attributes,
                                setDefault,
                                cleared,
                                setHidden,
                                hidden,
                                fs.Copy(P("flagged"), P("ram/copy"), nullptr),
                                temp.ReadFile("ram/copy") == "F"};
    });
    ASSERT_FALSE(report.empty());
    if (report[0] == -1) GTEST_SKIP() << "cannot mount a ramfs here";
    EXPECT_EQ(report, (std::vector<int>{0, attr::kReadOnly | attr::kArchive, 0, attr::kArchive, 0,
                                        attr::kArchive, 0, true}));
}

// --- Status and times ---

TEST_F(PosixFileSystemTest, TimesRoundTripForFilesAndFolders) {
    Create({{"f", "12345"}, {"d/", ""}});
    for (const char* path : {"f", "d/"}) {
        FileStatus before;
        ASSERT_EQ(fs.GetStatus(P(path), before), 0) << path;
        ASSERT_EQ(fs.SetTimes(P(path), 1, 1000000000, 1100000000, nullptr), 0) << path;
        FileStatus after;
        ASSERT_EQ(fs.GetStatus(P(path), after), 0) << path;
        EXPECT_EQ(after.modification, 1000000000) << path;
        EXPECT_EQ(after.access, 1100000000) << path;
        struct statx birth {};
        ASSERT_EQ(statx(AT_FDCWD, (temp / path).c_str(), 0, STATX_BTIME, &birth), 0);
        // The birth time where the file system keeps one (it cannot be set), else the mtime.
        EXPECT_EQ(after.creation,
                  (birth.stx_mask & STATX_BTIME) != 0 ? before.creation : after.modification)
            << path;
    }
    FileStatus status;
    ASSERT_EQ(fs.GetStatus(P("f"), status), 0);
    EXPECT_EQ(status.size, 5);
    EXPECT_EQ(status.attributes, attr::kArchive);
}

// The identity as lstat(2) tells it.
FileIdentity LstatIdentity(const std::string& hostPath) {
    struct stat status {};
    if (lstat(hostPath.c_str(), &status) != 0) return {};
    return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

void SetHostTimes(const std::string& hostPath, timespec access, timespec modification) {
    const timespec times[2] = {access, modification};
    ASSERT_EQ(utimensat(AT_FDCWD, hostPath.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << hostPath;
}

std::map<std::string, DirectoryEntry> ListedByName(FileSystem& fs, const std::string& folder,
                                                   bool withAttributes) {
    std::vector<DirectoryEntry> entries;
    EXPECT_EQ(fs.ListFolder(folder, withAttributes, entries), 0);
    std::map<std::string, DirectoryEntry> byName;
    for (auto& entry : entries) byName[entry.name] = entry;
    return byName;
}

TEST_F(PosixFileSystemTest, StatusesIdentifyFilesAndKeepTheirNanoseconds) {
    Create({{"a", "A"}, {"b", "B"}, {"d/", ""}});
    ASSERT_EQ(link((temp / "a").c_str(), (temp / "a_too").c_str()), 0);
    SetHostTimes(temp / "a", {1100000000, 123456789}, {1000000000, 987654321});
    const auto listed = ListedByName(fs, P(""), true);
    for (const char* name : {"a", "a_too", "b", "d"}) {
        FileStatus status;
        ASSERT_EQ(fs.GetStatus(P(name), status), 0) << name;
        EXPECT_NE(status.identity.inode, 0u) << name;
        EXPECT_EQ(status.identity, LstatIdentity(temp / name)) << name;
        EXPECT_EQ(listed.at(name).status, status) << name << ": the listing tells the same";
        EXPECT_FALSE(status.link) << name;
        struct stat host {};
        ASSERT_EQ(stat((temp / name).c_str(), &host), 0);
        EXPECT_EQ(status.modificationNs, host.st_mtim.tv_nsec) << name;
        EXPECT_EQ(status.accessNs, host.st_atim.tv_nsec) << name;
        // The entry's status is the same but for the flags stored apart (none here).
        FileStatus entry;
        ASSERT_EQ(fs.GetEntryStatus(P(name), entry), 0) << name;
        EXPECT_EQ(entry, status) << name;
    }
    // With flags stored, only they are missing from the entry's status.
    ASSERT_EQ(fs.SetAttributes(P("b"), attr::kSystem | attr::kReadOnly, nullptr), 0);
    FileStatus full;
    FileStatus entry;
    ASSERT_EQ(fs.GetStatus(P("b"), full), 0);
    ASSERT_EQ(fs.GetEntryStatus(P("b"), entry), 0);
    EXPECT_EQ(entry.attributes, attr::kReadOnly | attr::kArchive) << "from the mode alone";
    entry.attributes = full.attributes;
    EXPECT_EQ(entry, full);
    FileStatus a;
    FileStatus b;
    FileStatus aToo;
    ASSERT_EQ(fs.GetStatus(P("a"), a), 0);
    ASSERT_EQ(fs.GetStatus(P("b"), b), 0);
    ASSERT_EQ(fs.GetStatus(P("a_too"), aToo), 0);
    EXPECT_NE(a.identity, b.identity);
    EXPECT_EQ(a.identity, aToo.identity) << "two names of one file";
    EXPECT_EQ(a.modificationNs, 987654321u);
    EXPECT_EQ(a.accessNs, 123456789u);

    ASSERT_EQ(fs.Move(P("a"), P("renamed"), nullptr), 0);
    FileStatus renamed;
    ASSERT_EQ(fs.GetStatus(P("renamed"), renamed), 0);
    EXPECT_EQ(renamed.identity, a.identity) << "a rename keeps the file";
}

TEST_F(PosixFileSystemTest, RestoreTimesGivesBackTimesToTheNanosecond) {
    Create({{"f", "F"}, {"d/", ""}});
    for (const char* path : {"f", "d"}) {
        SetHostTimes(temp / path, {1100000000, 123456789}, {1000000000, 987654321});
        FileStatus saved;
        ASSERT_EQ(fs.GetStatus(P(path), saved), 0) << path;
        ASSERT_EQ(fs.SetTimes(P(path), 0, 1500000000, 1500000000, nullptr), 0) << path;
        ASSERT_EQ(fs.RestoreTimes(P(path), saved, nullptr), 0) << path;
        FileStatus restored;
        ASSERT_EQ(fs.GetStatus(P(path), restored), 0) << path;
        EXPECT_EQ(restored, saved) << path;

        // Fractions of a second or more would read as "now" or "leave": refused, nothing changed.
        for (const bool access : {true, false}) {
            FileStatus bad = saved;
            bad.modification = 1600000000;
            (access ? bad.accessNs : bad.modificationNs) = (1u << 30) - 1;  // UTIME_NOW
            EXPECT_EQ(fs.RestoreTimes(P(path), bad, nullptr), EINVAL) << path;
            ASSERT_EQ(fs.GetStatus(P(path), restored), 0) << path;
            EXPECT_EQ(restored, saved) << path;
        }
    }
    FileStatus missing;
    EXPECT_EQ(fs.RestoreTimes(P("missing"), missing, nullptr), ENOENT);
}

// A link is the link: what is read and changed is the link's own, never its target's; only the
// listing marks a link to a folder as a folder.
TEST_F(PosixFileSystemTest, SymbolicLinksAreDescribedAndChangedAsThemselves) {
    Create({{"t", "12345"},
            {"d/", ""},
            {"l", "->t"},
            {"ld", "->d"},
            {"dl", "->gone"},
            {".hl", "->t"}});
    ASSERT_EQ(fs.SetAttributes(P("t"), attr::kSystem, nullptr), 0);
    for (const char* plain : {"t", "d"}) {
        SetHostTimes(temp / plain, {1000000000, 0}, {1000000000, 0});
    }
    for (const char* link : {"l", "ld", "dl", ".hl"}) {
        SetHostTimes(temp / link, {1200000000, 500}, {1200000000, 500});
    }
    struct Row {
        const char* name;
        const char* path;
        bool link;
        std::uint8_t listed;  // in a listing with attributes
        std::uint8_t read;    // by GetAttributes and GetStatus
        std::int64_t size;
    } rows[] = {
        {"link/to_file", "l", true, attr::kArchive, attr::kArchive, 1},
        {"link/to_folder", "ld", true, attr::kDirectory, attr::kArchive, 1},
        {"link/dangling", "dl", true, attr::kArchive, attr::kArchive, 4},
        {"link/dot_name", ".hl", true, attr::kHidden | attr::kArchive,
         attr::kHidden | attr::kArchive, 1},
        {"plain/file", "t", false, attr::kSystem, attr::kSystem, 5},
        {"plain/folder", "d", false, attr::kDirectory, attr::kDirectory, 0},
    };
    const auto withAttributes = ListedByName(fs, P(""), true);
    const auto withoutAttributes = ListedByName(fs, P(""), false);
    for (const auto& row : rows) {
        FileStatus status;
        ASSERT_EQ(fs.GetStatus(P(row.path), status), 0) << row.name;
        EXPECT_EQ(status.link, row.link) << row.name;
        EXPECT_EQ(status.attributes, row.read) << row.name;
        EXPECT_EQ(status.size, row.size) << row.name;
        EXPECT_EQ(status.identity, LstatIdentity(temp / row.path)) << row.name;
        EXPECT_EQ(status.modification, row.link ? 1200000000 : 1000000000) << row.name;
        std::uint8_t attributes = 0;
        ASSERT_EQ(fs.GetAttributes(P(row.path), attributes), 0) << row.name;
        EXPECT_EQ(attributes, row.read) << row.name;

        const DirectoryEntry& listed = withAttributes.at(row.path);
        EXPECT_EQ(listed.attributes, row.listed) << row.name;
        FileStatus expected = status;
        expected.attributes = row.listed;
        // Finding where a link leads reads it, which may move its access time on.
        expected.access = listed.status.access;
        expected.accessNs = listed.status.accessNs;
        EXPECT_EQ(listed.status, expected) << row.name;
        const DirectoryEntry& bare = withoutAttributes.at(row.path);
        EXPECT_EQ(bare.attributes, row.listed & attr::kDirectory) << row.name;
        EXPECT_EQ(bare.status.link, row.link) << row.name;
    }

    // Changes reach the link only: Linux keeps no mode or flags for it, its times are its own.
    struct stat targetBefore {};
    ASSERT_EQ(stat((temp / "t").c_str(), &targetBefore), 0);
    for (const char* link : {"l", "dl"}) {
        EXPECT_EQ(fs.SetAttributes(P(link), attr::kReadOnly | attr::kHidden, nullptr), 0) << link;
        std::uint8_t attributes = 0;
        ASSERT_EQ(fs.GetAttributes(P(link), attributes), 0) << link;
        EXPECT_EQ(attributes, attr::kArchive) << link;
        EXPECT_EQ(fs.SetTimes(P(link), 0, 1300000000, 1300000001, nullptr), 0) << link;
        FileStatus status;
        ASSERT_EQ(fs.GetStatus(P(link), status), 0) << link;
        EXPECT_EQ(status.modification, 1300000000) << link;
        EXPECT_EQ(status.access, 1300000001) << link;
        status.modification = 1400000000;
        status.modificationNs = 7;
        ASSERT_EQ(fs.RestoreTimes(P(link), status, nullptr), 0) << link;
        FileStatus restored;
        ASSERT_EQ(fs.GetStatus(P(link), restored), 0) << link;
        EXPECT_EQ(restored, status) << link;
    }
    EXPECT_FALSE(temp.Exists("gone"));
    std::uint8_t targetAttributes = 0;
    ASSERT_EQ(fs.GetAttributes(P("t"), targetAttributes), 0);
    EXPECT_EQ(targetAttributes, attr::kSystem);
    struct stat targetAfter {};
    ASSERT_EQ(stat((temp / "t").c_str(), &targetAfter), 0);
    EXPECT_EQ(targetAfter.st_mode, targetBefore.st_mode);
    EXPECT_EQ(targetAfter.st_mtime, 1000000000);
    EXPECT_EQ(targetAfter.st_atime, 1000000000);

    // Loop detection follows links; a move renames the link, a copy copies what it leads to.
    FileIdentity throughLink;
    FileIdentity folder;
    ASSERT_EQ(fs.GetIdentity(P("ld"), throughLink), 0);
    ASSERT_EQ(fs.GetIdentity(P("d"), folder), 0);
    EXPECT_EQ(throughLink, folder);
    ASSERT_EQ(fs.Move(P("l"), P("moved"), nullptr), 0);
    char target[16] = {};
    ASSERT_EQ(readlink((temp / "moved").c_str(), target, sizeof target - 1), 1);
    EXPECT_STREQ(target, "t");
    ASSERT_EQ(fs.Copy(P("moved"), P("copy"), nullptr), 0);
    FileStatus copy;
    ASSERT_EQ(fs.GetStatus(P("copy"), copy), 0);
    EXPECT_FALSE(copy.link);
    EXPECT_EQ(temp.ReadFile("copy"), "12345");
}

TEST_F(PosixFileSystemTest, StatusHasSixtyFourBitSizesAndIsLeftAloneOnFailure) {
    temp.CreateFile("big");
    ASSERT_EQ(truncate((temp / "big").c_str(), 5LL << 30), 0);  // sparse: costs no space
    FileStatus status;
    ASSERT_EQ(fs.GetStatus(P("big"), status), 0);
    EXPECT_EQ(status.size, 5LL << 30);

    const FileStatus kept = status;
    EXPECT_EQ(fs.GetStatus(P("missing"), status), ENOENT);
    EXPECT_EQ(status, kept);
}

// --- Paths the host cannot take ---

TEST_F(PosixFileSystemTest, OverlongNamesAndPathsFailCleanly) {
    const std::string longest(255, 'n');
    ASSERT_EQ(fs.WriteFile(P(longest), "x"), 0);
    ASSERT_EQ(fs.Move(P(longest), P(std::string(254, 'm') + "M"), nullptr), 0);
    EXPECT_EQ(fs.Move(P(std::string(254, 'm') + "M"), P(longest + "n"), nullptr), ENAMETOOLONG);

    // A path of `size` host bytes in folders that do not exist.
    const auto pathOfSize = [&](std::size_t size, const std::string& piece) {
        std::string path = P("missing");
        while (Utf8FromCp932(path).size() + 1 + piece.size() <= size) path += "/" + piece;
        path += "/";
        while (Utf8FromCp932(path).size() < size) path += "y";
        return path;
    };
    const std::string kana = Sjis("あいうえおかきくけこ");  // 20 bytes here, 30 on the host
    struct Row {
        const char* name;
        std::string to;
        int error;
    } rows[] = {
        {"ascii/at_the_limit", pathOfSize(PATH_MAX - 1, std::string(200, 'y')), ENOENT},
        {"ascii/one_beyond", pathOfSize(PATH_MAX, std::string(200, 'y')), ENAMETOOLONG},
        {"cp932/short_but_host_long", pathOfSize(PATH_MAX + 10, kana), ENAMETOOLONG},
        {"embedded_nul", P("a") + std::string(1, '\0') + "b", EINVAL},
    };
    temp.CreateFile("a", "A");
    for (const auto& row : rows) {
        EXPECT_EQ(fs.Move(P("a"), row.to, nullptr), row.error) << row.name;
        EXPECT_EQ(fs.Copy(P("a"), row.to, nullptr), row.error) << row.name;
        EXPECT_EQ(fs.WriteFile(row.to, "B"), row.error) << row.name;
        EXPECT_EQ(temp.ReadFile("a"), "A") << row.name;
    }
    EXPECT_LT(rows[2].to.size(), static_cast<std::size_t>(PATH_MAX));
    EXPECT_EQ(Listed(), (std::vector<std::string>{"a", std::string(254, 'm') + "M"}));
}

// --- Folders, existence, deletion ---

TEST_F(PosixFileSystemTest, FoldersCanBeCreatedEnteredButNotDeletedAsFiles) {
    Create({{"f", "F"}, {"d/", ""}, {"to_d", "->d"}, {"dangling", "->gone"}});
    EXPECT_EQ(fs.CreateFolder(P("new")), 0);
    EXPECT_EQ(fs.CreateFolder(P("new")), EEXIST);
    EXPECT_EQ(fs.CreateFolder(P("no/new")), ENOENT);
    struct Row {
        const char* path;
        bool enter, exists;
    } rows[] = {
        {"d", true, true},         {"d/", true, true}, {"new/", true, true},
        {"to_d", true, true},      {"f", false, true}, {"missing", false, false},
        {"dangling", false, true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(fs.CanEnter(P(row.path)), row.enter) << row.path;
        EXPECT_EQ(fs.Exists(P(row.path)), row.exists) << row.path;
    }
    EXPECT_EQ(fs.DeleteFile(P("d")), EISDIR);
    EXPECT_TRUE(fs.CanEnter(P("d")));
    EXPECT_EQ(fs.DeleteFile(P("f")), 0);
    EXPECT_FALSE(temp.Exists("f"));
    EXPECT_EQ(fs.DeleteFile(P("f")), ENOENT);
}

// --- Reading and writing whole files ---

// A file's head is the positioned read at offset 0 (the "first/" rows go through ReadFirstBytes).
TEST_F(PosixFileSystemTest, ReadsTakeOnlyWhatTheFileHoldsThere) {
    std::string large;
    for (int i = 0; i < 200000; ++i) large += static_cast<char>('a' + i % 26);
    Create({{"small", "0123456789"}, {"large", large}, {"d/", ""}});
    struct Row {
        const char* name;
        const char* path;
        std::uint64_t offset;
        std::size_t count;
        int error;
        std::string expected;
    } rows[] = {
        {"first/prefix", "small", 0, 4, 0, "0123"},
        {"first/shorter_file", "small", 0, 4096, 0, "0123456789"},
        {"first/nothing", "small", 0, 0, 0, ""},
        {"first/many_reads", "large", 0, 150001, 0, large.substr(0, 150001)},
        {"at/middle", "small", 3, 4, 0, "3456"},
        {"at/running_past_the_end", "small", 8, 4096, 0, "89"},
        {"at/the_end", "small", 10, 4, 0, ""},
        {"at/past_the_end", "small", 11, 4, 0, ""},
        {"at/far_past_the_end", "small", 1ULL << 40, 4, 0, ""},
        {"at/offset_near_2_64", "small", ~0ULL - 2, 16, EOVERFLOW, ""},
        {"at/count_claims_everything", "small", 2, ~std::size_t{0}, 0, "23456789"},
        {"at/deep_in_a_large_file", "large", 150000, 70000, 0, large.substr(150000)},
        {"at/folder", "d", 0, 16, EISDIR, ""},
        {"at/missing", "missing", 0, 16, ENOENT, ""},
    };
    for (const auto& row : rows) {
        std::string bytes = "stale";
        const bool first = std::string_view(row.name).starts_with("first/");
        const int error = first ? fs.ReadFirstBytes(P(row.path), row.count, bytes)
                                : fs.ReadBytesAt(P(row.path), row.offset, row.count, bytes);
        EXPECT_EQ(error, row.error) << row.name;
        EXPECT_EQ(bytes, row.expected) << row.name;
    }
}

TEST_F(PosixFileSystemTest, WriteFileReplacesContentsOrLeavesNothing) {
    ASSERT_EQ(fs.WriteFile(P("f"), "long contents"), 0);
    ASSERT_EQ(fs.WriteFile(P("f"), "short"), 0);
    EXPECT_EQ(temp.ReadFile("f"), "short");
    EXPECT_EQ(fs.WriteFile(P("missing/f"), "x"), ENOENT);
    EXPECT_FALSE(temp.Exists("missing"));
}

TEST_F(PosixFileSystemTest, AppendedLinesReachTheFileAtOnceAndSurviveReopenAndKill) {
    int error = -1;
    auto out = fs.OpenOutput(P("log"), OutputMode::kNew, error);
    ASSERT_TRUE(out);
    EXPECT_EQ(error, 0);
    ASSERT_EQ(out->Append("one\r\n"), 0);
    EXPECT_EQ(temp.ReadFile("log"), "one\r\n");  // while still open
    out.reset();
    out = fs.OpenOutput(P("log"), OutputMode::kAppend, error);
    ASSERT_TRUE(out);
    ASSERT_EQ(out->Append("two\r\n"), 0);
    out.reset();
    EXPECT_EQ(temp.ReadFile("log"), "one\r\ntwo\r\n");

    const pid_t child = fork();
    if (child == 0) {
        int childError = 0;
        auto file = fs.OpenOutput(P("log"), OutputMode::kAppend, childError);
        if (file && file->Append("three\r\n") == 0) kill(getpid(), SIGKILL);
        _exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(temp.ReadFile("log"), "one\r\ntwo\r\nthree\r\n");

    EXPECT_FALSE(fs.OpenOutput(P("missing/log"), OutputMode::kAppend, error));
    EXPECT_EQ(error, ENOENT);
}

// --- Temporary folder and roots ---

TEST_F(PosixFileSystemTest, TemporaryFolderIsAnEnterableTmpdirElseTmp) {
    const char* saved = std::getenv("TMPDIR");
    const std::string savedValue = saved != nullptr ? saved : "";
    struct Row {
        const char* name;
        std::string tmpdir, expected;
    } rows[] = {
        {"enterable", temp.Path().substr(0, temp.Path().size() - 1), P("")},
        {"missing", temp / "missing", "/tmp/"},
        {"a_file", temp.CreateFile("file"), "/tmp/"},
        {"relative", "relative", "/tmp/"},
    };
    for (const auto& row : rows) {
        setenv("TMPDIR", row.tmpdir.c_str(), 1);
        EXPECT_EQ(fs.TemporaryFolder(), row.expected) << row.name;
    }
    if (saved != nullptr) {
        setenv("TMPDIR", savedValue.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
}

TEST_F(PosixFileSystemTest, RootsAreSystemHomeAndVolumesOnceEach) {
    const char* saved = std::getenv("HOME");
    const std::string savedValue = saved != nullptr ? saved : "";
    setenv("HOME", temp.Path().c_str(), 1);
    auto roots = fs.Roots();
    ASSERT_GE(roots.size(), 2u);
    EXPECT_EQ(roots[0].path, "/");
    EXPECT_EQ(roots[0].label, Sjis("システム"));
    EXPECT_EQ(roots[1].path, P(""));
    EXPECT_EQ(roots[1].label, Sjis("ホーム"));
    for (std::size_t i = 0; i < roots.size(); ++i) {
        EXPECT_TRUE(roots[i].path.ends_with('/')) << roots[i].path;
        EXPECT_FALSE(roots[i].label.empty()) << roots[i].path;
        EXPECT_EQ(roots[i].removable, i >= 2) << roots[i].path;
        for (std::size_t j = 0; j < i; ++j) EXPECT_NE(roots[i].path, roots[j].path);
        if (i >= 2) {
            const std::string& path = roots[i].path;
            EXPECT_TRUE(path.starts_with("/media/") || path.starts_with("/mnt/") ||
                        path.starts_with("/run/media/"))
                << path;
        }
    }
    setenv("HOME", "/", 1);
    roots = fs.Roots();
    const auto isSlash = [](const Root& root) { return root.path == "/"; };
    EXPECT_EQ(std::count_if(roots.begin(), roots.end(), isSlash), 1);
    EXPECT_EQ(roots[0].label, Sjis("システム"));
    if (saved != nullptr) {
        setenv("HOME", savedValue.c_str(), 1);
    } else {
        unsetenv("HOME");
    }
}

// --- The fault-injecting file system used by the run tests ---

// A folder held open reaches the files in it by name, never through a link, whatever becomes
// of its path; what a file handle maps, writes and locks is that file (the journal's state).
TEST_F(PosixFileSystemTest, AFolderHeldOpenReachesItsOwnFilesOnly) {
    int error = 0;
    const auto folder = fs.OpenFolder(P("made/private/"), true, error);
    ASSERT_NE(folder, nullptr) << error;
    for (const char* made : {"made", "made/private"})
        EXPECT_EQ(std::filesystem::status(temp / made).permissions(),
                  std::filesystem::perms::owner_all)
            << made;
    HandleStatus status;
    ASSERT_EQ(folder->Status(status), 0);
    EXPECT_TRUE(status.folder);
    EXPECT_EQ(status.owner, ::geteuid());

    auto file = folder->Open("\x82\xA0", FileAccess::kCreateNew, error);  // "あ"
    ASSERT_NE(file, nullptr) << error;
    EXPECT_EQ(folder->Open("\x82\xA0", FileAccess::kCreateNew, error), nullptr);
    EXPECT_EQ(error, EEXIST);
    unsigned char* data = nullptr;
    ASSERT_EQ(file->Allocate(8), 0);
    ASSERT_EQ(file->Map(8, data), 0);
    data[0] = 'M';
    ASSERT_EQ(file->WriteAt(1, "W"), 0);
    ASSERT_EQ(file->Allocate(1 << 16), 0);
    ASSERT_EQ(file->Map(1 << 16, data), 0);  // grown: what was stored stays
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), 2), "MW");
    ASSERT_EQ(file->Truncate(2), 0);
    ASSERT_EQ(file->Map(2, data), 0);
    EXPECT_EQ(temp.ReadFile("made/private/あ"), "MW");

    ASSERT_EQ(file->Lock(true, false), 0);
    auto other = folder->Open("\x82\xA0", FileAccess::kRead, error);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->Lock(false, false), EWOULDBLOCK);
    file.reset();
    EXPECT_EQ(other->Lock(false, false), 0) << "the lock ends with its handle";
    std::string read;
    ASSERT_EQ(other->ReadAt(1, 100, read), 0);
    EXPECT_EQ(read, "W");

    temp.CreateFile("outside", "o");
    temp.CreateSymlink(temp / "outside", "made/private/link");
    EXPECT_EQ(folder->Open("link", FileAccess::kRead, error), nullptr);
    EXPECT_EQ(error, ELOOP);
    EXPECT_EQ(folder->Link("\x82\xA0", "link"), EEXIST);
    std::filesystem::rename(temp / "made", temp / "moved");
    std::vector<std::string> names;
    ASSERT_EQ(folder->List(names), 0);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"link", "\x82\xA0"}));
    EXPECT_EQ(folder->Remove("link"), 0);
    EXPECT_TRUE(temp.Exists("outside")) << "the link went, not what it leads to";
    EXPECT_FALSE(temp.Exists("moved/private/link"));
}

TEST_F(PosixFileSystemTest, FaultInjectorFailsExactlyTheKthCall) {
    using Op = FaultInjectingFileSystem::Op;
    struct Row {
        const char* name;
        Op op;
        std::function<int(platform::FileSystem&, int)> call;
        std::function<bool(int)> happened;
    } rows[] = {
        {"move", Op::Move,
         [&](FileSystem& f, int i) {
             return f.Move(P("m" + std::to_string(i)), P("moved" + std::to_string(i)), nullptr);
         },
         [&](int i) { return temp.Exists("moved" + std::to_string(i)); }},
        {"copy", Op::Copy,
         [&](FileSystem& f, int i) {
             return f.Copy(P("c" + std::to_string(i)), P("copied" + std::to_string(i)), nullptr);
         },
         [&](int i) { return temp.Exists("copied" + std::to_string(i)); }},
        {"set_times", Op::SetTimes,
         [&](FileSystem& f, int i) {
             return f.SetTimes(P("t" + std::to_string(i)), 0, 1000, 1000, nullptr);
         },
         [&](int i) { return temp.ModificationTime("t" + std::to_string(i)) == 1000; }},
        {"restore_times", Op::RestoreTimes,
         [&](FileSystem& f, int i) {
             FileStatus saved;
             saved.modification = 2000;
             saved.modificationNs = 5;
             return f.RestoreTimes(P("r" + std::to_string(i)), saved, nullptr);
         },
         [&](int i) {
             FileStatus status;
             return fs.GetStatus(P("r" + std::to_string(i)), status) == 0 &&
                    status.modification == 2000 && status.modificationNs == 5;
         }},
        {"set_attributes", Op::SetAttributes,
         [&](FileSystem& f, int i) {
             return f.SetAttributes(P("a" + std::to_string(i)), attr::kReadOnly, nullptr);
         },
         [&](int i) {
             std::uint8_t a = 0;
             return fs.GetAttributes(P("a" + std::to_string(i)), a) == 0 &&
                    (a & attr::kReadOnly) != 0;
         }},
        {"append", Op::Append,
         [&](FileSystem& f, int i) {
             int error = 0;
             auto out = f.OpenOutput(P("out"), OutputMode::kAppend, error);
             return out ? out->Append(std::to_string(i)) : error;
         },
         [&](int i) { return temp.ReadFile("out").find(std::to_string(i)) != std::string::npos; }},
    };
    for (int i = 1; i <= 3; ++i) {
        for (const char* prefix : {"m", "c", "t", "r", "a"}) {
            temp.CreateFile(prefix + std::to_string(i));
        }
    }
    for (const auto& row : rows) {
        FaultInjectingFileSystem faulty(fs);
        faulty.FailCall(row.op, 2, ENOSPC);
        for (int i = 1; i <= 3; ++i) {
            EXPECT_EQ(row.call(faulty, i), i == 2 ? ENOSPC : 0) << row.name << " call " << i;
            EXPECT_EQ(row.happened(i), i != 2) << row.name << " call " << i;
        }
        EXPECT_EQ(faulty.Calls(row.op), 3) << row.name;
    }
}

}  // namespace
}  // namespace morvanex::platform

#include "engine/journal/UndoJournal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "engine/journal/Undo.h"
#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"
#include "support/FaultInjectingFileSystem.h"
#include "support/TempFolder.h"

namespace morvanex::engine {
namespace {

using journal::State;
using Op = test::FaultInjectingFileSystem::Op;

// The host's file system, which the journals of these tests are written through.
platform::PosixFileSystem host;

platform::FileStatus Status(int n) {
    platform::FileStatus status;
    status.creation = 1000 + n;
    status.modification = 2000 + n;
    status.modificationNs = 123456789;
    status.access = 3000 + n;
    status.accessNs = 42;
    status.size = n;
    status.attributes = 0x21;
    status.identity = {7, static_cast<std::uint64_t>(100 + n)};
    status.birth = 1700000000123456789LL + n;
    return status;
}

// One run of three records: done, void (a failed move) and intended (killed before the move).
std::string WriteThreeRecords(const std::string& folder) {
    UndoJournal journal(folder);
    EXPECT_EQ(journal.BeginRun(host, "/a/", 5000), 0);
    EXPECT_EQ(journal.Intend("/a/1", "/a/one", "", Status(1), journal::kMoved | journal::kTimes),
              0);
    EXPECT_TRUE(journal.Done(9000, 0));
    EXPECT_EQ(journal.Intend("/a/\x82\xA0", "/a/Two", "/a/.via", Status(2), journal::kMoved), 0);
    EXPECT_TRUE(journal.Void());
    EXPECT_EQ(journal.Intend("/a/3", "/a/3", "", Status(3), journal::kAttributes), 0);
    journal.EndRun();
    return journal.RunPath();
}

TEST(UndoJournal, RecordsEachChangeWithTheFileItWasMadeTo) {
    test::TempFolder temp;
    const journal::Run run = journal::ReadRun(WriteThreeRecords(test::Cp932(temp.Path())), host);
    ASSERT_TRUE(run.readable);
    EXPECT_FALSE(run.running);
    EXPECT_FALSE(run.cutShort);
    EXPECT_EQ(run.root, "/a/");
    EXPECT_EQ(run.started, 5000);
    ASSERT_EQ(run.records.size(), 3u);
    EXPECT_EQ(run.records[0].state, State::Done);
    EXPECT_EQ(run.records[0].changes, journal::kMoved | journal::kTimes);
    EXPECT_EQ(run.records[0].before, Status(1));
    EXPECT_EQ(run.records[0].afterModification, 9000);
    EXPECT_EQ(run.records[1].state, State::Void);
    EXPECT_EQ(run.records[1].oldPath, "/a/\x82\xA0");
    EXPECT_EQ(run.records[1].viaPath, "/a/.via");
    EXPECT_EQ(run.records[2].state, State::Intended);
    EXPECT_EQ(run.records[2].afterModification, Status(3).modification)
        << "not done: the time before";
    EXPECT_EQ(run.Pending(), 2u);
    EXPECT_EQ(run.Damaged(), 0u);
}

TEST(UndoJournal, ARelativePathIsNeverRecorded) {
    test::TempFolder temp;
    UndoJournal journal(test::Cp932(temp.Path()));
    ASSERT_EQ(journal.BeginRun(host, "d/", 0), 0);
    EXPECT_EQ(journal.Intend("d/a", "/d/b", "", Status(1), journal::kMoved), EINVAL);
    EXPECT_EQ(journal.Intend("/d/a", "b", "", Status(1), journal::kMoved), EINVAL);
    EXPECT_EQ(journal.Intend("/d/a", "/d/B", ".via", Status(1), journal::kMoved), EINVAL);
}

// Damage of every kind is seen as damage: the records that verify stay usable.
TEST(UndoJournal, DamageIsRecognisedRecordByRecord) {
    // A record's fixed part, before its paths; its modification time lies 88 bytes in.
    constexpr std::size_t kRecord = 128;
    struct Row {
        const char* name;
        // Changes the bytes of a three-record journal.
        void (*damage)(std::string& bytes);
        bool readable;
        std::vector<bool> damaged;  // per record read back
        bool cutShort;
    };
    const Row rows[] = {
        {"intact", [](std::string&) {}, true, {false, false, false}, false},
        {"bit_in_a_path",
         [](std::string& b) { b[b.find("/a/one")] ^= 0x01; },
         true,
         {true, false, false},
         false},
        {"bit_in_a_state",
         [](std::string& b) { b[b.find("/a/1/a/one") - kRecord] ^= 0x10; },
         true,
         {true, false, false},
         false},
        {"bit_in_a_time",
         [](std::string& b) { b[b.find("/a/\xE3\x81\x82") - kRecord + 88] ^= 0x04; },
         true,
         {false, true, false},
         false},
        {"cut_inside_a_record",
         [](std::string& b) { b.resize(b.find("/a/3") + 2); },
         true,
         {false, false},
         true},
        {"cut_between_records",
         [](std::string& b) { b.resize(b.find("/a/3") - kRecord); },
         true,
         {false, false},
         true},
        {"bit_in_the_header", [](std::string& b) { b[17] ^= 0x01; }, false, {}, false},
        {"not_a_journal", [](std::string& b) { b.assign(200, 'x'); }, false, {}, false},
    };
    for (const Row& row : rows) {
        test::TempFolder temp;
        const std::string path = WriteThreeRecords(test::Cp932(temp.Path()));
        std::string bytes;
        {
            std::ifstream in(path, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        row.damage(bytes);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        const journal::Run run = journal::ReadRun(path, host);
        EXPECT_EQ(run.readable, row.readable) << row.name;
        EXPECT_EQ(run.cutShort, row.cutShort) << row.name;
        ASSERT_EQ(run.records.size(), row.damaged.size()) << row.name;
        for (std::size_t i = 0; i < row.damaged.size(); ++i) {
            EXPECT_EQ(run.records[i].damaged, row.damaged[i]) << row.name << " record " << i;
        }
    }
}

// Journals of the earlier versions (no key, runs not numbered): a run made before an update is
// still undone after it, its records still verified, and it counts as older than every numbered
// run; but only from the user's own file.
TEST(UndoJournal, AJournalOfAnEarlierVersionIsStillReadButOnlyTheUsersOwn) {
    struct Row {
        const char* name;
        const char* fixture;
        const char* flipped;  // a byte of this text is changed; nullptr: none
        unsigned mode;
        bool anotherOwner;
        std::vector<bool> damaged;  // empty: refused
    };
    const Row rows[] = {
        {"v2/intact", "version2.journal", nullptr, 0600, false, {false, false}},
        {"v2/bit_in_a_path", "version2.journal", "old-b.txt.txt", 0600, false, {false, true}},
        {"v3/intact", "version3.journal", nullptr, 0600, false, {false, false}},
        {"v3/bit_in_a_path", "version3.journal", "old-a.txt.txt", 0600, false, {true, false}},
        {"v3/writable_by_others", "version3.journal", nullptr, 0666, false, {}},
        {"v3/another_owner", "version3.journal", nullptr, 0600, true, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.anotherOwner && ::geteuid() != 0) {
            std::puts("skipped: giving a file to another user needs root");
            continue;
        }
        const std::string fixture =
            std::string(std::getenv("MORVANEX_SOURCE_DIR")) + "/tests/engine/data/" + row.fixture;
        std::string bytes;
        {
            std::ifstream in(fixture, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        ASSERT_FALSE(bytes.empty()) << fixture;
        if (row.flipped != nullptr) bytes[bytes.find(row.flipped)] ^= 0x01;
        test::TempFolder temp;
        const std::string path = temp / "20261208-020306.272716492-26598.journal";
        std::ofstream(path, std::ios::binary) << bytes;
        ASSERT_EQ(::chmod(path.c_str(), row.mode), 0);
        if (row.anotherOwner) {
            ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        }
        UndoJournal numbered(test::Cp932(temp.Path()));
        ASSERT_EQ(numbered.BeginRun(host, "/n/", 0), 0);
        numbered.EndRun();

        const journal::Run run = journal::ReadRun(test::Cp932(path), host);
        ASSERT_EQ(run.readable, !row.damaged.empty()) << run.problem;
        EXPECT_EQ(journal::ListRuns(test::Cp932(temp.Path()), host).front(), numbered.RunPath());
        if (!run.readable) {
            EXPECT_NE(ChooseRunToUndo(test::Cp932(temp.Path()), host).refusal.find(path),
                      std::string::npos);
            continue;
        }
        EXPECT_EQ(journal::ListRuns(test::Cp932(temp.Path()), host).back(), test::Cp932(path));
        EXPECT_EQ(run.root, std::string(row.fixture) == "version2.journal" ? "/tmp/v2j/job/"
                                                                           : "/tmp/v3j/job/");
        ASSERT_EQ(run.records.size(), row.damaged.size());
        for (std::size_t i = 0; i < row.damaged.size(); ++i) {
            EXPECT_EQ(run.records[i].damaged, row.damaged[i]) << "record " << i;
            EXPECT_EQ(run.records[i].state, State::Done);
        }
    }
}

TEST(UndoJournal, SurvivesTheProcessBeingKilled) {
    test::TempFolder temp;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        UndoJournal journal(test::Cp932(temp.Path()));
        if (journal.BeginRun(host, "/old/", 0) != 0) _exit(2);
        for (int i = 0; i < 5000; ++i) {
            if (journal.Intend("/old/" + std::to_string(i), "/new/" + std::to_string(i), "",
                               Status(i), journal::kMoved) != 0) {
                _exit(3);
            }
            journal.Done(0, 0);
        }
        journal.Intend("/old/last", "/new/last", "", Status(0), journal::kMoved);
        raise(SIGKILL);  // no EndRun, no sync, no destructor
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    const std::vector<std::string> runs = journal::ListRuns(test::Cp932(temp.Path()), host);
    ASSERT_EQ(runs.size(), 1u);
    const journal::Run run = journal::ReadRun(runs[0], host);
    EXPECT_FALSE(run.running) << "the lock went with the process";
    EXPECT_FALSE(run.cutShort) << "the space after the last record reads as its end";
    ASSERT_EQ(run.records.size(), 5001u);
    EXPECT_EQ(run.records[4999].newPath, "/new/4999");
    EXPECT_EQ(run.records[4999].state, State::Done);
    EXPECT_EQ(run.records[5000].state, State::Intended);
}

// Someone cuts the journal while the run writes it: the run is told, and is not killed.
// Where the last record written lies in the journal file (its old path).
std::size_t OffsetOf(const std::string& journalPath, const std::string& path) {
    std::ifstream in(journalPath, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    return bytes.rfind(path);
}

// A journal cut by someone under the run never lets the run take it for whole: a store past
// the cut's page faults (and is refused without a signal), one inside the cut's own page lands
// in memory only (the end of the run sees the size), and a journal that must grow does not
// fill the cut with zeros.
TEST(UndoJournal, AJournalCutUnderTheRunIsNeverTakenForWhole) {
    const std::string far(1000, 'x');
    // How many such records fit before the journal's first growth.
    std::size_t fitting = 0;
    {
        test::TempFolder temp;
        UndoJournal journal(test::Cp932(temp.Path()));
        ASSERT_EQ(journal.BeginRun(host, "/a/", 0), 0);
        const auto first = std::filesystem::file_size(journal.RunPath());
        while (std::filesystem::file_size(journal.RunPath()) == first) {
            ASSERT_EQ(journal.Intend("/a/" + far + std::to_string(fitting), "/a/" + far, "",
                                     Status(1), journal::kMoved),
                      0);
            ++fitting;
        }
        --fitting;
        journal.EndRun();
    }
    enum class Cut { ToNothing, InsideTheLastPage, BeforeItGrows };
    const struct Row {
        const char* name;
        Cut cut;
        std::size_t records;  // written before the cut
        bool doneAfter;       // the record's Done store still succeeds in memory
        std::size_t next;     // the length of the next record's paths
        bool intendAfter;     // the next record is still stored in memory
    } rows[] = {
        {"cut/to_nothing", Cut::ToNothing, 1, false, 1, false},
        {"cut/inside_the_last_page", Cut::InsideTheLastPage, 1, true, 1, true},
        {"cut/before_it_grows", Cut::BeforeItGrows, fitting, true, far.size(), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempFolder temp;
        UndoJournal journal(test::Cp932(temp.Path()));
        ASSERT_EQ(journal.BeginRun(host, "/a/", 0), 0);
        std::string last;
        for (std::size_t i = 0; i < row.records; ++i) {
            last = "/a/" + far + std::to_string(i);
            ASSERT_EQ(journal.Intend(last, "/a/" + far, "", Status(1), journal::kMoved), 0);
        }
        const off_t at = row.cut == Cut::ToNothing
                             ? 0
                             : static_cast<off_t>(OffsetOf(journal.RunPath(), last) + 1);
        ASSERT_EQ(::truncate(journal.RunPath().c_str(), at), 0);
        EXPECT_EQ(journal.Done(0, 0), row.doneAfter);
        const std::string next = "/a/" + std::string(row.next, 'y') + "-next";
        EXPECT_EQ(journal.Intend(next, next, "", Status(3), journal::kMoved) == 0, row.intendAfter);
        EXPECT_EQ(journal.EndRun(), EIO);
        EXPECT_LT(journal.RecordedNow(), static_cast<long>(journal.Written()));
    }
}

TEST(UndoJournal, RunsAtOnceKeepTheirOwnJournalsAndARunningOneIsLocked) {
    test::TempFolder temp;
    UndoJournal window(test::Cp932(temp.Path()));
    UndoJournal script(test::Cp932(temp.Path()));
    ASSERT_EQ(window.BeginRun(host, "/w/", 1), 0);
    ASSERT_EQ(script.BeginRun(host, "/s/", 2), 0);
    ASSERT_NE(window.RunPath(), script.RunPath());
    ASSERT_EQ(window.Intend("/w/a", "/w/b", "", Status(1), journal::kMoved), 0);
    ASSERT_EQ(script.Intend("/s/a", "/s/b", "", Status(2), journal::kMoved), 0);
    EXPECT_TRUE(journal::ReadRun(window.RunPath(), host).running);
    journal::RunFile file;
    EXPECT_EQ(file.Open(window.RunPath(), host), EWOULDBLOCK) << "no undo while the run goes on";
    window.EndRun();
    script.EndRun();
    EXPECT_FALSE(journal::ReadRun(window.RunPath(), host).running);
    EXPECT_EQ(journal::ReadRun(window.RunPath(), host).records.at(0).oldPath, "/w/a");
    EXPECT_EQ(journal::ReadRun(script.RunPath(), host).records.at(0).oldPath, "/s/a");
    const auto runs = journal::ListRuns(test::Cp932(temp.Path()), host);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], script.RunPath()) << "newest first";
}

TEST(UndoJournal, KeepsTheLastRunsButNeverOneInUse) {
    test::TempFolder temp;
    const std::string folder = test::Cp932(temp.Path());
    UndoJournal first(folder);
    ASSERT_EQ(first.BeginRun(host, "/first/", 0), 0);  // still going through all that follows
    UndoJournal later(folder);
    for (std::size_t i = 0; i < UndoJournal::kRunsKept + 5; ++i) {
        ASSERT_EQ(later.BeginRun(host, "/later/", 0), 0);
        later.EndRun();
    }
    const auto runs = journal::ListRuns(folder, host);
    EXPECT_EQ(runs.size(), UndoJournal::kRunsKept + 1) << "the kept runs and the one still going";
    EXPECT_EQ(runs.back(), first.RunPath());
    first.EndRun();
}

TEST(UndoJournal, AStateFolderThatCannotBeMadeRefusesTheRun) {
    test::TempFolder temp;
    temp.CreateFile("file", "in the way");
    for (const char* folder : {"file/", "file/below/"}) {
        UndoJournal journal(test::Cp932(temp / folder));
        EXPECT_NE(journal.BeginRun(host, "/a/", 0), 0) << folder;
        EXPECT_FALSE(journal.Recording()) << folder;
        EXPECT_NE(journal.Intend("/a/1", "/a/2", "", Status(1), journal::kMoved), 0) << folder;
    }
}

// Sets an environment variable (or removes it: nullptr) for the scope, as it was afterwards.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, const char* value) : m_name(name) {
        const char* old = std::getenv(name);
        m_had = old != nullptr;
        if (m_had) m_old = old;
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedVariable() {
        if (m_had) {
            ::setenv(m_name, m_old.c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }

  private:
    const char* m_name;
    bool m_had = false;
    std::string m_old;
};

// The state folder is the user's wherever HOME points: never a folder someone else chose.
TEST(UndoJournal, TheStateFolderComesFromXdgOrThePasswordEntry) {
    const passwd* entry = ::getpwuid(::geteuid());
    ASSERT_NE(entry, nullptr);
    const std::string own = std::string(entry->pw_dir) + "/.local/state/morvanex/";
    const struct {
        const char* name;
        const char* xdg;
        const char* home;
        std::string folder;
    } rows[] = {
        {"xdg/absolute", "/some/where", "/elsewhere", "/some/where/morvanex/"},
        {"xdg/relative_is_ignored", "state", "/elsewhere", own},
        {"home/unset", nullptr, nullptr, own},
        {"home/another_folder", nullptr, "/tmp/someone", own},
    };
    for (const auto& row : rows) {
        const ScopedVariable xdg("XDG_STATE_HOME", row.xdg);
        const ScopedVariable home("HOME", row.home);
        EXPECT_EQ(UndoJournal::DefaultFolder(), row.folder) << row.name;
    }
}

// A state folder (or key) that another user owns or may write is refused, by run, undo and
// history alike, naming it and the way to mend it; the user's own, private one is used.
TEST(UndoJournal, AStateFolderOrKeyOthersCouldHaveWrittenIsRefused) {
    struct Row {
        const char* name;
        void (*prepare)(const std::string& folder);  // the folder, made 0700 with a key
        const char* mend;                            // in the refusal; nullptr: accepted
        bool needsRoot;
    };
    const Row rows[] = {
        {"folder/private", [](const std::string&) {}, nullptr, false},
        {"folder/readable_by_others", [](const std::string& f) { ::chmod(f.c_str(), 0755); },
         nullptr, false},
        {"folder/through_a_link",
         [](const std::string& f) {
             std::filesystem::rename(f, f.substr(0, f.size() - 1) + "-real");
             ::symlink((f.substr(0, f.size() - 1) + "-real").c_str(),
                       f.substr(0, f.size() - 1).c_str());
         },
         nullptr, false},
        {"folder/writable_by_all", [](const std::string& f) { ::chmod(f.c_str(), 0777); },
         "chmod 700", false},
        {"folder/writable_by_the_group", [](const std::string& f) { ::chmod(f.c_str(), 0770); },
         "chmod 700", false},
        {"folder/sticky_and_writable_by_all",
         [](const std::string& f) { ::chmod(f.c_str(), 01777); }, "chmod 700", false},
        {"folder/another_owner", [](const std::string& f) { ::chown(f.c_str(), 65534, 65534); },
         "uid 65534", true},
        {"key/readable_by_others", [](const std::string& f) { ::chmod((f + "key").c_str(), 0644); },
         "chmod 600", false},
        {"key/another_owner",
         [](const std::string& f) { ::chown((f + "key").c_str(), 65534, 65534); }, "uid 65534",
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.needsRoot && ::geteuid() != 0) {
            std::puts("skipped: giving a file to another user needs root");
            continue;
        }
        test::TempFolder temp;
        const std::string folder = temp / "state/morvanex/";
        {
            UndoJournal first(test::Cp932(folder));
            ASSERT_EQ(first.BeginRun(host, "/a/", 0), 0);
        }
        row.prepare(folder);
        UndoJournal journal(test::Cp932(folder));
        const int began = journal.BeginRun(host, "/a/", 0);
        std::string refusal;
        const std::vector<std::string> history =
            DescribeHistory(test::Cp932(folder), host, &refusal);
        if (row.mend == nullptr) {
            EXPECT_EQ(began, 0) << journal.Problem();
            EXPECT_EQ(history.size(), 2u);
            continue;
        }
        EXPECT_NE(began, 0);
        EXPECT_TRUE(journal.RunPath().empty());
        for (const std::string& text :
             {journal.Problem(), ChooseRunToUndo(test::Cp932(folder), host).refusal, refusal}) {
            EXPECT_NE(text.find(folder), std::string::npos) << text;
            EXPECT_NE(text.find(row.mend), std::string::npos) << text;
        }
        EXPECT_TRUE(history.empty());
        EXPECT_TRUE(journal::ListRuns(test::Cp932(folder), host).empty());
    }
}

// A journal checksummed with another key — another user's, or one made before the key was
// made anew — is refused by name, and nothing of it is undone.
TEST(UndoJournal, AJournalWithAnotherKeyIsRefusedByName) {
    test::TempFolder temp;
    temp.CreateFile("files/a", "A");
    const std::string mine = test::Cp932(temp / "mine/");
    UndoJournal own(mine);
    ASSERT_EQ(own.BeginRun(host, "/x/", 0), 0);
    own.EndRun();
    UndoJournal other(test::Cp932(temp / "other/"));
    ASSERT_EQ(other.BeginRun(host, test::Cp932(temp / "files/"), 0), 0);
    ASSERT_EQ(other.Intend(test::Cp932(temp / "files/b"), test::Cp932(temp / "files/a"), "",
                           Status(1), journal::kMoved),
              0);
    other.EndRun();
    const std::string planted = mine + "000099.journal";
    std::filesystem::copy_file(other.RunPath(), planted);

    const journal::Run run = journal::ReadRun(planted, host);
    EXPECT_FALSE(run.readable);
    EXPECT_TRUE(run.records.empty());
    EXPECT_EQ(journal::ListRuns(mine, host).front(), planted) << "its name puts it first";
    const UndoChoice choice = ChooseRunToUndo(mine, host);
    EXPECT_TRUE(choice.run.path.empty());
    EXPECT_NE(choice.refusal.find(planted), std::string::npos) << choice.refusal;
    EXPECT_EQ(temp.ReadFile("files/a"), "A");
}

// Runs are numbered as they begin: neither the clock nor a file's name changes their order,
// and the oldest by number (after any file that cannot be verified) make room for new ones.
TEST(UndoJournal, RunsGoByTheirNumbersNotByTheClockOrTheirNames) {
    struct Row {
        const char* name;
        // Renames or plants files among three runs begun in that order at times 300, 200, 100.
        void (*meddle)(const std::string& folder, const std::vector<std::string>& runs);
    };
    const Row rows[] = {
        {"clock_stepped_back", [](const std::string&, const std::vector<std::string>&) {}},
        {"oldest_renamed_to_sort_first",
         [](const std::string& folder, const std::vector<std::string>& runs) {
             std::filesystem::rename(runs[0], folder + "99991231-235959.999999999-1.journal");
         }},
        {"oldest_renamed_to_a_high_number",
         [](const std::string& folder, const std::vector<std::string>& runs) {
             std::filesystem::rename(runs[0], folder + "999999.journal");
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempFolder temp;
        const std::string folder = test::Cp932(temp.Path());
        std::vector<std::string> runs;
        for (const platform::Timestamp started : {300, 200, 100}) {
            UndoJournal journal(folder);
            ASSERT_EQ(journal.BeginRun(host, "/r/" + std::to_string(started) + "/", started), 0);
            journal.EndRun();
            runs.push_back(journal.RunPath());
        }
        row.meddle(folder, runs);
        std::vector<std::string> roots;
        for (const std::string& path : journal::ListRuns(folder, host))
            roots.push_back(journal::ReadRun(path, host).root);
        EXPECT_EQ(roots, (std::vector<std::string>{"/r/100/", "/r/200/", "/r/300/"}));

        // Runs enough to prune: the oldest by number goes first, whatever its name.
        for (std::size_t i = 0; i + 3 < UndoJournal::kRunsKept; ++i) {
            UndoJournal journal(folder);
            ASSERT_EQ(journal.BeginRun(host, "/later/", 0), 0);
        }
        std::ofstream(temp / "9999999999.journal") << "planted, sorting newest";
        UndoJournal last(folder);
        ASSERT_EQ(last.BeginRun(host, "/last/", 0), 0);
        last.EndRun();
        const std::vector<std::string> kept = journal::ListRuns(folder, host);
        EXPECT_EQ(kept.size(), UndoJournal::kRunsKept);
        EXPECT_FALSE(temp.Exists("9999999999.journal")) << "what cannot be verified goes first";
        EXPECT_EQ(journal::ReadRun(kept.back(), host).root, "/r/200/");
        EXPECT_EQ(kept.front(), last.RunPath());
    }
}

// A journal whose header cannot be read for a system error is neither removed to make room
// nor numbered past blindly: the next run is numbered after its name and it stays.
TEST(UndoJournal, AJournalThatCannotBeReadStaysAndIsNumberedPast) {
    test::TempFolder temp;
    const std::string folder = test::Cp932(temp.Path());
    for (std::size_t i = 0; i < UndoJournal::kRunsKept; ++i) {
        UndoJournal journal(folder);
        ASSERT_EQ(journal.BeginRun(host, "/r/", 0), 0);
    }
    test::FaultInjectingFileSystem failing(host);
    failing.FailPath(Op::ReadHandle, "000020.journal", EIO);
    UndoJournal next(folder);
    ASSERT_EQ(next.BeginRun(failing, "/next/", 0), 0);
    next.EndRun();
    EXPECT_EQ(next.RunPath(), folder + "000021.journal");
    EXPECT_TRUE(temp.Exists("000020.journal"));
    EXPECT_EQ(journal::ListRuns(folder, host).size(), UndoJournal::kRunsKept + 1);
}

// A state folder that cannot be listed is not one without runs: the undo and the history say
// why instead of "nothing to undo".
TEST(UndoJournal, AStateFolderThatCannotBeListedIsSaidSo) {
    test::TempFolder temp;
    const std::string folder = test::Cp932(temp.Path());
    WriteThreeRecords(folder);
    test::FaultInjectingFileSystem failing(host);
    failing.FailPath(Op::ListHandle, folder, EIO);
    const std::string said = folder + " : " + platform::Cp932FromUtf8(std::strerror(EIO));
    EXPECT_NE(ChooseRunToUndo(folder, failing).refusal.find(said), std::string::npos);
    std::string refusal;
    EXPECT_TRUE(DescribeHistory(folder, failing, &refusal).empty());
    EXPECT_NE(refusal.find(said), std::string::npos);
}

// An undo whose journal fails it moves nothing it could not mark: what it took back before the
// failure is found back by the next undo, which ends the work.
TEST(UndoJournal, AnUndoThatCannotUseItsJournalMovesNothingUnmarked) {
    const struct Row {
        const char* name;
        Op op;
        int error;
        std::size_t restored;   // by the failing undo
        bool unmapped = false;  // the journal cannot be mapped: its marks are written
    } rows[] = {
        {"journal/cannot_be_opened", Op::OpenFile, EACCES, 0},
        {"journal/cannot_be_locked", Op::Lock, ENOLCK, 0},
        {"journal/cannot_be_read", Op::ReadHandle, EIO, 0},
        {"mark/cannot_be_written", Op::WriteHandle, ENOSPC, 1, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempFolder temp;
        temp.CreateFile("old1", "1");
        temp.CreateFile("old2", "2");
        UndoJournal journal(test::Cp932(temp / "state/"));
        ASSERT_EQ(journal.BeginRun(host, test::Cp932(temp.Path()), 0), 0);
        for (const char* n : {"1", "2"}) {
            const std::string from = test::Cp932(temp / (std::string("old") + n));
            const std::string to = test::Cp932(temp / (std::string("new") + n));
            platform::FileStatus before;
            ASSERT_EQ(host.GetStatus(from, before), 0);
            ASSERT_EQ(journal.Intend(from, to, "", before, journal::kMoved), 0);
            ASSERT_EQ(host.Move(from, to, &before), 0);
            journal.Done(before.modification, before.modificationNs);
        }
        journal.EndRun();

        test::FaultInjectingFileSystem failing(host);
        failing.FailCall(row.op, 1, row.error);
        if (row.unmapped) failing.FailCall(Op::Map, 1, ENODEV);
        const UndoReport report = UndoRun(journal.RunPath(), failing, nullptr);
        EXPECT_FALSE(report.Complete());
        EXPECT_EQ(report.restored, row.restored);
        EXPECT_EQ(temp.Exists("new1"), true);
        EXPECT_EQ(temp.Exists("new2"), row.restored == 0);
        const std::string said = platform::Cp932FromUtf8(std::strerror(row.error));
        EXPECT_TRUE(
            report.error == row.error ||
            (report.problems.size() == 1 && report.problems[0] == journal.RunPath() + " : " + said))
            << report.error;

        const UndoReport rest = UndoRun(journal.RunPath(), host, nullptr);
        EXPECT_TRUE(rest.Complete());
        EXPECT_EQ(rest.restored + rest.alreadyBack, 2u);
        EXPECT_EQ(temp.ReadFile("old1"), "1");
        EXPECT_EQ(temp.ReadFile("old2"), "2");
    }
}

}  // namespace
}  // namespace morvanex::engine

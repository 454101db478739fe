#include "engine/UndoJournal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/TempFolder.h"

namespace morvanex::engine {
namespace {

using journal::State;

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
    EXPECT_EQ(journal.BeginRun("/a/", 5000), 0);
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
    const journal::Run run = journal::ReadRun(WriteThreeRecords(test::Cp932(temp.Path())));
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
    ASSERT_EQ(journal.BeginRun("d/", 0), 0);
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
        const journal::Run run = journal::ReadRun(path);
        EXPECT_EQ(run.readable, row.readable) << row.name;
        EXPECT_EQ(run.cutShort, row.cutShort) << row.name;
        ASSERT_EQ(run.records.size(), row.damaged.size()) << row.name;
        for (std::size_t i = 0; i < row.damaged.size(); ++i) {
            EXPECT_EQ(run.records[i].damaged, row.damaged[i]) << row.name << " record " << i;
        }
    }
}

// A journal written before the records were checksummed word by word: a run made before an update
// is still undone after it, and its records are still verified.
TEST(UndoJournal, AJournalOfTheEarlierVersionIsStillReadAndVerified) {
    const std::string fixture =
        std::string(std::getenv("MORVANEX_SOURCE_DIR")) + "/tests/engine/data/version2.journal";
    std::string bytes;
    {
        std::ifstream in(fixture, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_FALSE(bytes.empty()) << fixture;
    const struct {
        const char* name;
        const char* flipped;  // a byte of this text is changed; nullptr: none
        std::vector<bool> damaged;
    } rows[] = {
        {"intact", nullptr, {false, false}},
        {"bit_in_a_path", "old-b.txt.txt", {false, true}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempFolder temp;
        std::string copy = bytes;
        if (row.flipped != nullptr) copy[copy.find(row.flipped)] ^= 0x01;
        const std::string path = temp.Path() + "/20261208-020306.272716492-26598.journal";
        std::ofstream(path, std::ios::binary) << copy;
        const journal::Run run = journal::ReadRun(test::Cp932(path));
        ASSERT_TRUE(run.readable);
        EXPECT_EQ(run.root, "/tmp/v2j/job/");
        ASSERT_EQ(run.records.size(), row.damaged.size());
        for (std::size_t i = 0; i < row.damaged.size(); ++i) {
            EXPECT_EQ(run.records[i].damaged, row.damaged[i]) << "record " << i;
            EXPECT_EQ(run.records[i].state, State::Done);
        }
        EXPECT_EQ(run.records[0].newPath, "/tmp/v2j/job/old-a.txt.txt");
    }
}

TEST(UndoJournal, SurvivesTheProcessBeingKilled) {
    test::TempFolder temp;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        UndoJournal journal(test::Cp932(temp.Path()));
        if (journal.BeginRun("/old/", 0) != 0) _exit(2);
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
    const std::vector<std::string> runs = journal::ListRuns(test::Cp932(temp.Path()));
    ASSERT_EQ(runs.size(), 1u);
    const journal::Run run = journal::ReadRun(runs[0]);
    EXPECT_FALSE(run.running) << "the lock went with the process";
    EXPECT_FALSE(run.cutShort) << "the space after the last record reads as its end";
    ASSERT_EQ(run.records.size(), 5001u);
    EXPECT_EQ(run.records[4999].newPath, "/new/4999");
    EXPECT_EQ(run.records[4999].state, State::Done);
    EXPECT_EQ(run.records[5000].state, State::Intended);
}

// Someone cuts the journal while the run writes it: the run is told, and is not killed.
TEST(UndoJournal, AJournalCutUnderTheRunStopsItWithoutASignal) {
    test::TempFolder temp;
    UndoJournal journal(test::Cp932(temp.Path()));
    ASSERT_EQ(journal.BeginRun("/a/", 0), 0);
    ASSERT_EQ(journal.Intend("/a/1", "/a/2", "", Status(1), journal::kMoved), 0);
    ASSERT_EQ(::truncate(journal.RunPath().c_str(), 0), 0);
    EXPECT_FALSE(journal.Done(0, 0));
    EXPECT_NE(journal.Intend("/a/3", "/a/4", "", Status(3), journal::kMoved), 0);
    journal.EndRun();
}

TEST(UndoJournal, RunsAtOnceKeepTheirOwnJournalsAndARunningOneIsLocked) {
    test::TempFolder temp;
    UndoJournal window(test::Cp932(temp.Path()));
    UndoJournal script(test::Cp932(temp.Path()));
    ASSERT_EQ(window.BeginRun("/w/", 1), 0);
    ASSERT_EQ(script.BeginRun("/s/", 2), 0);
    ASSERT_NE(window.RunPath(), script.RunPath());
    ASSERT_EQ(window.Intend("/w/a", "/w/b", "", Status(1), journal::kMoved), 0);
    ASSERT_EQ(script.Intend("/s/a", "/s/b", "", Status(2), journal::kMoved), 0);
    EXPECT_TRUE(journal::ReadRun(window.RunPath()).running);
    journal::RunFile file;
    EXPECT_EQ(file.Open(window.RunPath()), EWOULDBLOCK) << "no undo while the run goes on";
    window.EndRun();
    script.EndRun();
    EXPECT_FALSE(journal::ReadRun(window.RunPath()).running);
    EXPECT_EQ(journal::ReadRun(window.RunPath()).records.at(0).oldPath, "/w/a");
    EXPECT_EQ(journal::ReadRun(script.RunPath()).records.at(0).oldPath, "/s/a");
    const auto runs = journal::ListRuns(test::Cp932(temp.Path()));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], script.RunPath()) << "newest first";
}

TEST(UndoJournal, KeepsTheLastRunsButNeverOneInUse) {
    test::TempFolder temp;
    const std::string folder = test::Cp932(temp.Path());
    UndoJournal first(folder);
    ASSERT_EQ(first.BeginRun("/first/", 0), 0);  // still going through all that follows
    UndoJournal later(folder);
    for (std::size_t i = 0; i < UndoJournal::kRunsKept + 5; ++i) {
        ASSERT_EQ(later.BeginRun("/later/", 0), 0);
        later.EndRun();
    }
    const auto runs = journal::ListRuns(folder);
    EXPECT_EQ(runs.size(), UndoJournal::kRunsKept + 1) << "the kept runs and the one still going";
    EXPECT_EQ(runs.back(), first.RunPath());
    first.EndRun();
}

TEST(UndoJournal, AStateFolderThatCannotBeMadeRefusesTheRun) {
    test::TempFolder temp;
    temp.CreateFile("file", "in the way");
    for (const char* folder : {"file/", "file/below/"}) {
        UndoJournal journal(test::Cp932(temp / folder));
        EXPECT_NE(journal.BeginRun("/a/", 0), 0) << folder;
        EXPECT_FALSE(journal.Recording()) << folder;
        EXPECT_NE(journal.Intend("/a/1", "/a/2", "", Status(1), journal::kMoved), 0) << folder;
    }
}

}  // namespace
}  // namespace morvanex::engine

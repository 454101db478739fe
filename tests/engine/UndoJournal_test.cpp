#include "engine/UndoJournal.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>

#include "support/TempFolder.h"

namespace morvanex::engine {
namespace {

platform::FileStatus Status(int n) {
    platform::FileStatus status;
    status.creation = 1000 + n;
    status.modification = 2000 + n;
    status.access = 3000 + n;
    status.size = n;
    status.attributes = 0x21;
    return status;
}

TEST(UndoJournal, RecordsEachMoveWithItsState) {
    test::TempFolder temp;
    UndoJournal journal(test::Cp932(temp.Path()));
    ASSERT_EQ(journal.BeginRun(0), 0);
    journal.BeforeMove("/a/1", "/a/one", Status(1));
    journal.AfterMove();
    journal.BeforeMove("/a/\x82\xA0", "/a/two-with-a-longer-name", Status(2));
    journal.AfterMove();
    journal.BeforeMove("/a/3", "/a/three", Status(3));  // killed before the move finished
    journal.EndRun();

    UndoJournal reader(test::Cp932(temp.Path()));
    std::vector<UndoJournal::Entry> entries;
    std::uint32_t flags = 99;
    ASSERT_TRUE(reader.Load(entries, flags));
    EXPECT_EQ(flags, 0u);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].state, UndoJournal::State::Done);
    EXPECT_EQ(entries[1].oldPath, "/a/\x82\xA0");
    EXPECT_EQ(entries[1].newPath, "/a/two-with-a-longer-name");
    EXPECT_EQ(entries[1].before, Status(2));
    EXPECT_EQ(entries[2].state, UndoJournal::State::Intended);
    reader.MarkUndone(0);
    reader.EndRun();
    ASSERT_TRUE(reader.Load(entries, flags));
    EXPECT_EQ(entries[0].state, UndoJournal::State::Undone);
    EXPECT_EQ(entries.size(), 3u);  // reading and marking never cut the journal
}

TEST(UndoJournal, ANewRunReplacesTheLastOneAndACopyRunLeavesNothingToUndo) {
    test::TempFolder temp;
    UndoJournal journal(test::Cp932(temp.Path()));
    ASSERT_EQ(journal.BeginRun(UndoJournal::kChangedTimes), 0);
    journal.BeforeMove("/x", "/y", Status(1));
    journal.AfterMove();
    journal.EndRun();
    ASSERT_EQ(journal.BeginRun(UndoJournal::kCopyRun), 0);
    journal.EndRun();
    std::vector<UndoJournal::Entry> entries;
    std::uint32_t flags = 0;
    ASSERT_TRUE(journal.Load(entries, flags));
    EXPECT_EQ(flags, UndoJournal::kCopyRun);
    EXPECT_TRUE(entries.empty());
}

// Two runs at once (a window and a script): the later one owns the journal, and the earlier
// one goes on writing its own records safely, without the file being emptied under it.
TEST(UndoJournal, ARunStartedMeanwhileTakesOverWithoutHarmingTheEarlierOne) {
    test::TempFolder temp;
    UndoJournal earlier(test::Cp932(temp.Path()));
    UndoJournal later(test::Cp932(temp.Path()));
    ASSERT_EQ(earlier.BeginRun(0), 0);
    earlier.BeforeMove("/a/0", "/a/zero", Status(0));
    earlier.AfterMove();
    ASSERT_EQ(later.BeginRun(UndoJournal::kChangedTimes), 0);
    later.BeforeMove("/b/1", "/b/one", Status(1));
    later.AfterMove();
    later.EndRun();
    // The earlier run goes on well past the end of the later, shorter journal.
    for (int i = 1; i < 2000; ++i) {
        earlier.BeforeMove("/a/" + std::to_string(i), "/a/new-" + std::to_string(i), Status(i));
        earlier.AfterMove();
    }
    earlier.EndRun();

    UndoJournal reader(test::Cp932(temp.Path()));
    std::vector<UndoJournal::Entry> entries;
    std::uint32_t flags = 0;
    ASSERT_TRUE(reader.Load(entries, flags));
    EXPECT_EQ(flags, UndoJournal::kChangedTimes);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].oldPath, "/b/1");
    EXPECT_EQ(entries[0].state, UndoJournal::State::Done);
    reader.EndRun();
    const auto files = std::distance(std::filesystem::directory_iterator(temp.Path()),
                                     std::filesystem::directory_iterator());
    EXPECT_EQ(files, 1) << "no journal under a temporary name is left behind";
}

TEST(UndoJournal, DiscardingARunUndoneElsewhereSparesARunThatTookOver) {
    for (const bool takenOver : {false, true}) {
        test::TempFolder temp;
        UndoJournal window(test::Cp932(temp.Path()));
        ASSERT_EQ(window.BeginRun(0), 0);
        window.BeforeMove("/a/1", "/a/one", Status(1));
        window.AfterMove();
        window.EndRun();
        if (takenOver) {
            UndoJournal script(test::Cp932(temp.Path()));
            ASSERT_EQ(script.BeginRun(0), 0);
            script.BeforeMove("/b/1", "/b/one", Status(1));
            script.AfterMove();
            script.EndRun();
        }
        window.DiscardRun();

        UndoJournal reader(test::Cp932(temp.Path()));
        std::vector<UndoJournal::Entry> entries;
        std::uint32_t flags = 0;
        ASSERT_TRUE(reader.Load(entries, flags));
        if (takenOver) {
            ASSERT_EQ(entries.size(), 1u);
            EXPECT_EQ(entries[0].oldPath, "/b/1");
        } else {
            EXPECT_TRUE(entries.empty());
        }
    }
}

TEST(UndoJournal, MissingOrForeignFileIsNoJournal) {
    test::TempFolder temp;
    UndoJournal journal(test::Cp932(temp.Path()));
    std::vector<UndoJournal::Entry> entries;
    std::uint32_t flags = 0;
    EXPECT_FALSE(journal.Load(entries, flags));
    temp.CreateFile("last-run.journal",
                    "not a journal at all, but long enough to be read as one."
                    "................................................");
    EXPECT_FALSE(journal.Load(entries, flags));
}

TEST(UndoJournal, SurvivesTheProcessBeingKilled) {
    test::TempFolder temp;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        UndoJournal journal(test::Cp932(temp.Path()));
        if (journal.BeginRun(0) != 0) _exit(2);
        for (int i = 0; i < 5000; ++i) {
            journal.BeforeMove("/old/" + std::to_string(i), "/new/" + std::to_string(i), Status(i));
            journal.AfterMove();
        }
        journal.BeforeMove("/old/last", "/new/last", Status(0));
        raise(SIGKILL);  // no EndRun, no sync, no destructor
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    UndoJournal reader(test::Cp932(temp.Path()));
    std::vector<UndoJournal::Entry> entries;
    std::uint32_t flags = 0;
    ASSERT_TRUE(reader.Load(entries, flags));
    ASSERT_EQ(entries.size(), 5001u);
    EXPECT_EQ(entries[4999].newPath, "/new/4999");
    EXPECT_EQ(entries[4999].state, UndoJournal::State::Done);
    EXPECT_EQ(entries[5000].state, UndoJournal::State::Intended);
}

}  // namespace
}  // namespace morvanex::engine

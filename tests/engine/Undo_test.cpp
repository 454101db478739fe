#include "engine/journal/Undo.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <utility>

#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"
#include "support/CardSyscalls.h"
#include "support/MemoryFileSystem.h"
#include "support/TempFolder.h"

namespace morvanex::engine {
namespace {

// The host's file system, for the journals of these tests.
platform::PosixFileSystem host;

// Names as a camera card's file system treats them: looked up without regard to letter case,
// stored as spelled, and a move never lands on a name that exists in any case — not even on
// the file's own name in another case. Its inode numbers mean nothing.
test::MemoryFileSystem Card() {
    test::MemoryFileSystem card;
    card.traits.ignoresCase = true;
    card.traits.keepsIdentity = false;
    return card;
}

journal::Record Moved(const std::string& from, const std::string& to, const std::string& via,
                      const platform::FileStatus& before) {
    journal::Record record;
    record.state = journal::State::Done;
    record.changes = journal::kMoved;
    record.oldPath = from;
    record.newPath = to;
    record.viaPath = via;
    record.before = before;
    record.afterModification = before.modification;
    return record;
}

TEST(Undo, AChangeOfLetterCaseAndItsUndoWorkWhereCaseIsIgnored) {
    test::MemoryFileSystem card = Card();
    card.AddFile("/card/IMG_0001.JPG", "photo");
    card.files["/card/IMG_0001.JPG"].status.modification = 1000;
    card.files["/card/IMG_0001.JPG"].status.identity = {9, 1};  // a number of this mount only
    const platform::FileStatus before = card.files["/card/IMG_0001.JPG"].status;
    EXPECT_EQ(card.Move("/card/IMG_0001.JPG", "/card/img_0001.jpg", nullptr), EEXIST)
        << "the card refuses it";

    ASSERT_EQ(
        MoveKeepingCase(card, "/card/IMG_0001.JPG", "/card/img_0001.jpg", "/card/.via", nullptr),
        0);
    ASSERT_EQ(card.files.count("/card/img_0001.jpg"), 1u);
    EXPECT_EQ(card.files.size(), 1u);

    journal::Run run;
    run.records.push_back(Moved("/card/IMG_0001.JPG", "/card/img_0001.jpg", "/card/.via", before));
    std::size_t marked = 0;
    const UndoReport report =
        UndoRecords(run, card, nullptr, [&](std::size_t) { return ++marked, 0; });
    EXPECT_TRUE(report.Complete());
    EXPECT_EQ(marked, 1u);
    EXPECT_EQ(card.files.count("/card/IMG_0001.JPG"), 1u);
    EXPECT_EQ(card.files.size(), 1u);

    // A killed run left the file under its temporary name: undo finds it there.
    ASSERT_EQ(card.Move("/card/IMG_0001.JPG", "/card/.via", nullptr), 0);
    EXPECT_TRUE(UndoRecords(run, card, nullptr, [](std::size_t) { return 0; }).Complete());
    EXPECT_EQ(card.files.count("/card/IMG_0001.JPG"), 1u);
}

// FAT through FUSE gives a renamed file the time of its rename: the change of letter case still
// takes the file it parked on to its new name, where identity says nothing.
TEST(Undo, AChangeOfLetterCaseGoesOnWhereAMoveStampsTheTime) {
    struct StampingCard final : test::MemoryFileSystem {
        int Move(std::string_view from, std::string_view to,
                 const platform::FileStatus* expected) override {
            const int error = MemoryFileSystem::Move(from, to, expected);
            if (error == 0) files[std::string(to)].status.modification += 2;
            return error;
        }
    } card;
    static_cast<test::MemoryFileSystem&>(card) = Card();
    card.AddFile("/card/IMG_0001.JPG", "photo");
    card.files["/card/IMG_0001.JPG"].status.modification = 1000;
    const platform::FileStatus listed = card.files["/card/IMG_0001.JPG"].status;
    EXPECT_EQ(
        MoveKeepingCase(card, "/card/IMG_0001.JPG", "/card/img_0001.jpg", "/card/.via", &listed),
        0);
    EXPECT_EQ(card.files.count("/card/img_0001.jpg"), 1u);
    EXPECT_EQ(card.files.size(), 1u) << "nothing is left under the temporary name";
}

TEST(Undo, ACaseSensitiveFileSystemWithBothNamesKeepsBothFiles) {
    test::MemoryFileSystem memory;
    memory.AddFile("/f/A.txt", "upper");
    memory.AddFile("/f/a.txt", "lower");
    EXPECT_EQ(MoveKeepingCase(memory, "/f/A.txt", "/f/a.txt", "/f/.via", nullptr), EEXIST);
    EXPECT_EQ(memory.files.at("/f/A.txt").contents, "upper");
    EXPECT_EQ(memory.files.at("/f/a.txt").contents, "lower");
    EXPECT_EQ(memory.files.size(), 2u) << "nothing is left under the temporary name";
}

// A run killed after parking a file on its way to a name that is another link of the same
// file: undo takes the parked file back and leaves the other link alone.
TEST(Undo, AFileParkedOnItsWayToAnotherLinkOfItselfComesBack) {
    test::TempFolder temp;
    temp.CreateFile("a.txt", "same");
    ASSERT_EQ(::link((temp / "a.txt").c_str(), (temp / "A.TXT").c_str()), 0);
    platform::PosixFileSystem real;
    platform::FileStatus before;
    ASSERT_EQ(real.GetStatus(test::Cp932(temp / "a.txt"), before), 0);
    journal::Run run;
    run.records.push_back(Moved(test::Cp932(temp / "a.txt"), test::Cp932(temp / "A.TXT"),
                                test::Cp932(temp / ".via"), before));
    run.records[0].state = journal::State::Intended;
    ASSERT_EQ(std::rename((temp / "a.txt").c_str(), (temp / ".via").c_str()),
              0);  // parked, then killed

    EXPECT_TRUE(UndoRecords(run, real, nullptr, [](std::size_t) { return 0; }).Complete());
    EXPECT_TRUE(temp.Exists("a.txt"));
    EXPECT_TRUE(temp.Exists("A.TXT"));
    EXPECT_FALSE(temp.Exists(".via"));
}

// A run killed while its move waited between taking the new name (an empty file, where the
// file system cannot refuse a taken name by itself) and the rename itself: the file is still
// where it was, and undo removes the reservation, under the new name or the temporary one of a
// change of letter case. An empty file that was there before the run stays.
TEST(Undo, AKillBetweenReservingANameAndMovingLeavesNothingBehind) {
    struct Row {
        const char* name;
        const char* to;
        const char* via;
        const char* held;
        bool olderEmptyFile;  // an empty file at the new name from before the run
    } rows[] = {
        {"new_name", "X.jpg", "", "X.jpg", false},
        {"temporary_name", "b.jpg", ".morvanex-case-1", ".morvanex-case-1", false},
        {"older_empty_file_stays", "X.jpg", "", "", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempFolder temp;
        temp.CreateFile("B.JPG", "photo");
        platform::PosixFileSystem real;
        platform::FileStatus before;
        ASSERT_EQ(real.GetStatus(test::Cp932(temp / "B.JPG"), before), 0);
        journal::Run run;
        run.started = before.modification;
        run.records.push_back(Moved(test::Cp932(temp / "B.JPG"), test::Cp932(temp / row.to),
                                    *row.via != '\0' ? test::Cp932(temp / row.via) : "", before));
        run.records[0].state = journal::State::Intended;
        if (row.olderEmptyFile) {
            temp.CreateFile(row.to, "");
            temp.SetModificationTime(row.to, before.modification - 3600);
        } else {
            const std::string from = test::Cp932(temp / "B.JPG");
            const std::string to = test::Cp932(temp / row.held);
            test::HeldRename held(row.held, [&] { return real.Move(from, to, &before); });
            if (!held.Supported()) GTEST_SKIP() << "no seccomp listener on this machine";
            ASSERT_TRUE(held.Held());
            held.Kill();
            EXPECT_EQ(temp.ReadFile(row.held), "") << "the name is reserved";
        }

        EXPECT_TRUE(UndoRecords(run, real, nullptr, [](std::size_t) { return 0; }).Complete());
        EXPECT_EQ(temp.ReadFile("B.JPG"), "photo");
        EXPECT_EQ(temp.Exists(row.to), row.olderEmptyFile);
        if (*row.via != '\0') {
            EXPECT_FALSE(temp.Exists(row.via));
        }
    }
}

// Which run the command line's undo takes, and when it refuses.
TEST(Undo, TheCommandLineTakesTheNewestRunAndNeverPassesOneSilently) {
    struct Row {
        const char* name;
        // Prepares the newer of two runs (each one moved record).
        void (*newer)(const std::string& path);
        bool refuses;
        bool takesTheNewer;
    };
    const Row rows[] = {
        {"newer_pending", [](const std::string&) {}, false, true},
        {"newer_undone",
         [](const std::string& path) {
             journal::RunFile file;
             ASSERT_EQ(file.Open(path, host), 0);
             ASSERT_EQ(file.SetState(0, journal::State::Undone), 0);
         },
         false, false},
        {"newer_unreadable",
         [](const std::string& path) {
             std::ofstream(platform::Utf8FromCp932(path), std::ios::binary | std::ios::trunc)
                 << "garbage";
         },
         true, false},
    };
    for (const Row& row : rows) {
        test::TempFolder temp;
        const std::string folder = test::Cp932(temp.Path());
        std::string paths[2];
        for (int i = 0; i < 2; ++i) {
            UndoJournal journal(folder);
            ASSERT_EQ(journal.BeginRun(host, "/r/", i), 0);
            ASSERT_EQ(journal.Intend("/r/" + std::to_string(i), "/r/new", "", {}, journal::kMoved),
                      0);
            journal.Done(0, 0);
            journal.EndRun();
            paths[i] = journal.RunPath();
        }
        row.newer(paths[1]);
        const UndoChoice choice = ChooseRunToUndo(folder, host);
        EXPECT_EQ(!choice.refusal.empty(), row.refuses) << row.name;
        if (!row.refuses) {
            EXPECT_EQ(choice.run.path, row.takesTheNewer ? paths[1] : paths[0]) << row.name;
        }
    }

    // A run still going is named, and nothing older is taken meanwhile.
    test::TempFolder temp;
    UndoJournal going(test::Cp932(temp.Path()));
    ASSERT_EQ(going.BeginRun(host, "/g/", 0), 0);
    const UndoChoice choice = ChooseRunToUndo(test::Cp932(temp.Path()), host);
    EXPECT_NE(choice.refusal.find(journal::ReadRun(going.RunPath(), host).name), std::string::npos);
    EXPECT_TRUE(choice.run.path.empty());
}

// A damaged journal: what verifies comes back, the damage is reported once, and the next undo
// goes on to the run before.
TEST(Undo, ADamagedJournalGivesBackWhatVerifiesAndSaysSo) {
    test::TempFolder temp;
    temp.CreateFile("new1", "1");
    temp.CreateFile("new2", "2");
    platform::PosixFileSystem real;
    const std::string folder = test::Cp932(temp / "state/");
    UndoJournal journal(folder);
    ASSERT_EQ(journal.BeginRun(host, test::Cp932(temp.Path()), 0), 0);
    for (const char* n : {"1", "2"}) {
        platform::FileStatus before;
        ASSERT_EQ(real.GetStatus(test::Cp932(temp / (std::string("new") + n)), before), 0);
        ASSERT_EQ(journal.Intend(test::Cp932(temp / (std::string("old") + n)),
                                 test::Cp932(temp / (std::string("new") + n)), "", before,
                                 journal::kMoved),
                  0);
        journal.Done(before.modification, before.modificationNs);
    }
    journal.EndRun();
    std::string bytes;
    {
        std::ifstream in(journal.RunPath(), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    bytes[bytes.find("new1") + 1] ^= 0x20;  // a flipped bit in the first record's new path
    std::ofstream(journal.RunPath(), std::ios::binary | std::ios::trunc) << bytes;

    const UndoReport report = UndoRun(ChooseRunToUndo(folder, host).run.path, real, nullptr);
    EXPECT_FALSE(report.Complete());
    EXPECT_EQ(report.damaged, 1u);
    EXPECT_EQ(report.restored, 1u);
    EXPECT_EQ(temp.ReadFile("old2"), "2");
    EXPECT_EQ(temp.ReadFile("new1"), "1") << "a record that does not verify moves nothing";
    EXPECT_TRUE(ChooseRunToUndo(folder, host).run.path.empty()) << "the damage was reported once";
}

// A run as the engine records it, on real files: each change recorded, then made, then marked
// done (a pair whose two paths are the same changes the file's attributes only).
std::string RecordRun(const std::string& stateFolder, const std::string& root,
                      const std::vector<std::pair<std::string, std::string>>& changes,
                      const std::vector<std::string>& folders = {}) {
    platform::PosixFileSystem real;
    UndoJournal journal(stateFolder);
    EXPECT_EQ(journal.BeginRun(host, root, 0, folders), 0) << journal.Problem();
    for (const auto& [from, to] : changes) {
        platform::FileStatus before;
        EXPECT_EQ(real.GetStatus(from, before), 0) << from;
        EXPECT_EQ(journal.Intend(from, to, "", before,
                                 from == to ? journal::kAttributes : journal::kMoved),
                  0);
        if (from != to) {
            EXPECT_EQ(real.Move(from, to, &before), 0) << from;
        }
        journal.Done(before.modification, before.modificationNs);
    }
    journal.EndRun();
    return journal.RunPath();
}

// Which file found under the new name is the one the run moved.
TEST(Undo, OnlyTheWholeIdentityTakesAFileBack) {
    struct Row {
        const char* name;
        bool keepsIdentity;
        bool birthRecorded;
        bool identityRecorded;
        void (*change)(platform::FileStatus& found);
        bool takenBack;
    };
    const Row rows[] = {
        {"birth/same", true, true, true, [](platform::FileStatus& f) { f.size = 11; }, true},
        {"birth/another", true, true, true, [](platform::FileStatus& f) { f.birth += 1; }, false},
        {"no_birth/same_size_and_time", true, false, true, [](platform::FileStatus&) {}, true},
        {"no_birth/another_size", true, false, true, [](platform::FileStatus& f) { f.size = 11; },
         false},
        {"no_birth/another_second", true, false, true,
         [](platform::FileStatus& f) { f.modification += 1; }, false},
        {"no_birth/another_nanosecond", true, false, true,
         [](platform::FileStatus& f) { f.modificationNs += 1; }, false},
        {"no_birth/another_inode", true, false, true,
         [](platform::FileStatus& f) { f.identity.inode += 1; }, false},
        {"no_identity/same_size_and_time", false, false, false, [](platform::FileStatus&) {},
         false},
        {"numbered_per_mount/same_numbers_another_size", false, false, true,
         [](platform::FileStatus& f) { f.size = 11; }, false},
        {"numbered_per_mount/two_seconds_off", false, false, true,
         [](platform::FileStatus& f) { f.modification += 2; }, true},
        {"kind/a_folder_now", true, false, true,
         [](platform::FileStatus& f) { f.attributes |= platform::attr::kDirectory; }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        platform::FileStatus before;
        before.identity =
            row.identityRecorded ? platform::FileIdentity{5, 7} : platform::FileIdentity{};
        before.size = 10;
        before.modification = 100;
        before.modificationNs = 5;
        before.birth = row.birthRecorded ? 1234 : 0;
        test::MemoryFileSystem fileSystem;
        fileSystem.traits.keepsIdentity = row.keepsIdentity;
        fileSystem.AddFile("/r/new", "x");
        platform::FileStatus found = before;
        found.identity = {5, 7};
        row.change(found);
        fileSystem.files["/r/new"].status = found;
        journal::Run run;
        run.records.push_back(Moved("/r/old", "/r/new", "", before));
        run.records[0].afterModificationNs = before.modificationNs;
        const UndoReport report =
            UndoRecords(run, fileSystem, nullptr, [](std::size_t) { return 0; });
        EXPECT_EQ(fileSystem.files.count("/r/old"), row.takenBack ? 1u : 0u);
        EXPECT_EQ(report.problems.size(), row.takenBack ? 0u : 1u);
    }
}

// A journal can send a file only where its run worked: the folders its header records.
TEST(Undo, ARecordOutsideItsRunsFoldersIsRefusedAndNamed) {
    struct Row {
        const char* name;
        const char* from;  // relative to the test's folder; moved to `to` by the run
        const char* to;
        bool takenBack;
    };
    const Row rows[] = {
        {"inside/the_folder", "in/a", "in/b", true},
        {"inside/a_listed_folder", "listed/a", "listed/b", true},
        {"outside/old_path", "home/key", "in/planted", false},
        {"outside/new_path", "in/a", "out/a", false},
        {"outside/climbing_out", "in/../home/key", "in/planted", false},
        {"outside/a_folder_beside", "in-other/a", "in/b", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempFolder temp;
        for (const char* folder : {"in", "listed", "home", "out", "in-other"})
            temp.CreateFolder(folder);
        temp.CreateFile(std::string(row.from).starts_with("in/..") ? "home/key" : row.from, "A");
        const std::string from = test::Cp932(temp / row.from);
        const std::string to = test::Cp932(temp / row.to);
        const std::string state = test::Cp932(temp / "state/");
        RecordRun(state, test::Cp932(temp / "in/"), {{from, to}},
                  {test::Cp932(temp / "in/"), test::Cp932(temp / "listed/")});
        platform::PosixFileSystem real;
        const UndoReport report = UndoRun(ChooseRunToUndo(state, host).run.path, real, nullptr);
        EXPECT_EQ(report.Complete(), row.takenBack);
        EXPECT_EQ(real.Exists(from), row.takenBack);
        EXPECT_EQ(real.Exists(to), !row.takenBack) << "a refused record moves nothing";
        if (!row.takenBack) {
            ASSERT_EQ(report.problems.size(), 1u);
            EXPECT_NE(report.problems[0].find(from), std::string::npos) << report.problems[0];
        }
    }
}

// An undo that could not give everything back says so once, in history too; the next undo goes
// on to the run before, and the run named comes back once the way is free.
TEST(Undo, AnUndoThatLeftFilesSettlesItsRunAndTheNextGoesOn) {
    test::TempFolder temp;
    temp.CreateFile("a.txt", "A");
    temp.CreateFile("b.txt", "B");
    const std::string state = test::Cp932(temp / "state/");
    const std::string root = test::Cp932(temp.Path());
    RecordRun(state, root, {{root + "a.txt", root + "A1.txt"}});
    const std::string newer = RecordRun(state, root, {{root + "b.txt", root + "B1.txt"}});
    temp.CreateFile("b.txt", "someone else's");  // the old name is taken again
    platform::PosixFileSystem real;

    UndoChoice choice = ChooseRunToUndo(state, host);
    ASSERT_EQ(choice.run.path, newer);
    EXPECT_FALSE(UndoRun(choice.run.path, real, nullptr).Complete());
    choice = ChooseRunToUndo(state, host);
    ASSERT_NE(choice.run.path, newer) << "the next undo goes to the run before";
    EXPECT_TRUE(UndoRun(choice.run.path, real, nullptr).Complete());
    EXPECT_EQ(temp.ReadFile("a.txt"), "A");

    const std::vector<std::string> history = DescribeHistory(state, host);
    ASSERT_EQ(history.size(), 3u);
    EXPECT_NE(history[0].find("  undo-incomplete  1  "), std::string::npos) << history[0];
    EXPECT_EQ(history[1],
              "    " + root + platform::Sjis("b.txt : 元の名前のファイルがすでに存在します。"));

    ::unlink((temp / "b.txt").c_str());
    const std::string name = journal::ReadRun(newer, host).name;
    EXPECT_TRUE(ChooseRunToUndo(state, host).run.path.empty())
        << "nothing is left for the plain undo";
    choice = ChooseRunToUndo(state, host, name);
    ASSERT_EQ(choice.run.path, newer) << choice.refusal;
    EXPECT_TRUE(UndoRun(choice.run.path, real, nullptr).Complete());
    EXPECT_EQ(temp.ReadFile("b.txt"), "B");
}

// A choice held open keeps its journal from every other undo until it is taken back through it;
// a journal another undo holds is refused as one still going.
TEST(Undo, AHeldChoiceIsTheOneUndoOfItsRun) {
    test::TempFolder temp;
    temp.CreateFile("a.txt", "A");
    const std::string state = test::Cp932(temp / "state/");
    const std::string root = test::Cp932(temp.Path());
    const std::string path = RecordRun(state, root, {{root + "a.txt", root + "A1.txt"}});
    platform::PosixFileSystem real;

    UndoChoice held = ChooseRunToUndo(state, host, {}, true);
    ASSERT_NE(held.file, nullptr) << held.refusal;
    EXPECT_EQ(held.file->Contents().path, path);
    EXPECT_EQ(UndoRun(path, real, nullptr).error, EWOULDBLOCK);
    const UndoChoice other = ChooseRunToUndo(state, host, {}, true);
    EXPECT_EQ(other.file, nullptr);
    EXPECT_NE(other.refusal.find(held.file->Contents().name), std::string::npos) << other.refusal;

    EXPECT_TRUE(UndoRun(*held.file, real, nullptr).Complete());
    EXPECT_EQ(temp.ReadFile("a.txt"), "A");
    held.file.reset();
    EXPECT_EQ(ChooseRunToUndo(state, host, {}, true).file, nullptr) << "nothing is left";
}

// A run named for undo is refused while a newer run still holds one of its files.
TEST(Undo, ANamedRunWaitsForTheNewerRunsThatHoldItsFiles) {
    struct Row {
        const char* name;
        // The newer run's changes (paths relative to the folder), after the older run moved
        // a.txt to b.txt; `before` is done first by hand.
        std::pair<const char*, const char*> before;
        std::pair<const char*, const char*> newer;
        bool undoNewerFirst;
        bool refused;
    };
    const Row rows[] = {
        {"holds/moved_it_on", {}, {"b.txt", "c.txt"}, false, true},
        {"holds/changed_it_in_place", {}, {"b.txt", "b.txt"}, false, true},
        {"holds/the_same_file_elsewhere", {"b.txt", "x.txt"}, {"x.txt", "y.txt"}, false, true},
        {"free/newer_undone", {}, {"b.txt", "c.txt"}, true, false},
        {"free/another_file", {}, {"z.txt", "w.txt"}, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempFolder temp;
        temp.CreateFile("a.txt", "A");
        temp.CreateFile("z.txt", "Z");
        const std::string state = test::Cp932(temp / "state/");
        const std::string root = test::Cp932(temp.Path());
        const std::string older = RecordRun(state, root, {{root + "a.txt", root + "b.txt"}});
        if (row.before.first != nullptr) {
            ASSERT_EQ(
                std::rename((temp / row.before.first).c_str(), (temp / row.before.second).c_str()),
                0);
        }
        const std::string newer =
            RecordRun(state, root, {{root + row.newer.first, root + row.newer.second}});
        platform::PosixFileSystem real;
        if (row.undoNewerFirst) {
            ASSERT_TRUE(UndoRun(newer, real, nullptr).Complete());
        }
        const UndoChoice choice = ChooseRunToUndo(state, host, journal::ReadRun(older, host).name);
        EXPECT_EQ(!choice.refusal.empty(), row.refused) << choice.refusal;
        if (row.refused) {
            EXPECT_NE(choice.refusal.find(journal::ReadRun(newer, host).name), std::string::npos)
                << choice.refusal;
        } else {
            EXPECT_EQ(choice.run.path, older);
        }
    }
}

}  // namespace
}  // namespace morvanex::engine

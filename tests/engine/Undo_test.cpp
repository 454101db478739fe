#include "engine/Undo.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"
#include "support/MemoryFileSystem.h"
#include "support/TempFolder.h"

namespace morvanex::engine {
namespace {

// Names as a camera card's file system treats them: looked up without regard to letter case,
// stored as spelled, and a move never lands on a name that exists in any case — not even on
// the file's own name in another case. Its inode numbers mean nothing.
class CaseBlindFileSystem final : public test::MemoryFileSystem {
  public:
    std::string Find(std::string_view path) const {
        for (const auto& [name, file] : files) {
            if (platform::EqualNoCase(name, path)) return name;
        }
        return {};
    }
    int GetStatus(std::string_view path, platform::FileStatus& status) override {
        const std::string found = Find(path);
        if (found.empty()) return ENOENT;
        status = files.at(found).status;
        return 0;
    }
    int Move(std::string_view from, std::string_view to) override {
        const std::string source = Find(from);
        if (source.empty()) return ENOENT;
        if (!Find(to).empty()) return EEXIST;
        auto node = files.extract(source);
        node.key() = std::string(to);
        files.insert(std::move(node));
        return 0;
    }
    bool KeepsIdentity(std::string_view) override { return false; }
};

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
    CaseBlindFileSystem card;
    card.AddFile("/card/IMG_0001.JPG", "photo");
    card.files["/card/IMG_0001.JPG"].status.modification = 1000;
    card.files["/card/IMG_0001.JPG"].status.identity = {9, 1};  // a number of this mount only
    const platform::FileStatus before = card.files["/card/IMG_0001.JPG"].status;
    EXPECT_EQ(card.Move("/card/IMG_0001.JPG", "/card/img_0001.jpg"), EEXIST)
        << "the card refuses it";

    ASSERT_EQ(MoveKeepingCase(card, "/card/IMG_0001.JPG", "/card/img_0001.jpg", "/card/.via"), 0);
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
    ASSERT_EQ(card.Move("/card/IMG_0001.JPG", "/card/.via"), 0);
    EXPECT_TRUE(UndoRecords(run, card, nullptr, [](std::size_t) { return 0; }).Complete());
    EXPECT_EQ(card.files.count("/card/IMG_0001.JPG"), 1u);
}

TEST(Undo, ACaseSensitiveFileSystemWithBothNamesKeepsBothFiles) {
    test::MemoryFileSystem memory;
    memory.AddFile("/f/A.txt", "upper");
    memory.AddFile("/f/a.txt", "lower");
    EXPECT_EQ(MoveKeepingCase(memory, "/f/A.txt", "/f/a.txt", "/f/.via"), EEXIST);
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
             ASSERT_EQ(file.Open(path), 0);
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
            ASSERT_EQ(journal.BeginRun("/r/", i), 0);
            ASSERT_EQ(journal.Intend("/r/" + std::to_string(i), "/r/new", "", {}, journal::kMoved),
                      0);
            journal.Done(0, 0);
            journal.EndRun();
            paths[i] = journal.RunPath();
        }
        row.newer(paths[1]);
        const UndoChoice choice = ChooseRunToUndo(folder);
        EXPECT_EQ(!choice.refusal.empty(), row.refuses) << row.name;
        if (!row.refuses) {
            EXPECT_EQ(choice.run.path, row.takesTheNewer ? paths[1] : paths[0]) << row.name;
        }
    }

    // A run still going is named, and nothing older is taken meanwhile.
    test::TempFolder temp;
    UndoJournal going(test::Cp932(temp.Path()));
    ASSERT_EQ(going.BeginRun("/g/", 0), 0);
    const UndoChoice choice = ChooseRunToUndo(test::Cp932(temp.Path()));
    EXPECT_NE(choice.refusal.find(journal::ReadRun(going.RunPath()).name), std::string::npos);
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
    ASSERT_EQ(journal.BeginRun(test::Cp932(temp.Path()), 0), 0);
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

    const UndoReport report = UndoRun(ChooseRunToUndo(folder).run.path, real, nullptr);
    EXPECT_FALSE(report.Complete());
    EXPECT_EQ(report.damaged, 1u);
    EXPECT_EQ(report.restored, 1u);
    EXPECT_EQ(temp.ReadFile("old2"), "2");
    EXPECT_EQ(temp.ReadFile("new1"), "1") << "a record that does not verify moves nothing";
    EXPECT_TRUE(ChooseRunToUndo(folder).run.path.empty()) << "the damage was reported once";
}

}  // namespace
}  // namespace morvanex::engine

#include "engine/run/RunDriver.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "engine/ResultCodes.h"
#include "engine/journal/Undo.h"
#include "engine/journal/UndoJournal.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/PosixFileSystem.h"
#include "settings/SettingsLifecycle.h"
#include "support/FaultInjectingFileSystem.h"
#include "support/FixedClock.h"
#include "support/ForwardingFileSystem.h"
#include "support/InChild.h"
#include "support/ScriptedInteraction.h"
#include "support/SequencePattern.h"
#include "support/TempFolder.h"

namespace morvanex::engine {
namespace {

using settings::RenameSettings;
using test::Cp932;
using Op = test::FaultInjectingFileSystem::Op;

const platform::Timestamp kNow = platform::FromLocalTime({2024, 5, 0, 6, 7, 8, 9, 0});

// Everything under a folder as the tests compare it: path -> contents, mode and times.
struct Entry {
    std::string contents;
    unsigned mode = 0;
    std::int64_t modification = 0;
    friend bool operator==(const Entry&, const Entry&) = default;
};

std::map<std::string, Entry> Snapshot(const std::string& root) {
    std::map<std::string, Entry> tree;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
        struct stat st {};
        ::lstat(item.path().c_str(), &st);
        Entry entry{{}, st.st_mode, st.st_mtim.tv_sec};
        if (item.is_regular_file()) {
            std::ifstream in(item.path(), std::ios::binary);
            entry.contents.assign(std::istreambuf_iterator<char>(in), {});
        }
        tree[item.path().string().substr(root.size())] = entry;
    }
    return tree;
}

// Every test runs twice: for a front end with a progress bar and for one without. A real run on a
// folder starts on the listed names while the statuses are still being read in both (unless it
// is sorted by time or size); a preview takes the whole list first.
class RunDriverTest : public testing::TestWithParam<bool> {
  protected:
    RunDriverTest() : faulty(real), journal(Cp932(state.Path())) {
        settings = settings::ConstructSettings({real, clock, {}});
        settings.SelectFile.FullPath = Cp932(temp.Path());
        settings.CommonOption.LogWritePath = Cp932(temp.Path()) + "logs/";
        UsePattern("IMG_", 3);
        ui.showsProgress = GetParam();
    }

    // "<prefix><sequence>.<extension>"
    void UsePattern(const std::string& prefix, int digits, int start = 1) {
        test::UseSequencePattern(settings, Cp932(prefix), digits, start);
    }
    // Names made by replacement pairs alone, applied in their order.
    void UseReplacements(std::initializer_list<std::pair<const char*, const char*>> pairs) {
        settings.RenameOption.EnableRename = 0;
        settings.StringChangeOption.EnableStringChange = 1;
        std::size_t p = 0;
        for (const auto& [before, after] : pairs) {
            settings.StringChangeOption.ChangeBefore[p] = before;
            settings.StringChangeOption.ChangeAfter[p++] = after;
        }
    }

    RunOutcome Run(bool preview = false, const std::vector<std::string>* list = nullptr) {
        return StartRun(settings, {faulty, clock, ui, &journal}, preview, list);
    }

    test::TempFolder temp;
    test::TempFolder state;
    platform::PosixFileSystem real;
    test::FaultInjectingFileSystem faulty;
    test::FixedClock clock{kNow};
    test::ScriptedInteraction ui;
    UndoJournal journal;
    RenameSettings settings;
};

TEST_P(RunDriverTest, RenamesTheFolderInNameOrderAndCanUndo) {
    temp.CreateFile("b.jpg", "B");
    temp.CreateFile("a.jpg", "A");
    temp.CreateFile("c.txt", "C");
    temp.SetModificationTime("a.jpg", 1000000);
    const RunOutcome outcome = Run();
    ASSERT_EQ(outcome.resultCode, 0);
    EXPECT_EQ(outcome.doneCount, 3);
    EXPECT_EQ(temp.ReadFile("IMG_001.jpg"), "A");
    EXPECT_EQ(temp.ReadFile("IMG_002.jpg"), "B");
    EXPECT_EQ(temp.ReadFile("IMG_003.txt"), "C");
    EXPECT_TRUE(ui.Showed("変換完了。\n3個のファイル名を変換しました。"));
    EXPECT_EQ(ui.progress.back(), 0);  // reset after the run
    EXPECT_EQ(settings.Undo.ValidCount, 3);

    Undo(settings, {faulty, clock, ui, &journal});
    EXPECT_EQ(temp.ReadFile("a.jpg"), "A");
    EXPECT_EQ(temp.ReadFile("c.txt"), "C");
    EXPECT_EQ(temp.ModificationTime("a.jpg"), 1000000);
    EXPECT_FALSE(temp.Exists("IMG_001.jpg"));
    EXPECT_TRUE(ui.Showed("Undoが正常終了しました。"));
    EXPECT_EQ(settings.Undo.ValidCount, 0);
    EXPECT_TRUE(ChooseRunToUndo(Cp932(state.Path()), real).run.path.empty())
        << "the run is not offered twice";
}

TEST_P(RunDriverTest, PreviewTouchesNothingAndPredictsConflicts) {
    temp.CreateFile("a.jpg", "A");
    temp.CreateFile("b.jpg", "B");
    temp.CreateFile("IMG_002.jpg", "taken");
    temp.CreateFile("sub/deep.jpg", "D");
    settings.CommonOption.LogWrite = 1;
    const auto before = Snapshot(temp.Path());
    ASSERT_EQ(Run(true).resultCode, 0);
    EXPECT_EQ(Snapshot(temp.Path()), before);
    ASSERT_EQ(ui.resultLists.size(), 1u);
    const ResultList& list = ui.resultLists[0];
    ASSERT_EQ(list.targets.size(), 3u);
    EXPECT_EQ(list.sources[0], Cp932(temp / "a.jpg"));
    EXPECT_EQ(list.targets[0], Cp932(temp / "IMG_001.jpg"));
    // IMG_002.jpg is a target too: the run moves it away before b.jpg takes its name.
    EXPECT_EQ(list.conflicts,
              (std::vector<Conflict>{Conflict::None, Conflict::Chain, Conflict::None}));
    EXPECT_TRUE(list.openSourceOnDoubleClick);
    EXPECT_TRUE(ui.Showed("指定されたフォルダ(ログ保存フォルダ)は存在しません(警告)。"));
    EXPECT_EQ(settings.Undo.ValidCount, 0);
}

TEST_P(RunDriverTest, PreviewFlagsDuplicatesAndExistingFiles) {
    temp.CreateFile("a.jpg");
    temp.CreateFile("b.jpg");
    temp.CreateFile("c.png");
    temp.CreateFile("X.txt");
    auto& parts = settings.RenameOption.Parts;
    for (auto& part : parts) part = settings::PartSlot{};
    parts[0].SelectedPart = settings::kPartFixedText;
    parts[0].StrPart = "X";
    parts[1].SelectedPart = settings::kPartPeriod;
    parts[2].SelectedPart = settings::kPartFixedText;
    parts[2].StrPart = "txt";
    settings.SelectFile.FileFilter = "*.*g";
    ASSERT_EQ(Run(true).resultCode, 0);
    const ResultList& list = ui.resultLists.at(0);
    ASSERT_EQ(list.conflicts.size(), 3u);
    EXPECT_EQ(list.conflicts[0], Conflict::Exists);
    EXPECT_EQ(list.conflicts[1], Conflict::Duplicate);
    EXPECT_EQ(list.conflicts[2], Conflict::Duplicate);

    // A name an earlier target moves away is free by the time a later target takes it.
    settings.SelectFile.FileFilter = "*.*";
    for (const char* name : {"a.jpg", "b.jpg", "c.png", "X.txt"}) ::unlink((temp / name).c_str());
    temp.CreateFile("1.jpg");
    temp.CreateFile("2.jpg");
    UsePattern("", 0, 0);
    ui.resultLists.clear();
    ASSERT_EQ(Run(true).resultCode, 0);
    EXPECT_EQ(ui.resultLists.at(0).conflicts,
              (std::vector<Conflict>{Conflict::None, Conflict::Chain}));
    EXPECT_EQ(ui.resultLists.at(0).targets[1], Cp932(temp / "1.jpg"));
}

TEST_P(RunDriverTest, FailureAtTheKthTargetLosesNothingAndUndoRestoresTheRest) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) temp.CreateFile(name, name);
    temp.SetModificationTime("b.jpg", 2000000);
    temp.SetMode("b.jpg", 0444);
    settings.CommonOption.AllAttributeFileRename = 1;  // read-only files are targets too
    faulty.FailCall(Op::Move, 3, EIO);
    ui.answers = {true};  // undo what was done
    const RunOutcome outcome = Run();
    EXPECT_EQ(outcome.resultCode, MRVN_ERROR_SYSTEM_ERROR);
    EXPECT_EQ(outcome.doneCount, 2);
    EXPECT_EQ(outcome.currentPath, Cp932(temp / "c.jpg"));
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_TRUE(ui.messages[0].starts_with("Error Code : 999\n"));
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questionKinds[0], Question::UndoAfterFailure);
    EXPECT_EQ(ui.questions[0],
              platform::Sjis("処理が中断しました。\n2個目のファイルまで変換しました。\n3個目以降の"
                             "ファイル変換が行われていません(続行は不可能です)"
                             "。\nリネームされてしまったファイルを元に戻しますか？(Undo)"));
    // After the undo every file is back, with its mode and time.
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        EXPECT_EQ(temp.ReadFile(name), name);
    EXPECT_EQ(temp.ModificationTime("b.jpg"), 2000000);
    struct stat st {};
    ::stat((temp / "b.jpg").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    EXPECT_FALSE(temp.Exists("IMG_001.jpg"));
}

TEST_P(RunDriverTest, FailureWithoutUndoKeepsTheDoneTargetsRenamed) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) temp.CreateFile(name, name);
    faulty.FailCall(Op::Move, 2, EIO);
    const RunOutcome outcome = Run();
    EXPECT_EQ(outcome.doneCount, 1);
    EXPECT_EQ(temp.ReadFile("IMG_001.jpg"), "a.jpg");
    EXPECT_EQ(temp.ReadFile("b.jpg"), "b.jpg");
    EXPECT_EQ(temp.ReadFile("c.jpg"), "c.jpg");
    EXPECT_EQ(settings.Undo.ValidCount, 1);
    Undo(settings, {faulty, clock, ui, &journal});
    EXPECT_EQ(temp.ReadFile("a.jpg"), "a.jpg");
}

TEST_P(RunDriverTest, FailureOnTheFirstTargetOffersNoUndo) {
    temp.CreateFile("a.jpg");
    faulty.FailCall(Op::Move, 1, EACCES);
    EXPECT_EQ(Run().resultCode, MRVN_ERROR_SYSTEM_ERROR);
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_TRUE(ui.Showed(
        "処理が中断しました。\n指定の全ファイルの変換が行われていません(続行は不可能です)。"));
}

TEST_P(RunDriverTest, ACollisionStopsAtTheSecondTargetAndNamesItsSource) {
    settings.CommonOption.PlanWholeRun = 0;  // the targets in their order
    temp.CreateFile("a.jpg", "first");
    temp.CreateFile("b.jpg", "second");
    auto& parts = settings.RenameOption.Parts;
    parts[1] = settings::PartSlot{};  // no sequence: both get IMG_.jpg
    const RunOutcome outcome = Run();
    EXPECT_EQ(outcome.resultCode, MRVN_ERROR_SAME_NAME_EXSIT);
    EXPECT_EQ(outcome.doneCount, 1);
    EXPECT_EQ(temp.ReadFile("IMG_.jpg"), "first");
    EXPECT_EQ(temp.ReadFile("b.jpg"), "second");
    EXPECT_NE(ui.messages.at(0).find("[" + Cp932(temp / "b.jpg") + "]"), std::string::npos);
}

TEST_P(RunDriverTest, NamesLongerInsideThanOnTheHostKeepTheirBaseAndExtension) {
    // 204 bytes on the host; inside, each byte that is not UTF-8 takes a double-byte code.
    const std::string first(200, '\xE9');
    const std::string second = std::string(199, '\xE9') + "\xEA";
    temp.CreateFile(first + ".txt", "1");
    temp.CreateFile(second + ".txt", "2");
    auto& parts = settings.RenameOption.Parts;
    for (auto& part : parts) part = settings::PartSlot{};
    parts[0].SelectedPart = settings::kPartFileName;
    parts[1] = {settings::kPartFixedText, "_R"};
    parts[2].SelectedPart = settings::kPartPeriod;
    parts[3].SelectedPart = settings::kPartExtension;
    ASSERT_EQ(Run(true).resultCode, 0);
    EXPECT_EQ(ui.resultLists.at(0).conflicts,
              (std::vector<Conflict>{Conflict::None, Conflict::None}));
    const RunOutcome outcome = Run();
    ASSERT_EQ(outcome.resultCode, 0);
    EXPECT_EQ(outcome.doneCount, 2);
    EXPECT_EQ(temp.ReadFile(first + "_R.txt"), "1");
    EXPECT_EQ(temp.ReadFile(second + "_R.txt"), "2");
}

TEST_P(RunDriverTest, CopyLeavesEverySourceIdenticalAndKeepsNoUndoData) {
    temp.CreateFile("src/a.jpg", "A");
    temp.CreateFile("src/sub/b.jpg", "B");
    settings.SelectFile.FullPath = Cp932(temp / "src/");
    settings.SelectFile.IncludeSubDir = 1;
    settings.CopyToDir.EnableCopy = 1;
    settings.CopyToDir.KeepDirTree = 1;
    settings.CopyToDir.FullPath = Cp932(temp / "dest");
    ui.answers = {true};  // create the missing destination
    const auto before = Snapshot(temp / "src/");
    ASSERT_EQ(Run().resultCode, 0);
    EXPECT_EQ(ui.questionKinds, std::vector<Question>{Question::CreateCopyFolder});
    EXPECT_EQ(Snapshot(temp / "src/"), before);
    EXPECT_EQ(temp.ReadFile("dest/IMG_001.jpg"), "A");
    EXPECT_EQ(temp.ReadFile("dest/sub/IMG_001.jpg"), "B");  // numbering restarts per folder
    Undo(settings, {faulty, clock, ui, &journal});
    EXPECT_TRUE(ui.Showed("Undo用のデータがありません。"));
    EXPECT_EQ(ui.notices, std::vector<Notice>{Notice::NoUndoData});
}

TEST_P(RunDriverTest, NumberResetAndPerFolderNumbersAcrossThreeFolders) {
    for (const char* name : {"f1/a.jpg", "f1/b.jpg", "f2/c.jpg", "f3/d.jpg", "f3/e.jpg"})
        temp.CreateFile(name);
    settings.SelectFile.IncludeSubDir = 1;
    auto& parts = settings.RenameOption.Parts;
    for (auto& part : parts) part = settings::PartSlot{};
    parts[0] = {settings::kPartFolderSequence, "10", 0, 5};
    parts[1] = {settings::kPartFixedText, "_"};
    parts[2] = {settings::kPartSequence, "1", 2, 1};
    struct Row {
        int numberReset;
        std::vector<std::string> expected;
    } rows[] = {
        {1, {"10_01", "10_02", "15_01", "20_01", "20_02"}},
        {0, {"10_01", "10_02", "10_03", "10_04", "10_05"}},
    };
    for (const auto& row : rows) {
        settings.CommonOption.NumberReset = row.numberReset;
        ui.resultLists.clear();
        ASSERT_EQ(Run(true).resultCode, 0);
        std::vector<std::string> names;
        for (const auto& target : ui.resultLists.at(0).targets)
            names.push_back(platform::FileNameOf(target));
        EXPECT_EQ(names, row.expected) << "NumberReset " << row.numberReset;
    }
}

TEST_P(RunDriverTest, SetupCheckCodes) {
    temp.CreateFile("a.jpg");
    struct Row {
        const char* name;
        void (*change)(RenameSettings&);
        bool preview;
        int code;
    } rows[] = {
        {"copy_without_destination",
         [](RenameSettings& s) {
             s.CopyToDir.EnableCopy = 1;
             s.CopyToDir.FullPath = "";
         },
         true, MRVN_ERROR_NO_COPYTOSTR},
        {"only_a_period",
         [](RenameSettings& s) {
             for (auto& p : s.RenameOption.Parts) p = {};
             s.RenameOption.Parts[0].SelectedPart = settings::kPartPeriod;
         },
         true, MRVN_ERROR_NO_RENFORMAT},
        {"copy_folder_declined",
         [](RenameSettings& s) {
             s.CopyToDir.EnableCopy = 1;
             s.CopyToDir.FullPath = "/nonexistent/morvanex/";
         },
         false, MRVN_ERROR_NO_COPYTO},
        {"negative_digits", [](RenameSettings& s) { s.RenameOption.Parts[1].DigitNum = -1; }, true,
         MRVN_ERROR_NO_DIGITNUM},
        {"start_beyond_digits", [](RenameSettings& s) { s.RenameOption.Parts[1].StrPart = "1000"; },
         true, MRVN_ERROR_LOWER_NUM_OVER},
        {"last_beyond_digits",
         [](RenameSettings& s) {
             s.RenameOption.Parts[1].StrPart = "999";
             s.RenameOption.Parts[1].SkipNum = 5;
         },
         true, kSuccess},
        {"forbidden_in_fixed_text",
         [](RenameSettings& s) { s.RenameOption.Parts[0].StrPart = "a:b"; }, true,
         MRVN_ERROR_BAD_STRING_USED},
        {"forbidden_in_fallback_text",
         [](RenameSettings& s) {
             s.RenameOption.Parts[7] = {settings::kPartFixedText, "x|"};
         },
         true, MRVN_ERROR_BAD_STRING_USED},
        {"forbidden_in_replacement",
         [](RenameSettings& s) {
             s.StringChangeOption.EnableStringChange = 1;
             s.StringChangeOption.ChangeAfter[9] = "?";
         },
         true, MRVN_ERROR_BAD_STRING_USED},
        {"log_folder_declined", [](RenameSettings& s) { s.CommonOption.BatLogWrite = 1; }, false,
         MRVN_ERROR_NO_LOGWRITEDIR},
    };
    for (const auto& row : rows) {
        const RenameSettings saved = settings;
        row.change(settings);
        ui.messages.clear();
        EXPECT_EQ(Run(row.preview).resultCode, row.code) << row.name;
        EXPECT_TRUE(temp.Exists("a.jpg")) << row.name;
        settings = saved;
    }
    // With a single target the last number is the start: 999 + 0 * 5 fits three digits, but
    // two targets do not.
    temp.CreateFile("b.jpg");
    settings.RenameOption.Parts[1].StrPart = "999";
    EXPECT_EQ(Run(true).resultCode, MRVN_ERROR_UPPER_NUM_OVER);
}

TEST_P(RunDriverTest, NamesThatCannotBeFilesStopTheRun) {
    temp.CreateFile("a.jpg", "A");
    struct Row {
        const char* name;
        void (*change)(RenameSettings&);
        int code;
    } rows[] = {
        {"empty_after_the_final_period",
         [](RenameSettings& s) {
             for (auto& p : s.RenameOption.Parts) p = {};
             s.RenameOption.Parts[0] = {settings::kPartFixedText, "."};
         },
         MRVN_ERROR_BAD_STRING_USED},
        {"replaced_to_nothing",
         [](RenameSettings& s) {
             s.RenameOption.EnableRename = 0;
             s.StringChangeOption.EnableStringChange = 1;
             s.StringChangeOption.ChangeBefore[0] = "a.jpg";
         },
         MRVN_ERROR_BAD_STRING_USED},
        {"dot_dot",
         [](RenameSettings& s) {
             for (auto& p : s.RenameOption.Parts) p = {};
             s.RenameOption.Parts[0] = {settings::kPartFixedText, ".."};
             s.RenameOption.Parts[1] = {settings::kPartFixedText, "."};
         },
         MRVN_ERROR_BAD_STRING_USED},
        {"longer_than_a_name_may_be",
         [](RenameSettings& s) { s.RenameOption.Parts[0].StrPart = std::string(259, 'x'); },
         MRVN_ERROR_SYSTEM_ERROR},
        // Past the cap on the way, as a name too long for the file system.
        {"grows_without_end_by_regular_expressions",
         [](RenameSettings& s) {
             s.RenameOption.EnableRename = 0;
             s.StringChangeOption.EnableStringChange = 1;
             s.StringChangeOption.UseRegex = 1;
             for (int p = 0; p < 3; ++p) {
                 s.StringChangeOption.ChangeBefore[p] = ".+";
                 for (int k = 0; k < 50; ++k) s.StringChangeOption.ChangeAfter[p] += "$0";
             }
         },
         MRVN_ERROR_SYSTEM_ERROR},
    };
    for (const auto& row : rows) {
        const RenameSettings saved = settings;
        row.change(settings);
        const RunOutcome outcome = Run();
        EXPECT_EQ(outcome.resultCode, row.code) << row.name;
        EXPECT_EQ(outcome.currentPath, Cp932(temp / "a.jpg")) << row.name;
        EXPECT_EQ(temp.ReadFile("a.jpg"), "A") << row.name;
        // The message names the file that failed.
        EXPECT_NE(ui.messages.at(0).find("[" + Cp932(temp / "a.jpg") + "]"), std::string::npos)
            << row.name;
        if (row.code == MRVN_ERROR_SYSTEM_ERROR) {
            EXPECT_EQ(outcome.systemError, ENAMETOOLONG) << row.name;
        }
        ui.messages.clear();
        settings = saved;
    }
}

// One trailing period goes where the job makes a new name; a name the job leaves as the file's
// own keeps it (the file system holds such names).
TEST_P(RunDriverTest, ANameTheJobLeavesAsItIsKeepsItsTrailingPeriod) {
    settings.RenameOption.EnableRename = 0;
    settings.LetterChangeOption.ChangeMode = 1;  // lower case, where switched on
    settings.StringChangeOption.ChangeBefore[0] = "x";
    settings.StringChangeOption.ChangeAfter[0] = "y";
    const struct Row {
        const char* file;
        bool lower, replace;
        const char* expected;
    } rows[] = {
        {"notes.", false, true, "notes."},              // no x to replace
        {"version 2.0.", true, false, "version 2.0."},  // lower case already
        {"x.", false, true, "y"},
        {"NOTES.", true, false, "notes"},
    };
    for (const Row& row : rows) {
        test::TempFolder folder;
        folder.CreateFile(row.file, "F");
        settings.SelectFile.FullPath = Cp932(folder.Path());
        settings.LetterChangeOption.EnableLetterChange = row.lower;
        settings.StringChangeOption.EnableStringChange = row.replace;
        EXPECT_EQ(Run().resultCode, kSuccess) << row.file;
        EXPECT_EQ(folder.ReadFile(row.expected), "F") << row.file;
        EXPECT_EQ(folder.Exists(row.file), std::string(row.file) == row.expected) << row.file;
    }
}

TEST_P(RunDriverTest, AFailedMoveGivesTheSourceItsAttributesBack) {
    temp.CreateFile("a.jpg");
    temp.SetMode("a.jpg", 0444);
    settings.CommonOption.AllAttributeFileRename = 1;
    faulty.FailCall(Op::Move, 1, EIO);
    EXPECT_EQ(Run().resultCode, MRVN_ERROR_SYSTEM_ERROR);
    std::uint8_t attributes = 0;
    ASSERT_EQ(real.GetAttributes(Cp932(temp / "a.jpg"), attributes), 0);
    EXPECT_TRUE(attributes & platform::attr::kReadOnly);
}

// Statuses handed over with a free list stand for the files as they were read: one replaced
// since is not renamed, also where the run's journal was given the replaced file's inode number
// (the run's own files are never renamed: a listed file is taken for one only where its path
// still leads there).
class InodeReusingFileSystem final : public test::ForwardingFileSystem {
  public:
    InodeReusingFileSystem(platform::FileSystem& real, platform::FileIdentity reused)
        : ForwardingFileSystem(real), m_reused(reused) {}
    int GetIdentity(std::string_view path, platform::FileIdentity& identity) override {
        if (!path.ends_with(".journal")) return ForwardingFileSystem::GetIdentity(path, identity);
        identity = m_reused;
        return 0;
    }

  private:
    platform::FileIdentity m_reused;
};

TEST_P(RunDriverTest, GivenStatusesAreTheFilesTheRunChanges) {
    for (const bool journalTakesTheInode : {false, true}) {
        SCOPED_TRACE(journalTakesTheInode);
        temp.Clear();
        temp.CreateFile("a.jpg", "A");
        temp.CreateFile("b.jpg", "B");
        settings.SelectFile.FreeFileSelect = 1;
        const std::vector<std::string> list = {Cp932(temp / "a.jpg"), Cp932(temp / "b.jpg")};
        const std::vector<std::string> names = {"x.jpg", "y.jpg"};
        std::vector<platform::FileStatus> statuses(2);
        for (std::size_t i = 0; i < list.size(); ++i)
            ASSERT_EQ(real.GetStatus(list[i], statuses[i]), 0);
        // Another file put in its place: made while b.jpg still exists, so that it is not given
        // b.jpg's freed inode number (a file made within the same clock tick would carry the
        // same birth time too).
        temp.CreateFile("other.jpg", "another");
        std::filesystem::remove(temp / "b.jpg");
        std::filesystem::rename(temp / "other.jpg", temp / "b.jpg");
        InodeReusingFileSystem reusing(
            faulty, journalTakesTheInode ? statuses[1].identity : platform::FileIdentity{});
        platform::FileSystem& fileSystem =
            journalTakesTheInode ? static_cast<platform::FileSystem&>(reusing) : faulty;
        const RunOutcome outcome =
            StartRun(settings, {fileSystem, clock, ui, &journal}, false, &list, &names, &statuses);
        EXPECT_EQ(outcome.resultCode, MRVN_ERROR_SYSTEM_ERROR);
        EXPECT_EQ(outcome.currentPath, list[1]);
        EXPECT_EQ(temp.ReadFile("x.jpg"), "A");
        EXPECT_EQ(temp.ReadFile("b.jpg"), "another");
        EXPECT_FALSE(temp.Exists("y.jpg"));
    }
}

// A given list whose files lie in one folder is held by that folder, as a listed folder is: a
// link to a folder outside put in its place after the list was read is not followed, and the
// listed files are renamed where they are. A list across folders is reached by its paths.
TEST_P(RunDriverTest, AGivenListInOneFolderIsHeldByThatFolder) {
    test::TempFolder outside;
    for (const bool oneFolder : {true, false}) {
        SCOPED_TRACE(oneFolder);
        temp.Clear();
        outside.Clear();
        temp.CreateFile("sub/a.jpg", "A");
        temp.CreateFile("b.jpg", "B");
        outside.CreateFile("a.jpg", "outside");
        settings.SelectFile.FreeFileSelect = 1;
        std::vector<std::string> list = {Cp932(temp / "sub/a.jpg")};
        std::vector<std::string> names = {"x.jpg"};
        if (!oneFolder) {
            list.push_back(Cp932(temp / "b.jpg"));
            names.push_back("y.jpg");
        }
        test::FaultInjectingFileSystem swapping(real);
        swapping.BeforeCall(Op::Move, 1, [&] {
            std::filesystem::rename(temp / "sub", temp / "sub.real");
            std::filesystem::create_directory_symlink(outside.Path(), temp / "sub");
        });
        const RunOutcome outcome =
            StartRun(settings, {swapping, clock, ui, &journal}, false, &list, &names);
        EXPECT_EQ(outside.ReadFile("a.jpg"), "outside");
        EXPECT_FALSE(outside.Exists("x.jpg"));
        if (oneFolder) {
            EXPECT_EQ(outcome.resultCode, 0);
            EXPECT_EQ(temp.ReadFile("sub.real/x.jpg"), "A");
        } else {
            EXPECT_EQ(outcome.systemError, ESTALE);
            EXPECT_EQ(temp.ReadFile("sub.real/a.jpg"), "A");
        }
        std::filesystem::remove(temp / "sub");
    }
}

TEST_P(RunDriverTest, SelectionRules) {
    // An empty free list is code 9, not 1004.
    settings.SelectFile.FreeFileSelect = 1;
    std::vector<std::string> empty;
    EXPECT_EQ(Run(true, &empty).resultCode, MRVN_ERROR_NOT_RENFILE_STR);
    settings.SelectFile.FreeFileSelect = 0;

    // Nothing collected: 1004 and the attribute hint, both silent in an auto-exec run.
    temp.CreateFile("ro.jpg");
    temp.SetMode("ro.jpg", 0444);
    ui.messages.clear();
    EXPECT_EQ(Run(true).resultCode, DINFO_ERROR_NO_FILEINDIR_APP);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_TRUE(
        ui.messages[1].starts_with(platform::Sjis("指定フォルダ内に\n「読み取り専用(R)」\u3000")));
    EXPECT_EQ(ui.notices, std::vector<Notice>{Notice::AttributeHint});
    settings.AutoExecMode = 1;
    ui.messages.clear();
    EXPECT_EQ(Run(true).resultCode, DINFO_ERROR_NO_FILEINDIR_APP);
    EXPECT_TRUE(ui.messages.empty());
    settings.AutoExecMode = 0;

    // Folders count only while nothing but the folder-safe switches is on.
    temp.CreateFolder("dir");
    settings.CommonOption.DirRename = 1;
    settings.RenameOption.EnableRename = 0;
    settings.LetterChangeOption.EnableLetterChange = 1;
    ui.resultLists.clear();
    ASSERT_EQ(Run(true).resultCode, 0);
    EXPECT_EQ(ui.resultLists.at(0).sources, std::vector<std::string>{Cp932(temp / "dir")});
    settings.StringChangeOption.EnableStringChange = 1;
    EXPECT_EQ(Run(true).resultCode, DINFO_ERROR_NO_FILEINDIR_APP);
}

TEST_P(RunDriverTest, AttributesAndTimesAreAppliedAndReported) {
    temp.CreateFile("a.jpg");
    settings.RenameOption.EnableRename = 0;
    settings.AttributeOption.EnableAttribute = 1;
    settings.AttributeOption.SelectedReadOnly = 1;
    settings.AttributeOption.SelectedArchive = 2;
    settings.TimeStampOption.EnableTimeStamp = 1;
    settings.TimeStampOption.EnableUpdateTime = 1;
    settings.UpdateTimeValue = platform::ToLocalTime(3000000);
    ASSERT_EQ(Run().resultCode, 0);
    EXPECT_TRUE(temp.Exists("a.jpg"));  // nothing moves when no name switch is on
    EXPECT_EQ(temp.ModificationTime("a.jpg"), 3000000);
    std::uint8_t attributes = 0;
    real.GetAttributes(Cp932(temp / "a.jpg"), attributes);
    EXPECT_EQ(attributes, platform::attr::kReadOnly);
    ASSERT_EQ(settings.AfterStatus.size(), 1u);
    EXPECT_EQ(settings.AfterStatus[0].Status.attributes, platform::attr::kReadOnly);
    EXPECT_EQ(settings.AfterStatus[0].Status.modification, 3000000);
}

// The record's undo data (the paths, and the statuses before and after) are those of the last
// run that undo covers: a preview, or a run made with undo off, shows its own rows and leaves
// them whole.
TEST_P(RunDriverTest, UndoDataStayTheLastUndoableRuns) {
    temp.CreateFile("a.jpg");
    settings.AttributeOption.EnableAttribute = 1;
    settings.AttributeOption.SelectedReadOnly = 1;
    ASSERT_EQ(Run().resultCode, 0);
    const settings::UndoData undo = settings.Undo;
    const std::vector<settings::FileStatusRecord> before = settings.BeforeStatus;
    const std::vector<settings::FileStatusRecord> after = settings.AfterStatus;
    ASSERT_EQ(undo.ValidCount, 1);
    ASSERT_EQ(after.size(), 1u);

    const struct Row {
        const char* name;
        bool preview;
        int undoFlag;
    } rows[] = {
        {"preview", true, 1},
        {"run_with_undo_off", false, 0},
    };
    settings.CommonOption.ViewDetailResult = 1;
    settings.CommonOption.AllAttributeFileRename = 1;  // the file is read-only now
    settings.AttributeOption.SelectedReadOnly = 2;
    for (const Row& row : rows) {
        settings.Preferences.UndoFlag = row.undoFlag;
        ui.resultLists.clear();
        ASSERT_EQ(Run(row.preview).resultCode, 0) << row.name;
        ASSERT_EQ(ui.resultLists.size(), 1u) << row.name;
        ASSERT_EQ(ui.resultLists[0].after.size(), 1u) << row.name;
        EXPECT_EQ(ui.resultLists[0].after[0].Status.attributes & platform::attr::kReadOnly, 0)
            << row.name;
        EXPECT_EQ(settings.Undo.OldPaths, undo.OldPaths) << row.name;
        EXPECT_EQ(settings.Undo.NewPaths, undo.NewPaths) << row.name;
        EXPECT_EQ(settings.Undo.ValidCount, undo.ValidCount) << row.name;
        EXPECT_EQ(settings.BeforeStatus, before) << row.name;
        EXPECT_EQ(settings.AfterStatus, after) << row.name;
    }
}

TEST_P(RunDriverTest, LogsHoldOneLinePerFinishedTarget) {
    temp.CreateFile("a.jpg");
    temp.CreateFile("b.jpg");
    settings.CommonOption.LogWrite = 1;
    settings.CommonOption.BatLogWrite = 1;
    faulty.FailCall(Op::Move, 2, EIO);
    ui.answers = {true, false};  // create the log folder; no undo
    Run();
    const std::string text = temp.ReadFile("logs/20240506070809.log");
    EXPECT_NE(text.find("00001 : " + Cp932(temp / "a.jpg")), std::string::npos);
    EXPECT_EQ(text.find("00002 : "), std::string::npos);
    const std::string batch = temp.ReadFile("logs/20240506070809BAT.log");
    EXPECT_NE(batch.find("ren \"" + Cp932(temp / "IMG_001.jpg") + "\" \"a.jpg\" \r\n"),
              std::string::npos);
}

// Kills the process right after the k-th move reached the disk, before the run could note it.
class KillingFileSystem final : public platform::PosixFileSystem {
  public:
    explicit KillingFileSystem(int k) : m_k(k) {}
    int Move(std::string_view from, std::string_view to,
             const platform::FileStatus* expected) override {
        const int result = PosixFileSystem::Move(from, to, expected);
        if (++m_moves == m_k) ::raise(SIGKILL);
        return result;
    }

  private:
    int m_k;
    int m_moves = 0;
};

TEST_P(RunDriverTest, TheJournalUndoesARunThatWasKilled) {
    for (int i = 0; i < 6; ++i)
        temp.CreateFile("f" + std::to_string(i) + ".jpg", std::to_string(i));
    temp.SetModificationTime("f1.jpg", 4000000);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        KillingFileSystem killer(4);
        StartRun(settings, {killer, clock, ui, &journal}, false, nullptr);
        _exit(0);  // not reached
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(temp.Exists("IMG_004.jpg"));
    EXPECT_TRUE(temp.Exists("f4.jpg"));

    const UndoChoice choice = ChooseRunToUndo(Cp932(state.Path()), real);
    EXPECT_EQ(PlanUndo(choice.run).size(), 4u);
    const UndoReport report = UndoRun(choice.run.path, real, nullptr);
    EXPECT_EQ(report.restored, 4u);
    EXPECT_TRUE(report.Complete());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(temp.ReadFile("f" + std::to_string(i) + ".jpg"), std::to_string(i));
    EXPECT_EQ(temp.ModificationTime("f1.jpg"), 4000000);
    // Undone entries are not offered again.
    EXPECT_TRUE(ChooseRunToUndo(Cp932(state.Path()), real).run.path.empty());
}

TEST_P(RunDriverTest, JournalUndoNeverOverwrites) {
    temp.CreateFile("a.jpg", "A");
    temp.CreateFile("b.jpg", "B");
    ASSERT_EQ(Run().resultCode, 0);
    temp.CreateFile("a.jpg", "someone else's");  // the old name is taken again
    const UndoReport report = UndoRun(journal.RunPath(), real, nullptr);
    EXPECT_EQ(report.restored, 1u);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_TRUE(report.problems[0].starts_with(Cp932(temp / "a.jpg")));
    EXPECT_EQ(temp.ReadFile("a.jpg"), "someone else's");
    EXPECT_EQ(temp.ReadFile("IMG_001.jpg"), "A");
    EXPECT_EQ(temp.ReadFile("b.jpg"), "B");
}

TEST_P(RunDriverTest, SaveTargetListWritesWhatARunWouldTake) {
    temp.CreateFile("b.jpg");
    temp.CreateFile("a.jpg");
    const std::string out = Cp932(state / "list.txt");
    SaveTargetList(settings, {faulty, clock, ui, &journal}, out);
    EXPECT_EQ(state.ReadFile("list.txt"), temp.Path() + "a.jpg\r\n" + temp.Path() + "b.jpg\r\n");
    settings.SelectFile.FullPath = "/nonexistent/";
    SaveTargetList(settings, {faulty, clock, ui, &journal}, Cp932(state / "none.txt"));
    EXPECT_FALSE(state.Exists("none.txt"));
    EXPECT_TRUE(ui.messages.back().starts_with("Error Code : 1001\n"));
}

TEST_P(RunDriverTest, TargetsLeftOutByTheirAttributesDoNotCountAgainstTheSequence) {
    // Ten candidates, five of them read-only: one digit holds the five real targets, though
    // not ten.
    for (int i = 0; i < 10; ++i) {
        const std::string name = "f" + std::to_string(i) + ".jpg";
        temp.CreateFile(name, name);
        if (i % 2 == 1) temp.SetMode(name, 0444);
    }
    UsePattern("IMG_", 1, 5);
    const RunOutcome outcome = Run();
    ASSERT_EQ(outcome.resultCode, 0);
    EXPECT_EQ(outcome.doneCount, 5);
    EXPECT_EQ(temp.ReadFile("IMG_9.jpg"), "f8.jpg");
    EXPECT_EQ(temp.ReadFile("f9.jpg"), "f9.jpg");
    ASSERT_EQ(settings.Undo.ValidCount, 5);
    EXPECT_EQ(settings.Undo.OldPaths[4], Cp932(temp / "f8.jpg"));

    // Six real targets (the five renamed ones and f9.jpg, now writable) do break it.
    temp.SetMode("f9.jpg", 0644);
    EXPECT_EQ(Run().resultCode, MRVN_ERROR_UPPER_NUM_OVER);
    EXPECT_TRUE(temp.Exists("f9.jpg"));
    EXPECT_TRUE(temp.Exists("IMG_5.jpg"));
}

// Kills the process as the k-th move is about to begin: the file has not moved yet.
class KillingBeforeMoveFileSystem final : public platform::PosixFileSystem {
  public:
    explicit KillingBeforeMoveFileSystem(int k) : m_k(k) {}
    int Move(std::string_view from, std::string_view to,
             const platform::FileStatus* expected) override {
        if (++m_moves == m_k) ::raise(SIGKILL);
        return PosixFileSystem::Move(from, to, expected);
    }

  private:
    int m_k;
    int m_moves = 0;
};

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_mode & 0777;
}

// The command line's undo: the newest run not undone yet, from its journal.
UndoReport UndoNewestRun(const std::string& stateFolder, platform::FileSystem& fileSystem) {
    const UndoChoice choice = ChooseRunToUndo(stateFolder, fileSystem);
    EXPECT_TRUE(choice.refusal.empty());
    if (!choice.run.path.empty()) return UndoRun(choice.run.path, fileSystem, nullptr);
    UndoReport none;
    none.error = ENOENT;
    return none;
}

// Names taken by other targets of the same run: a renumbering shifted by one (every move a
// link of one chain) and swaps by replacement pairs (rings of two). The whole run orders its
// moves and breaks each ring through a temporary name; in the targets' order it stops at the
// first name still taken. The preview says which rows are resolved, and undo takes all back.
TEST_P(RunDriverTest, ChainsAndSwapsRunInTheirOrderAndUndoTakesThemBack) {
    struct Row {
        const char* name;
        std::vector<std::string> files;  // each holds its own name
        bool swap;                       // replacement pairs a <-> b; else numbers from 2
        int wholeRun;
        std::vector<Conflict> rows;
        int code;
        std::map<std::string, std::string> after;  // name -> contents after the run
    };
    const Row rows[] = {
        {"chain/renumbered_from_two",
         {"1.jpg", "2.jpg", "3.jpg"},
         false,
         1,
         {Conflict::Chain, Conflict::Chain, Conflict::None},
         0,
         {{"2.jpg", "1.jpg"}, {"3.jpg", "2.jpg"}, {"4.jpg", "3.jpg"}}},
        {"chain/in_target_order",
         {"1.jpg", "2.jpg", "3.jpg"},
         false,
         0,
         {Conflict::Exists, Conflict::Exists, Conflict::None},
         MRVN_ERROR_SAME_NAME_EXSIT,
         {{"1.jpg", "1.jpg"}, {"2.jpg", "2.jpg"}, {"3.jpg", "3.jpg"}}},
        {"cycle/swap",
         {"a.txt", "b.txt", "c.txt"},
         true,
         1,
         {Conflict::Cycle, Conflict::Cycle, Conflict::None},
         0,
         {{"b.txt", "a.txt"}, {"a.txt", "b.txt"}, {"c.txt", "c.txt"}}},
        {"cycle/in_target_order",
         {"a.txt", "b.txt"},
         true,
         0,
         {Conflict::Exists, Conflict::Exists},
         MRVN_ERROR_SAME_NAME_EXSIT,
         {{"a.txt", "a.txt"}, {"b.txt", "b.txt"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempFolder files;
        test::TempFolder journals;
        for (const std::string& name : row.files) files.CreateFile(name, name);
        RenameSettings s = settings;
        s.SelectFile.FullPath = Cp932(files.Path());
        s.CommonOption.PlanWholeRun = row.wholeRun;
        if (row.swap) {
            s.RenameOption.EnableRename = 0;
            s.StringChangeOption.EnableStringChange = 1;
            s.StringChangeOption.ChangeBefore[0] = "a.";
            s.StringChangeOption.ChangeAfter[0] = "x_.";
            s.StringChangeOption.ChangeBefore[1] = "b.";
            s.StringChangeOption.ChangeAfter[1] = "a.";
            s.StringChangeOption.ChangeBefore[2] = "x_.";
            s.StringChangeOption.ChangeAfter[2] = "b.";
        } else {
            auto& parts = s.RenameOption.Parts;
            for (auto& part : parts) part = settings::PartSlot{};
            parts[0] = {settings::kPartSequence, "2", 1, 1};
            parts[1].SelectedPart = settings::kPartPeriod;
            parts[2].SelectedPart = settings::kPartExtension;
        }
        test::ScriptedInteraction shown;
        UndoJournal own(Cp932(journals.Path()));
        const RunContext context{real, clock, shown, &own};
        ASSERT_EQ(StartRun(s, context, true, nullptr).resultCode, 0);
        ASSERT_EQ(shown.resultLists.size(), 1u);
        EXPECT_EQ(shown.resultLists[0].conflicts, row.rows);

        const RunOutcome outcome = StartRun(s, context, false, nullptr);
        EXPECT_EQ(outcome.resultCode, row.code);
        std::map<std::string, std::string> after;
        std::size_t changed = 0;
        for (const auto& [name, entry] : Snapshot(files.Path())) {
            after[name] = entry.contents;
            changed += name != entry.contents ? 1 : 0;
        }
        EXPECT_EQ(after, row.after);
        if (row.code != 0) {
            EXPECT_EQ(outcome.doneCount, 0);
            continue;
        }
        EXPECT_EQ(outcome.doneCount, static_cast<int>(row.files.size()));
        // History counts the files, not the steps through a temporary name.
        const std::vector<std::string> history = DescribeHistory(Cp932(journals.Path()), real);
        ASSERT_FALSE(history.empty());
        EXPECT_NE(history[0].find("  done  " + std::to_string(changed) + "  "), std::string::npos)
            << history[0];
        EXPECT_TRUE(UndoNewestRun(Cp932(journals.Path()), real).Complete());
        for (const std::string& name : row.files) EXPECT_EQ(files.ReadFile(name), name);
        EXPECT_EQ(Snapshot(files.Path()).size(), row.files.size()) << "no temporary name left";
    }
}

// A plan with two targets to one name, or a name held by a file that stays, stops before
// anything moves: 17 or 16 naming the first such target and how many more there are; no
// journal, no log.
TEST_P(RunDriverTest, APlanWithAConflictStopsBeforeTheFirstMove) {
    struct Row {
        const char* name;
        std::vector<std::string> files;
        bool fixedName;  // every target gets IMG_.jpg; else IMG_001.jpg ...
        int code;
        std::string first;
        const char* more;
    };
    const Row rows[] = {
        {"duplicate/three_to_one",
         {"a.jpg", "b.jpg", "c.jpg"},
         true,
         MRVN_ERROR_SAME_NAME_EXSIT_PREVIEW,
         "b.jpg",
         "ほかに1個のファイルも変換できません。"},
        {"exists/held_by_a_stranger",
         {"a.jpg", "b.jpg"},
         false,
         MRVN_ERROR_SAME_NAME_EXSIT,
         "b.jpg",
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempFolder files;
        test::TempFolder journals;
        for (const std::string& name : row.files) files.CreateFile(name, name);
        RenameSettings s = settings;
        s.SelectFile.FullPath = Cp932(files.Path());
        s.SelectFile.FileFilter = "?.jpg";
        s.CommonOption.LogWrite = 1;
        s.CommonOption.LogWritePath = Cp932(files.Path());
        if (row.fixedName) s.RenameOption.Parts[1] = settings::PartSlot{};
        if (!row.fixedName) files.CreateFile("IMG_002.jpg", "stranger");
        const auto before = Snapshot(files.Path());
        test::ScriptedInteraction shown;
        UndoJournal own(Cp932(journals.Path()));
        const RunOutcome outcome = StartRun(s, {real, clock, shown, &own}, false, nullptr);
        EXPECT_EQ(outcome.resultCode, row.code);
        EXPECT_EQ(outcome.doneCount, 0);
        EXPECT_EQ(outcome.currentPath, Cp932(files / row.first));
        EXPECT_EQ(outcome.detail, platform::Sjis(row.more));
        EXPECT_EQ(Snapshot(files.Path()), before);
        EXPECT_TRUE(own.RunPath().empty()) << "no journal begun";
    }
}

// On a card that ignores case, the plan compares names as the card does: a new name that differs
// from a file there (or from another new name) only in letter case is taken, in the preview and
// before the run's first move alike.
TEST_P(RunDriverTest, ACardThatIgnoresCaseIsJudgedAsItComparesNames) {
    struct Row {
        const char* name;
        std::vector<std::string> files;  // the first ones are the targets
        std::vector<std::pair<std::string, std::string>> pairs;
        std::vector<Conflict> rows;
        int code;
    };
    const Row rows[] = {
        {"exists/other_spelling_there",
         {"x.jpg", "NEW.JPG"},
         {{"x.", "new."}},
         {Conflict::Exists},
         MRVN_ERROR_SAME_NAME_EXSIT},
        {"duplicate/two_spellings",
         {"a.jpg", "b.jpg"},
         {{"a.", "Photo."}, {"b.", "photo."}},
         {Conflict::None, Conflict::Duplicate},
         MRVN_ERROR_SAME_NAME_EXSIT_PREVIEW},
    };
    platform::FolderTraits card;
    card.ignoresCase = true;
    faulty.SetTraits(card);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempFolder files;
        for (const std::string& name : row.files) files.CreateFile(name, name);
        RenameSettings s = settings;
        s.SelectFile.FreeFileSelect = 1;
        s.RenameOption.EnableRename = 0;
        s.StringChangeOption.EnableStringChange = 1;
        for (std::size_t p = 0; p < row.pairs.size(); ++p) {
            s.StringChangeOption.ChangeBefore[p] = row.pairs[p].first;
            s.StringChangeOption.ChangeAfter[p] = row.pairs[p].second;
        }
        std::vector<std::string> list;
        for (std::size_t i = 0; i < row.rows.size(); ++i)
            list.push_back(Cp932(files / row.files[i]));
        test::ScriptedInteraction shown;
        const RunContext context{faulty, clock, shown, &journal};
        ASSERT_EQ(StartRun(s, context, true, &list).resultCode, 0);
        EXPECT_EQ(shown.resultLists.at(0).conflicts, row.rows);
        const auto before = Snapshot(files.Path());
        EXPECT_EQ(StartRun(s, context, false, &list).resultCode, row.code);
        EXPECT_EQ(Snapshot(files.Path()), before);
    }
}

// Kills the run at every moment of its moves, for a swap, a ring of three and a chain: as each
// move is about to begin (its intent journaled, the file not moved) and right after it (moved,
// not yet marked done): the step to the temporary name, the moves between, the one from it.
// Whatever the moment, undo brings every file back under its own name with its contents and no
// temporary name is left. A killer one move past the last leaves the run whole.
TEST_P(RunDriverTest, AKillAtAnyStepOfARingOrChainIsUndone) {
    const struct {
        const char* name;
        std::vector<std::string> files;  // each holds its own name
        std::vector<std::pair<const char*, const char*>> pairs;
        int moves;  // the temporary steps included
    } rows[] = {
        {"cycle/swap", {"a.txt", "b.txt"}, {{"a.", "x_."}, {"b.", "a."}, {"x_.", "b."}}, 3},
        {"cycle/ring_of_three",
         {"a.txt", "b.txt", "c.txt"},
         {{"a.", "x_."}, {"c.", "a."}, {"b.", "c."}, {"x_.", "b."}},
         4},
        {"chain/renumbered",
         {"1.x", "2.x", "3.x"},
         {{"3.x", "4.x"}, {"2.x", "3.x"}, {"1.x", "2.x"}},
         3},
    };
    for (const auto& row : rows) {
        for (int k = 1; k <= row.moves + 1; ++k) {
            for (const bool beforeTheMove : {true, false}) {
                SCOPED_TRACE(std::string(row.name) + (beforeTheMove ? " before" : " after") +
                             " move " + std::to_string(k));
                test::TempFolder files;
                test::TempFolder journals;
                for (const std::string& name : row.files) files.CreateFile(name, name);
                RenameSettings s = settings;
                s.SelectFile.FullPath = Cp932(files.Path());
                s.RenameOption.EnableRename = 0;
                s.StringChangeOption.EnableStringChange = 1;
                for (std::size_t p = 0; p < row.pairs.size(); ++p) {
                    s.StringChangeOption.ChangeBefore[p] = row.pairs[p].first;
                    s.StringChangeOption.ChangeAfter[p] = row.pairs[p].second;
                }
                const pid_t child = fork();
                ASSERT_GE(child, 0);
                if (child == 0) {
                    UndoJournal own(Cp932(journals.Path()));
                    KillingBeforeMoveFileSystem before(k);
                    KillingFileSystem after(k);
                    platform::FileSystem& killer =
                        beforeTheMove ? static_cast<platform::FileSystem&>(before) : after;
                    _exit(StartRun(s, {killer, clock, ui, &own}, false, nullptr).resultCode);
                }
                int status = 0;
                waitpid(child, &status, 0);
                if (k <= row.moves) {
                    ASSERT_TRUE(WIFSIGNALED(status));
                } else {
                    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
                }
                EXPECT_TRUE(UndoNewestRun(Cp932(journals.Path()), real).Complete());
                for (const std::string& name : row.files) EXPECT_EQ(files.ReadFile(name), name);
                EXPECT_EQ(Snapshot(files.Path()).size(), row.files.size())
                    << "no temporary name left";
            }
        }
    }
}

// Asks for the stop at the k-th call of one operation: a status read (the targets' statuses are
// read one by one while the run already makes its plan), a folder listing, a question of a
// folder's traits (the composition asks once per folder, then the plan's check once for each
// folder the names go to), or a move.
enum class Watched { GetStatus, ListFolder, FolderTraits, Move };
class StoppingFileSystem final : public test::ForwardingFileSystem {
  public:
    StoppingFileSystem(platform::FileSystem& real, StopRequest& stop, Watched op, int at)
        : ForwardingFileSystem(real), m_stop(stop), m_op(op), m_at(at) {}
    int GetStatus(std::string_view path, platform::FileStatus& status) override {
        Count(Watched::GetStatus);
        return ForwardingFileSystem::GetStatus(path, status);
    }
    int ListFolder(std::string_view folder, bool withAttributes,
                   std::vector<platform::DirectoryEntry>& entries) override {
        Count(Watched::ListFolder);
        return ForwardingFileSystem::ListFolder(folder, withAttributes, entries);
    }
    platform::FolderTraits TraitsOf(std::string_view folder) override {
        Count(Watched::FolderTraits);
        return ForwardingFileSystem::TraitsOf(folder);
    }
    int Move(std::string_view from, std::string_view to,
             const platform::FileStatus* expected) override {
        Count(Watched::Move);
        return ForwardingFileSystem::Move(from, to, expected);
    }
    std::atomic<int> calls{0};  // of the operation watched

  private:
    void Count(Watched op) {
        if (op == m_op && ++calls == m_at) m_stop.Request();
    }
    StopRequest& m_stop;
    const Watched m_op;
    const int m_at;
};

// A stop before the first change — while the statuses are read (streamed, or by the listing of
// a folder sorted by time or size), or during the whole plan's check — changes nothing, reads
// no more than it must, and shows no list.
TEST_P(RunDriverTest, AStopBeforeTheFirstChangeLeavesEverything) {
    constexpr int kFiles = 300;
    constexpr int kFolders = 20;
    for (int i = 0; i < kFiles; ++i) temp.CreateFile("f" + std::to_string(1000 + i) + ".txt");
    for (int i = 0; i < kFolders; ++i) temp.CreateFile("sub" + std::to_string(10 + i) + "/f.txt");
    const auto before = Snapshot(temp.Path());
    const struct {
        const char* name;
        Watched op;
        int at;
        bool preview;
        int most;  // calls of the operation at the most: the work went no further
        int sort = 1;
        bool tree = false;
    } rows[] = {
        {"statuses/run", Watched::GetStatus, 20, false, kFiles / 2},
        {"statuses/preview_by_time", Watched::GetStatus, 20, true, kFiles * 9 / 10, 2},
        {"statuses/run_by_size", Watched::GetStatus, 20, false, kFiles * 9 / 10, 4},
        // The composition asks of the folder once, the check then once more.
        {"plan_check/run", Watched::FolderTraits, 2, false, 2},
        {"plan_check/preview", Watched::FolderTraits, 2, true, 2},
        // The composition asks of each subfolder, then the check of the first it judges; it
        // never asks of a folder twice, nor lists one.
        {"plan_check/tree", Watched::FolderTraits, kFolders + 1, true, 2 * kFolders, 1, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        StopRequest stop;
        StoppingFileSystem stopping(real, stop, row.op, row.at);
        ui.resultLists.clear();
        RenameSettings s = settings;
        s.CommonOption.SortCondition = row.sort;
        s.SelectFile.IncludeSubDir = row.tree ? 1 : 0;
        const RunOutcome outcome =
            StartRun(s, {stopping, clock, ui, &journal, &stop}, row.preview, nullptr);
        EXPECT_EQ(outcome.resultCode, MRVN_STOPPED_BY_USER);
        EXPECT_EQ(outcome.doneCount, 0);
        EXPECT_LE(stopping.calls.load(), row.most);
        EXPECT_TRUE(ui.resultLists.empty());
        EXPECT_EQ(Snapshot(temp.Path()), before);
    }
}

// A run reads each folder once: its plan's check takes the names from the run's own listing,
// in a tree as in one folder, and in a preview as in a run.
TEST_P(RunDriverTest, EachFolderIsListedOnce) {
    constexpr int kFolders = 5;
    for (int i = 0; i < kFolders; ++i) {
        temp.CreateFile("sub" + std::to_string(i) + "/f.txt");
        temp.CreateFile("g" + std::to_string(i) + ".txt");
    }
    for (const bool tree : {false, true}) {
        for (const bool preview : {true, false}) {
            SCOPED_TRACE(std::string(tree ? "tree" : "folder") + (preview ? "/preview" : "/run"));
            StopRequest stop;
            // Watching the listings, never stopping (the count starts at 1).
            StoppingFileSystem counting(real, stop, Watched::ListFolder, 0);
            RenameSettings s = settings;
            s.SelectFile.IncludeSubDir = tree ? 1 : 0;
            const RunOutcome outcome =
                StartRun(s, {counting, clock, ui, &journal, &stop}, preview, nullptr);
            EXPECT_EQ(outcome.resultCode, 0);
            EXPECT_EQ(counting.calls.load(), tree ? 1 + kFolders : 1);
        }
    }
}

// Asked for during the first move, the stop ends the unit under way (the whole ring) and the
// run stops before the next, with a complete journal that undo takes back.
TEST_P(RunDriverTest, AStopComesBetweenWholeRingsNeverInside) {
    temp.CreateFile("a.txt", "a.txt");
    temp.CreateFile("b.txt", "b.txt");
    temp.CreateFile("c.txt", "c.txt");
    UseReplacements({{"a.", "x_."}, {"b.", "a."}, {"x_.", "b."}, {"c.", "d."}});
    StopRequest stop;
    StoppingFileSystem stopping(real, stop, Watched::Move, 1);
    const RunOutcome outcome =
        StartRun(settings, {stopping, clock, ui, &journal, &stop}, false, nullptr);
    EXPECT_EQ(outcome.resultCode, MRVN_STOPPED_BY_USER);
    EXPECT_EQ(outcome.doneCount, 2);
    EXPECT_EQ(stopping.calls.load(), 3) << "park, move, unpark";
    EXPECT_EQ(temp.ReadFile("a.txt"), "b.txt");
    EXPECT_EQ(temp.ReadFile("b.txt"), "a.txt");
    EXPECT_EQ(temp.ReadFile("c.txt"), "c.txt");
    EXPECT_TRUE(UndoRun(journal.RunPath(), real, nullptr).Complete());
    EXPECT_EQ(temp.ReadFile("a.txt"), "a.txt");
    EXPECT_EQ(temp.ReadFile("b.txt"), "b.txt");
}

// The plan may finish a later row before an earlier one (a chain moves its free end first): a
// stopped run lists the rows it changed, in the list's order, and no row it did not change.
TEST_P(RunDriverTest, AStoppedRunListsTheRowsItChanged) {
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) temp.CreateFile(name, name);
    settings.CommonOption.ViewDetailResult = 1;
    // a.txt takes c.txt's name once c.txt is e.txt: one unit of rows 0 and 2; b.txt another.
    UseReplacements({{"c.", "e."}, {"a.", "c."}, {"b.", "f."}});
    StopRequest stop;
    StoppingFileSystem stopping(real, stop, Watched::Move, 1);
    const RunOutcome outcome =
        StartRun(settings, {stopping, clock, ui, &journal, &stop}, false, nullptr);
    ASSERT_EQ(outcome.resultCode, MRVN_STOPPED_BY_USER);
    ASSERT_EQ(outcome.doneCount, 2);
    EXPECT_TRUE(temp.Exists("b.txt")) << "the second unit was not reached";
    ASSERT_EQ(ui.resultLists.size(), 1u);
    const ResultList& list = ui.resultLists[0];
    EXPECT_EQ(list.sources,
              (std::vector<std::string>{Cp932(temp / "a.txt"), Cp932(temp / "c.txt")}));
    EXPECT_EQ(list.targets,
              (std::vector<std::string>{Cp932(temp / "c.txt"), Cp932(temp / "e.txt")}));
    EXPECT_EQ(list.before.size(), 2u);
}

// The logs follow the moves as made: a text line after each target's last move, the
// rename-back lines the other way round with the temporary name, so that running them top-down
// takes the run back.
TEST_P(RunDriverTest, LogsOfASwapFollowTheMovesAsMade) {
    temp.CreateFile("a.txt", "a.txt");
    temp.CreateFile("b.txt", "b.txt");
    UseReplacements({{"a.", "x_."}, {"b.", "a."}, {"x_.", "b."}});
    settings.CommonOption.LogWrite = 1;
    settings.CommonOption.BatLogWrite = 1;
    settings.CommonOption.LogWritePath = Cp932(temp.Path());
    ASSERT_EQ(Run().resultCode, 0);
    const std::string arrow = platform::Sjis("  →  ");
    const std::string text = temp.ReadFile("20240506070809.log");
    const std::string a = Cp932(temp / "a.txt");
    const std::string b = Cp932(temp / "b.txt");
    EXPECT_TRUE(
        text.ends_with("00001 : " + b + arrow + a + " \r\n00002 : " + a + arrow + b + " \r\n"))
        << text;
    const std::string batch = temp.ReadFile("20240506070809BAT.log");
    const std::size_t lines = batch.find("ren ");
    ASSERT_NE(lines, std::string::npos);
    const std::string parked = ".morvanex-swap-";
    const std::size_t first = batch.find("ren \"" + b + "\" \"" + parked);
    const std::size_t second = batch.find("ren \"" + a + "\" \"b.txt\" \r\n");
    const std::size_t third = batch.find("\" \"a.txt\" \r\n");
    EXPECT_EQ(first, lines) << platform::Utf8FromCp932(batch);
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    EXPECT_NE(batch.find("ren \"" + Cp932(temp.Path()) + parked), std::string::npos);
}

// A list whose second file is missing, and whose new name belongs to a stranger's file: the run
// stops there, and undo takes back only what the run did.
TEST_P(RunDriverTest, UndoNeverMovesAFileTheRunDidNotMove) {
    temp.CreateFile("d/a.txt", "A");
    temp.CreateFile("d/IMG_002.txt", "a stranger's");
    settings.SelectFile.FreeFileSelect = 1;
    settings.CommonOption.PlanWholeRun = 0;  // in the list's order: the first file moves
    const std::vector<std::string> list = {Cp932(temp / "d/a.txt"), Cp932(temp / "d/gone.txt")};
    ui.answers = {false};
    EXPECT_NE(Run(false, &list).resultCode, 0);
    const UndoReport report = UndoNewestRun(Cp932(state.Path()), real);
    EXPECT_TRUE(report.Complete());
    EXPECT_EQ(temp.ReadFile("d/a.txt"), "A");
    EXPECT_EQ(temp.ReadFile("d/IMG_002.txt"), "a stranger's");
    EXPECT_FALSE(temp.Exists("d/gone.txt"));

    // A file put in the place of the renamed one after the run is not the run's file.
    ASSERT_EQ(Run(false, &list).resultCode, MRVN_ERROR_SYSTEM_ERROR);
    ::unlink((temp / "d/IMG_001.txt").c_str());
    temp.CreateFile("d/IMG_001.txt", "another file under the new name");
    const UndoReport second = UndoNewestRun(Cp932(state.Path()), real);
    ASSERT_EQ(second.problems.size(), 1u);
    EXPECT_TRUE(second.problems[0].starts_with(Cp932(temp / "d/IMG_001.txt")));
    EXPECT_EQ(temp.ReadFile("d/IMG_001.txt"), "another file under the new name");
    EXPECT_FALSE(temp.Exists("d/a.txt"));
}

// With every attribute taken, a read-only file is made writable for its move: a kill just before
// or just after the move still gets it back read-only.
TEST_P(RunDriverTest, AKillAroundAMoveOfAReadOnlyFileIsUndone) {
    for (const bool afterTheMove : {false, true}) {
        test::TempFolder files;
        test::TempFolder journals;
        files.CreateFile("a.jpg", "A");
        files.SetMode("a.jpg", 0444);
        settings.SelectFile.FullPath = Cp932(files.Path());
        settings.CommonOption.AllAttributeFileRename = 1;
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            UndoJournal own(Cp932(journals.Path()));
            KillingBeforeMoveFileSystem before(1);
            KillingFileSystem after(1);
            platform::FileSystem& killer =
                afterTheMove ? static_cast<platform::FileSystem&>(after) : before;
            StartRun(settings, {killer, clock, ui, &own}, false, nullptr);
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_TRUE(UndoNewestRun(Cp932(journals.Path()), real).Complete()) << afterTheMove;
        EXPECT_EQ(files.ReadFile("a.jpg"), "A") << afterTheMove;
        EXPECT_EQ(ModeOf(files / "a.jpg"), 0444u) << afterTheMove;
    }
}

// Both undos (the window's and the command line's) give back names, attributes and times, also
// of targets whose name stays and of runs that change only attributes or times.
TEST_P(RunDriverTest, BothUndosGiveBackAttributesAndTimesOfEveryTarget) {
    struct Row {
        const char* name;
        void (*job)(RenameSettings&);
    } rows[] = {
        {"lower_case_and_read_only",
         [](RenameSettings& s) {
             s.RenameOption.EnableRename = 0;
             s.LetterChangeOption.EnableLetterChange = 1;
             s.LetterChangeOption.ChangeMode = 0;
             s.AttributeOption.EnableAttribute = 1;
             s.AttributeOption.SelectedReadOnly = 1;
         }},
        {"times_only",
         [](RenameSettings& s) {
             s.RenameOption.EnableRename = 0;
             s.TimeStampOption.EnableTimeStamp = 1;
             s.TimeStampOption.EnableUpdateTime = 1;
         }},
    };
    for (const Row& row : rows) {
        for (const bool window : {true, false}) {
            test::TempFolder files;
            test::TempFolder journals;
            files.CreateFile("a.txt", "a");
            files.CreateFile("B.txt", "b");
            files.SetModificationTime("a.txt", 1000000);
            RenameSettings job = settings;
            job.SelectFile.FullPath = Cp932(files.Path());
            row.job(job);
            UndoJournal own(Cp932(journals.Path()));
            const RunContext context{faulty, clock, ui, &own};
            ASSERT_EQ(StartRun(job, context, false, nullptr).resultCode, 0) << row.name;
            ASSERT_NE(
                ModeOf(files / "a.txt") == 0444u && files.ModificationTime("a.txt") == 1000000,
                true)
                << row.name << ": the run changed nothing";
            ui.answers = {true};
            if (window) {
                Undo(job, context);
            } else {
                EXPECT_TRUE(UndoNewestRun(Cp932(journals.Path()), real).Complete()) << row.name;
            }
            EXPECT_EQ(files.ReadFile("a.txt"), "a") << row.name << window;
            EXPECT_EQ(files.ReadFile("B.txt"), "b") << row.name << window;
            EXPECT_EQ(ModeOf(files / "a.txt") & 0200, 0200u) << row.name << window;
            EXPECT_EQ(files.ModificationTime("a.txt"), 1000000) << row.name << window;
        }
    }
}

// An attribute or time the system refuses to write stops the run with 999 naming the file, as a
// failed move does; what was changed of that target is recorded done and counted (an undo takes
// it back with the rest), a change that did not happen at all is recorded void.
TEST_P(RunDriverTest, ARefusedAttributeOrTimeWriteStopsTheRunNamingTheFile) {
    const struct Row {
        const char* name;
        void (*job)(RenameSettings&);
        Op op;
        const char* second;   // the second target, a folder when it has no period
        const char* refused;  // the file whose write the system refuses
        int done;             // targets counted: the second too when it was changed
        int voided;           // changes recorded that did not happen
    } rows[] = {
        {"attributes/after_the_move",
         [](RenameSettings& s) { s.AttributeOption.EnableAttribute = 1; }, Op::SetAttributes,
         "b.jpg", "IMG_002.jpg", 2, 0},
        {"attributes/given_back_after_the_move",
         [](RenameSettings& s) { s.CommonOption.AllAttributeFileRename = 1; }, Op::SetAttributes,
         "b.jpg", "IMG_002.jpg", 2, 0},
        {"times/only", [](RenameSettings& s) { s.RenameOption.EnableRename = 0; }, Op::SetTimes,
         "b.jpg", "b.jpg", 1, 1},
        {"times/of_a_folder", [](RenameSettings& s) { s.RenameOption.EnableRename = 0; },
         Op::SetTimes, "sub", "sub", 1, 1},
        {"times/of_a_copy", [](RenameSettings& s) { s.CopyToDir.EnableCopy = 1; }, Op::SetTimes,
         "b.jpg", "copies/IMG_002.jpg", 2, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempFolder files;
        files.CreateFile("a.jpg", "A");
        files.CreateFile("c.jpg", "C");
        files.CreateFolder("copies");
        const bool folder = std::string_view(row.second).find('.') == std::string_view::npos;
        folder ? (void)files.CreateFolder(row.second) : (void)files.CreateFile(row.second, "B");
        files.SetMode(row.second, 0555);
        files.SetModificationTime("a.jpg", 1000000);
        RenameSettings job = settings;
        job.SelectFile.FreeFileSelect = 1;
        job.CopyToDir.FullPath = Cp932(files / "copies/");
        job.AttributeOption.SelectedReadOnly = 1;
        job.TimeStampOption.EnableTimeStamp = row.op == Op::SetTimes;
        job.TimeStampOption.EnableUpdateTime = 1;
        row.job(job);
        test::FaultInjectingFileSystem refusing(real);
        refusing.FailPath(row.op, Cp932(files / row.refused), EROFS);
        test::ScriptedInteraction shown;
        const std::vector<std::string> list = {Cp932(files / "a.jpg"), Cp932(files / row.second),
                                               Cp932(files / "c.jpg")};
        const RunOutcome outcome = StartRun(job, {refusing, clock, shown, &journal}, false, &list);

        EXPECT_EQ(outcome.resultCode, MRVN_ERROR_SYSTEM_ERROR);
        EXPECT_EQ(outcome.systemError, EROFS);
        EXPECT_EQ(outcome.currentPath, Cp932(files / row.refused));
        EXPECT_EQ(outcome.doneCount, row.done);
        EXPECT_TRUE(shown.messages.at(0).starts_with("Error Code : 999\n")) << shown.messages[0];
        EXPECT_TRUE(files.Exists("c.jpg")) << "the run stopped at the refused write";
        const journal::Run run = journal::ReadRun(journal.RunPath(), real);
        const bool copy = job.CopyToDir.EnableCopy != 0;
        EXPECT_EQ(run.Count(journal::State::Done), copy ? 0u : static_cast<std::size_t>(row.done));
        EXPECT_EQ(run.Count(journal::State::Void), static_cast<std::size_t>(row.voided));
        if (copy) continue;
        EXPECT_EQ(job.Undo.ValidCount, row.done) << "the window's undo covers what was changed";
        EXPECT_TRUE(UndoRun(journal.RunPath(), real, nullptr).Complete());
        EXPECT_EQ(files.ModificationTime("a.jpg"), 1000000);
        EXPECT_EQ(ModeOf(files / row.second), 0555u);
        EXPECT_FALSE(files.Exists("IMG_002.jpg"));
    }
}

// A ring's parked file that reached its new name before its time was refused is not said to
// wait under the temporary name: the swap is made, counted, and undo takes it back.
TEST_P(RunDriverTest, ARefusedWriteAfterTheLastMoveOfARingLeavesNoTemporaryName) {
    temp.CreateFile("a.txt", "a.txt");
    temp.CreateFile("b.txt", "b.txt");
    UseReplacements({{"a.", "x_."}, {"b.", "a."}, {"x_.", "b."}});
    settings.TimeStampOption.EnableTimeStamp = 1;
    settings.TimeStampOption.EnableUpdateTime = 1;
    test::FaultInjectingFileSystem refusing(real);
    refusing.FailPath(Op::SetTimes, Cp932(temp / "b.txt"), EROFS);  // a.txt's new name
    const RunOutcome outcome = StartRun(settings, {refusing, clock, ui, &journal}, false, nullptr);
    EXPECT_EQ(outcome.resultCode, MRVN_ERROR_SYSTEM_ERROR);
    EXPECT_EQ(outcome.doneCount, 2);
    EXPECT_EQ(outcome.detail.find(platform::Sjis("一時的な名前")), std::string::npos)
        << platform::Utf8FromCp932(outcome.detail);
    EXPECT_EQ(temp.ReadFile("b.txt"), "a.txt");
    EXPECT_EQ(temp.ReadFile("a.txt"), "b.txt");
    EXPECT_TRUE(UndoRun(journal.RunPath(), real, nullptr).Complete());
    EXPECT_EQ(temp.ReadFile("a.txt"), "a.txt");
    EXPECT_EQ(temp.ReadFile("b.txt"), "b.txt");
}

// On a read-only mount a job that only sets times fails at its first file with the system's
// error; it never reports success. The mount lives in a private mount namespace of a child
// process and goes with it.
TEST_P(RunDriverTest, OnAReadOnlyMountAChangeOfTimesFails) {
    if (::geteuid() != 0) GTEST_SKIP() << "a read-only bind mount needs root";
    temp.CreateFile("a.jpg", "A");
    temp.SetModificationTime("a.jpg", 1000000);
    settings.RenameOption.EnableRename = 0;
    settings.TimeStampOption.EnableTimeStamp = 1;
    settings.TimeStampOption.EnableUpdateTime = 1;
    const std::vector<int> report = test::InChild([&] {
        const char* folder = temp.Path().c_str();
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(folder, folder, nullptr, MS_BIND, nullptr) != 0 ||
            ::mount(nullptr, folder, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
            return std::vector<int>{-1};
        }
        const RunOutcome outcome = StartRun(settings, {real, clock, ui, &journal}, false, nullptr);
        return std::vector<int>{outcome.resultCode, outcome.systemError, outcome.doneCount,
                                outcome.currentPath == Cp932(temp / "a.jpg")};
    });
    if (report == std::vector<int>{-1}) GTEST_SKIP() << "a read-only bind mount cannot be made";
    EXPECT_EQ(report, (std::vector<int>{MRVN_ERROR_SYSTEM_ERROR, EROFS, 0, true}));
    EXPECT_EQ(temp.ModificationTime("a.jpg"), 1000000);
}

// An undo goes on past attributes and times the system refuses to give back, names each (the
// window after its message) and does not report success; their records stay pending, so that an
// undo of the run named once the file system takes them gives back the rest.
TEST_P(RunDriverTest, AnUndoNamesEveryAttributeAndTimeItCouldNotGiveBack) {
    const struct Row {
        const char* name;
        std::vector<Op> refused;
        const char* what;
    } rows[] = {
        {"refused/attributes", {Op::SetAttributes}, "属性を元に戻せませんでした: "},
        {"refused/times", {Op::RestoreTimes}, "日時を元に戻せませんでした: "},
        {"refused/both",
         {Op::SetAttributes, Op::RestoreTimes},
         "属性と日時を元に戻せませんでした: "},
    };
    settings.AttributeOption.EnableAttribute = 1;
    settings.AttributeOption.SelectedReadOnly = 1;
    settings.TimeStampOption.EnableTimeStamp = 1;
    settings.TimeStampOption.EnableUpdateTime = 1;
    for (const Row& row : rows) {
        for (const bool window : {true, false}) {
            SCOPED_TRACE(std::string(row.name) + (window ? " window" : " command_line"));
            for (const char* name : {"a.txt", "b.txt"}) {
                temp.CreateFile(name, name);
                temp.SetModificationTime(name, 1000000);
            }
            test::FaultInjectingFileSystem refusing(real);
            const RunContext context{refusing, clock, ui, &journal};
            ASSERT_EQ(StartRun(settings, context, false, nullptr).resultCode, 0);
            for (const Op op : row.refused) refusing.FailPath(op, Cp932(temp / "b.txt"), EROFS);
            const std::string problem = Cp932(temp / "b.txt") + " : " + platform::Sjis(row.what) +
                                        platform::Cp932FromUtf8(std::strerror(EROFS));
            if (window) {
                Undo(settings, context);
                EXPECT_EQ(ui.messages.back(), UndoFailedMessage() + "\n" + problem);
            } else {
                const UndoReport report = UndoRun(journal.RunPath(), refusing, nullptr);
                EXPECT_FALSE(report.Complete());
                EXPECT_EQ(report.problems, std::vector<std::string>{problem});
            }
            EXPECT_EQ(temp.ReadFile("b.txt"), "b.txt");
            EXPECT_EQ(temp.ModificationTime("a.txt"), 1000000);
            EXPECT_EQ(ModeOf(temp / "a.txt") & 0200, 0200u);
            EXPECT_EQ(DescribeHistory(Cp932(state.Path()), real).at(1), "    " + problem);
            EXPECT_TRUE(UndoRun(journal.RunPath(), real, nullptr).Complete());
            EXPECT_EQ(temp.ModificationTime("b.txt"), 1000000);
            EXPECT_EQ(ModeOf(temp / "b.txt") & 0200, 0200u);
        }
    }
}

// A list may name the state folder's own files — an earlier run's journal, the user's key, the
// lock — or the folder itself: a run leaves them as they are, like its own journal.
TEST_P(RunDriverTest, AListNeverChangesTheStateFolderOrWhatItHolds) {
    temp.CreateFile("a.jpg", "A");
    ASSERT_EQ(Run().resultCode, 0);  // makes the key, the lock and a journal
    const std::string stateFolder = Cp932(state.Path());
    for (const std::string& path :
         {journal.RunPath(), stateFolder.substr(0, stateFolder.size() - 1), stateFolder + "key",
          stateFolder + "lock"}) {
        SCOPED_TRACE(path);
        settings.SelectFile.FreeFileSelect = 1;
        const std::vector<std::string> list = {path, Cp932(temp / "IMG_001.jpg")};
        ASSERT_EQ(Run(false, &list).resultCode, 0);
        EXPECT_TRUE(real.Exists(path));
        ASSERT_TRUE(temp.Exists("IMG_002.jpg")) << "the other file is renamed";
        std::filesystem::rename(temp / "IMG_002.jpg", temp / "IMG_001.jpg");
    }
}

// A log that cannot be written is reported before anything is changed.
TEST_P(RunDriverTest, ALogThatCannotBeWrittenStopsTheRunBeforeItStarts) {
    temp.CreateFile("a.jpg", "A");
    temp.CreateFile("blocker", "a file where the log folder should be");
    settings.CommonOption.LogWrite = 1;
    settings.CommonOption.LogWritePath = Cp932(temp / "blocker/logs/");
    ui.answers = {true};  // create the log folder: it cannot be made
    const RunOutcome outcome = Run();
    EXPECT_EQ(outcome.resultCode, MRVN_ERROR_SYSTEM_ERROR);
    EXPECT_EQ(outcome.doneCount, 0);
    EXPECT_TRUE(temp.Exists("a.jpg"));
    EXPECT_NE(ui.messages.at(0).find(Cp932(temp / "blocker/logs/")), std::string::npos)
        << ui.messages.at(0);
}

// A run that cannot record itself changes nothing and says where and why.
TEST_P(RunDriverTest, NoJournalNoMove) {
    temp.CreateFile("a.jpg", "A");
    state.CreateFile("in-the-way", "a file where the state folder should be");
    UndoJournal blocked(Cp932(state / "in-the-way/morvanex/"));
    const RunOutcome outcome = StartRun(settings, {faulty, clock, ui, &blocked}, false, nullptr);
    EXPECT_EQ(outcome.resultCode, MRVN_ERROR_NO_JOURNAL);
    EXPECT_EQ(outcome.doneCount, 0);
    EXPECT_TRUE(temp.Exists("a.jpg"));
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_NE(ui.messages[0].find(Cp932(state / "in-the-way/morvanex/")), std::string::npos)
        << ui.messages[0];
}

// Each call on the journal's files that fails stops the run with code 18 and a message naming
// the file and the system's error: before the journal begins nothing is moved and nothing is
// left in the state folder but the key and its lock; once it grew past its first reservation
// the run stops before the first move it could not record, and undo takes back every move made.
TEST_P(RunDriverTest, EachFailedCallOfTheJournalStopsTheRunWithWhatItRecorded) {
    // Enough records to grow the journal past its first mebibyte, each about 700 bytes.
    const std::string longName(240, 'n');
    constexpr int kManyFiles = 1700;
    const struct Row {
        const char* name;
        Op op;
        const char* path;  // the failing file's name in the state folder; "": the k-th call
        int k;
        int error;
        int files;
        // Where the message names it: the state folder, or its key.
        const char* named;
    } rows[] = {
        {"begin/state_folder_cannot_be_checked", Op::HandleStatus, "", 1, EIO, 3, ""},
        {"begin/new_key_cannot_be_written", Op::WriteHandle, "key.new", 0, ENOSPC, 3, "key"},
        {"begin/new_key_cannot_reach_the_disk", Op::SyncHandle, "key.new", 0, EIO, 3, "key"},
        {"begin/new_key_cannot_be_linked", Op::LinkName, "key.new", 0, EMLINK, 3, "key"},
        {"begin/key_cannot_be_read", Op::ReadHandle, "key", 0, EIO, 3, "key"},
        {"begin/folder_lock_refused", Op::Lock, "lock", 0, ENOLCK, 3, ""},
        {"begin/runs_cannot_be_listed", Op::ListHandle, "", 1, EIO, 3, ""},
        {"begin/journal_cannot_be_made", Op::OpenFile, "000001.journal", 0, EDQUOT, 3, ""},
        {"begin/journal_cannot_be_locked", Op::Lock, "000001.journal", 0, ENOLCK, 3, ""},
        {"begin/no_room_for_the_header", Op::Allocate, "000001.journal", 0, ENOSPC, 3, ""},
        {"begin/header_cannot_be_mapped", Op::Map, "000001.journal", 0, ENOMEM, 3, ""},
        {"run/no_room_for_a_record", Op::Allocate, "", 2, ENOSPC, kManyFiles, ""},
        {"run/grown_journal_cannot_be_mapped", Op::Map, "", 2, ENOMEM, kManyFiles, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempFolder files;
        test::TempFolder home;
        const std::string stateFolder = Cp932(home / "morvanex/");
        const auto original = [&](int i) { return longName + std::to_string(10000 + i); };
        for (int i = 0; i < row.files; ++i) files.CreateFile(original(i));
        settings.SelectFile.FullPath = Cp932(files.Path());
        UsePattern(longName + "_", 5);
        ui.messages.clear();
        ui.answers = {false};  // no undo offered after the failure: the test takes it back
        test::FaultInjectingFileSystem failing(real);
        if (row.path[0] != '\0') {
            failing.FailPath(row.op, row.path, row.error);
        } else {
            failing.FailCall(row.op, row.k, row.error);
        }
        UndoJournal own(stateFolder);
        const RunOutcome outcome = StartRun(settings, {failing, clock, ui, &own}, false, nullptr);

        EXPECT_EQ(outcome.resultCode, MRVN_ERROR_NO_JOURNAL);
        ASSERT_FALSE(ui.messages.empty());
        const std::string& message = ui.messages[0];
        EXPECT_NE(message.find(stateFolder + row.named), std::string::npos) << message;
        EXPECT_NE(message.find(platform::Cp932FromUtf8(std::strerror(row.error))),
                  std::string::npos)
            << message;
        if (row.files < kManyFiles) {
            EXPECT_EQ(outcome.doneCount, 0);
            for (int i = 0; i < row.files; ++i) EXPECT_TRUE(files.Exists(original(i))) << i;
            EXPECT_TRUE(journal::ListRuns(stateFolder, real).empty()) << "no journal is left";
            EXPECT_FALSE(real.Exists(stateFolder + "key.new")) << "no half key is left";
            continue;
        }
        EXPECT_GT(outcome.doneCount, 0);
        EXPECT_LT(outcome.doneCount, kManyFiles);
        const UndoReport undone = UndoRun(own.RunPath(), real, nullptr);
        EXPECT_TRUE(undone.Complete());
        EXPECT_EQ(undone.restored, static_cast<std::size_t>(outcome.doneCount))
            << "every move made is taken back";
        for (int i = 0; i < kManyFiles; ++i) ASSERT_TRUE(files.Exists(original(i))) << i;
    }
}

// Where a journal is cut under the run.
enum class Cut {
    ToNothing,
    AtThePageOfTheRecord,  // the run's next store there faults
    InsideTheRecord,       // in a page the run goes on storing into without a fault
};

// Cuts the run's journal right after the k-th move, in the record of that move or before it.
class JournalCuttingFileSystem final : public platform::PosixFileSystem {
  public:
    JournalCuttingFileSystem(const UndoJournal& journal, int k, Cut cut)
        : m_journal(journal), m_k(k), m_cut(cut) {}
    int Move(std::string_view from, std::string_view to,
             const platform::FileStatus* expected) override {
        const int result = PosixFileSystem::Move(from, to, expected);
        if (++m_moves != m_k) return result;
        const std::string path = platform::Utf8FromCp932(m_journal.RunPath());
        std::ifstream in(path, std::ios::binary);
        const std::string bytes(std::istreambuf_iterator<char>(in), {});
        const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        const std::size_t record = bytes.find(platform::Utf8FromCp932(from));
        const std::size_t at = m_cut == Cut::ToNothing              ? 0
                               : m_cut == Cut::AtThePageOfTheRecord ? record / page * page
                                                                    : record + 1;
        ::truncate(path.c_str(), static_cast<off_t>(at));
        return result;
    }

  private:
    const UndoJournal& m_journal;
    int m_k;
    Cut m_cut;
    int m_moves = 0;
};

// A journal cut under the run: code 18 keeps its message and says what the journal still holds
// and which change it lost — also where the cut lies in the last page the run writes, which the
// run's stores never notice (only the journal's size at the end of the run tells).
TEST_P(RunDriverTest, AJournalCutUnderTheRunSaysWhatItStillHolds) {
    const std::string name(150, 'n');
    constexpr int kFiles = 30;
    const struct Row {
        const char* name;
        Cut cut;
        int after;  // the move after which the journal is cut
    } rows[] = {
        {"cut/to_nothing", Cut::ToNothing, 20},
        {"cut/at_the_page_of_the_record", Cut::AtThePageOfTheRecord, 20},
        {"cut/inside_the_last_record", Cut::InsideTheRecord, kFiles},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const bool toNothing = row.cut == Cut::ToNothing;
        const int cutAt = row.after;
        test::TempFolder files;
        for (int i = 0; i < kFiles; ++i) files.CreateFile(name + std::to_string(10000 + i));
        settings.SelectFile.FullPath = Cp932(files.Path());
        UsePattern("IMG_", 5);
        ui.messages.clear();
        JournalCuttingFileSystem cutting(journal, cutAt, row.cut);
        const RunOutcome outcome =
            StartRun(settings, {cutting, clock, ui, &journal}, false, nullptr);
        EXPECT_EQ(outcome.resultCode, MRVN_ERROR_NO_JOURNAL);
        ASSERT_FALSE(ui.messages.empty());
        const std::string& message = ui.messages[0];
        EXPECT_NE(
            message.find(platform::Sjis("この時点までに変更したファイルはUndoで元に戻せます。")),
            std::string::npos);
        const std::string lost = Cp932(files / (name + std::to_string(10000 + cutAt - 1))) +
                                 " -> " + Cp932(files.Path()) + "IMG_000" + std::to_string(cutAt);
        EXPECT_NE(message.find(lost), std::string::npos) << message;
        const journal::Run run = journal::ReadRun(journal.RunPath(), real);
        EXPECT_EQ(run.readable, !toNothing);
        if (toNothing) continue;
        const std::size_t kept = run.records.size() - run.Damaged() + (run.cutShort ? 1 : 0);
        EXPECT_GT(kept, 0u);
        EXPECT_LT(kept, static_cast<std::size_t>(cutAt));
        EXPECT_NE(
            message.find(platform::Sjis("最初の") + std::to_string(kept) + platform::Sjis("件")),
            std::string::npos)
            << message;
        EXPECT_EQ(UndoRun(journal.RunPath(), real, nullptr).restored, kept);
    }
}

TEST_P(RunDriverTest, TheJournalsAreNeverTargetsEvenInsideTheTree) {
    temp.CreateFile("a.jpg");
    UndoJournal inside(Cp932(temp / "state/"));
    settings.SelectFile.IncludeSubDir = 1;
    ASSERT_EQ(StartRun(settings, {faulty, clock, ui, &inside}, false, nullptr).resultCode, 0);
    const std::string first = inside.RunPath();
    ASSERT_EQ(StartRun(settings, {faulty, clock, ui, &inside}, false, nullptr).resultCode, 0);
    EXPECT_TRUE(real.Exists(first)) << "the first run's journal keeps its name";
    EXPECT_EQ(journal::ListRuns(Cp932(temp / "state/"), real).size(), 2u);
}

// No folder, a relative one, and the root of the file system however it is written: the root is
// refused with a line that says so (previews only: a real run on "/" must never be tried).
TEST_P(RunDriverTest, NoFolderNoRun) {
    temp.CreateFile("a.jpg");
    std::filesystem::create_directory_symlink("/", temp / "to_root");
    settings.SelectFile.IncludeSubDir = 0;
    const std::string rootLine = "\n" + platform::Sjis("ファイルシステムのルート(/)");
    const struct {
        std::string folder;
        bool root;
    } rows[] = {
        {"", false},
        {"relative/", false},
        {"/", true},
        {"//", true},
        {"/.", true},
        {"/./", true},
        {"/tmp/..", true},
        {"/usr/../", true},
        {"/tmp/.././/", true},
        {Cp932(temp / "to_root/"), true},
        {Cp932(temp / "to_root/tmp/.."), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.folder);
        settings.SelectFile.FullPath = row.folder;
        ui.messages.clear();
        ui.resultLists.clear();
        EXPECT_EQ(Run(true).resultCode, DINFO_ERROR_NO_COUNTDIR_APP);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(ui.Showed("Error Code : 1001\n"));
        EXPECT_EQ(ui.messages[0].find(rootLine) != std::string::npos, row.root);
        EXPECT_TRUE(ui.resultLists.empty()) << "nothing listed";
    }
    EXPECT_TRUE(temp.Exists("a.jpg"));
}

// A folder or file swapped since the listing (another user's link to a folder outside the tree,
// made at a chosen moment of the run) fails its target with a line that says why, and nothing
// outside the tree is touched. A move the file system cannot make safely names the file system.
TEST_P(RunDriverTest, AChangeReachesOnlyTheFileListed) {
    test::TempFolder outside;
    const auto swapFolder = [&] {
        std::filesystem::rename(temp / "sub", temp / "sub.real");
        std::filesystem::create_directory_symlink(outside.Path(), temp / "sub");
    };
    struct Row {
        const char* name;
        void (*job)(RenameSettings&);
        Op op;  // the call before which the swap is made
        int call;
        std::function<void()> swap;
        int systemError;
        std::string detail;
        std::vector<std::string> renamed;  // inside the tree afterwards
    } rows[] = {
        {"folder_for_link/move",
         [](RenameSettings&) {},
         Op::Move,
         2,
         swapFolder,
         ESTALE,
         "置き換えられた",
         {"IMG_001.jpg"}},
        {"folder_for_link/attributes",
         [](RenameSettings& s) {
             s.RenameOption.EnableRename = 0;
             s.AttributeOption.EnableAttribute = 1;
             s.AttributeOption.SelectedReadOnly = 1;
         },
         Op::SetAttributes,
         2,
         swapFolder,
         ESTALE,
         "置き換えられた",
         {}},
        {"folder_for_link/times",
         [](RenameSettings& s) {
             s.RenameOption.EnableRename = 0;
             s.TimeStampOption.EnableTimeStamp = 1;
             s.TimeStampOption.EnableUpdateTime = 1;
             s.UpdateTimeValue = platform::ToLocalTime(3000000);
         },
         Op::SetTimes,
         2,
         swapFolder,
         ESTALE,
         "置き換えられた",
         {}},
        {"card/cannot_move_safely",
         [](RenameSettings&) {},
         Op::Move,
         1,
         [] {},
         ENOTSUP,
         "fuse.fusefat",
         {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        temp.Clear();
        outside.Clear();
        temp.CreateFile("a.jpg", "A");
        temp.CreateFile("sub/b.jpg", "B");
        outside.CreateFile("b.jpg", "outside");
        outside.SetModificationTime("b.jpg", 1000000);
        const RenameSettings saved = settings;
        settings.SelectFile.IncludeSubDir = 1;
        row.job(settings);
        test::FaultInjectingFileSystem swapping(real);
        swapping.BeforeCall(row.op, row.call, row.swap);
        if (row.systemError == ENOTSUP) {
            swapping.FailCall(Op::Move, 1, ENOTSUP);
            swapping.SetTraits({"fuse.fusefat", false, false, true, true});
        }
        const auto outsideBefore = Snapshot(outside.Path());
        ui.messages.clear();
        const RunOutcome outcome =
            StartRun(settings, {swapping, clock, ui, &journal}, false, nullptr);
        EXPECT_EQ(outcome.resultCode, MRVN_ERROR_SYSTEM_ERROR);
        EXPECT_EQ(outcome.systemError, row.systemError);
        EXPECT_NE(outcome.detail.find(platform::Sjis(row.detail)), std::string::npos)
            << outcome.detail;
        EXPECT_NE(ui.messages.at(0).find(outcome.detail), std::string::npos) << "shown";
        EXPECT_EQ(Snapshot(outside.Path()), outsideBefore);
        for (const auto& name : row.renamed) EXPECT_TRUE(temp.Exists(name)) << name;
        settings = saved;
    }
}

// On a folder with Windows' name rules (a camera card) a name those systems cannot open stops
// the target before anything is made, naming the rule, in the preview as in the run; a copy's
// message names the destination, also when the destination fails for another reason.
TEST_P(RunDriverTest, NamesTheDestinationRefusesStopBeforeTheChange) {
    struct Row {
        const char* name;
        const char* file;
        void (*job)(RenameSettings&);
        bool cardRules;
        bool preview;
        int code;
        const char* destination;  // where the message points ("" for the source)
    } rows[] = {
        {"rename/colon_from_the_old_name", "a:b.txt",
         [](RenameSettings& s) {
             s.RenameOption.EnableRename = 0;
             s.LetterChangeOption.EnableLetterChange = 1;
             s.LetterChangeOption.ChangeMode = 0;  // upper case
         },
         true, false, MRVN_ERROR_BAD_STRING_USED, ""},
        {"preview/trailing_blank", "one.txt",
         [](RenameSettings& s) {
             s.RenameOption.EnableRename = 0;
             s.StringChangeOption.EnableStringChange = 1;
             s.StringChangeOption.ChangeBefore[0] = ".txt";
             s.StringChangeOption.ChangeAfter[0] = ".txt ";
         },
         true, true, MRVN_ERROR_BAD_STRING_USED, ""},
        {"copy/colon", "a:b.txt",
         [](RenameSettings& s) {
             s.RenameOption.EnableRename = 0;
             s.CopyToDir.EnableCopy = 1;
         },
         true, false, MRVN_ERROR_BAD_STRING_USED, "dest/a:b.txt"},
        {"copy/name_too_long_for_the_host", "a.txt",
         [](RenameSettings& s) {
             s.CopyToDir.EnableCopy = 1;
             for (auto& part : s.RenameOption.Parts) part = settings::PartSlot{};
             std::string kana;
             for (int i = 0; i < 90; ++i) kana += platform::Sjis("あ");
             s.RenameOption.Parts[0] = {settings::kPartFixedText, kana};
         },
         false, false, MRVN_ERROR_SYSTEM_ERROR, "dest/"},
        // Without the card's rules the same names are made.
        {"rename/colon_elsewhere", "a:b.txt",
         [](RenameSettings& s) {
             s.RenameOption.EnableRename = 0;
             s.LetterChangeOption.EnableLetterChange = 1;
             s.LetterChangeOption.ChangeMode = 0;
         },
         false, false, 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        temp.Clear();
        temp.CreateFile(std::string("src/") + row.file, "contents");
        temp.CreateFolder("dest");
        const RenameSettings saved = settings;
        settings.SelectFile.FullPath = Cp932(temp / "src/");
        settings.CopyToDir.FullPath = Cp932(temp / "dest/");
        row.job(settings);
        test::FaultInjectingFileSystem card(real);
        if (row.cardRules) card.SetTraits({"fuseblk (exfat)", false, false, true, true});
        const auto before = Snapshot(temp.Path());
        ui.messages.clear();
        const RunOutcome outcome =
            StartRun(settings, {card, clock, ui, &journal}, row.preview, nullptr);
        EXPECT_EQ(outcome.resultCode, row.code);
        settings = saved;
        if (row.code == 0) continue;
        EXPECT_EQ(Snapshot(temp.Path()), before) << "nothing made, nothing moved";
        const std::string named = *row.destination != '\0'
                                      ? Cp932(temp / row.destination)
                                      : Cp932(temp / (std::string("src/") + row.file));
        EXPECT_TRUE(outcome.currentPath.starts_with(named)) << outcome.currentPath;
        if (row.cardRules) {
            EXPECT_NE(outcome.detail.find("fuseblk (exfat)"), std::string::npos);
            EXPECT_NE(outcome.detail.find(platform::Sjis("Windowsの名前の規則")),
                      std::string::npos);
        }
    }
}

// Digit counts beyond the lists' eight digits would pad a name without bound.
TEST_P(RunDriverTest, DigitCountsOutOfRangeStopTheSetUp) {
    temp.CreateFile("a.jpg");
    struct Row {
        const char* name;
        void (*change)(RenameSettings&);
    } rows[] = {
        {"sequence_nine", [](RenameSettings& s) { s.RenameOption.Parts[1].DigitNum = 9; }},
        {"sequence_huge", [](RenameSettings& s) { s.RenameOption.Parts[1].DigitNum = 2147483647; }},
        {"alignment_eight",
         [](RenameSettings& s) {
             s.RenameOption.EnableDigitChange = 1;
             s.RenameOption.DigitChangeNum = 8;
         }},
        {"alignment_negative",
         [](RenameSettings& s) {
             s.RenameOption.EnableDigitChange = 1;
             s.RenameOption.DigitChangeNum = -1;
         }},
        {"alignment_huge",
         [](RenameSettings& s) {
             s.RenameOption.EnableDigitChange = 1;
             s.RenameOption.DigitChangeNum = 2147483647;
         }},
    };
    for (const Row& row : rows) {
        const RenameSettings saved = settings;
        row.change(settings);
        EXPECT_EQ(Run(true).resultCode, MRVN_ERROR_NO_DIGITNUM) << row.name;
        settings = saved;
    }
}

TEST_P(RunDriverTest, RegularExpressionPairsRenameInNaturalOrderAndStopCleanly) {
    const std::string bomb = "zz" + std::string(60, 'a') + "b.jpg";
    for (const std::string& name : std::vector<std::string>{"shot10.jpg", "shot2.jpg", bomb}) {
        temp.CreateFile(name, name);
    }
    settings.RenameOption.EnableRename = 0;
    settings.StringChangeOption.EnableStringChange = 1;
    settings.StringChangeOption.UseRegex = 1;
    settings.StringChangeOption.ChangeBefore[0] = "^shot(\\d+)";
    settings.StringChangeOption.ChangeAfter[0] = Cp932("$1_写真");
    settings.CommonOption.NaturalOrder = 1;
    struct Row {
        const char* name;
        const char* secondPattern;
        int wholeRun;
        int code;
        int done;
        std::vector<std::string> existing;  // afterwards
    } rows[] = {
        {"pattern/cannot_compile_nothing_moves",
         "(",
         1,
         MRVN_ERROR_BAD_REGEX,
         0,
         {"shot10.jpg", "shot2.jpg", bomb}},
        // The whole plan is made first: the endless one stops the run before anything moves.
        {"matching/gives_up_before_the_first_move",
         "(a+)+$",
         1,
         MRVN_ERROR_BAD_REGEX,
         0,
         {"shot10.jpg", "shot2.jpg", bomb}},
        // In the targets' (natural) order the endless one comes last: the first two are done.
        {"matching/gives_up_at_the_third",
         "(a+)+$",
         0,
         MRVN_ERROR_BAD_REGEX,
         2,
         {"10_写真.jpg", "2_写真.jpg", bomb}},
    };
    for (const auto& row : rows) {
        ui = {};
        ui.showsProgress = GetParam();
        settings.StringChangeOption.ChangeBefore[1] = row.secondPattern;
        settings.CommonOption.PlanWholeRun = row.wholeRun;
        const RunOutcome outcome = Run();
        EXPECT_EQ(outcome.resultCode, row.code) << row.name;
        EXPECT_EQ(outcome.doneCount, row.done) << row.name;
        for (const std::string& name : row.existing)
            EXPECT_TRUE(temp.Exists(name)) << row.name << ": " << name;
        ASSERT_FALSE(ui.messages.empty()) << row.name;
        const std::string message = platform::Utf8FromCp932(ui.messages[0]);
        EXPECT_TRUE(message.starts_with("Error Code : 19\nError Define : MRVN_ERROR_BAD_REGEX \n"))
            << message;
        EXPECT_NE(message.find(std::string("置換前の文字列2 : ") + row.secondPattern),
                  std::string::npos)
            << message;
        // A pattern that gives up names the file it gave up on; one that cannot compile, none.
        EXPECT_EQ(message.find("[" + temp.Path() + bomb + "]") != std::string::npos,
                  std::string_view(row.name).starts_with("matching/"))
            << message;
        EXPECT_EQ(ui.questions.size(), row.done != 0 ? 1u : 0u)
            << row.name;  // undo offered after a change
    }
    Undo(settings, {faulty, clock, ui, &journal});
    EXPECT_EQ(temp.ReadFile("shot2.jpg"), "shot2.jpg");
    EXPECT_EQ(temp.ReadFile("shot10.jpg"), "shot10.jpg");
}

INSTANTIATE_TEST_SUITE_P(Listing, RunDriverTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& param) {
                             return param.param ? "with_bar" : "without_bar";
                         });

// A front end without a bar that shows a line: the run still starts while the statuses are being
// read, and reports each target with the total known so far; a preview reports too. A bar gets
// the exact total in a run that started the same way: its plan is whole before the first change.
TEST(RunDriverProgress, ALineFollowsARunWithTheTotalKnownSoFar) {
    test::TempFolder temp;
    test::TempFolder state;
    platform::PosixFileSystem fileSystem;
    test::FixedClock clock{kNow};
    UndoJournal journal(Cp932(state.Path()));
    constexpr unsigned kFiles = 600;
    constexpr unsigned kHidden = 10;  // listed, but no targets: only their statuses tell
    for (unsigned i = 0; i < kFiles; ++i) temp.CreateFile("f" + std::to_string(i) + ".txt");
    for (unsigned i = 0; i < kHidden; ++i) temp.CreateFile(".h" + std::to_string(i) + ".txt");
    struct Row {
        const char* name;
        bool bar;
        bool line;
        bool preview;
        bool reported;
    } rows[] = {
        {"line/run", false, true, false, true},
        {"line/preview", false, true, true, true},
        {"none/run", false, false, false, false},
        {"bar/run", true, true, false, true},
    };
    for (const auto& row : rows) {
        RenameSettings s = settings::ConstructSettings({fileSystem, clock, {}});
        s.SelectFile.FullPath = Cp932(temp.Path());
        s.SelectFile.FileFilter = "*";
        test::ScriptedInteraction ui;
        ui.showsProgress = row.bar;
        ui.showsProgressLine = row.line;
        ASSERT_EQ(StartRun(s, {fileSystem, clock, ui, &journal}, row.preview, nullptr).resultCode,
                  0)
            << row.name;
        EXPECT_EQ(ui.progressTotals.size(), row.reported ? kFiles : 0u) << row.name;
        for (const unsigned total : ui.progressTotals) {
            ASSERT_GE(total, kFiles) << row.name;
            ASSERT_LE(total, row.bar ? kFiles : kFiles + kHidden) << row.name;
        }
        // Done at the end (a run then resets its bar for the report).
        if (row.reported) {
            EXPECT_EQ(ui.progress[ui.progress.size() - (row.preview ? 1 : 2)], 100) << row.name;
        }
    }
}

}  // namespace
}  // namespace morvanex::engine

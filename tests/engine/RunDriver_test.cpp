#include "engine/RunDriver.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>

#include "engine/JournalUndo.h"
#include "engine/ResultCodes.h"
#include "engine/UndoJournal.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/PosixFileSystem.h"
#include "settings/SettingsLifecycle.h"
#include "support/FaultInjectingFileSystem.h"
#include "support/FixedClock.h"
#include "support/ScriptedInteraction.h"
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

// Every test runs twice: with the whole list known before the run starts (a front end with a
// progress bar), and with the run starting while the statuses are still being read.
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
        auto& parts = settings.RenameOption.Parts;
        for (auto& part : parts) part = settings::PartSlot{};
        parts[0].SelectedPart = settings::kPartFixedText;
        parts[0].StrPart = Cp932(prefix);
        parts[1].SelectedPart = settings::kPartSequence;
        parts[1].StrPart = std::to_string(start);
        parts[1].DigitNum = digits;
        parts[2].SelectedPart = settings::kPartPeriod;
        parts[3].SelectedPart = settings::kPartExtension;
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
    UndoJournal reader(Cp932(state.Path()));
    EXPECT_TRUE(PlanJournalUndo(reader, real).moves.empty()) << "the run is not offered twice";
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
    // IMG_002.jpg is a target too, but it is moved away only after b.jpg wants its name.
    EXPECT_EQ(list.conflicts, (std::vector<Conflict>{Conflict::None, Conflict::Exists, Conflict::None}));
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
    EXPECT_EQ(ui.resultLists.at(0).conflicts, (std::vector<Conflict>{Conflict::None, Conflict::None}));
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
    EXPECT_EQ(ui.questions[0], platform::Sjis("処理が中断しました。\n2個目のファイルまで変換しました。\n3個目以降のファイル変換が行われていません(続行は不可能です)。\nリネームされてしまったファイルを元に戻しますか？(Undo)"));
    // After the undo every file is back, with its mode and time.
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) EXPECT_EQ(temp.ReadFile(name), name);
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
    EXPECT_TRUE(ui.Showed("処理が中断しました。\n指定の全ファイルの変換が行われていません(続行は不可能です)。"));
}

TEST_P(RunDriverTest, ACollisionStopsAtTheSecondTargetAndNamesItsSource) {
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
    EXPECT_EQ(Snapshot(temp / "src/"), before);
    EXPECT_EQ(temp.ReadFile("dest/IMG_001.jpg"), "A");
    EXPECT_EQ(temp.ReadFile("dest/sub/IMG_001.jpg"), "B");  // numbering restarts per folder
    Undo(settings, {faulty, clock, ui, &journal});
    EXPECT_TRUE(ui.Showed("Undo用のデータがありません。"));
}

TEST_P(RunDriverTest, NumberResetAndPerFolderNumbersAcrossThreeFolders) {
    for (const char* name : {"f1/a.jpg", "f1/b.jpg", "f2/c.jpg", "f3/d.jpg", "f3/e.jpg"}) temp.CreateFile(name);
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
        for (const auto& target : ui.resultLists.at(0).targets) names.push_back(platform::FileNameOf(target));
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
        {"copy_without_destination", [](RenameSettings& s) { s.CopyToDir.EnableCopy = 1; s.CopyToDir.FullPath = ""; }, true, MRVN_ERROR_NO_COPYTOSTR},
        {"only_a_period", [](RenameSettings& s) { for (auto& p : s.RenameOption.Parts) p = {}; s.RenameOption.Parts[0].SelectedPart = settings::kPartPeriod; }, true, MRVN_ERROR_NO_RENFORMAT},
        {"copy_folder_declined", [](RenameSettings& s) { s.CopyToDir.EnableCopy = 1; s.CopyToDir.FullPath = "/nonexistent/morvanex/"; }, false, MRVN_ERROR_NO_COPYTO},
        {"negative_digits", [](RenameSettings& s) { s.RenameOption.Parts[1].DigitNum = -1; }, true, MRVN_ERROR_NO_DIGITNUM},
        {"start_beyond_digits", [](RenameSettings& s) { s.RenameOption.Parts[1].StrPart = "1000"; }, true, MRVN_ERROR_LOWER_NUM_OVER},
        {"last_beyond_digits", [](RenameSettings& s) { s.RenameOption.Parts[1].StrPart = "999"; s.RenameOption.Parts[1].SkipNum = 5; }, true, kSuccess},
        {"forbidden_in_fixed_text", [](RenameSettings& s) { s.RenameOption.Parts[0].StrPart = "a:b"; }, true, MRVN_ERROR_BAD_STRING_USED},
        {"forbidden_in_fallback_text", [](RenameSettings& s) { s.RenameOption.Parts[7] = {settings::kPartFixedText, "x|"}; }, true, MRVN_ERROR_BAD_STRING_USED},
        {"forbidden_in_replacement", [](RenameSettings& s) { s.StringChangeOption.EnableStringChange = 1; s.StringChangeOption.ChangeAfter[9] = "?"; }, true, MRVN_ERROR_BAD_STRING_USED},
        {"log_folder_declined", [](RenameSettings& s) { s.CommonOption.BatLogWrite = 1; }, false, MRVN_ERROR_NO_LOGWRITEDIR},
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
        {"empty_after_the_final_period", [](RenameSettings& s) { for (auto& p : s.RenameOption.Parts) p = {}; s.RenameOption.Parts[0] = {settings::kPartFixedText, "."}; }, MRVN_ERROR_BAD_STRING_USED},
        {"replaced_to_nothing", [](RenameSettings& s) { s.RenameOption.EnableRename = 0; s.StringChangeOption.EnableStringChange = 1; s.StringChangeOption.ChangeBefore[0] = "a.jpg"; }, MRVN_ERROR_BAD_STRING_USED},
        {"dot_dot", [](RenameSettings& s) { for (auto& p : s.RenameOption.Parts) p = {}; s.RenameOption.Parts[0] = {settings::kPartFixedText, ".."}; s.RenameOption.Parts[1] = {settings::kPartFixedText, "."}; }, MRVN_ERROR_BAD_STRING_USED},
        {"longer_than_a_name_may_be", [](RenameSettings& s) { s.RenameOption.Parts[0].StrPart = std::string(259, 'x'); }, MRVN_ERROR_SYSTEM_ERROR},
    };
    for (const auto& row : rows) {
        const RenameSettings saved = settings;
        row.change(settings);
        const RunOutcome outcome = Run();
        EXPECT_EQ(outcome.resultCode, row.code) << row.name;
        EXPECT_EQ(outcome.currentPath, Cp932(temp / "a.jpg")) << row.name;
        EXPECT_EQ(temp.ReadFile("a.jpg"), "A") << row.name;
        settings = saved;
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
    EXPECT_TRUE(ui.messages[1].starts_with(platform::Sjis("指定フォルダ内に\n「読み取り専用(R)」\u3000")));
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
    EXPECT_NE(batch.find("ren \"" + Cp932(temp / "IMG_001.jpg") + "\" \"a.jpg\" \r\n"), std::string::npos);
}

// Kills the process right after the k-th move reached the disk, before the run could note it.
class KillingFileSystem final : public platform::PosixFileSystem {
public:
    explicit KillingFileSystem(int k) : m_k(k) {}
    int Move(std::string_view from, std::string_view to) override {
        const int result = PosixFileSystem::Move(from, to);
        if (++m_moves == m_k) ::raise(SIGKILL);
        return result;
    }

private:
    int m_k;
    int m_moves = 0;
};

TEST_P(RunDriverTest, TheJournalUndoesARunThatWasKilled) {
    for (int i = 0; i < 6; ++i) temp.CreateFile("f" + std::to_string(i) + ".jpg", std::to_string(i));
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

    UndoJournal reader(Cp932(state.Path()));
    const JournalUndoPlan plan = PlanJournalUndo(reader, real);
    EXPECT_EQ(plan.moves.size(), 4u);
    std::vector<std::string> problems;
    EXPECT_EQ(ExecuteJournalUndo(reader, real, plan, problems), 4);
    EXPECT_TRUE(problems.empty());
    for (int i = 0; i < 6; ++i) EXPECT_EQ(temp.ReadFile("f" + std::to_string(i) + ".jpg"), std::to_string(i));
    EXPECT_EQ(temp.ModificationTime("f1.jpg"), 4000000);
    // Undone entries are not offered again.
    UndoJournal again(Cp932(state.Path()));
    EXPECT_TRUE(PlanJournalUndo(again, real).moves.empty());
}

TEST_P(RunDriverTest, JournalUndoNeverOverwrites) {
    temp.CreateFile("a.jpg", "A");
    temp.CreateFile("b.jpg", "B");
    ASSERT_EQ(Run().resultCode, 0);
    temp.CreateFile("a.jpg", "someone else's");  // the old name is taken again
    UndoJournal reader(Cp932(state.Path()));
    const JournalUndoPlan plan = PlanJournalUndo(reader, real);
    ASSERT_EQ(plan.moves.size(), 2u);
    std::vector<std::string> problems;
    EXPECT_EQ(ExecuteJournalUndo(reader, real, plan, problems), 1);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_TRUE(problems[0].starts_with(Cp932(temp / "a.jpg")));
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

INSTANTIATE_TEST_SUITE_P(Listing, RunDriverTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& param) {
                             return param.param ? "listed_in_full" : "streamed";
                         });

}  // namespace
}  // namespace morvanex::engine

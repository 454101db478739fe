// The command line, run as a separate process the way scripts use it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include "platform/Clock.h"
#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"
#include "platform/TextEscape.h"
#include "settings/PatternFile.h"
#include "settings/SettingsLifecycle.h"
#include "support/TagBuilder.h"
#include "support/TempFolder.h"

namespace morvanex::cli {
namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

class CommandLineTest : public testing::Test {
  protected:
    // `stateHome`: XDG_STATE_HOME when not the test's own; `prefix`: what the program is run
    // through (another user).
    Result Cli(const std::string& arguments, const std::string& input = "",
               const std::string& in = "", const std::string& stateHome = "",
               const std::string& prefix = "") {
        const char* cli = std::getenv("MORVANEX_CLI");
        EXPECT_NE(cli, nullptr) << "MORVANEX_CLI is set by CTest";
        state.CreateFile("stdin", input);
        const std::string command = "cd '" + work.Path() + in + "' && XDG_STATE_HOME='" +
                                    (stateHome.empty() ? state.Path() : stateHome) + "' " + prefix +
                                    "'" + std::string(cli ? cli : "false") + "' " + arguments +
                                    " <'" + state.Path() + "stdin' >'" + state.Path() + "out' 2>'" +
                                    state.Path() + "err'";
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, state.ReadFile("out"),
                state.ReadFile("err")};
    }
    // A job: "IMG_" + four-digit sequence + "." + extension, names sorted ascending.
    std::string Job(const std::string& extra = "") {
        return work.CreateFile(
            "job.mvx",
            "[ParameterSaveFile]\r\nApplicationName=MorvaneX\r\n[RenameOption]\r\n"
            "SelectedPart00=1\r\nStrPart00=IMG_\r\nSelectedPart01=6\r\nStrPart01=1\r\n"
            "DigitNum01=4\r\nSelectedPart02=5\r\nSelectedPart03=3\r\nSelectedPart04=0\r\n"
            "SelectedPart05=0\r\n" +
                extra);
    }

    test::TempFolder work;
    test::TempFolder state;
};

TEST_F(CommandLineTest, ShowIniWritesTheSavedBytesAndNormalisesAJob) {
    Job();
    const Result first = Cli("show --ini job.mvx");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(first.out.starts_with(
        "[ParameterSaveFile]\r\nApplicationName=MorvaneX\r\n[SelectFile]\r\n"));
    EXPECT_NE(first.out.find("StrPart00=IMG_\r\n"), std::string::npos);
    work.CreateFile("normal.mvx", first.out);
    EXPECT_EQ(Cli("show --ini normal.mvx").out, first.out);

    const Result summary = Cli("show job.mvx");
    EXPECT_EQ(summary.status, 0);
    EXPECT_NE(summary.out.find("IMG_0001.(元拡張子)"), std::string::npos) << summary.out;
}

TEST_F(CommandLineTest, ExitStatusesAndMessages) {
    work.CreateFile("bad.mvx", "[Other]\r\nx=1\r\n");
    work.CreateFile(
        "listjob.mvx",
        "[ParameterSaveFile]\r\nApplicationName=MorvaneX\r\n[SelectFile]\r\nFreeFileSelect=1\r\n");
    work.CreateFolder("empty");
    Job();
    struct Row {
        const char* name;
        std::string arguments;
        int status;
        const char* errStart;
    } rows[] = {
        // A job that does not load is the same failure whatever the command.
        {"load_failure_show", "show --ini bad.mvx", 2, "設定ファイルの読み込みに失敗しました。"},
        {"load_failure_preview", "preview bad.mvx", 2, "設定ファイルの読み込みに失敗しました。"},
        {"missing_job", "show --ini missing.mvx", 2, "設定ファイルの読み込みに失敗しました。"},
        // An unset shell variable gives an empty value: never a fall-back to another folder.
        {"empty_folder_value", "run job.mvx --folder ''", 2,
         "morvanex-cli: --folder needs a folder"},
        {"empty_list_value", "run job.mvx --list ''", 2, "morvanex-cli: --list needs a file"},
        {"list_job_without_list", "run listjob.mvx", 2,
         "morvanex-cli: the job takes its targets from a list"},
        {"folder_and_list", "run job.mvx --folder empty --list x", 2, "morvanex-cli: give either"},
        {"unknown_command", "frobnicate", 2, "morvanex-cli: unknown command"},
        {"unknown_option", "preview job.mvx --nope", 2,
         "morvanex-cli: unknown option '--nope'\nTry 'morvanex-cli preview --help'.\n"},
        {"bad_format", "preview job.mvx --format xml", 2, "morvanex-cli: --format"},
        {"missing_folder", "preview job.mvx --folder nowhere", 1, "Error Code : 1001\n"},
        {"empty_folder", "run job.mvx --folder empty", 1, "Error Code : 1004\n"},
    };
    for (const auto& row : rows) {
        const Result result = Cli(row.arguments);
        EXPECT_EQ(result.status, row.status) << row.name << "\n" << result.err;
        EXPECT_TRUE(result.err.starts_with(row.errStart)) << row.name << "\n" << result.err;
    }
    // Nothing collected: the hint says how the command line takes every file, not which box of
    // the window to tick.
    const Result empty = Cli("run job.mvx --folder empty");
    EXPECT_NE(empty.err.find("--set CommonOption.AllAttributeFileRename=1"), std::string::npos)
        << empty.err;
    EXPECT_EQ(empty.err.find("オプションページ"), std::string::npos) << empty.err;

    const Result help = Cli("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* word :
         {"show", "preview", "run", "undo", "history", "--folder", "--list", "--format", "--yes",
          "--undo-on-failure", "--no-journal", "duplicate", "exists", "unchanged", "new [JOB]",
          "--set SECTION.KEY=VALUE", "--quiet", "UseRegex", "NaturalOrder"}) {
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    }
}

TEST_F(CommandLineTest, PreviewPrintsOneTsvRowPerTarget) {
    Job();
    work.CreateFile("p/b.jpg");
    work.CreateFile("p/a.jpg");
    work.CreateFile("p/IMG_0002.jpg");
    // Options before the command, a value after "=", a short form.
    const Result result = Cli("--folder=p preview job.mvx -f tsv");
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string p = work.Path() + "p/";
    EXPECT_EQ(result.out, p + "a.jpg\t" + p + "IMG_0001.jpg\tok\n" + p + "b.jpg\t" + p +
                              "IMG_0002.jpg\tchain\n" + p + "IMG_0002.jpg\t" + p +
                              "IMG_0003.jpg\tok\n");
    // In the targets' order, IMG_0002.jpg still holds its name when b.jpg wants it.
    const Result inOrder =
        Cli("--folder=p preview job.mvx -f tsv --set CommonOption.PlanWholeRun=0");
    EXPECT_EQ(inOrder.status, 3) << inOrder.err;
    EXPECT_NE(inOrder.out.find("IMG_0002.jpg\texists\n"), std::string::npos) << inOrder.out;
    EXPECT_TRUE(work.Exists("p/a.jpg"));  // a preview moves nothing
}

// Names with a tab, a line break or a backslash keep their row: three fields, read back whole.
TEST_F(CommandLineTest, TsvEscapesWhatWouldBreakARow) {
    Job();
    std::set<std::string> expected;
    for (const char* name : {"a\tb.jpg", "c\nd.jpg", "e\\f\r.jpg"})
        expected.insert(work.CreateFile(std::string("p/") + name));
    const Result result =
        Cli("preview job.mvx --folder p --format tsv --set RenameOption.EnableRename=0");
    std::set<std::string> sources;
    std::istringstream rows(result.out);
    for (std::string row, source; std::getline(rows, row);) {
        ASSERT_EQ(std::count(row.begin(), row.end(), '\t'), 2) << row;
        ASSERT_TRUE(platform::Unescape(row.substr(0, row.find('\t')), source)) << row;
        sources.insert(source);
    }
    EXPECT_EQ(sources, expected);
    EXPECT_NE(Cli("preview --help").out.find("\\t, \\r and \\n, any other control byte\n\\xHH"),
              std::string::npos);
}

TEST_F(CommandLineTest, ListedFilesRunInListOrderAndUndoBringsThemBack) {
    Job();
    const std::string foreign = "caf\xC3\xA9 \xF0\x9F\x98\x80 \xE9.txt";  // é, emoji, a raw byte
    work.CreateFile("z.txt", "Z");
    work.CreateFile(foreign, "E");
    work.CreateFile("list.txt", "z.txt\n" + foreign + "\n");
    // A job that shows what it did: the list follows at once, no [OK] button to press.
    const Result run = Cli("run job.mvx --list list.txt --set CommonOption.ViewDetailResult=1");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("変換完了。\n2個のファイル名を変換しました。\n"), std::string::npos);
    EXPECT_EQ(run.out.find("ボタン"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("z.txt -> " + work.Path() + "IMG_0001.txt"), std::string::npos)
        << run.err;
    EXPECT_EQ(work.ReadFile("IMG_0001.txt"), "Z");
    EXPECT_EQ(work.ReadFile("IMG_0002.txt"), "E");

    const Result refused = Cli("undo", "n\n");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("IMG_0002.txt -> " + work.Path() + foreign), std::string::npos);
    EXPECT_TRUE(work.Exists("IMG_0001.txt"));

    const Result undo = Cli("undo", "y\n");
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(work.ReadFile("z.txt"), "Z");
    EXPECT_EQ(work.ReadFile(foreign), "E");
    // Nothing left to undo: said in the command line's words, not the window's button.
    const Result nothing = Cli("undo --yes");
    EXPECT_EQ(nothing.status, 1);
    EXPECT_TRUE(nothing.err.starts_with("Nothing to undo")) << nothing.err;
    EXPECT_EQ(nothing.err.find("ボタン"), std::string::npos) << nothing.err;
}

// A relative folder is the one below the folder the run started in, for good: an undo started
// anywhere else takes back those files and touches no others.
TEST_F(CommandLineTest, RelativeFoldersAreResolvedOnceAndUndoWorksFromAnywhere) {
    Job();
    work.CreateFile("d/a.txt", "mine");
    work.CreateFile("elsewhere/d/IMG_0001.txt", "someone else's");
    ASSERT_EQ(Cli("run job.mvx --folder d").status, 0);
    EXPECT_EQ(work.ReadFile("d/IMG_0001.txt"), "mine");
    const Result history = Cli("history", "", "elsewhere");
    EXPECT_NE(history.out.find("  done  1  " + work.Path() + "d/"), std::string::npos)
        << history.out;

    // An undo killed after its move, before its mark: the next one finds everything back.
    ASSERT_EQ(std::rename((work / "d/IMG_0001.txt").c_str(), (work / "d/a.txt").c_str()), 0);
    const Result undo = Cli("undo --yes", "", "elsewhere");
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(work.ReadFile("d/a.txt"), "mine");
    EXPECT_EQ(work.ReadFile("elsewhere/d/IMG_0001.txt"), "someone else's");
    EXPECT_NE(Cli("history").out.find("  undone  1  "), std::string::npos);
}

// A list's run is named in history and in undo's question by the folder its files share, not
// by the job's folder.
TEST_F(CommandLineTest, AListsRunIsNamedByTheFolderItsFilesShare) {
    Job("[SelectFile]\r\nFullPath=/\r\n");
    const struct {
        const char* name;
        std::vector<std::string> files;
        std::string folder;
    } rows[] = {
        {"one_folder", {"p/q/a.txt", "p/q/b.txt"}, "p/q/"},
        {"two_folders", {"p/q/a.txt", "p/r/s/b.txt"}, "p/"},
    };
    for (const auto& row : rows) {
        std::string list;
        for (const std::string& file : row.files) {
            work.CreateFile(file, file);
            list += work.Path() + file + "\n";
        }
        work.CreateFile("list.txt", list);
        ASSERT_EQ(Cli("run job.mvx --list list.txt").status, 0) << row.name;
        const std::string history = Cli("history").out;
        EXPECT_NE(history.find("  done  2  " + work.Path() + row.folder + "\n"), std::string::npos)
            << row.name << "\n"
            << history;
        const Result undo = Cli("undo", "y\n");
        EXPECT_NE(undo.err.find("(" + work.Path() + row.folder + "): 2 files to take back."),
                  std::string::npos)
            << row.name << "\n"
            << undo.err;
        EXPECT_EQ(work.ReadFile(row.files[1]), row.files[1]) << row.name;
    }
}

// Another user of the machine can neither steer an undo with a journal of theirs nor hand the
// program a state folder: a journal with another key, and a folder owned by someone else or
// writable by others, are refused by name.
TEST_F(CommandLineTest, AnotherUsersJournalOrStateFolderIsRefused) {
    if (::geteuid() != 0 || std::system("command -v setpriv >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "runs a second process as nobody: needs root and setpriv";
    }
    const std::string nobody = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";
    test::TempFolder shared;  // where nobody works, reachable by all
    ASSERT_EQ(::chmod(shared.Path().c_str(), 0755), 0);
    const std::string job =
        shared.CreateFile("job.mvx", work.ReadFile(Job().substr(work.Path().size())));
    shared.CreateFile("nobody/files/n.txt", "nobody's");
    shared.CreateFolder("planted");
    shared.CreateFolder("open");
    ASSERT_EQ(std::system(("chown -R nobody:nogroup '" + shared / "nobody" + "' '" +
                           shared / "planted" + "'")
                              .c_str()),
              0);
    // Nobody's own run, recorded with nobody's key.
    ASSERT_EQ(Cli("run " + job + " --folder " + shared / "nobody/files", "", "",
                  shared / "nobody/state", nobody)
                  .status,
              0);
    const std::string nobodysJournal = shared / "nobody/state/morvanex/000001.journal";
    ASSERT_TRUE(shared.Exists("nobody/state/morvanex/000001.journal"));

    struct Row {
        const char* name;
        std::string stateHome;        // XDG_STATE_HOME of the user's runs
        std::function<void()> plant;  // after the user's first run there
        const char* named;            // what the refusal names
        bool runRefused;
    };
    const std::string open = shared / "open/morvanex/";
    const Row rows[] = {
        {"journal/another_users_key", state.Path(),
         [&] { std::filesystem::copy_file(nobodysJournal, state / "morvanex/000099.journal"); },
         "000099.journal", false},
        {"folder/another_owner", shared / "planted",
         [&] {
             ASSERT_EQ(Cli("run " + job + " --folder " + shared / "nobody/files", "", "",
                           shared / "planted", nobody)
                           .status,
                       0);
         },
         "uid 65534", true},
        {"folder/writable_by_others", shared / "open",
         [&] {
             ::chmod(open.c_str(), 0777);
             ASSERT_EQ(
                 std::system(
                     (nobody + "cp '" + nobodysJournal + "' '" + open + "000099.journal'").c_str()),
                 0);
         },
         "chmod 700", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        work.CreateFile("mine/a.txt", "mine");
        if (row.name != std::string("folder/another_owner")) {
            ASSERT_EQ(Cli("run job.mvx --folder mine", "", "", row.stateHome).status, 0);
            ASSERT_EQ(Cli("undo --yes", "", "", row.stateHome).status, 0);
        }
        row.plant();
        const Result run = Cli("run job.mvx --folder mine", "", "", row.stateHome);
        EXPECT_EQ(run.status, row.runRefused ? 1 : 0) << run.err;
        if (row.runRefused) {
            EXPECT_NE(run.err.find("Error Code : 18\n"), std::string::npos) << run.err;
            EXPECT_NE(run.err.find(row.named), std::string::npos) << run.err;
            EXPECT_TRUE(work.Exists("mine/a.txt"));
        }
        const Result undo = Cli("undo --yes", "", "", row.stateHome);
        EXPECT_EQ(undo.status, 1);
        EXPECT_NE(undo.err.find(row.named), std::string::npos) << undo.err;
        EXPECT_EQ(shared.ReadFile("nobody/files/IMG_0001.txt"), "nobody's");
        if (row.name == std::string("folder/writable_by_others")) {
            // Made private, the folder is used again; the journal nobody put there is not.
            ::chmod(open.c_str(), 0700);
            const Result again = Cli("undo --yes", "", "", row.stateHome);
            EXPECT_EQ(again.status, 1);
            EXPECT_NE(again.err.find("000099.journal"), std::string::npos) << again.err;
            EXPECT_EQ(shared.ReadFile("nobody/files/IMG_0001.txt"), "nobody's");
        }
        std::filesystem::remove_all(work / "mine");
    }
}

// A job saved by one process with a folder named in characters CP932 lacks finds that folder
// in the next process.
TEST_F(CommandLineTest, AJobWithAForeignFolderNameFindsItInAnotherProcess) {
    for (const std::string folder : {"Caf\xC3\xA9", "\xEC\x82\xAC\xEC\xA7\x84"}) {  // Café, 사진
        work.CreateFile(folder + "/a.txt", "A");
        work.CreateFile("utf8.mvx",
                        "\xEF\xBB\xBF[ParameterSaveFile]\r\nApplicationName=MorvaneX\r\n"
                        "[SelectFile]\r\nFullPath=" +
                            work.Path() + folder +
                            "/\r\n"
                            "[RenameOption]\r\nSelectedPart00=1\r\nStrPart00=new\r\n"
                            "SelectedPart01=5\r\nSelectedPart02=3\r\nSelectedPart03=0\r\n"
                            "SelectedPart04=0\r\nSelectedPart05=0\r\n");
        const Result saved = Cli("show --ini utf8.mvx");
        ASSERT_EQ(saved.status, 0) << saved.err;
        work.CreateFile("saved.mvx", saved.out);
        const Result run = Cli("run saved.mvx");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(work.ReadFile(folder + "/new.txt"), "A");
    }
}

TEST_F(CommandLineTest, RunAnswersTheFolderQuestionsFromItsOptions) {
    Job("[CommonOption]\r\nLogWrite=1\r\nLogWritePath=" + work.Path() + "logs/\r\n");
    work.CreateFile("p/a.jpg");
    const Result declined = Cli("run job.mvx --folder p");
    EXPECT_EQ(declined.status, 1);
    EXPECT_NE(declined.err.find("Error Code : 15\n"), std::string::npos);
    EXPECT_TRUE(work.Exists("p/a.jpg"));
    const Result accepted = Cli("run job.mvx --folder p --yes");
    EXPECT_EQ(accepted.status, 0) << accepted.err;
    EXPECT_TRUE(work.Exists("p/IMG_0001.jpg"));
    EXPECT_TRUE(work.Exists("logs"));
}

TEST_F(CommandLineTest, SetOverridesAJobKeyOrSaysWhyNot) {
    Job();
    work.CreateFile("p/a.jpg");
    struct Row {
        const char* name;
        std::string arguments;
        int status;
        const char* errStart;
    } rows[] = {
        {"unknown/key", "show job.mvx --set CommonOption.Nope=1", 2,
         "morvanex-cli: --set: a job has no key 'CommonOption.Nope'\n"},
        {"number/words", "preview job.mvx --folder p --set commonoption.naturalorder=yes", 2,
         "morvanex-cli: --set: CommonOption.NaturalOrder takes a number, not 'yes'\n"},
        {"folder/relative", "show --ini job.mvx --set SelectFile.FullPath=rel/", 2,
         "morvanex-cli: --set: SelectFile の FullPath が / で始まる絶対パスではありません。\n"},
        {"form/no_equals", "show job.mvx --set CommonOption.NaturalOrder", 2,
         "morvanex-cli: --set takes SECTION.KEY=VALUE"},
        {"form/no_value", "show job.mvx --set", 2, "morvanex-cli: --set needs SECTION.KEY=VALUE"},
        {"command/not_for_undo", "undo --set CommonOption.NaturalOrder=1", 2,
         "morvanex-cli: --set is not an option of undo\n"},
        // A key that takes its value but makes a job that cannot run fails as the job.
        {"job/bad_expression",
         "preview job.mvx --folder p --set StringChangeOption.EnableStringChange=1 --set "
         "StringChangeOption.UseRegex=1 --set 'StringChangeOption.ChangeBefore002=(a'",
         1, "Error Code : 19\n"},
    };
    for (const auto& row : rows) {
        const Result result = Cli(row.arguments);
        EXPECT_EQ(result.status, row.status) << row.name << "\n" << result.err;
        EXPECT_TRUE(result.err.starts_with(row.errStart)) << row.name << "\n" << result.err;
    }
    EXPECT_TRUE(work.Exists("p/a.jpg"));
    EXPECT_NE(
        Cli(std::end(rows)[-1].arguments)
            .err.find("置換前の文字列2 : (a\n正規表現の誤り(位置 2): missing closing parenthesis"),
        std::string::npos);
}

TEST_F(CommandLineTest, ShowIniSavesTheJobWithItsOverrides) {
    Job("[LetterChangeOption]\r\nChangeMode=4\r\n");
    const Result tuned = Cli(
        "show --ini job.mvx --set StringChangeOption.UseRegex=1 --set CommonOption.NaturalOrder=1 "
        "--set 'StringChangeOption.ChangeBefore001=  \"^(\\d+) \" ' --set "
        "RenameOption.StrPart00=写真_");
    ASSERT_EQ(tuned.status, 0) << tuned.err;
    for (const std::string line : {"UseRegex=1\r\n", "NaturalOrder=1\r\n",
                                   "ChangeBefore001=\"^(\\d+) \"\r\n", "ChangeMode=4\r\n"}) {
        EXPECT_NE(tuned.out.find(line), std::string::npos) << line;
    }
    EXPECT_NE(tuned.out.find(platform::Sjis("StrPart00=写真_\r\n")), std::string::npos);
    // Saved, the tuned job is the job: the same bytes without any override.
    work.CreateFile("tuned.mvx", tuned.out);
    EXPECT_EQ(Cli("show --ini tuned.mvx").out, tuned.out);
    // Overrides apply in order: the last one for a key wins.
    EXPECT_NE(Cli("show --ini job.mvx --set CommonOption.NaturalOrder=1 --set "
                  "CommonOption.NaturalOrder=0")
                  .out.find("NaturalOrder=0\r\n"),
              std::string::npos);
}

// The music example of the README: "track artist - title" from ID3v2 frames and from Shift-JIS
// bytes of an ID3v1 tag; a file without a title keeps its old name for that part; `show` names
// the parts and the tag text reading.
TEST_F(CommandLineTest, MusicExampleOfTheReadme) {
    Job();
    test::TagValues values;
    values.artist = "アーティスト";
    values.title = "Why? Part 1";
    values.track = "3/12";
    const std::string tagged = test::TaggedFile(test::TagContainer::Mp3Id3v23, values, 60);
    work.CreateFile("m/Track01.mp3", tagged);
    work.CreateFile("m/Track02.mp3",
                    test::Mp3WithId3v1("\x83\x41\x81\x5B\x83\x65\x83\x42\x83\x58\x83\x67",
                                       "\x8B\xC8\x96\xBC", 4));
    values.title.clear();
    work.CreateFile("m/Track03.mp3", test::TaggedFile(test::TagContainer::Mp3Id3v24, values, 60));
    const std::string sets =
        " --set 'SelectFile.FileFilter=*.mp3'"
        " --set RenameOption.SelectedPart00=10 --set 'RenameOption.StrPart00=%ET2'"
        " --set RenameOption.SelectedPart01=1 --set 'RenameOption.StrPart01=\" \"'"
        " --set RenameOption.SelectedPart02=10 --set 'RenameOption.StrPart02=%EAR'"
        " --set RenameOption.SelectedPart03=1 --set 'RenameOption.StrPart03=\" - \"'"
        " --set RenameOption.SelectedPart04=10 --set 'RenameOption.StrPart04=%ETI'"
        " --set RenameOption.SelectedPart10=2"
        " --set RenameOption.SelectedPart05=1 --set 'RenameOption.StrPart05=.mp3'";
    const Result shown = Cli("show job.mvx" + sets);
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("リネーム処理: (トラック番号) (アーティスト名) - (曲名).mp3\n"),
              std::string::npos)
        << shown.out;
    EXPECT_NE(shown.out.find("タグの文字コード: 自動判定(Shift-JIS/Latin-1)\n"), std::string::npos);

    const Result run = Cli("run job.mvx --folder m --quiet" + sets);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(work.ReadFile("m/03 アーティスト - Why？ Part 1.mp3"), tagged);
    EXPECT_TRUE(work.Exists("m/04 アーティスト - 曲名.mp3"));
    EXPECT_TRUE(work.Exists("m/03 アーティスト - Track03.mp3"));
}

// The examples of the README: natural order and a regular expression with a group.
TEST_F(CommandLineTest, NaturalOrderAndRegularExpressionsFromTheCommandLine) {
    Job();
    for (const char* name : {"shot10.jpg", "shot2.jpg", "Shot1.jpg"})
        work.CreateFile(std::string("n/") + name, name);
    const Result natural = Cli("run job.mvx --folder n --set CommonOption.NaturalOrder=1 --quiet");
    ASSERT_EQ(natural.status, 0) << natural.err;
    EXPECT_EQ(work.ReadFile("n/IMG_0001.jpg"), "Shot1.jpg");
    EXPECT_EQ(work.ReadFile("n/IMG_0002.jpg"), "shot2.jpg");
    EXPECT_EQ(work.ReadFile("n/IMG_0003.jpg"), "shot10.jpg");
    // Standard error is no terminal here: not a trace of a progress line.
    EXPECT_EQ(natural.err.find('\r'), std::string::npos);
    ASSERT_EQ(Cli("undo --yes --quiet").status, 0);

    const Result regex =
        Cli("run job.mvx --folder n --set RenameOption.EnableRename=0 "
            "--set StringChangeOption.EnableStringChange=1 --set StringChangeOption.UseRegex=1 "
            "--set 'StringChangeOption.ChangeBefore001=^(?i)shot(\\d+)' "
            "--set 'StringChangeOption.ChangeAfter001=写真_$1'");
    ASSERT_EQ(regex.status, 0) << regex.err;
    EXPECT_EQ(regex.err.find('\r'), std::string::npos);
    EXPECT_EQ(work.ReadFile("n/写真_1.jpg"), "Shot1.jpg");
    EXPECT_EQ(work.ReadFile("n/写真_10.jpg"), "shot10.jpg");
}

TEST_F(CommandLineTest, NewWritesTheJobTheProgramSavesForANewDocument) {
    platform::PosixFileSystem fileSystem;
    platform::SystemClock clock;
    const std::string expected =
        settings::SerializePatternFile(settings::ConstructSettings({fileSystem, clock, {}}));

    const Result printed = Cli("new");
    ASSERT_EQ(printed.status, 0) << printed.err;
    EXPECT_EQ(printed.out, expected);

    const Result written = Cli("new fresh.mvx");
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(work.ReadFile("fresh.mvx"), expected);
    EXPECT_EQ(Cli("show --ini fresh.mvx").out, expected);

    work.CreateFile("mine.mvx", "precious");
    const Result refused = Cli("new mine.mvx");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              "morvanex-cli: mine.mvx: already exists; a new job never replaces a file\n");
    EXPECT_EQ(work.ReadFile("mine.mvx"), "precious");

    EXPECT_EQ(Cli("new a.mvx b.mvx").status, 2);
    EXPECT_EQ(Cli("new --ini").status, 2);
    EXPECT_FALSE(work.Exists("a.mvx"));
    const Result nowhere = Cli("new missing/x.mvx");
    EXPECT_EQ(nowhere.status, 1);
    EXPECT_TRUE(nowhere.err.starts_with("morvanex-cli: missing/x.mvx: No such file or directory"))
        << nowhere.err;
}

TEST_F(CommandLineTest, EachCommandHasItsHelpAndTheProgramItsVersion) {
    const Result preview = Cli("preview --help");
    EXPECT_EQ(preview.status, 0);
    EXPECT_TRUE(preview.out.starts_with("Usage: morvanex-cli preview JOB")) << preview.out;
    EXPECT_NE(preview.out.find("-f, --format FORMAT"), std::string::npos) << preview.out;
    EXPECT_EQ(preview.out.find("--undo-on-failure"), std::string::npos) << preview.out;
    EXPECT_EQ(Cli("help preview").out, preview.out);

    const Result version = Cli("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.starts_with("morvanex-cli (MorvaneX) ")) << version.out;
    EXPECT_EQ(version.out.find_first_not_of("0123456789.\n", 24), std::string::npos) << version.out;
}

// The JSON rows of a preview read by a JSON Schema validator (Python's jsonschema) against the
// schema in docs/: every status, and names that are not UTF-8 written so that they map back to
// their bytes.
TEST_F(CommandLineTest, PreviewJsonFollowsItsSchema) {
    const char* source = std::getenv("MORVANEX_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    if (std::system("python3 -c 'import jsonschema' 2>/dev/null") != 0) {
        GTEST_SKIP() << "python3-jsonschema is not installed (tools/install-deps.sh)";
    }
    Job();
    const std::string stray = "\xE9\xFF.png";  // two bytes that are no UTF-8
    for (const std::string& name : {std::string("IMG_.jpg"), std::string("a.png"), stray,
                                    std::string("c.txt"), std::string("IMG_.txt")}) {
        work.CreateFile("p/" + name);
    }
    work.CreateFile("list.txt", "p/IMG_.jpg\np/a.png\np/" + stray + "\np/c.txt\n");
    // Only the fixed text and the extension: every target gets the name "IMG_".
    const Result result =
        Cli("preview job.mvx --list list.txt --format json --set RenameOption.SelectedPart01=0");
    EXPECT_EQ(result.status, 3) << result.err;
    state.CreateFile("preview.json", result.out);
    const std::string check = "python3 '" + std::string(source) +
                              "/tests/cli/check-preview-json.py' '" + std::string(source) +
                              "/docs/preview.schema.json' <'" + state.Path() + "preview.json' >'" +
                              state.Path() + "checked' 2>&1";
    EXPECT_EQ(std::system(check.c_str()), 0) << state.ReadFile("checked");
    const std::string p = work.Path() + "p/";
    const std::string rows[] = {p + "IMG_.jpg", p + "IMG_.jpg", "unchanged",    p + "a.png",
                                p + "IMG_.png", "ok",           p + stray,      p + "IMG_.png",
                                "duplicate",    p + "c.txt",    p + "IMG_.txt", "exists"};
    std::string expected;
    for (const std::string& field : rows) expected += field + '\0';
    EXPECT_EQ(state.ReadFile("checked"), expected);
}

// A run that stops midway: with --undo-on-failure everything is back at once, with or without
// a journal; without it the files stay renamed and `undo` takes them back later.
TEST_F(CommandLineTest, ARunThatFailsMidwayIsTakenBack) {
    Job("[SelectFile]\r\nFileFilter=?.txt\r\n[CommonOption]\r\nPlanWholeRun=0\r\n");
    struct Row {
        const char* name;
        const char* options;
        const char* answer;
        bool laterUndo;
    } rows[] = {
        {"journal/undo_on_failure", "--undo-on-failure", "-> Yes (given --undo-on-failure)\n",
         false},
        {"no_journal/undo_on_failure", "--undo-on-failure --no-journal",
         "-> Yes (given --undo-on-failure)\n", false},
        {"journal/undo_later", "",
         "-> No (without --undo-on-failure); 'morvanex-cli undo' takes the run back\n", true},
    };
    for (const auto& row : rows) {
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            work.CreateFile(std::string("p/") + name, name);
        work.CreateFile("p/IMG_0003.txt", "someone else's");  // c.txt's new name is taken
        const Result run = Cli(std::string("run job.mvx --folder p ") + row.options);
        EXPECT_EQ(run.status, 1) << row.name;
        EXPECT_NE(run.err.find("Error Code : 16\n"), std::string::npos) << row.name << run.err;
        EXPECT_NE(run.err.find("2個目のファイルまで変換しました。"), std::string::npos) << row.name;
        EXPECT_NE(run.err.find(row.answer), std::string::npos) << row.name << "\n" << run.err;
        if (row.laterUndo) {
            EXPECT_EQ(work.ReadFile("p/IMG_0001.txt"), "a.txt") << row.name;
            EXPECT_EQ(Cli("undo --yes").status, 0) << row.name;
        } else {
            EXPECT_NE(run.out.find("Undoが正常終了しました。"), std::string::npos) << row.name;
        }
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            EXPECT_EQ(work.ReadFile(std::string("p/") + name), name) << row.name;
        EXPECT_EQ(work.ReadFile("p/IMG_0003.txt"), "someone else's") << row.name;
        EXPECT_FALSE(work.Exists("p/IMG_0001.txt")) << row.name;
        EXPECT_FALSE(work.Exists("p/IMG_0002.txt")) << row.name;
    }
    // Every journaled run ended undone: nothing is left for a later undo.
    EXPECT_EQ(Cli("undo --yes").status, 1);
}

// A mapping file renames as a run does: a swap through a temporary name, the plan shown and
// asked for, one journal that `undo` takes back and `history` lists.
TEST_F(CommandLineTest, ApplyRenamesAsTheMappingSaysAndUndoTakesItBack) {
    work.CreateFile("d/a.jpg", "A");
    work.CreateFile("d/b.jpg", "B");
    work.CreateFile("d/sub/c.jpg", "C");
    work.CreateFile("d/map.csv",
                    "old,new\r\na.jpg,b.jpg\r\nb.jpg,a.jpg\r\nsub/c.jpg,\"c, 2.jpg\"\r\n");
    const std::string d = work.Path() + "d/";

    const Result declined = Cli("apply d/map.csv --header -f tsv", "n\n");
    EXPECT_EQ(declined.status, 1) << declined.err;
    EXPECT_EQ(declined.out, d + "a.jpg\t" + d + "b.jpg\tcycle\n" + d + "b.jpg\t" + d +
                                "a.jpg\tcycle\n" + d + "sub/c.jpg\t" + d + "sub/c, 2.jpg\tok\n");
    EXPECT_NE(declined.err.find("Rename these 3 files? [y/N] Nothing was renamed."),
              std::string::npos)
        << declined.err;
    EXPECT_EQ(work.ReadFile("d/a.jpg"), "A");

    const Result applied = Cli("apply --header d/map.csv", "y\n");
    ASSERT_EQ(applied.status, 0) << applied.err;
    EXPECT_EQ(work.ReadFile("d/a.jpg"), "B");
    EXPECT_EQ(work.ReadFile("d/b.jpg"), "A");
    EXPECT_EQ(work.ReadFile("d/sub/c, 2.jpg"), "C");
    EXPECT_NE(Cli("history").out.find("  done  3  " + d), std::string::npos);

    ASSERT_EQ(Cli("undo --yes").status, 0);
    EXPECT_EQ(work.ReadFile("d/a.jpg"), "A");
    EXPECT_EQ(work.ReadFile("d/b.jpg"), "B");
    EXPECT_EQ(work.ReadFile("d/sub/c.jpg"), "C");

    // --yes neither shows nor asks; old names below --folder, wherever the mapping lies.
    // The escapes of the tsv preview: a backslash in a name is written twice.
    work.CreateFile("map.tsv", "sub/c.jpg\tsub/c\\\\2.jpg\n");
    const Result yes = Cli("apply map.tsv --folder d --yes");
    ASSERT_EQ(yes.status, 0) << yes.err;
    EXPECT_EQ(yes.out.find(" -> "), std::string::npos) << yes.out;
    EXPECT_EQ(work.ReadFile("d/sub/c\\2.jpg"), "C");
}

// A mapping that cannot be carried out whole moves nothing and says which line is at fault.
TEST_F(CommandLineTest, ApplyRefusesAMappingByItsLines) {
    work.CreateFile("a.jpg", "A");
    work.CreateFile("b.jpg", "B");
    work.CreateFile("sub/c.jpg", "C");
    struct Row {
        const char* name;
        std::string mapping;
        std::string options;
        int status;
        std::string err;
    } rows[] = {
        {"row/missing_old_file", "a.jpg,x.jpg\ny.jpg,z.jpg\n", "", 2,
         "morvanex-cli: m.csv: line 2: 'y.jpg': No such file or directory\n"},
        {"row/separator_given", "a.jpg;x.jpg\nb.jpg\n", "--separator ';'", 2,
         "morvanex-cli: m.csv: line 2: one column;"},
        {"file/empty", "\n", "", 2, "morvanex-cli: m.csv: no rows to apply\n"},
        {"folder/missing", "", "--folder nowhere", 2,
         "morvanex-cli: " + work.Path() + "nowhere/: "},
        {"folder/root", "", "--folder /tmp/..", 2, "morvanex-cli: the root of the file system"},
        // The plan is judged whole: a name taken by a file the mapping leaves where it is.
        {"plan/name_taken", "a.jpg,b.jpg\n", "", 3, "morvanex-cli: nothing was renamed"},
        {"plan/two_to_one_name", "a.jpg,x.jpg\nb.jpg,x.jpg\n", "", 3,
         "morvanex-cli: nothing was renamed"},
    };
    for (const Row& row : rows) {
        work.CreateFile("m.csv", row.mapping);
        const Result result = Cli("apply m.csv " + row.options, "y\n");
        EXPECT_EQ(result.status, row.status) << row.name << "\n" << result.err;
        EXPECT_NE(result.err.find(row.err), std::string::npos) << row.name << "\n" << result.err;
        EXPECT_EQ(work.ReadFile("a.jpg"), "A") << row.name;
        EXPECT_EQ(work.ReadFile("b.jpg"), "B") << row.name;
        EXPECT_EQ(work.ReadFile("sub/c.jpg"), "C") << row.name;
    }
}

// `edit` with an editor that keeps what it was given (written.txt) and saves edited.txt in its
// place; the editor's variable holds arguments, as a user's may.
class EditTest : public CommandLineTest {
  protected:
    Result Edit(const std::string& arguments, const std::string& edited,
                const std::string& answer = "y\n", const std::string& editorExit = "0",
                const std::string& editorFirst = "") {
        state.CreateFile("edited.txt", edited);
        state.CreateFile("editor.sh", editorFirst + "cp \"$2\" '" + state.Path() +
                                          "written.txt'\ncp '" + state.Path() +
                                          "edited.txt' \"$2\"\nexit " + editorExit + "\n");
        return Cli("edit " + arguments, answer, "", "",
                   "VISUAL= EDITOR='sh " + state.Path() + "editor.sh --wait' ");
    }
    // The name lines of the file the editor was given.
    std::string Written() {
        std::string lines;
        std::istringstream in(state.ReadFile("written.txt"));
        for (std::string line; std::getline(in, line);) {
            if (!line.starts_with("#")) lines += line + "\n";
        }
        return lines;
    }
};

TEST_F(EditTest, EditedNamesRenameTheirFilesThroughSwapsAndRingsAndUndoTakesThemBack) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}) {
        work.CreateFile(std::string("p/") + name, name);
    }
    // a and b swap, c, d and e turn in a ring, and one more name changes
    const Result edit = Edit("--folder p", "b.jpg\na.jpg\nd.jpg\ne.jpg\nc.jpg\n");
    ASSERT_EQ(edit.status, 0) << edit.err;
    EXPECT_EQ(Written(), "a.jpg\nb.jpg\nc.jpg\nd.jpg\ne.jpg\n");
    EXPECT_NE(edit.err.find("Rename these 5 files? [y/N]"), std::string::npos) << edit.err;
    EXPECT_NE(edit.out.find("/p/c.jpg -> " + work.Path() + "p/d.jpg  [cycle]"), std::string::npos)
        << edit.out;
    for (const auto& [name, contents] : {std::pair{"a.jpg", "b.jpg"},
                                         {"b.jpg", "a.jpg"},
                                         {"c.jpg", "e.jpg"},
                                         {"d.jpg", "c.jpg"},
                                         {"e.jpg", "d.jpg"}})
        EXPECT_EQ(work.ReadFile(std::string("p/") + name), contents) << name;
    EXPECT_NE(Cli("history").out.find("  done  5  " + work.Path() + "p/"), std::string::npos);

    ASSERT_EQ(Cli("undo --yes").status, 0);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"})
        EXPECT_EQ(work.ReadFile(std::string("p/") + name), name);
}

// Names no line could hold as they are come back byte for byte: only the line changed renames.
TEST_F(EditTest, EscapedNamesComeBackAsTheyWere) {
    const std::string odd[] = {"line\nbreak", "#hash", "blank ", "caf\xE9", "back\\slash"};
    for (const std::string& name : odd) work.CreateFile(name, name);
    work.CreateFile("z.txt", "Z");
    // In the folder's order; the current folder, as no other is given.
    const std::string written =
        "\\x23hash\nback\\\\slash\nblank\\x20\ncaf\\xE9\nline\\nbreak\nz.txt\n";
    const Result edit = Edit("--yes", written.substr(0, written.rfind("z.txt")) + "y.txt\n");
    ASSERT_EQ(edit.status, 0) << edit.err;
    EXPECT_EQ(Written(), written);
    EXPECT_EQ(work.ReadFile("y.txt"), "Z");
    for (const std::string& name : odd) EXPECT_EQ(work.ReadFile(name), name) << name;
}

// Ctrl-C while the editor runs is the editor's (which may ignore it, as an editor in raw mode
// does): the edit waits for it and goes on.
TEST_F(EditTest, CtrlCInTheEditorIsTheEditors) {
    work.CreateFile("p/a.jpg", "A");
    const Result edit =
        Edit("--folder p --yes", "b.jpg\n", "", "0",
             "trap '' INT\np=$PPID\n"
             "while [ \"$p\" -gt 1 ] && [ \"$(cat /proc/$p/comm)\" != morvanex-cli ]; do\n"
             "  p=$(cut -d' ' -f4 /proc/$p/stat)\ndone\nkill -INT \"$p\"\n");
    EXPECT_EQ(edit.status, 0) << edit.err;
    EXPECT_EQ(work.ReadFile("p/b.jpg"), "A");
}

TEST_F(EditTest, AnEditThatCannotBeCarriedOutMovesNothing) {
    work.CreateFile("p/a.jpg", "A");
    work.CreateFile("p/b.jpg", "B");
    struct Row {
        const char* name;
        std::string edited;
        std::string editorExit;
        int status;
        std::string err;
    } rows[] = {
        {"refused/line_added", "a.jpg\nb.jpg\nc.jpg\n", "0", 1,
         "morvanex-cli: the edited names: line 3: a name beyond the 2 files"},
        {"cancelled/editor_failed", "b.jpg\na.jpg\n", "1", 1,
         "morvanex-cli: the editor exited with status 1; nothing was renamed\n"},
        {"plan/two_files_one_name", "c.jpg\nc.jpg\n", "0", 3, "morvanex-cli: nothing was renamed"},
        {"plan/declined", "b.jpg\na.jpg\n", "0", 1, "Nothing was renamed.\n"},
    };
    for (const Row& row : rows) {
        const Result result =
            Edit("--folder p", row.edited, row.name == std::string("plan/declined") ? "n\n" : "y\n",
                 row.editorExit);
        EXPECT_EQ(result.status, row.status) << row.name << "\n" << result.err;
        EXPECT_NE(result.err.find(row.err), std::string::npos) << row.name << "\n" << result.err;
        EXPECT_EQ(work.ReadFile("p/a.jpg"), "A") << row.name;
        EXPECT_EQ(work.ReadFile("p/b.jpg"), "B") << row.name;
    }
    EXPECT_NE(Cli("edit --set CommonOption.NaturalOrder=1").err.find("--set needs a JOB"),
              std::string::npos);
}

// With a job, the lines hold the names it would give, below the folder with their subfolders:
// saved as they are, the job's names are given; a line set back to the file's name leaves it.
TEST_F(EditTest, AJobProposesTheNamesWithTheirSubfolders) {
    Job("[SelectFile]\r\nIncludeSubDir=1\r\n");
    work.CreateFile("p/a.jpg", "A");
    work.CreateFile("p/sub/b.jpg", "B");
    work.CreateFile("p/sub/c.jpg", "C");
    const Result edit =
        Edit("job.mvx --folder p --quiet", "IMG_0001.jpg\nsub/b.jpg\nsub/IMG_0002.jpg\n");
    ASSERT_EQ(edit.status, 0) << edit.err;
    EXPECT_EQ(Written(), "IMG_0001.jpg\nsub/IMG_0001.jpg\nsub/IMG_0002.jpg\n");
    // The plan shown and asked for holds the files that change, not the one left alone.
    EXPECT_EQ(edit.out.find("b.jpg"), std::string::npos) << edit.out;
    EXPECT_NE(edit.err.find("Rename these 2 files?"), std::string::npos) << edit.err;
    EXPECT_EQ(work.ReadFile("p/IMG_0001.jpg"), "A");
    EXPECT_EQ(work.ReadFile("p/sub/b.jpg"), "B");
    EXPECT_EQ(work.ReadFile("p/sub/IMG_0002.jpg"), "C");
}

}  // namespace
}  // namespace morvanex::cli

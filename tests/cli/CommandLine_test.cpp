// The command line, run as a separate process the way scripts use it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>

#include "platform/Clock.h"
#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"
#include "platform/TextEscape.h"
#include "settings/PatternFile.h"
#include "settings/SettingsLifecycle.h"
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
    Result Cli(const std::string& arguments, const std::string& input = "",
               const std::string& in = "") {
        const char* cli = std::getenv("MORVANEX_CLI");
        EXPECT_NE(cli, nullptr) << "MORVANEX_CLI is set by CTest";
        state.CreateFile("stdin", input);
        const std::string command = "cd '" + work.Path() + in + "' && XDG_STATE_HOME='" +
                                    state.Path() + "' '" + std::string(cli ? cli : "false") + "' " +
                                    arguments + " <'" + state.Path() + "stdin' >'" + state.Path() +
                                    "out' 2>'" + state.Path() + "err'";
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
        {"unknown_option", "preview job.mvx --nope", 2, "morvanex-cli: unexpected argument"},
        {"bad_format", "preview job.mvx --format xml", 2, "morvanex-cli: --format"},
        {"missing_folder", "preview job.mvx --folder nowhere", 1, "Error Code : 1001\n"},
        {"empty_folder", "run job.mvx --folder empty", 1, "Error Code : 1004\n"},
    };
    for (const auto& row : rows) {
        const Result result = Cli(row.arguments);
        EXPECT_EQ(result.status, row.status) << row.name << "\n" << result.err;
        EXPECT_TRUE(result.err.starts_with(row.errStart)) << row.name << "\n" << result.err;
    }
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
    const Result result = Cli("preview job.mvx --folder p --format tsv");
    EXPECT_EQ(result.status, 3) << result.err;
    const std::string p = work.Path() + "p/";
    EXPECT_EQ(result.out, p + "a.jpg\t" + p + "IMG_0001.jpg\tok\n" + p + "b.jpg\t" + p +
                              "IMG_0002.jpg\texists\n" + p + "IMG_0002.jpg\t" + p +
                              "IMG_0003.jpg\tok\n");
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
    EXPECT_NE(Cli("--help").out.find("\\t, \\r and \\n, any other control byte \\xHH"),
              std::string::npos);
}

TEST_F(CommandLineTest, ListedFilesRunInListOrderAndUndoBringsThemBack) {
    Job();
    const std::string foreign = "caf\xC3\xA9 \xF0\x9F\x98\x80 \xE9.txt";  // é, emoji, a raw byte
    work.CreateFile("z.txt", "Z");
    work.CreateFile(foreign, "E");
    work.CreateFile("list.txt", "z.txt\n" + foreign + "\n");
    const Result run = Cli("run job.mvx --list list.txt");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("変換完了。\n2個のファイル名を変換しました。"), std::string::npos);
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
    EXPECT_EQ(Cli("undo --yes").status, 1);  // nothing left to undo
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
         "morvanex-cli: unexpected argument"},
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

}  // namespace
}  // namespace morvanex::cli

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include "engine/journal/UndoJournal.h"
#include "gui/GuiTestSupport.h"
#include "settings/PatternFile.h"
#include "settings/SettingsLifecycle.h"
#include "shell/Application.h"
#include "shell/FrameWizard.h"
#include "support/TempFolder.h"
#include "wizard/WizardPage.h"

namespace morvanex::shell {
namespace {

TEST(StartUpFile, TheWholeCommandLineIsOnePathWithoutOnePairOfQuotes) {
    const struct {
        const char* raw;
        std::optional<std::string> file;
    } cases[] = {
        {"", std::nullopt},
        {"/tmp/job.mvx", "/tmp/job.mvx"},
        {"\"/tmp/my job.mxs\"", "/tmp/my job.mxs"},
        {"/tmp/my job.mxs", "/tmp/my job.mxs"},
        {"\"\"", ""},
        {"\"", ""},
        {"\"/tmp/a.mvx", "/tmp/a.mv"},  // first and last character go, whatever the last is
        {"'/tmp/a.mvx'", "'/tmp/a.mvx'"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Application::StartUpFile(c.raw), c.file) << c.raw;
    }
}

TEST(StartUpFile, RawCommandLineJoinsTheArgumentsWithBlanks) {
    char program[] = "morvanex";
    char first[] = "/tmp/my";
    char second[] = "job.mxs";
    char* argv[] = {program, first, second, nullptr};
    EXPECT_EQ(Application::RawCommandLine(3, argv), "/tmp/my job.mxs");
    EXPECT_EQ(Application::RawCommandLine(1, argv), "");
    char japanese[] = "/tmp/写真.mvx";
    char* argvJapanese[] = {program, japanese, nullptr};
    EXPECT_EQ(Application::RawCommandLine(2, argvJapanese), platform::Sjis("/tmp/写真.mvx"));
}

TEST(StartUpFile, AutoExecFilesAreKnownByTheirExtensionInAnyCase) {
    const std::pair<const char*, bool> cases[] = {
        {"/tmp/a.mxs", true},    {"/tmp/A.MXS", true},      {"/tmp/b.Mxs", true},
        {"a.mxs", true},         {"/tmp/a.mvx", false},     {"/tmp/mxs", false},
        {"/tmp/x.mxs/a", false}, {"/tmp/a.mxs.bak", false}, {"", false},
    };
    for (const auto& [path, autoExec] : cases) {
        EXPECT_EQ(Application::IsAutoExecFile(path), autoExec) << path;
    }
}

class StartupTest : public testing::Test {
  protected:
    void SetUp() override { test::ClearPreferences(); }

    // A job file renaming the *.txt files of the folder to 001.txt, 002.txt, ...
    std::string WriteJob(const std::string& name, const std::string& targetFolder) {
        platform::PosixFileSystem fileSystem;
        platform::SystemClock clock;
        settings::RenameSettings job = settings::ConstructSettings({fileSystem, clock, {}});
        job.SelectFile.FullPath = targetFolder;
        job.SelectFile.FileFilter = "*.txt";
        return m_jobs.CreateFile(name, settings::SerializePatternFile(job));
    }

    FrameOptions Options() {
        FrameOptions options;
        options.interaction = &m_interaction;
        options.pageTable = &test::RecordingPageTable();
        options.helpFile = test::HelpFileOfSource();
        return options;
    }

    test::ScriptedInteraction m_interaction;
    test::TempFolder m_jobs;
    test::TempFolder m_files;
};

TEST_F(StartupTest, PatternFileIsLoadedAndTheWindowStaysOpen) {
    const std::string job = WriteJob("my job.mvx", m_files.Path());
    m_files.CreateFile("a.txt");
    Application application(Options());
    EXPECT_EQ(application.Start(job), std::nullopt);
    EXPECT_TRUE(application.Frame().isVisible());
    EXPECT_EQ(application.Frame().windowTitle(), "MorvaneX - my job.mvx");
    EXPECT_EQ(application.Doc().Settings().SelectFile.FileFilter, "*.txt");
    EXPECT_EQ(application.Doc().Settings().AutoExecMode, 0);
    EXPECT_TRUE(m_files.Exists("a.txt")) << "a pattern file is never run";
    EXPECT_TRUE(m_interaction.messages.empty());
}

// The desktop entry opens a double-clicked job: an auto-exec file too is only loaded.
TEST_F(StartupTest, AnAutoExecFileOpenedFromTheDesktopIsLoadedNotRun) {
    m_files.CreateFile("a.txt");
    const std::string job = WriteJob("job.mxs", m_files.Path());
    std::string open = "--open";
    std::string path = platform::Utf8FromCp932(job);
    char* argv[] = {open.data(), open.data(), path.data()};
    ASSERT_EQ(Application::FileToOpen(3, argv), job);
    Application application(Options());
    EXPECT_EQ(application.Start(job, true), std::nullopt);
    EXPECT_TRUE(m_files.Exists("a.txt"));
    EXPECT_EQ(application.Doc().Settings().AutoExecMode, 0);
    EXPECT_EQ(application.Doc().Settings().SelectFile.FullPath, m_files.Path());
}

TEST_F(StartupTest, AutoExecFileRunsSilentlyAndEnds) {
    m_files.CreateFile("b.txt");
    m_files.CreateFile("a.txt");
    const std::string job = WriteJob("job.MXS", m_files.Path());
    Application application(Options());
    EXPECT_EQ(application.Start(job), 0);
    EXPECT_TRUE(m_files.Exists("001.txt"));
    EXPECT_TRUE(m_files.Exists("002.txt"));
    EXPECT_FALSE(m_files.Exists("a.txt"));
    EXPECT_FALSE(application.Frame().isVisible());
    EXPECT_EQ(application.Doc().Settings().AutoExecMode, 1);
    EXPECT_TRUE(m_interaction.messages.empty());
    EXPECT_TRUE(m_interaction.questions.empty());
}

TEST_F(StartupTest, RunOfTheWindowIsJournaledForALaterUndo) {
    m_files.CreateFile("a.txt");
    const std::string job = WriteJob("job.mxs", m_files.Path());
    {
        Application application(Options());
        ASSERT_EQ(application.Start(job), 0);
    }
    platform::PosixFileSystem host;
    const auto runs = engine::journal::ListRuns(engine::UndoJournal::DefaultFolder(), host);
    ASSERT_FALSE(runs.empty());
    const engine::journal::Run run = engine::journal::ReadRun(runs[0], host);
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_EQ(run.records[0].state, engine::journal::State::Done);
    EXPECT_EQ(run.records[0].oldPath, m_files / "a.txt");
    EXPECT_EQ(run.records[0].newPath, m_files / "001.txt");
}

TEST_F(StartupTest, FailingAutoExecRunEndsWithStatusOneAndNoMessage) {
    const std::string job = WriteJob("job.mxs", m_files / "missing/");
    Application application(Options());
    EXPECT_EQ(application.Start(job), 1);
    EXPECT_TRUE(m_interaction.messages.empty());
}

TEST_F(StartupTest, AutoExecFileThatCannotBeLoadedRunsNothing) {
    m_files.CreateFile("a.txt");
    const std::string job = m_jobs.CreateFile("broken.mxs", "not a job file");
    Application application(Options());
    EXPECT_EQ(application.Start(job), 1);
    ASSERT_EQ(m_interaction.messages.size(), 1u);
    EXPECT_EQ(test::Utf8(m_interaction.messages[0]),
              "設定ファイルの読み込みに失敗しました。\nMorvaneXの設定ファイルではありません("
              "ParameterSaveFile の ApplicationName がありません)。\n[" +
                  job + "]");
    EXPECT_TRUE(m_files.Exists("a.txt"));
}

TEST_F(StartupTest, WizardModeIsRepairedAndObsoleteKeysGoOnANormalStart) {
    const struct {
        const char* name;
        std::optional<int> stored;
        int after;
    } cases[] = {
        {"missing", std::nullopt, 1}, {"seven", 7, 1}, {"zero", 0, 0}, {"three", 3, 3},
        {"negative", -1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::ClearPreferences();
        if (c.stored)
            QSettings("Pelvarin", "MorvaneX").setValue("Settings/StartWizardAtAppStart", *c.stored);
        QSettings("Pelvarin", "MorvaneX").setValue("WizardSetting/StartWizardAtAppStart", 1);
        QSettings("Pelvarin", "Morvane").setValue("Settings/UndoFlag", 1);
        Application application(Options());
        EXPECT_EQ(application.Start(std::nullopt), std::nullopt);
        // The window waits behind the wizard's first page, unless no wizard was wanted; the
        // page opens once the window is on the screen.
        EXPECT_EQ(application.Frame().isEnabled(), c.after == 0);
        const auto page = [&application] {
            return application.Frame().Wizard().Driver().CurrentPage();
        };
        if (c.after != 0) {
            EXPECT_TRUE(QTest::qWaitFor([&page] { return page() != nullptr; }, 2000));
        }
        ASSERT_EQ(page() != nullptr, c.after != 0);
        if (page() != nullptr) {
            EXPECT_EQ(page()->Kind(), wizard::StartPage(c.after));
        }
        EXPECT_EQ(QSettings("Pelvarin", "MorvaneX").value("Settings/StartWizardAtAppStart").toInt(),
                  c.after);
        EXPECT_FALSE(
            QSettings("Pelvarin", "MorvaneX").contains("WizardSetting/StartWizardAtAppStart"));
        EXPECT_TRUE(QSettings("Pelvarin", "Morvane").allKeys().isEmpty());
    }
}

TEST_F(StartupTest, AutoExecStartLeavesObsoleteKeysAndWizardModeAlone) {
    QSettings("Pelvarin", "MorvaneX").setValue("Settings/StartWizardAtAppStart", 7);
    QSettings("Pelvarin", "Morvane").setValue("Settings/UndoFlag", 1);
    m_files.CreateFile("a.txt");
    Application application(Options());
    EXPECT_EQ(application.Start(WriteJob("job.mxs", m_files.Path())), 0);
    EXPECT_EQ(QSettings("Pelvarin", "MorvaneX").value("Settings/StartWizardAtAppStart").toInt(), 7);
    EXPECT_FALSE(QSettings("Pelvarin", "Morvane").allKeys().isEmpty());
}

TEST_F(StartupTest, PreferredFileIsLoadedButNeverRun) {
    m_files.CreateFile("a.txt");
    const std::string job = WriteJob("preferred.mxs", m_files.Path());
    widgets::Preferences preferences;
    preferences.SetAppExecWithOpenMVXFlag(1);
    preferences.SetAutoExecPath(job);
    Application application(Options());
    EXPECT_EQ(application.Start(std::nullopt), std::nullopt);
    EXPECT_EQ(application.Frame().windowTitle(), "MorvaneX - preferred.mxs");
    EXPECT_EQ(application.Doc().Settings().SelectFile.FileFilter, "*.txt");
    EXPECT_TRUE(m_files.Exists("a.txt"));

    // Flag off: nothing is loaded.
    preferences.SetAppExecWithOpenMVXFlag(0);
    Application second(Options());
    second.Start(std::nullopt);
    EXPECT_EQ(second.Frame().windowTitle(), "MorvaneX");
}

TEST_F(StartupTest, PreferredFileMissingLoadsNothingAndWritesNoPath) {
    widgets::Preferences preferences;
    preferences.SetAppExecWithOpenMVXFlag(1);
    Application application(Options());
    EXPECT_EQ(application.Start(std::nullopt), std::nullopt);
    EXPECT_EQ(application.Frame().windowTitle(), "MorvaneX");
    EXPECT_TRUE(m_interaction.messages.empty());
    EXPECT_FALSE(QSettings("Pelvarin", "MorvaneX").contains("Settings/AppExecWithOpenMVXFilePath"));
}

// The real executable, started the way a scheduler starts it: no display at all.
class ExecutableTest : public StartupTest {
  protected:
    int Run(const QStringList& arguments, const std::string& workingFolder = {}) {
        QProcess process;
        if (!workingFolder.empty()) {
            process.setWorkingDirectory(QString::fromStdString(workingFolder));
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(name);
        }
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(m_config.Path()));
        process.setProcessEnvironment(environment);
        process.start(QString::fromLocal8Bit(qgetenv("MORVANEX_GUI")), arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        m_stderr = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    test::TempFolder m_config;
    QString m_stderr;
};

TEST_F(ExecutableTest, QuotedPathWithABlankRunsAndExitsWithZero) {
    if (qEnvironmentVariableIsEmpty("MORVANEX_GUI")) GTEST_SKIP() << "run through ctest";
    m_files.CreateFile("a.txt");
    m_files.CreateFile("b.txt");
    const std::string job = WriteJob("nightly job.mxs", m_files.Path());
    EXPECT_EQ(Run({"\"" + QString::fromStdString(job) + "\""}), 0) << m_stderr.toStdString();
    EXPECT_TRUE(m_files.Exists("001.txt"));
    EXPECT_TRUE(m_files.Exists("002.txt"));
    EXPECT_FALSE(m_files.Exists("a.txt"));
}

TEST_F(ExecutableTest, CapitalExtensionSplitOverTwoArgumentsIsStillOnePath) {
    if (qEnvironmentVariableIsEmpty("MORVANEX_GUI")) GTEST_SKIP() << "run through ctest";
    m_files.CreateFile("a.txt");
    const std::string job = WriteJob("nightly job.MXS", m_files.Path());
    const QString path = QString::fromStdString(job);
    const qsizetype blank = path.lastIndexOf(' ');
    EXPECT_EQ(Run({path.left(blank), path.mid(blank + 1)}), 0) << m_stderr.toStdString();
    EXPECT_TRUE(m_files.Exists("001.txt"));
}

TEST_F(ExecutableTest, FailingRunSaysWhyOnItsErrorOutputAndExitsWithOne) {
    if (qEnvironmentVariableIsEmpty("MORVANEX_GUI")) GTEST_SKIP() << "run through ctest";
    const std::string job = WriteJob("job.mxs", m_files / "missing/");
    EXPECT_EQ(Run({QString::fromStdString(job)}), 1);
    EXPECT_TRUE(
        m_stderr.contains("DINFO_ERROR_NO_COUNTDIR_APP \nリネーム対象の指定フォルダは存在"
                          "していません。"))
        << m_stderr.toStdString();

    const std::string missingJob = m_jobs / "absent.mxs";
    EXPECT_EQ(Run({QString::fromStdString(missingJob)}), 1);
    EXPECT_TRUE(m_stderr.contains(QString::fromStdString(
        "設定ファイルの読み込みに失敗しました。\n指定されたファイルは存在しません。\n[" +
        missingJob + "]")))
        << m_stderr.toStdString();
}

// A job started from wherever (a desktop, a scheduler) must not rename the files of the
// folder that happens to be current.
TEST_F(ExecutableTest, RelativeFolderInTheJobIsRefusedNotTakenFromTheCurrentFolder) {
    if (qEnvironmentVariableIsEmpty("MORVANEX_GUI")) GTEST_SKIP() << "run through ctest";
    m_files.CreateFile("a.txt");
    const std::string job = WriteJob("job.mxs", "./");
    EXPECT_EQ(Run({QString::fromStdString(job)}, m_files.Path()), 1);
    EXPECT_TRUE(m_files.Exists("a.txt"));
    EXPECT_FALSE(m_files.Exists("001.txt"));
    EXPECT_TRUE(m_stderr.contains("SelectFile の FullPath が / で始まる絶対パスではありません。"))
        << m_stderr.toStdString();
}

TEST_F(ExecutableTest, WindowWithoutDisplayIsAClearError) {
    if (qEnvironmentVariableIsEmpty("MORVANEX_GUI")) GTEST_SKIP() << "run through ctest";
    const std::string job = WriteJob("job.mvx", m_files.Path());
    EXPECT_EQ(Run({QString::fromStdString(job)}), 1);
    EXPECT_TRUE(m_stderr.contains("no display")) << m_stderr.toStdString();
}

}  // namespace
}  // namespace morvanex::shell

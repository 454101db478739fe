#include <gtest/gtest.h>

#include <QFileDialog>
#include <QPushButton>
#include <QTest>

#include "gui/GuiTestSupport.h"
#include "settings/PatternFile.h"
#include "support/TempFolder.h"

namespace morvanex::shell {
namespace {

using test::PageLog;

class DocumentTest : public testing::Test {
  protected:
    void SetUp() override { test::ClearPreferences(); }
    test::TempFolder m_folder;
};

constexpr const char* kResetQuestion =
    "MorvaneXの全設定を初期状態に戻します。\nUndo用のデータやドロップしたファイル等全ての"
    "データがクリアされます。\nよろしいですか？";

TEST_F(DocumentTest, ResetAsksEveryTimeExceptTheFirstCallAtStartUp) {
    test::WindowFixture shell(test::RecordingPages());
    // The fixture made the start-up call before the view had its tabs: nothing was asked.
    EXPECT_TRUE(shell.interaction.questions.empty());
    EXPECT_EQ(shell.Settings().LetterChangeOption.ChangeMode, 1) << "construction defaults";

    shell.Settings().LetterChangeOption.ChangeMode = 5;
    shell.Settings().FreeFileList = {"/a"};
    shell.frame->setWindowTitle("MorvaneX - job.mvx");

    // No: nothing changes.
    PageLog().clear();
    EXPECT_FALSE(shell.document->NewDocument());
    ASSERT_EQ(shell.interaction.questions.size(), 1u);
    EXPECT_EQ(test::Utf8(shell.interaction.questions[0]), kResetQuestion);
    EXPECT_EQ(shell.Settings().LetterChangeOption.ChangeMode, 5);
    EXPECT_TRUE(PageLog().empty());

    // Yes: defaults (ChangeMode 0 after a reset), pages created anew, folder page current.
    shell.View().SelectPage(1004);
    shell.interaction.answers = {true};
    EXPECT_TRUE(shell.document->NewDocument());
    EXPECT_EQ(shell.interaction.questions.size(), 2u);
    EXPECT_EQ(shell.Settings().LetterChangeOption.ChangeMode, 0);
    EXPECT_TRUE(shell.Settings().FreeFileList.empty());
    EXPECT_EQ(shell.frame->windowTitle(), "MorvaneX");
    EXPECT_EQ(shell.View().CurrentItemData(), 1000);
    EXPECT_EQ(PageLog().back(), "Show 1000");
}

TEST_F(DocumentTest, ResetReloadsThePreferenceCopies) {
    test::WindowFixture shell(test::RecordingPages());
    shell.Settings().Preferences.UndoFlag = 0;
    QSettings("Pelvarin", "MorvaneX").setValue("Settings/UndoFlag", 1);
    shell.interaction.answers = {true};
    ASSERT_TRUE(shell.document->NewDocument());
    EXPECT_EQ(shell.Settings().Preferences.UndoFlag, 1);
    EXPECT_TRUE(shell.View().UndoButton()->isEnabled());
}

TEST_F(DocumentTest, LoadStoresThePageFirstThenShowsItAndSetsTheTitle) {
    test::WindowFixture shell(test::RecordingPages());
    settings::RenameSettings saved = shell.Settings();
    saved.SelectFile.FileFilter = "*.jpg";
    saved.RenameOption.Parts[0].StrPart = "from_file";
    const std::string path = m_folder.CreateFile("a.mxs", settings::SerializePatternFile(saved));

    shell.View().findChild<QLineEdit*>("edit1000")->setText("typed");
    PageLog().clear();
    ASSERT_TRUE(shell.document->Load(path));
    EXPECT_EQ(PageLog(), (std::vector<std::string>{"Store 1000", "Show 1000"}));
    EXPECT_EQ(shell.Settings().SelectFile.FileFilter, "*.jpg");
    EXPECT_EQ(shell.View().findChild<QLineEdit*>("edit1000")->text(), "from_file");
    EXPECT_EQ(shell.frame->windowTitle(), "MorvaneX - a.mxs");
    EXPECT_TRUE(shell.interaction.messages.empty());
}

TEST_F(DocumentTest, LoadFailureSaysWhyAndKeepsTheStoredPageAndTheTitle) {
    const struct {
        const char* name;
        const char* contents;  // nullptr: no file at all
        const char* reason;
    } cases[] = {
        {"missing_file", nullptr, "指定されたファイルは存在しません。"},
        {"other_format", "just some text\r\n",
         "MorvaneXの設定ファイルではありません(ParameterSaveFile の ApplicationName "
         "がありません)。"},
        {"empty_marker", "[ParameterSaveFile]\r\nApplicationName=\r\n",
         "MorvaneXの設定ファイルではありません(ParameterSaveFile の ApplicationName "
         "がありません)。"},
        {"relative_folder",
         "[ParameterSaveFile]\r\nApplicationName=MorvaneX\r\n[RenameOption]\r\n"
         "StrPart00=from_file\r\n[SelectFile]\r\nFullPath=..\r\n",
         "SelectFile の FullPath が / で始まる絶対パスではありません。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::WindowFixture shell(test::RecordingPages());
        const std::string path = c.contents
                                     ? m_folder.CreateFile(std::string(c.name) + ".mvx", c.contents)
                                     : m_folder / "nothing.mvx";
        shell.View().findChild<QLineEdit*>("edit1000")->setText("typed");
        EXPECT_FALSE(shell.document->Load(path));
        ASSERT_EQ(shell.interaction.messages.size(), 1u);
        EXPECT_EQ(test::Utf8(shell.interaction.messages[0]),
                  "設定ファイルの読み込みに失敗しました。\n" + std::string(c.reason) + "\n[" +
                      path + "]");
        EXPECT_EQ(shell.Settings().RenameOption.Parts[0].StrPart, "typed");
        EXPECT_EQ(shell.frame->windowTitle(), "MorvaneX");
    }
}

TEST_F(DocumentTest, OpenCommandLoadsTheChosenFileAndCancelDoesNothing) {
    test::WindowFixture shell(test::RecordingPages());
    settings::RenameSettings saved = shell.Settings();
    saved.SelectFile.FileFilter = "*.png";
    const std::string path =
        m_folder.CreateFile("写真の整理.mvx", settings::SerializePatternFile(saved));

    test::OnNextModal([](QWidget* modal) { test::AnswerFileDialog(modal, QString()); });
    shell.document->OpenCommand();
    EXPECT_EQ(shell.Settings().SelectFile.FileFilter, "*.*");
    EXPECT_EQ(shell.frame->windowTitle(), "MorvaneX");

    test::OnNextModal([&](QWidget* modal) {
        EXPECT_NE(modal->objectName().indexOf("openFileDialog"), -1);
        test::AnswerFileDialog(modal, QString::fromStdString(path));
    });
    shell.document->OpenCommand();
    EXPECT_EQ(shell.Settings().SelectFile.FileFilter, "*.png");
    EXPECT_EQ(shell.frame->windowTitle(), "MorvaneX - 写真の整理.mvx");
}

TEST_F(DocumentTest, SaveAsCancelWritesNothingAndLeavesAnExistingFile) {
    test::WindowFixture shell(test::RecordingPages());
    const std::string path = m_folder.CreateFile("keep.mvx", "old contents");
    PageLog().clear();
    test::OnNextModal([](QWidget* modal) { test::AnswerFileDialog(modal, QString()); });
    shell.document->SaveAsCommand();
    EXPECT_EQ(m_folder.ReadFile("keep.mvx"), "old contents");
    EXPECT_EQ(PageLog(), std::vector<std::string>{"Store 1000"});
    EXPECT_TRUE(shell.interaction.messages.empty());
}

TEST_F(DocumentTest, SaveAsWritesTheCompleteFileAndKeepsTheTitle) {
    test::WindowFixture shell(test::RecordingPages());
    shell.View().findChild<QLineEdit*>("edit1000")->setText("stored before saving");
    const std::string path = m_folder / "job.mvx";
    test::OnNextModal([&](QWidget* modal) {
        EXPECT_NE(modal->objectName().indexOf("saveFileDialog"), -1);
        test::AnswerFileDialog(modal, QString::fromStdString(path));
    });
    shell.document->SaveAsCommand();
    EXPECT_EQ(m_folder.ReadFile("job.mvx"), settings::SerializePatternFile(shell.Settings()));
    EXPECT_EQ(shell.Settings().RenameOption.Parts[0].StrPart, "stored before saving");
    EXPECT_EQ(shell.frame->windowTitle(), "MorvaneX");

    // Saving and loading gives the same record back.
    settings::RenameSettings before = shell.Settings();
    shell.Settings().SelectFile.FileFilter = "changed";
    ASSERT_TRUE(shell.document->Load(path));
    EXPECT_TRUE(shell.Settings().SamePersistentFields(before));
}

TEST_F(DocumentTest, SaveFailureIsReportedAndLeavesNoFile) {
    test::WindowFixture shell(test::RecordingPages());
    const std::string path = m_folder / "no such folder/job.mvx";
    EXPECT_FALSE(shell.document->Save(path));
    ASSERT_EQ(shell.interaction.messages.size(), 1u);
    EXPECT_EQ(test::Utf8(shell.interaction.messages[0]), "ファイルの書き込みに失敗しました。");
    EXPECT_FALSE(m_folder.Exists("no such folder/job.mvx"));
}

TEST_F(DocumentTest, DestructionWritesFourPreferenceCopiesBack) {
    {
        test::WindowFixture shell(test::RecordingPages());
        QSettings("Pelvarin", "MorvaneX").clear();
        shell.Settings().Preferences.StartWizardAtAppStart = 3;
        shell.Settings().Preferences.UndoFlag = 0;
        shell.Settings().Preferences.CheckRemovableFlag = 0;
        shell.Settings().Preferences.DAndDListClear = 1;
        shell.Settings().Preferences.FolderTreeSync = 1;
    }
    QSettings store("Pelvarin", "MorvaneX");
    EXPECT_EQ(store.value("Settings/UndoFlag").toInt(), 0);
    EXPECT_EQ(store.value("Settings/CheckRemovableFlag").toInt(), 0);
    EXPECT_EQ(store.value("Settings/DAndDListClear").toInt(), 1);
    EXPECT_EQ(store.value("Settings/FolderTreeSync").toInt(), 1);
    EXPECT_FALSE(store.contains("Settings/StartWizardAtAppStart"));
}

}  // namespace
}  // namespace morvanex::shell

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "gui/GuiTestSupport.h"
#include "shell/MultiRowTabBar.h"
#include "shell/QtInteraction.h"
#include "support/TempFolder.h"

namespace morvanex::shell {
namespace {

using test::PageLog;

class MainViewTest : public testing::Test {
  protected:
    void SetUp() override { test::ClearPreferences(); }
};

const char* const kCaptions[] = {
    "ファイル選択(フォルダ単位)",
    "ファイル選択(自由選択)",
    "コピー先選択",
    "オプション",
    "リネーム処理",
    "大(小)文字統一",
    "ファイル名文字列置換",
    "ファイル属性変更",
    "タイムスタンプ変更",
};

TEST_F(MainViewTest, NineTabsInOrderAndTabsWithoutPageAreDisabled) {
    test::WindowFixture shell(test::WindowSetup().WithPages(test::TabsWithoutPages()));
    QTabWidget* tabs = shell.View().findChild<QTabWidget*>("tabControl");
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(tabs->tabText(i), QString::fromUtf8(kCaptions[i]));
        EXPECT_EQ(tabs->tabBar()->tabData(i).toInt(), 1000 + i);
        EXPECT_FALSE(tabs->isTabEnabled(i)) << "no page is built in this table";
        QAbstractButton* shown = shell.View().TabRows()->TabButton(i);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->text(), QString::fromUtf8(kCaptions[i]));
        EXPECT_FALSE(shown->isEnabled());
    }
    EXPECT_EQ(shell.View().CurrentPage(), nullptr);

    // With pages, exactly their tabs are enabled.
    test::WindowFixture withPages(test::RecordingPages());
    QTabWidget* pagedTabs = withPages.View().findChild<QTabWidget*>("tabControl");
    for (int i = 0; i < 9; ++i) {
        const bool built = i == 0 || i == 2 || i == 4 || i == 5 || i == 6;
        EXPECT_EQ(pagedTabs->isTabEnabled(i), built) << i;
    }
}

TEST_F(MainViewTest, InitialUpdateCreatesPagesInOrderAndShowsTheFolderPage) {
    test::WindowFixture shell(test::RecordingPages());
    // Creation order: folder, copy, rename pattern, letter case, string replacement (the pages
    // that exist, in the program's creation order), then the folder page is shown again.
    EXPECT_EQ(PageLog(), (std::vector<std::string>{"Show 1000", "Show 1002", "Show 1004",
                                                   "Show 1005", "Show 1006", "Show 1000"}));
    ASSERT_NE(shell.View().CurrentPage(), nullptr);
    EXPECT_EQ(shell.View().CurrentPage()->PageId(), 2000);
    EXPECT_TRUE(shell.View().CurrentPage()->isVisible() || !shell.frame->isVisible());
}

TEST_F(MainViewTest, TabChangeStoresThePageBeingLeft) {
    test::WindowFixture shell(test::RecordingPages());
    shell.frame->show();
    MultiRowTabBar* rows = shell.View().TabRows();

    // Pattern page: type a text, then leave it for the letter-case page.
    QTest::mouseClick(rows->TabButton(4), Qt::LeftButton);
    auto* edit = shell.View().findChild<QLineEdit*>("edit1004");
    ASSERT_NE(edit, nullptr);
    edit->setText("typed on the pattern page");
    PageLog().clear();
    QTest::mouseClick(rows->TabButton(5), Qt::LeftButton);
    EXPECT_EQ(PageLog(), (std::vector<std::string>{"Store 1004", "Show 1005"}));
    EXPECT_EQ(shell.Settings().RenameOption.Parts[0].StrPart, "typed on the pattern page");
    EXPECT_EQ(shell.View().CurrentItemData(), 1005);
    EXPECT_TRUE(rows->TabButton(5)->isChecked());
    EXPECT_FALSE(rows->TabButton(4)->isChecked());

    // The two folder pages are refreshed, not shown, when they come back.
    PageLog().clear();
    QTest::mouseClick(rows->TabButton(0), Qt::LeftButton);
    QTest::mouseClick(rows->TabButton(2), Qt::LeftButton);
    QTest::mouseClick(rows->TabButton(6), Qt::LeftButton);
    EXPECT_EQ(PageLog(), (std::vector<std::string>{"Store 1005", "Refresh 1000", "Store 1000",
                                                   "Refresh 1002", "Store 1002", "Show 1006"}));

    // A disabled tab cannot be chosen.
    PageLog().clear();
    QTest::mouseClick(rows->TabButton(1), Qt::LeftButton);
    EXPECT_TRUE(PageLog().empty());
    EXPECT_EQ(shell.View().CurrentItemData(), 1006);
}

TEST_F(MainViewTest, SelectPageStoresAndShows) {
    test::WindowFixture shell(test::RecordingPages());
    PageLog().clear();
    shell.View().SelectPage(1004);
    EXPECT_EQ(PageLog(), (std::vector<std::string>{"Store 1000", "Show 1004"}));
    EXPECT_EQ(shell.View().CurrentPage()->PageId(), 2030);
    EXPECT_TRUE(shell.View().TabRows()->TabButton(4)->isChecked());
    PageLog().clear();
    shell.View().SelectPage(1001);  // no page behind it
    shell.View().SelectPage(999);
    EXPECT_TRUE(PageLog().empty());
    EXPECT_EQ(shell.View().CurrentItemData(), 1004);
}

TEST_F(MainViewTest, RenameAsksTheQuestionOfTheAttributeRuleAfterStoring) {
    const struct {
        int allAttributes;
        const char* question;
    } cases[] = {
        {1,
         "上記条件でリネームを開始します。\nよろしいですか？(最終確認です)\n\n※御注意\n"
         "リードオンリー・システム・隠し属性のファイルも無条件でリネームされます！！"},
        {0,
         "上記条件でリネームを開始します。\nよろしいですか？(最終確認です)\n\n※御注意\n"
         "リードオンリー・システム・隠し属性のファイルはりネームされません！！"},
    };
    for (const auto& c : cases) {
        test::WindowFixture shell(test::RecordingPages());
        test::TempFolder folder;
        folder.CreateFile("a.txt");
        shell.Settings().SelectFile.FullPath = folder.Path();
        shell.Settings().CommonOption.AllAttributeFileRename = c.allAttributes;
        shell.View().findChild<QLineEdit*>("edit1000")->setText("X");
        PageLog().clear();
        QTest::mouseClick(shell.View().findChild<QPushButton*>("renameButton"), Qt::LeftButton);
        ASSERT_EQ(shell.interaction.questions.size(), 1u);
        EXPECT_EQ(test::Utf8(shell.interaction.questions[0]), c.question);
        EXPECT_EQ(PageLog(), std::vector<std::string>{"Store 1000"});
        // No: nothing ran and the stored text stays stored.
        EXPECT_EQ(shell.Settings().RenameOption.Parts[0].StrPart, "X");
        EXPECT_TRUE(folder.Exists("a.txt"));
        EXPECT_TRUE(shell.interaction.messages.empty());
    }
}

TEST_F(MainViewTest, ButtonTextsAndUndoButtonFollowsTheUndoFlag) {
    QSettings("Pelvarin", "MorvaneX").setValue("Settings/UndoFlag", 0);
    test::WindowFixture off(test::RecordingPages().KeepingPreferences());
    EXPECT_FALSE(off.View().UndoButton()->isEnabled());
    QSettings("Pelvarin", "MorvaneX").setValue("Settings/UndoFlag", 1);
    test::WindowFixture on(test::RecordingPages().KeepingPreferences());
    EXPECT_TRUE(on.View().UndoButton()->isEnabled());

    const std::pair<const char*, const char*> buttons[] = {
        {"exitButton", "Morvelを\n 終了する"},
        {"undoButton", "Undo"},
        {"previewButton", " リネーム\nプレビュー"},
        {"renameButton", "リネーム\n  実行"},
    };
    for (const auto& [name, text] : buttons) {
        auto* button = on.View().findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), QString::fromUtf8(text));
    }
    auto* bar = on.View().findChild<QProgressBar*>("progressBar");
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
}

TEST_F(MainViewTest, ProgressPositionIsTruncatedPercentage) {
    QProgressBar bar;
    QtInteraction interaction(nullptr, &bar, false);
    const struct {
        unsigned total;
        int current;
        int position;
    } cases[] = {
        {3, 2, 66}, {3, 1, 33}, {4, 4, 100}, {7, 0, 0}, {0, 5, 0}, {200000, 199999, 99},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(engine::ProgressPosition(c.total, c.current), c.position)
            << c.total << "/" << c.current;
        interaction.Progress(c.total, c.current);
        EXPECT_EQ(bar.value(), c.position);
    }
    interaction.ProgressDone();
    EXPECT_EQ(bar.value(), 100);
    interaction.ProgressReset();
    EXPECT_EQ(bar.value(), 0);
}

TEST_F(MainViewTest, ExitButtonClosesTheMainWindow) {
    test::WindowFixture shell(test::RecordingPages());
    shell.frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(shell.frame.get()));
    QTest::mouseClick(shell.View().findChild<QPushButton*>("exitButton"), Qt::LeftButton);
    EXPECT_FALSE(shell.frame->isVisible());
    EXPECT_TRUE(shell.interaction.questions.empty());
}

TEST_F(MainViewTest, PreviewStoresThePageAndShowsTheResultList) {
    test::WindowFixture shell(test::RecordingPages());
    test::TempFolder folder;
    folder.CreateFile("b.txt");
    folder.CreateFile("a.txt");
    shell.Settings().SelectFile.FullPath = folder.Path();
    shell.Settings().SelectFile.FileFilter = "*.txt";
    shell.View().findChild<QLineEdit*>("edit1000")->setText("new_");
    QTest::mouseClick(shell.View().findChild<QPushButton*>("previewButton"), Qt::LeftButton);
    ASSERT_TRUE(shell.WaitForWork());
    EXPECT_TRUE(shell.interaction.questions.empty()) << "a preview asks nothing";
    ASSERT_EQ(shell.interaction.resultLists.size(), 1u);
    const engine::ResultList& list = shell.interaction.resultLists[0];
    EXPECT_EQ(list.sources, (std::vector<std::string>{folder / "a.txt", folder / "b.txt"}));
    EXPECT_EQ(list.targets,
              (std::vector<std::string>{folder / "new_001.txt", folder / "new_002.txt"}));
    EXPECT_TRUE(folder.Exists("a.txt")) << "a preview touches nothing";
}

TEST_F(MainViewTest, SavedTargetListIsCp932WithCrLfLines) {
    test::WindowFixture shell(test::RecordingPages());
    test::TempFolder folder;
    shell.Settings().SelectFile.FreeFileSelect = 1;
    shell.Settings().FreeFileList = {platform::Sjis("/data/写真.jpg"), "/data/b.txt"};
    const QString out = QString::fromStdString(folder / "list.txt");
    test::OnNextModal([&](QWidget* modal) { test::AnswerFileDialog(modal, out); });
    shell.View().SaveTargetListCommand();
    EXPECT_EQ(folder.ReadFile("list.txt"),
              platform::Sjis("/data/写真.jpg") + "\r\n/data/b.txt\r\n");
}

TEST_F(MainViewTest, SavingTheTargetListOfAMissingFolderReportsAndWritesNothing) {
    test::WindowFixture shell(test::RecordingPages());
    test::TempFolder folder;
    shell.Settings().SelectFile.FullPath = folder / "missing/";
    test::OnNextModal([&](QWidget* modal) {
        test::AnswerFileDialog(modal, QString::fromStdString(folder / "list.txt"));
    });
    shell.View().SaveTargetListCommand();
    ASSERT_EQ(shell.interaction.messages.size(), 1u);
    EXPECT_NE(test::Utf8(shell.interaction.messages[0]).find("DINFO_ERROR_NO_COUNTDIR_APP"),
              std::string::npos);
    EXPECT_FALSE(folder.Exists("list.txt"));
}

}  // namespace
}  // namespace morvanex::shell

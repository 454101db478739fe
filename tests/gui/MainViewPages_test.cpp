#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "engine/naming/RegexReplace.h"
#include "gui/GuiTestSupport.h"
#include "pages/PageTable.h"
#include "widgets/FolderDropField.h"

// The pages in the main view: in their tabs, stored when left, and enough of them to choose a
// folder and operations, preview and run from the window alone.
namespace morvanex::pages {
namespace {

using test::Find;
using widgets::FolderDropField;

class MainViewPagesTest : public testing::Test, protected test::WindowFixture {
  protected:
    MainViewPagesTest() : WindowFixture(test::OnTempDrives()) {
        folder.CreateFile("photos/a.txt", "1");
        folder.CreateFile("photos/b.txt", "22");
        View().InitialUpdate();
    }

    QTabWidget* Tabs() { return View().TabControl(); }
    void SelectTab(int itemData) { Tabs()->setCurrentIndex(itemData - kFirstItemData); }
    QWidget& Current() { return *View().CurrentPage(); }
};

TEST_F(MainViewPagesTest, PagesSitInTheirTabsAtTheirSize) {
    struct Tab {
        int itemData;
        const char* page;
        int pageId;
    };
    const Tab tabs[] = {
        {1000, "folderSelectPage", 2000}, {1001, "freeSelectPage", 2010},
        {1002, "copyDestPage", 2020},     {1003, "optionsPage", 2070},
        {1005, "letterCasePage", 2040},   {1006, "stringReplacePage", 2080},
        {1007, "attributePage", 2050},
    };
    for (const Tab& tab : tabs) {
        SCOPED_TRACE(tab.page);
        Page* page = View().PageOf(tab.itemData);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->objectName(), tab.page);
        EXPECT_EQ(page->PageId(), tab.pageId);
        EXPECT_EQ(page->size(), QSize(Page::kWidth, Page::kHeight));
        EXPECT_TRUE(Tabs()->isTabEnabled(tab.itemData - kFirstItemData));
        EXPECT_EQ(Tabs()->widget(tab.itemData - kFirstItemData), page);
    }
    EXPECT_EQ(View().CurrentPage(), View().PageOf(1000));
}

TEST_F(MainViewPagesTest, LeavingATabStoresItsPage) {
    SelectTab(1005);
    Find<QCheckBox>(Current(), "enableLetterChangeCheck")->click();
    Find<QRadioButton>(Current(), "capitaliseRadio")->click();
    SelectTab(1007);
    EXPECT_EQ(Settings().LetterChangeOption.EnableLetterChange, 1);
    EXPECT_EQ(Settings().LetterChangeOption.ChangeMode, 2);

    // The subfolder setting is on two pages: the one left last wins.
    SelectTab(1000);
    Find<QCheckBox>(Current(), "includeSubfoldersCheck")->click();
    SelectTab(1003);
    EXPECT_TRUE(Find<QCheckBox>(Current(), "includeSubDirCheck")->isChecked());
    Find<QCheckBox>(Current(), "includeSubDirCheck")->click();
    SelectTab(1000);
    EXPECT_FALSE(Find<QCheckBox>(Current(), "includeSubfoldersCheck")->isChecked());
}

TEST_F(MainViewPagesTest, FolderAndOperationsChosenInTheWindowPreviewAndRun) {
    // Folder: typed and shown.
    auto* field = Find<FolderDropField>(Current(), "folderDropField");
    field->clear();
    QTest::keyClicks(field, QString::fromStdString(folder / "photos"));
    Find<QPushButton>(Current(), "showFilesButton")->click();
    EXPECT_EQ(Find<QListWidget>(Current(), "fileList")->count(), 2);

    // Operations: upper case, then a replacement in the upper-cased name.
    SelectTab(1006);
    Find<QCheckBox>(Current(), "enableStringChangeCheck")->click();
    Find<QLineEdit>(Current(), "changeBefore1")->setText("TXT");
    Find<QLineEdit>(Current(), "changeAfter1")->setText("log");
    SelectTab(1005);
    Find<QCheckBox>(Current(), "enableLetterChangeCheck")->click();
    Find<QRadioButton>(Current(), "allUpperRadio")->click();
    Settings().RenameOption.EnableRename = 0;

    // Preview: the list, nothing touched.
    View().findChild<QPushButton*>("previewButton")->click();
    ASSERT_TRUE(WaitForWork());
    ASSERT_EQ(interaction.resultLists.size(), 1u);
    const engine::ResultList& preview = interaction.resultLists[0];
    EXPECT_EQ(preview.sources,
              (std::vector<std::string>{folder / "photos/a.txt", folder / "photos/b.txt"}));
    EXPECT_EQ(preview.targets,
              (std::vector<std::string>{folder / "photos/A.log", folder / "photos/B.log"}));
    EXPECT_TRUE(folder.Exists("photos/a.txt"));

    // Run: asked first, then done.
    interaction.answers = {true};
    View().findChild<QPushButton*>("renameButton")->click();
    ASSERT_TRUE(WaitForWork());
    EXPECT_FALSE(folder.Exists("photos/a.txt"));
    EXPECT_TRUE(folder.Exists("photos/A.log"));
    EXPECT_TRUE(folder.Exists("photos/B.log"));
}

// Pairs that cannot be used as regular expressions: the page says so when it is left for another
// tab, with the very message a preview gives; a window closing is no leaving.
TEST_F(MainViewPagesTest, LeavingTheReplacementPageWithAnUnusableExpressionSaysWhy) {
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    struct Row {
        const char* name;
        bool regex;
        const char* before;
        const char* after;
        const char* pair;    // the text the message names
        const char* reason;  // in the message; none expected when null
    } rows[] = {
        {"pattern/unclosed", true, "(写真", "", "置換前の文字列1 : (写真",
         "missing closing parenthesis"},
        {"after/unknown_group", true, "(a)", "$3", "置換後の文字列1 : $3",
         "グループ 3 はありません"},
        {"fine/expression", true, "(a)", "$1", nullptr, nullptr},
        {"fine/plain_text", false, "(写真", "", nullptr, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SelectTab(1006);
        auto* enable = Find<QCheckBox>(Current(), "enableStringChangeCheck");
        if (!enable->isChecked()) enable->click();
        auto* regex = Find<QCheckBox>(Current(), "useRegexCheck");
        if (regex->isChecked() != row.regex) regex->click();
        Find<QLineEdit>(Current(), "changeBefore1")->setText(QString::fromUtf8(row.before));
        Find<QLineEdit>(Current(), "changeAfter1")->setText(QString::fromUtf8(row.after));
        interaction.messages.clear();
        SelectTab(1007);
        if (row.reason == nullptr) {
            EXPECT_TRUE(interaction.messages.empty());
            continue;
        }
        ASSERT_EQ(interaction.messages.size(), 1u);
        const std::string shown = test::Utf8(interaction.messages[0]);
        EXPECT_EQ(shown, platform::Utf8FromCp932(
                             engine::RegexPairsProblem(Settings().StringChangeOption)));
        EXPECT_TRUE(shown.starts_with("Error Code : 19\n")) << shown;
        EXPECT_NE(shown.find(row.pair), std::string::npos) << shown;
        EXPECT_NE(shown.find(row.reason), std::string::npos) << shown;
        EXPECT_EQ(interaction.icons[0], engine::MessageIcon::Exclamation);
        // A preview stops with the same message, and touches nothing.
        Settings().SelectFile.FullPath = folder / "photos/";
        interaction.messages.clear();
        View().findChild<QPushButton*>("previewButton")->click();
        ASSERT_TRUE(WaitForWork());
        ASSERT_FALSE(interaction.messages.empty());
        EXPECT_EQ(test::Utf8(interaction.messages[0]), shown);
        EXPECT_TRUE(interaction.resultLists.empty());
    }
    SelectTab(1006);
    Find<QCheckBox>(Current(), "useRegexCheck")->click();
    Find<QLineEdit>(Current(), "changeBefore1")->setText("(");
    View().StoreCurrentPage();
    ASSERT_FALSE(engine::RegexPairsProblem(Settings().StringChangeOption).empty());
    interaction.messages.clear();
    frame->hide();
    EXPECT_TRUE(interaction.messages.empty());
}

}  // namespace
}  // namespace morvanex::pages

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

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
    EXPECT_FALSE(folder.Exists("photos/a.txt"));
    EXPECT_TRUE(folder.Exists("photos/A.log"));
    EXPECT_TRUE(folder.Exists("photos/B.log"));
}

}  // namespace
}  // namespace morvanex::pages

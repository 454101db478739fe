#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

#include "gui/GuiTestSupport.h"
#include "pages/CopyDestPage.h"
#include "settings/SettingsLifecycle.h"
#include "widgets/FolderDropField.h"

// The copy destination page: the folder page's mechanics on the copy group, its own enabling
// rules and a list of everything already in the destination.
namespace morvanex::pages {
namespace {

using test::Find;

QStringList Names(const QListWidget& list) {
    QStringList names;
    for (int i = 0; i < list.count(); ++i) names.append(list.item(i)->text());
    return names;
}

class CopyDestPageTest : public testing::Test, protected test::WindowFixture {
  protected:
    CopyDestPageTest() : WindowFixture(test::OnTempDrives()) {
        folder.CreateFile("dest/b.txt");
        folder.CreateFile("dest/.hidden");
        folder.CreateFile("dest/ro.txt");
        folder.SetMode("dest/ro.txt", 0444);
        folder.CreateFile("dest/sub/deeper.txt");
    }

    // Which of the page's controls are enabled, in a fixed order.
    static std::vector<bool> Enabled(const QWidget& page) {
        std::vector<bool> states;
        for (const char* name : kControls) states.push_back(Find<QWidget>(page, name)->isEnabled());
        return states;
    }
    static constexpr const char* kControls[] = {"enableCopyCheck", "folderTree",   "fileList",
                                                "folderDropField", "driveCombo",   "autoShowCheck",
                                                "showFilesButton", "keepTreeCheck"};
};

struct EnablingCase {
    const char* name;
    int enableCopy;
    int freeFileSelect;
    int autoShow;
    std::vector<bool> expected;  // in the order of kControls
};

const EnablingCase kEnablingCases[] = {
    {"copy_off/keep_box_follows_selection_mode",
     0,
     0,
     0,
     {true, false, false, false, false, false, false, true}},
    {"copy_off/free_selection", 0, 1, 0, {true, false, false, false, false, false, false, false}},
    {"copy_on/all_usable", 1, 0, 0, {true, true, true, true, true, true, true, true}},
    {"copy_on/free_selection_has_no_structure_to_keep",
     1,
     1,
     0,
     {true, true, true, true, true, true, true, false}},
    {"copy_on/automatic_display_leaves_no_show_button",
     1,
     0,
     1,
     {true, true, true, true, true, true, false, true}},
};

TEST_F(CopyDestPageTest, ControlsAreEnabledByCopyAndSelectionMode) {
    for (const EnablingCase& c : kEnablingCases) {
        SCOPED_TRACE(c.name);
        settings::RenameSettings& record = Settings();
        record.CopyToDir.EnableCopy = c.enableCopy;
        record.CopyToDir.RealTimeRefresh = c.autoShow;
        record.SelectFile.FreeFileSelect = c.freeFileSelect;
        const auto page = MakePage<CopyDestPage>();
        EXPECT_EQ(Enabled(*page), c.expected) << "after show";

        // Coming back to the tab after the selection mode changed elsewhere.
        record.SelectFile.FreeFileSelect = 1 - c.freeFileSelect;
        page->RefreshSettings();
        EXPECT_EQ(Find<QWidget>(*page, "keepTreeCheck")->isEnabled(), c.freeFileSelect == 1)
            << "after refresh";
        record.SelectFile.FreeFileSelect = c.freeFileSelect;
        page->RefreshSettings();

        // Clicking the copy switch twice comes back to the same state.
        auto* enableCopy = Find<QCheckBox>(*page, "enableCopyCheck");
        enableCopy->click();
        enableCopy->click();
        EXPECT_EQ(Enabled(*page), c.expected) << "after two clicks";
    }
}

TEST_F(CopyDestPageTest, ListShowsEveryFileOfTheDestinationOnly) {
    struct Case {
        const char* name;
        std::string folder;
        int allAttributes;
        QStringList expected;
    };
    const Case cases[] = {
        // Hidden and read-only files are listed even when a run would leave them out.
        {"attributes/any", "dest/", 0, {".hidden", "b.txt", "ro.txt"}},
        {"path/without_separator", "dest", 1, {".hidden", "b.txt", "ro.txt"}},
        {"path/missing_lists_nothing", "nowhere/", 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Settings().CommonOption.AllAttributeFileRename = c.allAttributes;
        Settings().CopyToDir.EnableCopy = 1;
        Settings().CopyToDir.FullPath = Root() + c.folder;
        // The folder page's filter must not reach the destination's list.
        Settings().SelectFile.FileFilter = "*.jpg";
        interaction.messages.clear();
        const auto page = MakePage<CopyDestPage>();
        Find<QPushButton>(*page, "showFilesButton")->click();
        EXPECT_EQ(Names(*Find<QListWidget>(*page, "fileList")), c.expected);
        EXPECT_TRUE(interaction.messages.empty());
    }
}

TEST_F(CopyDestPageTest, ShowButtonListsTheTypedFolder) {
    Settings().CopyToDir.EnableCopy = 1;
    Settings().CopyToDir.FullPath = Root() + "nowhere/";
    const auto page = MakePage<CopyDestPage>();
    Find<widgets::FolderDropField>(*page, "folderDropField")->SetPath(Root() + "dest/sub/");
    Find<QPushButton>(*page, "showFilesButton")->click();
    EXPECT_EQ(Names(*Find<QListWidget>(*page, "fileList")), QStringList{"deeper.txt"});
    EXPECT_EQ(Settings().CopyToDir.FullPath, Root() + "dest/sub/");
}

// The tree goes down to the destination and shows it; it does not scroll sideways to centre a
// long name, which would push the names of the folders above it out on the left.
TEST_F(CopyDestPageTest, TreeShowsTheDestinationWithItsParentsReadable) {
    const std::string longName(60, 'x');
    const struct {
        const char* name;
        std::string destination;
    } rows[] = {
        {"depth/first_level", "dest/"},
        {"depth/below_a_long_name", "dest/" + longName + "/photos/"},
        {"depth/long_name_itself", "dest/" + longName + "/"},
    };
    folder.CreateFolder("dest/" + longName + "/photos");
    Settings().Preferences.FolderTreeSync = 1;
    Settings().CopyToDir.EnableCopy = 1;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Settings().CopyToDir.FullPath = Root() + row.destination;
        const auto page = MakePage<CopyDestPage>();
        page->show();
        // A folder typed or dropped while the page is on screen.
        ASSERT_TRUE(page->FollowFolderPath());
        auto* tree = Find<QTreeWidget>(*page, "folderTree");
        ASSERT_NE(tree->currentItem(), nullptr);
        EXPECT_TRUE(tree->viewport()->rect().intersects(tree->visualItemRect(tree->currentItem())));
        EXPECT_EQ(tree->horizontalScrollBar()->value(), 0);
    }
}

TEST_F(CopyDestPageTest, PageWorksOnTheCopyGroupOnly) {
    settings::RenameSettings& record = Settings();
    record.SelectFile.FullPath = Root() + "home/";
    record.SelectFile.SelectedRenameDrive = 1;
    record.CopyToDir.SelectedCopyToDrive = 2;
    record.CopyToDir.FullPath = Root() + "vol/";
    record.CopyToDir.KeepDirTree = 1;
    record.CopyToDir.RealTimeRefresh = 1;
    const settings::SelectFileSection selectFile = record.SelectFile;
    {
        const auto page = MakePage<CopyDestPage>();
        EXPECT_TRUE(Find<QCheckBox>(*page, "keepTreeCheck")->isChecked());
        Find<QCheckBox>(*page, "enableCopyCheck")->click();
        Find<QCheckBox>(*page, "autoShowCheck")->click();
        Find<widgets::FolderDropField>(*page, "folderDropField")->SetPath(Root() + "dest/");
    }
    // Destroying the page stored it.
    EXPECT_EQ(record.CopyToDir.EnableCopy, 1);
    EXPECT_EQ(record.CopyToDir.RealTimeRefresh, 0);
    EXPECT_EQ(record.CopyToDir.KeepDirTree, 1);
    EXPECT_EQ(record.CopyToDir.SelectedCopyToDrive, 2);
    EXPECT_EQ(record.CopyToDir.FullPath, Root() + "dest/");
    EXPECT_EQ(record.CopyToDir.RootDir, settings::DriveNameOf(Root() + "vol/"));
    EXPECT_EQ(record.SelectFile, selectFile);
}

}  // namespace
}  // namespace morvanex::pages

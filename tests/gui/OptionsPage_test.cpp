#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

#include "gui/GuiTestSupport.h"
#include "pages/OptionsPage.h"
#include "widgets/QtText.h"

namespace morvanex::pages {
namespace {

using test::Find;

class OptionsPageTest : public testing::Test, protected test::WindowFixture {
  protected:
    OptionsPageTest() : WindowFixture(test::OnTempDrives()) {}
};

struct CheckField {
    const char* check;
    int& (*field)(settings::RenameSettings&);
};

const CheckField kChecks[] = {
    {"includeSubDirCheck",
     [](settings::RenameSettings& s) -> int& { return s.SelectFile.IncludeSubDir; }},
    {"numberResetCheck",
     [](settings::RenameSettings& s) -> int& { return s.CommonOption.NumberReset; }},
    {"allAttributesCheck",
     [](settings::RenameSettings& s) -> int& { return s.CommonOption.AllAttributeFileRename; }},
    {"dirRenameCheck",
     [](settings::RenameSettings& s) -> int& { return s.CommonOption.DirRename; }},
    {"keepDirTreeCheck",
     [](settings::RenameSettings& s) -> int& { return s.CopyToDir.KeepDirTree; }},
    {"viewDetailResultCheck",
     [](settings::RenameSettings& s) -> int& { return s.CommonOption.ViewDetailResult; }},
    {"planWholeRunCheck",
     [](settings::RenameSettings& s) -> int& { return s.CommonOption.PlanWholeRun; }},
    {"logWriteCheck", [](settings::RenameSettings& s) -> int& { return s.CommonOption.LogWrite; }},
    {"batLogWriteCheck",
     [](settings::RenameSettings& s) -> int& { return s.CommonOption.BatLogWrite; }},
};

// Each box alone on, then alone off: nothing else moves, disabled boxes included.
TEST_F(OptionsPageTest, EveryCheckBoxTravelsWithItsSetting) {
    const auto page = MakePage<OptionsPage>();
    EXPECT_EQ(page->PageId(), 2070);
    for (const int on : {1, 0}) {
        for (const CheckField& target : kChecks) {
            SCOPED_TRACE(std::string(target.check) + (on ? "/on" : "/off"));
            for (const CheckField& c : kChecks) c.field(Settings()) = on ? 0 : 1;
            target.field(Settings()) = on;
            page->ShowSettings();
            for (const CheckField& c : kChecks) {
                EXPECT_EQ(Find<QCheckBox>(*page, c.check)->isChecked(),
                          c.check == target.check ? on != 0 : on == 0)
                    << c.check;
            }
            for (const CheckField& c : kChecks) c.field(Settings()) = 7;
            page->StoreSettings();
            for (const CheckField& c : kChecks) {
                EXPECT_EQ(c.field(Settings()), c.check == target.check ? on : 1 - on) << c.check;
            }
        }
    }
}

struct EnablingCase {
    const char* name;
    int freeFileSelect, includeSubDir, enableRename, enableStringChange, enableCopy;
    int logWrite, batLogWrite;
    // Expected enabled: subfolders, number reset, folders too, keep tree, log edit, browse,
    // rename folder button, copy folder button.
    std::array<bool, 8> enabled;
};

const EnablingCase kEnabling[] = {
    {"defaults", 0, 0, 1, 0, 0, 0, 0, {true, false, false, false, false, false, false, false}},
    {"free_selection/number_reset_follows_subfolders",
     1,
     1,
     1,
     0,
     0,
     0,
     0,
     {false, true, false, false, false, false, false, false}},
    {"folders/only_without_rename_and_replace",
     0,
     0,
     0,
     0,
     0,
     0,
     0,
     {true, false, true, false, false, false, false, false}},
    {"folders/replace_blocks",
     0,
     0,
     0,
     1,
     0,
     0,
     0,
     {true, false, false, false, false, false, false, false}},
    {"folders/free_selection_does_not_block",
     1,
     0,
     0,
     0,
     0,
     0,
     0,
     {false, false, true, false, false, false, false, false}},
    {"copy/keep_tree", 0, 0, 1, 0, 1, 0, 0, {true, false, false, true, false, false, false, false}},
    {"log/text_log", 0, 0, 1, 0, 0, 1, 0, {true, false, false, false, true, true, true, false}},
    {"log/bat_log_with_copy_and_free_selection",
     1,
     0,
     1,
     0,
     1,
     0,
     1,
     {false, false, false, true, true, true, false, true}},
};

const char* const kEnablingControls[] = {
    "includeSubDirCheck", "numberResetCheck", "dirRenameCheck",        "keepDirTreeCheck",
    "logFolderEdit",      "browseButton",     "renameFolderLogButton", "copyFolderLogButton",
};

TEST_F(OptionsPageTest, ShowEnablesByTheRecord) {
    for (const EnablingCase& c : kEnabling) {
        SCOPED_TRACE(c.name);
        settings::RenameSettings& s = Settings();
        s.SelectFile.FreeFileSelect = c.freeFileSelect;
        s.SelectFile.IncludeSubDir = c.includeSubDir;
        s.RenameOption.EnableRename = c.enableRename;
        s.StringChangeOption.EnableStringChange = c.enableStringChange;
        s.CopyToDir.EnableCopy = c.enableCopy;
        s.CommonOption.LogWrite = c.logWrite;
        s.CommonOption.BatLogWrite = c.batLogWrite;
        const auto page = MakePage<OptionsPage>();
        for (std::size_t i = 0; i < c.enabled.size(); ++i) {
            EXPECT_EQ(Find<QWidget>(*page, kEnablingControls[i])->isEnabled(), c.enabled[i])
                << kEnablingControls[i];
        }
    }
}

TEST_F(OptionsPageTest, FoldersTooStaysAsSavedWhileDisabled) {
    Settings().RenameOption.EnableRename = 1;
    Settings().CommonOption.DirRename = 1;
    const auto page = MakePage<OptionsPage>();
    EXPECT_FALSE(Find<QCheckBox>(*page, "dirRenameCheck")->isEnabled());
    EXPECT_TRUE(Find<QCheckBox>(*page, "dirRenameCheck")->isChecked());
    page->StoreSettings();
    EXPECT_EQ(Settings().CommonOption.DirRename, 1);
}

TEST_F(OptionsPageTest, ClicksEnableTheirDependents) {
    Settings().CopyToDir.EnableCopy = 1;
    Settings().CommonOption.LogWritePath = "/logs/";
    const auto page = MakePage<OptionsPage>();
    auto* logWrite = Find<QCheckBox>(*page, "logWriteCheck");
    auto* batLog = Find<QCheckBox>(*page, "batLogWriteCheck");
    const auto logControlsEnabled = [&page] {
        return std::array<bool, 4>{Find<QWidget>(*page, "logFolderEdit")->isEnabled(),
                                   Find<QWidget>(*page, "browseButton")->isEnabled(),
                                   Find<QWidget>(*page, "renameFolderLogButton")->isEnabled(),
                                   Find<QWidget>(*page, "copyFolderLogButton")->isEnabled()};
    };
    EXPECT_EQ(logControlsEnabled(), (std::array<bool, 4>{false, false, false, false}));
    logWrite->click();
    EXPECT_EQ(logControlsEnabled(), (std::array<bool, 4>{true, true, true, true}));
    batLog->click();
    logWrite->click();
    EXPECT_EQ(logControlsEnabled(), (std::array<bool, 4>{true, true, true, true}));
    batLog->click();
    EXPECT_EQ(logControlsEnabled(), (std::array<bool, 4>{false, false, false, false}));
    // The folder text stays and is stored although it cannot be edited now.
    page->StoreSettings();
    EXPECT_EQ(Settings().CommonOption.LogWritePath, "/logs/");

    auto* subfolders = Find<QCheckBox>(*page, "includeSubDirCheck");
    auto* numberReset = Find<QCheckBox>(*page, "numberResetCheck");
    EXPECT_FALSE(numberReset->isEnabled());
    subfolders->click();
    EXPECT_TRUE(numberReset->isEnabled());
    subfolders->click();
    EXPECT_FALSE(numberReset->isEnabled());
}

TEST_F(OptionsPageTest, FolderButtonsTakeTheStoredFolders) {
    Settings().CommonOption.LogWrite = 1;
    Settings().CopyToDir.EnableCopy = 1;
    Settings().SelectFile.FullPath = platform::Sjis("/写真/旅行/");
    Settings().CopyToDir.FullPath = "/backup/";
    const auto page = MakePage<OptionsPage>();
    Find<QPushButton>(*page, "renameFolderLogButton")->click();
    EXPECT_EQ(Find<QLineEdit>(*page, "logFolderEdit")->text(), QStringLiteral("/写真/旅行/"));
    page->StoreSettings();
    EXPECT_EQ(Settings().CommonOption.LogWritePath, platform::Sjis("/写真/旅行/"));
    Find<QPushButton>(*page, "copyFolderLogButton")->click();
    EXPECT_EQ(Find<QLineEdit>(*page, "logFolderEdit")->text(), QStringLiteral("/backup/"));
}

TEST_F(OptionsPageTest, BrowseChoosesAFolderOrLeavesTheEdit) {
    folder.CreateFolder("logs");
    Settings().CommonOption.LogWrite = 1;
    Settings().CommonOption.LogWritePath = Root();
    const auto page = MakePage<OptionsPage>();

    test::OnNextModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    Find<QPushButton>(*page, "browseButton")->click();
    EXPECT_EQ(Find<QLineEdit>(*page, "logFolderEdit")->text(), widgets::ToQString(Root()));

    QString title;
    QString startedIn;
    const QString logs = QString::fromStdString(folder / "logs");
    test::OnNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        startedIn = dialog->directory().absolutePath() + "/";
        dialog->setDirectory(logs);
        static_cast<QDialog*>(dialog)->accept();
    });
    Find<QPushButton>(*page, "browseButton")->click();
    EXPECT_EQ(title, QStringLiteral("ログを保存するフォルダを選択してください。"));
    EXPECT_EQ(startedIn.toStdString(), folder.Path());
    EXPECT_EQ(Find<QLineEdit>(*page, "logFolderEdit")->text(), logs + "/");
}

}  // namespace
}  // namespace morvanex::pages

#include "settings/SettingsLifecycle.h"

#include <gtest/gtest.h>

#include "platform/Codepage.h"
#include "settings/RegisteredPatterns.h"
#include "support/FixedClock.h"
#include "support/MemoryFileSystem.h"

namespace morvanex::settings {
namespace {

class SettingsLifecycleTest : public testing::Test {
  protected:
    SettingsLifecycleTest() {
        fs.roots = {{"/", "sys", false}, {"/home/u/", "home", false}, {"/media/usb/", "USB", true}};
        fs.AddFolder("/");
        fs.AddFolder("/home/u/");
        fs.AddFolder("/media/usb/");
        fs.temporaryFolder = "/tmp/";
    }
    SettingsEnvironment Environment(PreferenceCopies preferences = {}) {
        return {fs, clock, preferences};
    }

    test::MemoryFileSystem fs;
    // 2003-03-05 10:20:30 in UTC+9.
    test::FixedClock clock{platform::FromLocalTime({2003, 3, 0, 5, 10, 20, 30, 0})};
};

TEST_F(SettingsLifecycleTest, ConstructionGivesTheDocumentedDefaults) {
    const RenameSettings s = ConstructSettings(Environment());
    const int parts[] = {1, 0, 6, 0, 5, 3, 0, 0, 0, 0, 0, 0};
    for (int slot = 0; slot < kPartSlots; ++slot) {
        const PartSlot& part = s.RenameOption.Parts[slot];
        EXPECT_EQ(part.SelectedPart, parts[slot]) << slot;
        EXPECT_EQ(part.StrPart, slot == 2 ? "1" : "") << slot;
        EXPECT_EQ(part.DigitNum, 3);
        EXPECT_EQ(part.SkipNum, 1);
        EXPECT_EQ(part.FormatType + part.FixedFormatNum + part.Year2Digit, 0);
    }
    EXPECT_EQ(s.RenameOption.EnableRename, 1);
    EXPECT_EQ(s.RenameOption.DigitChangeNum, 2);
    EXPECT_EQ(s.CommonOption.SortCondition, 1);
    EXPECT_EQ(s.CommonOption.SortDirection, 1);
    EXPECT_EQ(s.CommonOption.NumberReset, 1);
    EXPECT_EQ(s.SelectFile.FileFilter, "*.*");
    EXPECT_EQ(s.LetterChangeOption.ChangeMode, 1);
    EXPECT_EQ(s.CommonOption.LogWritePath, "/tmp/");
    EXPECT_EQ(s.RegisteredPatterns.size(), 7u);
    EXPECT_EQ(s.MakeTimeValue.year, 2003);
    EXPECT_EQ(s.LastAccessTimeValue.second, 30);
    EXPECT_EQ(s.AutoExecMode, 0);
}

TEST_F(SettingsLifecycleTest, ResetDiffersFromConstructionOnlyInChangeMode) {
    RenameSettings s = ConstructSettings(Environment());
    s.RenameOption.Parts[0].StrPart = "changed";
    s.StringChangeOption.ChangeBefore[3] = "x";
    s.FreeFileList = {"/a"};
    s.Undo.ValidCount = 3;
    s.AutoExecMode = 1;
    s.SelectFile.FullPath = "/elsewhere/";
    ResetSettings(s, Environment());
    RenameSettings fresh = ConstructSettings(Environment());
    EXPECT_EQ(s.LetterChangeOption.ChangeMode, 0);
    fresh.LetterChangeOption.ChangeMode = 0;
    EXPECT_TRUE(s.SamePersistentFields(fresh));
    EXPECT_TRUE(s.FreeFileList.empty());
    EXPECT_EQ(s.Undo.ValidCount, 0);
    EXPECT_EQ(s.AutoExecMode, 0);
}

TEST_F(SettingsLifecycleTest, BuiltInPatternsMatchTheirTable) {
    const auto patterns = BuiltInPatterns();
    ASSERT_EQ(patterns.size(), 7u);
    EXPECT_EQ(patterns[0].Name, platform::Sjis("単純連番リネーム"));
    EXPECT_EQ(patterns[6].SelectedPart[0], kPartExif);
    EXPECT_EQ(patterns[6].SelectedPart[6], kPartCreationTime);
    EXPECT_EQ(patterns[6].StrPart[0], "%EDT%4YE%2MO%2DA%2HO%2MI%2SE");
    EXPECT_EQ(patterns[6].StrPart[6], "%4YE%2MO%2DA%2HO%2MI%2SE");
    EXPECT_EQ(patterns[5].StrPart[0], "%4YE%2MO%2DA%2HO%2MI%2SE");
    for (const auto& p : patterns) {
        for (int slot = 0; slot < kPartSlots; ++slot) {
            EXPECT_EQ(p.DigitNum[slot], 3);
            EXPECT_EQ(p.SkipNum[slot], 1);
        }
    }
}

TEST_F(SettingsLifecycleTest, DriveListChoosesTheFirstRootThatCanBeEntered) {
    struct Row {
        const char* name;
        bool rootEnterable;
        int checkRemovable;
        int expectedIndex;
        const char* expectedPath;
    } rows[] = {
        {"root_first", true, 1, 0, "/"},
        {"root_missing_takes_home", false, 1, 1, "/home/u/"},
    };
    for (const auto& row : rows) {
        if (!row.rootEnterable) fs.folders.erase("/");
        PreferenceCopies preferences;
        preferences.CheckRemovableFlag = row.checkRemovable;
        const RenameSettings s = ConstructSettings(Environment(preferences));
        EXPECT_EQ(s.SelectFile.SelectedRenameDrive, row.expectedIndex) << row.name;
        EXPECT_EQ(s.CopyToDir.SelectedCopyToDrive, row.expectedIndex) << row.name;
        EXPECT_EQ(s.SelectFile.FullPath, row.expectedPath) << row.name;
        EXPECT_EQ(s.CopyToDir.FullPath, row.expectedPath) << row.name;
        EXPECT_EQ(s.SelectFile.RootDir, DriveNameOf(row.expectedPath)) << row.name;
        ASSERT_EQ(s.DriveList.size(), 3u);
        EXPECT_EQ(s.DriveList[1].Text, "/home/u: home");
    }
}

TEST_F(SettingsLifecycleTest, RemovableRootsAreNotProbedWhenTheFlagIsOff) {
    fs.folders.erase("/");
    fs.folders.erase("/home/u/");
    PreferenceCopies preferences;
    preferences.CheckRemovableFlag = 0;
    const RenameSettings s = ConstructSettings(Environment(preferences));
    // Nothing chosen: the indexes equal the drive count and the folder texts stay empty.
    EXPECT_EQ(s.SelectFile.SelectedRenameDrive, 3);
    EXPECT_EQ(s.SelectFile.FullPath, "");
    EXPECT_EQ(s.DriveList[2].Label, "");
    EXPECT_EQ(s.DriveList[2].Text, "/media/usb: ");
}

TEST_F(SettingsLifecycleTest, DriveOfAPathIsTheLongestMatchingRoot) {
    const RenameSettings s = ConstructSettings(Environment());
    EXPECT_EQ(DriveIndexOf(s, "/home/u/photos"), 1);
    EXPECT_EQ(DriveIndexOf(s, "/home/u"), 1);
    EXPECT_EQ(DriveIndexOf(s, "/home/user2/"), 0);
    EXPECT_EQ(DriveIndexOf(s, "/media/usb/x/"), 2);
    EXPECT_EQ(DriveIndexOf(s, "relative"), -1);
}

}  // namespace
}  // namespace morvanex::settings

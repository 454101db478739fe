#include <gtest/gtest.h>

#include <QSettings>
#include <functional>

#include "gui/GuiTestSupport.h"
#include "widgets/Preferences.h"

namespace morvanex::widgets {
namespace {

class PreferencesTest : public testing::Test {
  protected:
    void SetUp() override { test::ClearPreferences(); }
    static QVariant Stored(const char* name) {
        return QSettings("Pelvarin", "MorvaneX").value(QStringLiteral("Settings/") + name);
    }
    static void Store(const char* name, const QVariant& value) {
        QSettings("Pelvarin", "MorvaneX").setValue(QStringLiteral("Settings/") + name, value);
    }
    Preferences m_preferences;
};

struct IntegerPreference {
    const char* name;
    int defaultValue;
    std::function<int(const Preferences&)> get;
    std::function<void(const Preferences&, int)> set;
};

const IntegerPreference kIntegerPreferences[] = {
    {"StartWizardAtAppStart", 1, &Preferences::StartWizardAtAppStart,
     &Preferences::SetStartWizardAtAppStart},
    {"UndoFlag", 1, &Preferences::UndoFlag, &Preferences::SetUndoFlag},
    {"SettingViewer", 0, &Preferences::SettingViewer, &Preferences::SetSettingViewer},
    {"SettingViewerMoveSwitch", 0, &Preferences::SettingViewerMoveSwitch,
     &Preferences::SetSettingViewerMoveSwitch},
    {"CheckRemovableFlag", 1, &Preferences::CheckRemovableFlag,
     &Preferences::SetCheckRemovableFlag},
    {"AppExecWithOpenMVXFlag", 0, &Preferences::AppExecWithOpenMVXFlag,
     &Preferences::SetAppExecWithOpenMVXFlag},
    {"DAndDListClear", 0, &Preferences::DAndDListClear, &Preferences::SetDAndDListClear},
    {"FolderTreeSync", 0, &Preferences::FolderTreeSync, &Preferences::SetFolderTreeSync},
};

// sentinel/missing_writes_default_back, sentinel/stored_9999_counts_as_missing,
// sentinel/not_a_number_counts_as_missing, stored/value_kept, stored/setter_writes
TEST_F(PreferencesTest, IntegerGettersFollowTheSentinelRule) {
    for (const IntegerPreference& p : kIntegerPreferences) {
        SCOPED_TRACE(p.name);
        test::ClearPreferences();
        EXPECT_EQ(p.get(m_preferences), p.defaultValue);
        EXPECT_EQ(Stored(p.name).toInt(), p.defaultValue) << "default not written back";

        Store(p.name, 9999);
        EXPECT_EQ(p.get(m_preferences), p.defaultValue);
        EXPECT_EQ(Stored(p.name).toInt(), p.defaultValue);

        Store(p.name, QStringLiteral("abc"));
        EXPECT_EQ(p.get(m_preferences), p.defaultValue);

        Store(p.name, 7);
        EXPECT_EQ(p.get(m_preferences), 7);
        EXPECT_EQ(Stored(p.name).toInt(), 7);

        p.set(m_preferences, -3);
        EXPECT_EQ(Stored(p.name).toInt(), -3);
        EXPECT_EQ(p.get(m_preferences), -3);
    }
}

TEST_F(PreferencesTest, StoredWizardModeIsReadWithoutWriteBack) {
    EXPECT_EQ(m_preferences.StoredStartWizardAtAppStart(), Preferences::kMissing);
    EXPECT_FALSE(Stored("StartWizardAtAppStart").isValid());
    Store("StartWizardAtAppStart", 2);
    EXPECT_EQ(m_preferences.StoredStartWizardAtAppStart(), 2);
}

TEST_F(PreferencesTest, AutoExecPathMissingWritesEmptyText) {
    std::string path = "left over";
    EXPECT_FALSE(m_preferences.AutoExecPath(path));
    EXPECT_EQ(path, "");
    ASSERT_TRUE(Stored("AppExecWithOpenMVXFilePath").isValid());
    EXPECT_EQ(Stored("AppExecWithOpenMVXFilePath").toString(), QString());

    // The empty text now stored is a found value.
    EXPECT_TRUE(m_preferences.AutoExecPath(path));
    EXPECT_EQ(path, "");
}

TEST_F(PreferencesTest, AutoExecPathKeepsJapaneseNamesAndTreatsNotFoundAsMissing) {
    const std::string japanese = platform::Sjis("/home/user/写真/夏.mvx");
    m_preferences.SetAutoExecPath(japanese);
    EXPECT_EQ(Stored("AppExecWithOpenMVXFilePath").toString(),
              QStringLiteral("/home/user/写真/夏.mvx"));
    std::string path;
    EXPECT_TRUE(m_preferences.AutoExecPath(path));
    EXPECT_EQ(path, japanese);

    Store("AppExecWithOpenMVXFilePath", QStringLiteral("NOT_FOUND"));
    EXPECT_FALSE(m_preferences.StoredAutoExecPath().has_value());
    EXPECT_FALSE(m_preferences.AutoExecPath(path));
    EXPECT_EQ(Stored("AppExecWithOpenMVXFilePath").toString(), QString());
}

struct RectCase {
    const char* name;
    std::vector<std::pair<const char*, int>> stored;
    std::optional<WindowRect> expected;
};

TEST_F(PreferencesTest, SavedWindowRectClampsAndNeedsAllFour) {
    const int width = 1280;
    const int height = 1024;
    const RectCase cases[] = {
        {"none_saved", {}, std::nullopt},
        {"three_of_four", {{"RectLeft", 10}, {"RectTop", 20}, {"RectRight", 600}}, std::nullopt},
        {"three_of_four_without_top",
         {{"RectLeft", 10}, {"RectBottom", 500}, {"RectRight", 600}},
         std::nullopt},
        {"all_four",
         {{"RectLeft", 10}, {"RectTop", 20}, {"RectRight", 600}, {"RectBottom", 500}},
         WindowRect{10, 20, 600, 500}},
        {"negative_top",
         {{"RectLeft", 10}, {"RectTop", -40}, {"RectRight", 600}, {"RectBottom", 500}},
         WindowRect{10, 0, 600, 500}},
        {"top_below_screen",
         {{"RectLeft", 10}, {"RectTop", 1025}, {"RectRight", 600}, {"RectBottom", 500}},
         WindowRect{10, 0, 600, 500}},
        {"top_at_screen_height_kept",
         {{"RectLeft", 10}, {"RectTop", 1024}, {"RectRight", 600}, {"RectBottom", 500}},
         WindowRect{10, 1024, 600, 500}},
        {"left_beyond_screen",
         {{"RectLeft", 1500}, {"RectTop", 20}, {"RectRight", 2000}, {"RectBottom", 500}},
         WindowRect{0, 20, 2000, 500}},
        {"negative_left",
         {{"RectLeft", -5}, {"RectTop", 20}, {"RectRight", 600}, {"RectBottom", 500}},
         WindowRect{0, 20, 600, 500}},
        {"stored_9999_is_missing",
         {{"RectLeft", 9999}, {"RectTop", 20}, {"RectRight", 600}, {"RectBottom", 500}},
         std::nullopt},
    };
    for (const RectCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::ClearPreferences();
        for (const auto& [name, value] : c.stored) Store(name, value);
        EXPECT_EQ(m_preferences.SavedWindowRect(width, height), c.expected);
        // The rectangle getter never writes anything back.
        QSettings store("Pelvarin", "MorvaneX");
        EXPECT_EQ(store.allKeys().size(), static_cast<qsizetype>(c.stored.size()));
    }
}

TEST_F(PreferencesTest, WindowRectRoundTrips) {
    m_preferences.SetWindowRect({100, 50, 700, 600});
    EXPECT_EQ(m_preferences.SavedWindowRect(1920, 1080), (WindowRect{100, 50, 700, 600}));
}

TEST_F(PreferencesTest, DocumentCopiesReadFiveAndWriteFour) {
    Store("UndoFlag", 0);
    Store("FolderTreeSync", 1);
    const settings::PreferenceCopies copies = m_preferences.ReadCopies();
    EXPECT_EQ(copies.StartWizardAtAppStart, 1);
    EXPECT_EQ(copies.UndoFlag, 0);
    EXPECT_EQ(copies.CheckRemovableFlag, 1);
    EXPECT_EQ(copies.DAndDListClear, 0);
    EXPECT_EQ(copies.FolderTreeSync, 1);

    test::ClearPreferences();
    settings::PreferenceCopies changed;
    changed.StartWizardAtAppStart = 3;
    changed.UndoFlag = 0;
    changed.CheckRemovableFlag = 0;
    changed.DAndDListClear = 1;
    changed.FolderTreeSync = 1;
    m_preferences.WriteCopies(changed);
    EXPECT_FALSE(Stored("StartWizardAtAppStart").isValid());
    EXPECT_EQ(Stored("UndoFlag").toInt(), 0);
    EXPECT_EQ(Stored("CheckRemovableFlag").toInt(), 0);
    EXPECT_EQ(Stored("DAndDListClear").toInt(), 1);
    EXPECT_EQ(Stored("FolderTreeSync").toInt(), 1);
}

TEST_F(PreferencesTest, ObsoleteKeysAreRemovedButKeysWithSubkeysStay) {
    {
        QSettings older("Pelvarin", "Morvane");
        older.setValue("Settings/UndoFlag", 1);
        older.setValue("WizardSetting/StartWizardAtAppStart", 1);
        QSettings current("Pelvarin", "MorvaneX");
        current.setValue("WizardSetting/StartWizardAtAppStart", 2);
        current.setValue("Settings/UndoFlag", 0);
    }
    Preferences::RemoveObsoleteKeys();
    EXPECT_TRUE(QSettings("Pelvarin", "Morvane").allKeys().isEmpty());
    QSettings current("Pelvarin", "MorvaneX");
    EXPECT_FALSE(current.contains("WizardSetting/StartWizardAtAppStart"));
    EXPECT_EQ(current.value("Settings/UndoFlag").toInt(), 0) << "current settings untouched";

    // A key that still has a subkey is not removed.
    {
        QSettings older("Pelvarin", "Morvane");
        older.setValue("Settings/Inner/Value", 5);
    }
    Preferences::RemoveObsoleteKeys();
    EXPECT_EQ(QSettings("Pelvarin", "Morvane").value("Settings/Inner/Value").toInt(), 5);
}

}  // namespace
}  // namespace morvanex::widgets

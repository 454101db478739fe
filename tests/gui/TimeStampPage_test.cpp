#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <array>

#include "gui/GuiTestSupport.h"
#include "pages/TimeStampPage.h"

namespace morvanex::pages {
namespace {

using test::Find;

constexpr std::array<const char*, 3> kGroups{"creation", "modification", "access"};

class TimeStampPageTest : public testing::Test, protected test::WindowFixture {
  protected:
    TimeStampPageTest() : WindowFixture(test::InMemory()) {}

    void SetUp() override {
        View().SelectPage(1008);
        m_page = dynamic_cast<TimeStampPage*>(View().PageOf(1008));
        ASSERT_NE(m_page, nullptr);
    }

    template <class Widget = QCheckBox>
    Widget* Get(int group, const char* member) const {
        return Find<Widget>(m_page, QString::fromLatin1(kGroups[group]) + QLatin1String(member));
    }
    QCheckBox* Switch() const { return Find<QCheckBox>(m_page, "timeStampCheck"); }
    QCheckBox* Box(int group) const { return Get(group, "Check"); }
    QCheckBox* Exif(int group) const { return Get(group, "ExifCheck"); }
    // The copy boxes a group has: creation has only "from modification", modification only
    // "from creation"; nullptr where the group has none.
    QCheckBox* FromCreation(int group) const {
        return group == 0 ? nullptr : Get(group, "FromCreationCheck");
    }
    QCheckBox* FromModification(int group) const {
        return group == 1 ? nullptr : Get(group, "FromModificationCheck");
    }
    QDateEdit* Date(int group) const { return Get<QDateEdit>(group, "Date"); }
    QTimeEdit* Time(int group) const { return Get<QTimeEdit>(group, "Time"); }
    QPushButton* Now(int group) const { return Get<QPushButton>(group, "NowButton"); }

    // Which source box shows a check: "exif", "creation", "modification" or "".
    std::string CheckedSource(int group) const {
        if (Exif(group)->isChecked()) return "exif";
        if (FromCreation(group) != nullptr && FromCreation(group)->isChecked()) return "creation";
        if (FromModification(group) != nullptr && FromModification(group)->isChecked()) {
            return "modification";
        }
        return "";
    }
    bool PickersEnabled(int group) const {
        return Date(group)->isEnabled() && Time(group)->isEnabled() && Now(group)->isEnabled();
    }
    bool SourcesEnabled(int group) const {
        return Exif(group)->isEnabled() &&
               (FromCreation(group) == nullptr || FromCreation(group)->isEnabled()) &&
               (FromModification(group) == nullptr || FromModification(group)->isEnabled());
    }
    void Show(int enable, int make, int update, int access) {
        settings::TimeStampOptionSection& option = Settings().TimeStampOption;
        option.EnableTimeStamp = enable;
        option.EnableMakeTime = make;
        option.EnableUpdateTime = update;
        option.EnableLastAccessTime = access;
        m_page->ShowSettings();
    }

    TimeStampPage* m_page = nullptr;
};

struct GroupView {
    bool checked;
    bool boxEnabled;
    const char* source;
    bool sourcesEnabled;
    bool pickersEnabled;
};

// show/switch_on_fixed, show/switch_on_copies, show/switch_on_exif, show/switch_on_all_zero,
// show/switch_on_other_values, show/switch_off
TEST_F(TimeStampPageTest, ShowSettingsChecksAndEnablesByTheValues) {
    struct Case {
        const char* name;
        int enable;
        std::array<int, 3> values;
        std::array<GroupView, 3> groups;
    };
    const Case cases[] = {
        {"switch_on_fixed",
         1,
         {1, 1, 1},
         {{{true, true, "", true, true},
           {true, true, "", true, true},
           {true, true, "", true, true}}}},
        {"switch_on_copies",
         1,
         {3, 2, 3},
         {{{true, true, "modification", true, false},
           {true, true, "creation", true, false},
           {true, true, "modification", true, false}}}},
        {"switch_on_exif",
         1,
         {5, 5, 5},
         {{{true, true, "exif", true, false},
           {true, true, "exif", true, false},
           {true, true, "exif", true, false}}}},
        // A creation group left alone shows its copy box checked; the others show nothing.
        {"switch_on_all_zero",
         1,
         {0, 0, 0},
         {{{false, true, "modification", false, false},
           {false, true, "", false, false},
           {false, true, "", false, false}}}},
        {"switch_on_other_values",
         1,
         {2, 3, 2},
         {{{true, true, "modification", true, false},
           {true, true, "creation", true, false},
           {true, true, "creation", true, false}}}},
        {"switch_off",
         0,
         {0, 5, 2},
         {{{false, false, "", false, false},
           {true, false, "exif", false, false},
           {true, false, "creation", false, false}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Show(c.enable, c.values[0], c.values[1], c.values[2]);
        EXPECT_EQ(Switch()->isChecked(), c.enable != 0);
        for (int g = 0; g < 3; ++g) {
            SCOPED_TRACE(kGroups[g]);
            const GroupView& view = c.groups[g];
            EXPECT_EQ(Box(g)->isChecked(), view.checked);
            EXPECT_EQ(Box(g)->isEnabled(), view.boxEnabled);
            EXPECT_EQ(CheckedSource(g), view.source);
            EXPECT_EQ(SourcesEnabled(g), view.sourcesEnabled);
            EXPECT_EQ(PickersEnabled(g), view.pickersEnabled);
        }
    }
}

// store/each_value_of_each_group
TEST_F(TimeStampPageTest, StoreSettingsWritesTheValueTheBoxesName) {
    struct Case {
        int group;
        bool checked;
        const char* source;
        int value;
    };
    const Case cases[] = {
        {0, false, "", 0},
        {0, true, "", 1},
        {0, true, "modification", 3},
        {0, true, "exif", 5},
        {1, false, "exif", 0},
        {1, true, "", 1},
        {1, true, "creation", 2},
        {1, true, "exif", 5},
        {2, true, "", 1},
        {2, true, "creation", 2},
        {2, true, "modification", 3},
        {2, true, "exif", 5},
    };
    Show(1, 1, 1, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(kGroups[c.group]) + "/" + c.source);
        Show(1, 1, 1, 1);
        if (Box(c.group)->isChecked() != c.checked) Box(c.group)->click();
        const std::string source = c.source;
        if (source == "exif") Exif(c.group)->click();
        if (source == "creation") FromCreation(c.group)->click();
        if (source == "modification") FromModification(c.group)->click();
        m_page->StoreSettings();
        const settings::TimeStampOptionSection& option = Settings().TimeStampOption;
        const int stored[] = {option.EnableMakeTime, option.EnableUpdateTime,
                              option.EnableLastAccessTime};
        EXPECT_EQ(stored[c.group], c.value);
    }
}

TEST_F(TimeStampPageTest, SourceBoxesExcludeEachOtherAndDisableThePickers) {
    Show(1, 0, 0, 1);
    EXPECT_TRUE(PickersEnabled(2));
    FromCreation(2)->click();
    EXPECT_FALSE(PickersEnabled(2));
    FromModification(2)->click();
    EXPECT_EQ(CheckedSource(2), "modification");
    EXPECT_FALSE(PickersEnabled(2));
    Exif(2)->click();
    EXPECT_EQ(CheckedSource(2), "exif");
    Exif(2)->click();
    EXPECT_EQ(CheckedSource(2), "");
    EXPECT_TRUE(PickersEnabled(2));
}

TEST_F(TimeStampPageTest, CopyBoxStoresTheCopyCodeAndStillKeepsThePickers) {
    Show(1, 1, 0, 0);
    Date(0)->setDate(QDate(2001, 2, 3));
    Time(0)->setTime(QTime(4, 5, 6));
    FromModification(0)->click();
    EXPECT_FALSE(Date(0)->isEnabled());
    m_page->StoreSettings();
    EXPECT_EQ(Settings().TimeStampOption.EnableMakeTime, 3);
    const platform::LocalTime expected{2001, 2, 6, 3, 4, 5, 6, 0};  // a Saturday
    EXPECT_EQ(Settings().MakeTimeValue, expected);
}

TEST_F(TimeStampPageTest, GroupValuesAreSavedWithTheSwitchOff) {
    Show(1, 1, 5, 0);
    Switch()->click();
    EXPECT_FALSE(Box(0)->isEnabled());
    EXPECT_FALSE(Exif(1)->isEnabled());
    EXPECT_FALSE(PickersEnabled(0));
    m_page->StoreSettings();
    const settings::TimeStampOptionSection& option = Settings().TimeStampOption;
    EXPECT_EQ(option.EnableTimeStamp, 0);
    EXPECT_EQ(option.EnableMakeTime, 1);
    EXPECT_EQ(option.EnableUpdateTime, 5);
    EXPECT_EQ(option.EnableLastAccessTime, 0);

    Switch()->click();
    EXPECT_TRUE(PickersEnabled(0));
    EXPECT_TRUE(SourcesEnabled(1));
    EXPECT_FALSE(PickersEnabled(1));
    EXPECT_TRUE(Box(2)->isEnabled());
    EXPECT_FALSE(SourcesEnabled(2));
}

TEST_F(TimeStampPageTest, GroupBoxEnablesItsMembers) {
    Show(1, 0, 0, 0);
    Box(1)->click();
    EXPECT_TRUE(SourcesEnabled(1));
    EXPECT_TRUE(PickersEnabled(1));
    Exif(1)->click();
    Box(1)->click();
    EXPECT_FALSE(SourcesEnabled(1));
    Box(1)->click();
    EXPECT_TRUE(SourcesEnabled(1));
    EXPECT_FALSE(PickersEnabled(1));
}

TEST_F(TimeStampPageTest, PickersShowTheStoredTimesAndNowTakesTheClock) {
    Settings().UpdateTimeValue = {1999, 12, 5, 31, 23, 59, 58, 0};
    Show(1, 1, 1, 1);
    EXPECT_EQ(Date(1)->date(), QDate(1999, 12, 31));
    EXPECT_EQ(Time(1)->time(), QTime(23, 59, 58));
    Now(1)->click();
    EXPECT_EQ(Date(1)->date(), QDate(2003, 3, 5));
    EXPECT_EQ(Time(1)->time(), QTime(10, 20, 30));
    m_page->StoreSettings();
    const platform::LocalTime expected{2003, 3, 3, 5, 10, 20, 30, 0};
    EXPECT_EQ(Settings().UpdateTimeValue, expected);
}

TEST_F(TimeStampPageTest, PageIdIs2060) {
    EXPECT_EQ(m_page->PageId(), 2060);
}

}  // namespace
}  // namespace morvanex::pages

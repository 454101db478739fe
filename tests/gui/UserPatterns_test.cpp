#include <gtest/gtest.h>

#include <QSettings>

#include "gui/GuiTestSupport.h"
#include "settings/RegisteredPatterns.h"

namespace morvanex::shell {
namespace {

settings::RegisteredPattern Pattern(const char* utf8Name, int firstType, const char* firstText) {
    settings::RegisteredPattern pattern;
    pattern.Name = platform::Sjis(utf8Name);
    pattern.SelectedPart.fill(0);
    pattern.DigitNum.fill(3);
    pattern.SkipNum.fill(1);
    pattern.SelectedPart[0] = firstType;
    pattern.StrPart[0] = platform::Sjis(firstText);
    pattern.SelectedPart[6] = settings::kPartCreationTime;
    pattern.StrPart[6] = settings::kDefaultTimestampFormat;
    pattern.DigitNum[2] = 0;
    pattern.SkipNum[2] = -4;
    return pattern;
}

class UserPatternsTest : public testing::Test, protected test::WindowFixture {
  protected:
    UserPatternsTest() : WindowFixture(test::InMemory()) {}
};

TEST_F(UserPatternsTest, PatternsComeBackAsStored) {
    const std::vector<settings::RegisteredPattern> patterns{
        Pattern("写真", settings::kPartFixedText, "旅行_"),
        Pattern("b", settings::kPartExif, "%EMK%EST0305"),
    };
    preferences.SetUserPatterns(patterns);
    EXPECT_EQ(preferences.UserPatterns(), patterns);

    // A shorter list leaves nothing of the longer one behind.
    preferences.SetUserPatterns({patterns[1]});
    EXPECT_EQ(preferences.UserPatterns(), std::vector{patterns[1]});
    preferences.SetUserPatterns({});
    EXPECT_TRUE(preferences.UserPatterns().empty());
}

TEST_F(UserPatternsTest, DamagedEntriesAreSkippedOrCut) {
    preferences.SetUserPatterns({Pattern("a", 1, "x"), Pattern("b", 1, "y")});
    QSettings store("Pelvarin", "MorvaneX");
    store.setValue("UserPatterns/1/Name", QString());
    store.setValue("UserPatterns/2/StrPart00", QString(300, QLatin1Char('z')));
    store.setValue("UserPatterns/2/DigitNum02", QStringLiteral("many"));
    store.sync();
    const std::vector<settings::RegisteredPattern> read = preferences.UserPatterns();
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].Name, "b");
    EXPECT_EQ(read[0].StrPart[0], std::string(259, 'z'));
    EXPECT_EQ(read[0].DigitNum[2], 3);
}

TEST_F(UserPatternsTest, DocumentAddsThemAfterTheBuiltInOnesAsFarAsThereIsRoom) {
    std::vector<settings::RegisteredPattern> many;
    for (int i = 0; i < 15; ++i) {
        many.push_back(Pattern(std::to_string(i).c_str(), settings::kPartFixedText, "t"));
    }
    preferences.SetUserPatterns(many);
    Document nextStart(preferences, std::make_unique<test::MemoryFileSystem>(),
                       std::make_unique<test::FixedClock>(test::TestMoment()));
    const std::vector<settings::RegisteredPattern>& table = nextStart.Settings().RegisteredPatterns;
    ASSERT_EQ(table.size(), 20u);
    EXPECT_EQ(std::vector(table.begin(), table.begin() + 7), settings::BuiltInPatterns());
    EXPECT_EQ(table[7], many[0]);
    EXPECT_EQ(table[19], many[12]);
}

TEST_F(UserPatternsTest, ResetKeepsTheUsersPatterns) {
    preferences.SetUserPatterns({Pattern("mine", settings::kPartFixedText, "t")});
    interaction.answers = {true};
    ASSERT_TRUE(document->NewDocument());
    ASSERT_EQ(Settings().RegisteredPatterns.size(), 8u);
    EXPECT_EQ(Settings().RegisteredPatterns[7].Name, "mine");
}

}  // namespace
}  // namespace morvanex::shell

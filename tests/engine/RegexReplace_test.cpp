#include "engine/naming/RegexReplace.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/ResultCodes.h"
#include "engine/naming/NameComposer.h"
#include "platform/Codepage.h"

namespace morvanex::engine {
namespace {

using platform::Cp932FromUtf8;
using platform::Utf8FromCp932;

// Pairs as the record holds them (CP932), from UTF-8 texts.
struct Pairs {
    std::vector<std::string> before;
    std::vector<std::string> after;
};
Pairs Cp932Pairs(std::initializer_list<std::pair<const char*, const char*>> utf8) {
    Pairs pairs;
    for (const auto& [before, after] : utf8) {
        pairs.before.push_back(Cp932FromUtf8(before));
        pairs.after.push_back(Cp932FromUtf8(after));
    }
    return pairs;
}

TEST(RegexPairs, ReplacesEveryMatchOverCharacters) {
    struct Row {
        const char* name;
        std::initializer_list<std::pair<const char*, const char*>> pairs;
        std::string source;  // UTF-8, or raw host bytes
        std::string expected;
    } rows[] = {
        {"captures/swapped", {{"^(\\w+)-(\\d+)", "$2_$1"}}, "photo-12.jpg", "12_photo.jpg"},
        {"captures/whole_match", {{"\\d+", "<$0>"}}, "a12b3.txt", "a<12>b<3>.txt"},
        {"captures/named",
         {{"(?<y>\\d{4})(?<m>\\d\\d)", "${y}-${m}"}},
         "IMG_202401.jpg",
         "IMG_2024-01.jpg"},
        {"captures/number_in_braces_before_a_digit", {{"(a)", "${1}0"}}, "a.txt", "a0.txt"},
        {"captures/one_digit_only", {{"(a)", "$10"}}, "a.txt", "a0.txt"},
        {"captures/dollar", {{"x", "$$"}}, "axb", "a$b"},
        {"captures/group_not_taking_part_is_empty", {{"(a)|(b)", "[$1$2]"}}, "ab", "[a][b]"},
        {"japanese/dot_is_one_character", {{"^(.)", "$1$1"}}, "写真.jpg", "写写真.jpg"},
        {"japanese/class_of_characters",
         {{"[写真]+", "photo"}},
         "旅行写真01.jpg",
         "旅行photo01.jpg"},
        // Both end in the byte of "\\" in CP932: a character is never taken apart.
        {"japanese/trail_byte_is_no_backslash", {{"\\\\", "_"}}, "表ソ.txt", "表ソ.txt"},
        {"japanese/no_unicode_digits", {{"\\d", "#"}}, "１2.txt", "１#.txt"},
        {"foreign/emoji_found", {{"😀", "smile"}}, "a😀b.txt", "asmileb.txt"},
        {"foreign/one_character_each", {{"^.(.)", "$1"}}, "😀é.txt", "é.txt"},
        {"foreign/hangul_captured", {{"(사진)_(\\d+)", "$2 $1"}}, "사진_7.png", "7 사진.png"},
        {"foreign/stray_byte_kept", {{"caf", "CAF"}}, "caf\xE9.txt", "CAF\xE9.txt"},
        {"foreign/stray_byte_never_matched", {{"f.\\.", "X"}}, "caf\xE9.txt", "caf\xE9.txt"},
        {"anchor/start", {{"^IMG", "P"}}, "IMG_IMG.jpg", "P_IMG.jpg"},
        {"anchor/end", {{"\\.JPG$", ".jpg"}}, "A.JPG.JPG", "A.JPG.jpg"},
        {"anchor/no_match_leaves_name", {{"^x", "y"}}, "axb", "axb"},
        {"empty/star_between_characters", {{"x*", "-"}}, "ab", "-a-b-"},
        {"empty/steps_a_whole_character", {{"x*", "-"}}, "写真", "-写-真-"},
        {"empty/then_non_empty_at_same_place", {{"x*", "-"}}, "axb", "-a--b-"},
        // A byte that is not UTF-8 is a character of its own, with a place before it.
        {"empty/before_a_stray_continuation_byte",
         {{"x*", "-"}},
         "a\x80"
         "b",
         "-a-\x80-b-"},
        {"empty/before_a_stray_byte_at_the_end", {{"x*", "-"}}, "ab\x80", "-a-b-\x80-"},
        {"empty/before_a_stray_lead_byte",
         {{"x*", "-"}},
         "a\xE9"
         "b",
         "-a-\xE9-b-"},
        {"empty/after_a_cut_sequence_at_the_end", {{"x*", "-"}}, "a\xE5\x86", "-a-\xE5\x86-"},
        {"empty/lookahead", {{"(?=b)", "|"}}, "abab", "a|ba|b"},
        {"empty/end_only", {{"$", "!"}}, "ab", "ab!"},
        {"order/each_on_the_result_before", {{"a", "b"}, {"b", "c"}}, "ab", "cc"},
        {"order/empty_before_is_skipped", {{"", "zzz"}, {"a", "b"}}, "aa", "bb"},
        {"case/inline_caseless", {{"(?i)img", "P"}}, "Img_iMG", "P_P"},
    };
    for (const auto& row : rows) {
        const Pairs pairs = Cp932Pairs(row.pairs);
        RegexPairs regex;
        std::string detail;
        ASSERT_TRUE(regex.Compile(pairs.before, pairs.after, detail))
            << row.name << ": " << Utf8FromCp932(detail);
        std::string name = Cp932FromUtf8(row.source);
        ASSERT_EQ(regex.Apply(name, detail), kSuccess) << row.name;
        EXPECT_EQ(Utf8FromCp932(name), row.expected) << row.name;
        // The same compiled pairs serve the next name alike.
        std::string again = Cp932FromUtf8(row.source);
        ASSERT_EQ(regex.Apply(again, detail), kSuccess);
        EXPECT_EQ(again, name) << row.name;
    }
}

TEST(RegexPairs, APairThatCannotBeUsedStopsTheSetUpWithItsReason) {
    struct Row {
        const char* name;
        std::size_t pair;  // 0-based
        const char* before;
        const char* after;
        std::vector<std::string> expected;  // parts of the message, UTF-8
    } rows[] = {
        {"pattern/unclosed_group",
         2,
         "(abc",
         "",
         {"置換前の文字列3 : (abc", "missing closing parenthesis", "位置 4"}},
        {"pattern/offset_counts_characters", 0, "写真(", "", {"置換前の文字列1 : 写真(", "位置 3"}},
        {"pattern/trailing_backslash", 0, "a\\", "", {"\\ at end of pattern"}},
        {"pattern/quantifier_without_target",
         4,
         "*a",
         "",
         {"置換前の文字列5", "quantifier does not follow", "位置 0"}},
        {"pattern/single_bytes_refused", 0, "a\\C", "", {"\\C is disabled"}},
        {"after/unknown_group",
         0,
         "(a)",
         "$2",
         {"置換後の文字列1 : $2", "グループ 2 はありません(この正規表現のグループは 1 個です)"}},
        {"after/unknown_name",
         1,
         "(?<y>a)",
         "${x}",
         {"置換後の文字列2 : ${x}", "名前が x のグループはありません"}},
        {"after/lone_dollar",
         0,
         "a",
         "b$",
         {"置換後の文字列1 : b$", "$ の後には 0-9、{名前}、$ のいずれかを書きます(2文字目の $)"}},
        {"after/empty_braces", 0, "a", "${}", {"置換後の文字列1 : ${}", "$ の後には"}},
    };
    for (const auto& row : rows) {
        settings::StringChangeOptionSection option;
        option.EnableStringChange = 1;
        option.UseRegex = 1;
        option.ChangeBefore[row.pair] = Cp932FromUtf8(row.before);
        option.ChangeAfter[row.pair] = Cp932FromUtf8(row.after);
        const std::string message = Utf8FromCp932(RegexPairsProblem(option));
        EXPECT_TRUE(
            message.starts_with("Error Code : 19\nError Define : MRVN_ERROR_BAD_REGEX "
                                "\n文字列置換の正規表現を使えません。\n"))
            << row.name << "\n"
            << message;
        for (const std::string& part : row.expected) {
            EXPECT_NE(message.find(part), std::string::npos) << row.name << ": " << part << "\n"
                                                             << message;
        }
        // Not regular expressions, or no replacement at all: nothing to complain about.
        option.UseRegex = 0;
        EXPECT_EQ(RegexPairsProblem(option), "") << row.name;
        option.UseRegex = 1;
        option.EnableStringChange = 0;
        EXPECT_EQ(RegexPairsProblem(option), "") << row.name;
    }
}

std::string Repeat(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

TEST(RegexPairs, MatchingThatBacktracksWithoutEndGivesUpAndLeavesTheName) {
    struct Row {
        const char* name;
        const char* pattern;
        std::string source;
    } rows[] = {
        {"bomb/nested_plus", "(a+)+$", std::string(60, 'a') + "b"},
        {"bomb/overlapping_alternation", "(a|aa)+$", std::string(60, 'a') + "b"},
        {"bomb/japanese_alternation", "(写|写写)+$", Repeat("写", 60) + ".jpg"},
    };
    for (const auto& row : rows) {
        const Pairs pairs = Cp932Pairs({{"ok", "fine"}, {row.pattern, "X"}});
        RegexPairs regex;
        std::string detail;
        ASSERT_TRUE(regex.Compile(pairs.before, pairs.after, detail)) << row.name;
        const std::string source = Cp932FromUtf8("ok" + row.source);
        std::string name = source;
        EXPECT_EQ(regex.Apply(name, detail), MRVN_ERROR_BAD_REGEX) << row.name;
        EXPECT_EQ(name, source) << row.name << ": the first pair's change is not kept either";
        const std::string text = Utf8FromCp932(detail);
        EXPECT_TRUE(text.starts_with(std::string("置換前の文字列2 : ") + row.pattern +
                                     "\n照合を打ち切りました: "))
            << row.name << "\n"
            << text;
        EXPECT_NE(text.find("limit"), std::string::npos) << row.name << "\n" << text;
    }
}

// PCRE2 starts its own match limit again at every start position: what one name may cost is
// counted over all positions and all pairs together.
TEST(RegexPairs, OneNameHasOneBudgetForAllPositionsAndPairs) {
    struct Row {
        const char* name;
        const char* pattern;
        std::size_t pairs;  // the pattern in this many pairs
        std::string source;
        int expected;
    } rows[] = {
        {"positions/alternation_under_repetition", "(?:a|a){1,12}[xy]", 1, std::string(200, 'a'),
         MRVN_ERROR_BAD_REGEX},
        {"positions/japanese", "(?:写|写){1,12}[xy]", 1, Repeat("写", 200), MRVN_ERROR_BAD_REGEX},
        {"pairs/one_is_answered", "(?:a|a){1,11}[xy]", 1, std::string(30, 'a'), kSuccess},
        {"pairs/ten_share_the_budget", "(?:a|a){1,11}[xy]", 10, std::string(30, 'a'),
         MRVN_ERROR_BAD_REGEX},
    };
    for (const auto& row : rows) {
        const std::vector<std::string> before(row.pairs, Cp932FromUtf8(row.pattern));
        const std::vector<std::string> after(row.pairs, "X");
        RegexPairs regex;
        std::string detail;
        ASSERT_TRUE(regex.Compile(before, after, detail)) << row.name;
        // The budget is the name's: a second name has all of it again.
        for (int name = 0; name < 2; ++name) {
            std::string text = Cp932FromUtf8(row.source);
            EXPECT_EQ(regex.Apply(text, detail), row.expected) << row.name;
            EXPECT_EQ(text, Cp932FromUtf8(row.source)) << row.name;
        }
        EXPECT_TRUE(row.expected == kSuccess || detail.find("match limit") != std::string::npos);
    }
}

// What people write to rename files stays far within the budget, in all ten pairs at once, on a
// name of the full 259 bytes.
TEST(RegexPairs, OrdinaryPatternsNeverReachTheBudget) {
    std::string name = Repeat("IMG_20240315_123456 Trip to 京都 旅行写真 (edit) ", 5);
    name = platform::CutToFit(Cp932FromUtf8(name), 250);
    name += std::string(250 - name.size(), ' ') + "_0001.JPG";
    ASSERT_EQ(name.size(), platform::kMaxTextBytes);
    for (const auto& [before, after] : std::initializer_list<std::pair<const char*, const char*>>{
             {"(\\d{4})[-_.]?(\\d{2})[-_.]?(\\d{2})", "$3.$2.$1"},
             {"^IMG_(\\d{8})_(\\d{6})", "${1}T$2"},
             {"^(.*?)(\\d+)(\\.[^.]+)$", "$2_$1$3"},
             {"(\\d+)(?=\\.[^.]+$)", "n$1"},
             {"(?i)\\.jpe?g$", ".jpg"},
             {"\\b(\\w)(\\w*)", "$2$1"},
             {"[一-龯]+|[ぁ-んァ-ヶー]+", "[$0]"},
             {"(?<place>[^ ]+) (?<kind>旅行)", "${kind}_${place}"},
             {"\\s*\\(([^)]*)\\)|\\s+", "_$1"},
             {"^(.*)_(.*)$", "$2_$1"},
         }) {
        const std::vector<std::string> befores(kReplacementPairs, Cp932FromUtf8(before));
        const std::vector<std::string> afters(kReplacementPairs, Cp932FromUtf8(after));
        RegexPairs regex;
        std::string detail, text = name;
        ASSERT_TRUE(regex.Compile(befores, afters, detail)) << before;
        EXPECT_EQ(regex.Apply(text, detail), kSuccess) << before << ": " << Utf8FromCp932(detail);
    }
}

// The composer never compiles a pattern per name: the run compiles the pairs once, in its
// set-up check, and a composer that was not prepared refuses rather than compiling.
TEST(RegexPairs, TheComposerUsesThePairsCompiledOnce) {
    NameRules rules;
    rules.rename = false;
    rules.replace = true;
    rules.regex = true;
    rules.before[0] = "^(\\d+)_";
    rules.after[0] = "$1-";
    NameComposer composer({}, rules);
    PartCounters counters;
    ExifAccessor exif{ExifData{}};
    const FileFacts facts = SplitSourcePath("/p/12_a.txt", platform::ExtensionRule::LastPeriod);
    std::string name;
    std::string detail;
    EXPECT_EQ(composer.Compose(counters, facts, exif, name, &detail), MRVN_ERROR_BAD_REGEX);

    ASSERT_EQ(composer.PrepareReplacements(detail), kSuccess);
    EXPECT_EQ(composer.Compose(counters, facts, exif, name, &detail), kSuccess);
    EXPECT_EQ(name, "12-a.txt");

    rules.before[1] = "(";
    NameComposer broken({}, rules);
    EXPECT_EQ(broken.PrepareReplacements(detail), MRVN_ERROR_BAD_REGEX);
    EXPECT_NE(Utf8FromCp932(detail).find("置換前の文字列2 : ("), std::string::npos);
}

}  // namespace
}  // namespace morvanex::engine

#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Codepage.h"

namespace morvanex::platform {
namespace {

// "caf\xE9" is a folder named in Latin-1: its last byte is a CP932 lead byte. "\x82\x82" is one
// character whose second byte has a lead byte's value; "\x95\x5C" (表) has a backslash's.
TEST(Paths, SeparatorIsNeverTakenIntoACharacter) {
    const struct {
        const char* name;
        std::string path;
        bool endsInside;
        bool wellFormed;
        std::string withSeparator;
    } rows[] = {
        {"plain/without", "/photos", false, true, "/photos/"},
        {"plain/with", "/photos/", false, true, "/photos/"},
        {"plain/empty", "", false, true, "/"},
        {"double_byte/whole", Sjis("/写真"), false, true, Sjis("/写真/")},
        {"double_byte/trail_with_lead_value", "/\x82\x82", false, true, "/\x82\x82/"},
        {"double_byte/trail_backslash", "/\x95\x5C", false, true, "/\x95\x5C/"},
        {"lone_lead/latin1_name", "/photos/caf\xE9", true, false, ""},
        {"lone_lead/after_a_pair", "/\x82\x82\xE9", true, false, ""},
        {"lone_lead/only", "\x81", true, false, ""},
        // The separator already there is that character's second byte: the one appended
        // stands alone.
        {"swallowed/at_end", "/caf\xE9/", false, false, "/caf\xE9//"},
        {"swallowed/inside", "/caf\xE9/2024", false, false, "/caf\xE9/2024/"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(EndsInsideCharacter(row.path), row.endsInside);
        EXPECT_EQ(IsWellFormedPath(row.path), row.wellFormed);
        const std::string joined = WithTrailingSeparator(row.path);
        EXPECT_EQ(joined, row.withSeparator);
        if (!joined.empty()) {
            EXPECT_TRUE(EndsWithSeparator(joined)) << "the appended separator is a character";
            EXPECT_EQ(DirectoryOf(joined + "a.jpg"), joined) << "the file stays in this folder";
            EXPECT_EQ(JoinPath(row.path, "a.jpg"), joined + "a.jpg");
        } else {
            EXPECT_EQ(JoinPath(row.path, "a.jpg"), "") << "never a name relative to elsewhere";
        }
    }
}

TEST(Paths, AbsolutePathsStartAtTheRoot) {
    const std::pair<const char*, bool> rows[] = {
        {"/", true},  {"/home/u/", true}, {"", false},           {"..", false},
        {".", false}, {"a/b", false},     {"~/Pictures", false}, {" /x", false},
    };
    for (const auto& [path, absolute] : rows) EXPECT_EQ(IsAbsolutePath(path), absolute) << path;
}

// What the root test of a run compares: where the text alone leads.
TEST(Paths, LexicallyNormalResolvesDotsAndRepeatedSeparators) {
    const std::pair<const char*, const char*> rows[] = {
        {"/", "/"},
        {"/.", "/"},
        {"/./", "/"},
        {"//", "/"},
        {"/tmp/..", "/"},
        {"/usr/../", "/"},
        {"/..", "/"},
        {"/../tmp", "/tmp"},
        {"/home//u/./photos/", "/home/u/photos"},
        {"/home/u/..photos", "/home/u/..photos"},
        {"relative/../x", "relative/../x"},
    };
    for (const auto& [path, normal] : rows) EXPECT_EQ(LexicallyNormal(path), normal) << path;
}

TEST(Paths, WindowsNamesHoldNoForbiddenCharacterAndNoTrailingBlankOrPeriod) {
    const std::pair<std::string, bool> rows[] = {
        {"a.txt", true},           {"a:b.txt", false},      {"what?.jpg", false},
        {"say \"hi\".txt", false}, {"a<b>c|d*.txt", false}, {"back\\slash", false},
        {"one.txt ", false},       {"two.txt.", false},     {". leading", true},
        {Sjis("表.txt"), true},  // its second byte has a backslash's value
        {Sjis("ソ"), true},      // \x83\x5C at the end: not a blank or period
        {Sjis("写真 "), false},
    };
    for (const auto& [name, allowed] : rows) EXPECT_EQ(IsWindowsName(name), allowed) << name;
}

}  // namespace
}  // namespace morvanex::platform

#include "platform/TextEscape.h"

#include <gtest/gtest.h>

#include <string>

namespace morvanex::platform {
namespace {

TEST(TextEscape, EveryNameTakesOneLineAndComesBackByteForByte) {
    struct Row {
        const char* name;
        std::string text;
        std::string controls;  // as the tsv preview writes it
        std::string invalid;   // with bytes that are not UTF-8 escaped too
    } rows[] = {
        {"plain/ascii", "IMG_0001.jpg", "IMG_0001.jpg", "IMG_0001.jpg"},
        {"plain/japanese", "写真.jpg", "写真.jpg", "写真.jpg"},
        {"controls/tab", "a\tb", "a\\tb", "a\\tb"},
        {"controls/line_breaks", "a\r\nb\n", "a\\r\\nb\\n", "a\\r\\nb\\n"},
        {"controls/backslash", "a\\tb\\", "a\\\\tb\\\\", "a\\\\tb\\\\"},
        {"controls/other_as_hex", std::string("\x01\x1F\x7F", 3), "\\x01\\x1F\\x7F",
         "\\x01\\x1F\\x7F"},
        {"controls/nul", std::string("a\0b", 3), "a\\x00b", "a\\x00b"},
        {"bytes/latin1_kept_or_escaped", "caf\xE9.txt", "caf\xE9.txt", "caf\\xE9.txt"},
        {"bytes/stray_continuation", "a\x80", "a\x80", "a\\x80"},
        {"bytes/cut_sequence", "\xE5\x86", "\xE5\x86", "\\xE5\\x86"},
        {"bytes/overlong_slash", "\xC0\xAF", "\xC0\xAF", "\\xC0\\xAF"},
        {"bytes/surrogate", "\xED\xA0\x80", "\xED\xA0\x80", "\\xED\\xA0\\x80"},
        {"bytes/emoji_is_utf8", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Escaped(row.text), row.controls) << row.name;
        EXPECT_EQ(Escaped(row.text, EscapeBytes::kControlsAndInvalidUtf8), row.invalid) << row.name;
        for (const std::string& written : {row.controls, row.invalid}) {
            EXPECT_EQ(written.find_first_of("\t\r\n"), std::string::npos) << row.name;
            std::string back;
            ASSERT_TRUE(Unescape(written, back)) << row.name;
            EXPECT_EQ(back, row.text) << row.name;
        }
    }
}

TEST(TextEscape, AnEscapeThatMeansNothingIsRefusedWhereItStands) {
    struct Row {
        const char* name;
        std::string text;
        std::size_t offset;
    } rows[] = {
        {"backslash_at_the_end", "abc\\", 3},  {"unknown_letter", "a\\qb", 1},
        {"hex_digit_missing", "a\\x4", 1},     {"hex_not_hexadecimal", "\\xG0", 0},
        {"after_a_good_one", "\\t\\u0041", 2},
    };
    for (const Row& row : rows) {
        std::string out;
        std::size_t offset = 999;
        EXPECT_FALSE(Unescape(row.text, out, &offset)) << row.name;
        EXPECT_EQ(offset, row.offset) << row.name;
    }
    // Hexadecimal digits are read in either case.
    std::string out;
    ASSERT_TRUE(Unescape("\\x7f\\x7F", out));
    EXPECT_EQ(out, "\x7F\x7F");
}

}  // namespace
}  // namespace morvanex::platform

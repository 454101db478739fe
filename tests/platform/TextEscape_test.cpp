#include "platform/TextEscape.h"

#include <gtest/gtest.h>

namespace morvanex::platform {
namespace {

TEST(TextEscape, EveryNameTakesOneLineAndComesBackByteForByte) {
    struct Row {
        const char* name;
        std::string text, controls, invalid;  // the name; as tsv writes it; bytes not UTF-8 too
    } rows[] = {
        {"plain/japanese", "写真 1.jpg", "写真 1.jpg", "写真 1.jpg"},
        {"controls/tab_and_line_breaks", "a\tb\r\n", "a\\tb\\r\\n", "a\\tb\\r\\n"},
        {"controls/backslash_before_a_letter", "a\\t", "a\\\\t", "a\\\\t"},
        {"controls/others_as_hex", std::string("\0\x1F\x7F", 3), "\\x00\\x1F\\x7F",
         "\\x00\\x1F\\x7F"},
        {"bytes/latin1", "caf\xE9", "caf\xE9", "caf\\xE9"},
        {"bytes/overlong_and_cut", "\xC0\xAF\xE5\x86", "\xC0\xAF\xE5\x86", "\\xC0\\xAF\\xE5\\x86"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Escaped(row.text), row.controls) << row.name;
        EXPECT_EQ(Escaped(row.text, EscapeBytes::kControlsAndInvalidUtf8), row.invalid) << row.name;
        for (const std::string& written : {row.controls, row.invalid}) {
            std::string back;
            EXPECT_TRUE(Unescape(written, back) && back == row.text) << row.name;
        }
    }
    // The reverse refuses an escape that means nothing, and says where it stands.
    for (const auto& [text, offset] : {std::pair{"abc\\", 3}, {"a\\qb", 1}, {"\\t\\x4", 2}}) {
        std::string out;
        std::size_t at = 0;
        EXPECT_FALSE(Unescape(text, out, &at)) << text;
        EXPECT_EQ(at, static_cast<std::size_t>(offset)) << text;
    }
}

}  // namespace
}  // namespace morvanex::platform

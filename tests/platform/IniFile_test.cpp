#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace morvanex::platform {
namespace {

TEST(IniFile, ReadsWithPrivateProfileSemantics) {
    const std::string text =
        "\xEF\xBB\xBF[Main]\r\n"
        "Plain=value\r\n"
        "  Spaced  =   padded value   \r\n"
        "Quoted=\"  keep blanks  \"\r\n"
        "Single='x'\r\n"
        "Unbalanced=\"x'\r\n"
        "Dup=first\r\n"
        "dup=second\r\n"
        "Empty=\r\n"
        "NoEquals\r\n"
        "; comment=ignored\r\n"
        "\x8E\xCA\x90\x5E"
        "A=kanji then a letter\r\n"
        "\x83\x41x=trail byte A\r\n"
        "\x83\x61x=trail byte a\r\n"
        "[main]\r\n"
        "Later=in a duplicate section\r\n"
        "[Other]\n"
        "LfOnly=yes\n";
    const IniReader reader(text);
    struct Row {
        const char* name;
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    } rows[] = {
        {"plain", "Main", "Plain", "value"},
        {"section_case", "MAIN", "plain", "value"},
        {"blanks_trimmed", "Main", "Spaced", "padded value"},
        {"quotes_removed_inner_blanks_kept", "Main", "Quoted", "  keep blanks  "},
        {"single_quotes_removed", "Main", "Single", "x"},
        {"unbalanced_quotes_kept", "Main", "Unbalanced", "\"x'"},
        {"first_duplicate_key_wins", "Main", "DUP", "first"},
        {"empty_value", "Main", "Empty", ""},
        {"line_without_equals", "Main", "NoEquals", std::nullopt},
        {"comment", "Main", "; comment", std::nullopt},
        {"duplicate_section_ignored", "Main", "Later", std::nullopt},
        // A letter folds where it is a character of its own, never as a trail byte.
        {"letter_after_double_byte_folded", "Main",
         "\x8E\xCA\x90\x5E"
         "a",
         "kanji then a letter"},
        {"trail_byte_A_kept", "Main", "\x83\x41X", "trail byte A"},
        {"trail_byte_a_kept", "main", "\x83\x61x", "trail byte a"},
        {"lf_lines", "Other", "LfOnly", "yes"},
        {"missing_section", "Nope", "Plain", std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(reader.Find(row.section, row.key), row.expected) << row.name;
    EXPECT_EQ(reader.GetString("Main", "Missing", "NOT_FOUND"), "NOT_FOUND");
    EXPECT_EQ(reader.GetString("Main", "Plain", "", 4), "val");
}

TEST(IniFile, WrittenValuesReadBackIdentical) {
    const std::string values[] = {"",       "plain",      " lead",           "trail ",
                                  "\t tab", "\"quoted\"", "'single'",        "\"",
                                  "a\"b",   "=equals=",   "\x95\x5C\x82\xA0"};
    IniWriter writer;
    for (std::size_t i = 0; i < std::size(values); ++i) {
        writer.Set("S", "K" + std::to_string(i), values[i]);
    }
    const IniReader reader(writer.Text());
    for (std::size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(reader.Find("S", "K" + std::to_string(i)), values[i]) << '[' << values[i] << ']';
    }
}

TEST(IniFile, WriterUsesCrLfAndOneHeaderPerSection) {
    IniWriter writer;
    writer.Set("A", "x", "1");
    writer.Set("A", "y", "2");
    writer.Set("B", "z", "");
    EXPECT_EQ(writer.Text(), "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=\r\n");
}

TEST(IniFile, HostileInputNeitherCrashesNorHangs) {
    const std::string longLine = "[S]\r\nK=" + std::string(100000, 'v') + "\r\n";
    const IniReader longReader(longLine);
    EXPECT_EQ(longReader.Find("S", "K")->size(), 100000u);
    EXPECT_EQ(longReader.GetString("S", "K", "").size(), 2047u);

    std::mt19937 random(7);
    std::string noise(1 << 16, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    const IniReader noiseReader(noise);
    (void)noiseReader.GetString("SelectFile", "FullPath", "NOT_FOUND");
    const IniReader unterminated("[Section");
    EXPECT_FALSE(unterminated.Find("Section", "x"));
}

}  // namespace
}  // namespace morvanex::platform

#include "engine/naming/NameSteps.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "engine/naming/TextRange.h"
#include "platform/Codepage.h"

namespace morvanex::engine {
namespace {

using platform::ExtensionRule;
using platform::Sjis;

// "ア" is 83 41: its trail byte is the letter A.
const std::string kKatakanaA = "\x83\x41";
// The user-defined character U+E000 of a Windows text.
const std::string kGaiji = "\xF0\x40";

TEST(NameSteps, Range) {
    struct Row {
        const char* name;
        std::string text, range, expected;
    } rows[] = {
        {"range/first_three", "ABCDE", "0103", "ABC"},
        {"range/end_zero_becomes_one", "ABCDE", "0300", "A"},
        {"range/past_end", "ABC", "0909", "C"},
        {"range/end_past_text", "ABCDE", "0310", "CDE"},
        {"range/reversed", "ABCDE", "0402", "B"},
        {"range/whole", "ABCDE", "0105", "ABCDE"},
        {"range/double_byte_characters_count_once", Sjis("写真ABC"), "0102", Sjis("写真")},
        {"range/double_byte_middle", Sjis("写真ABC"), "0203", Sjis("真A")},
        {"range/last_character_double_byte", Sjis("AB写"), "0303", Sjis("写")},
        {"range/pairs_count_once", Sjis("가사진AB"), "0204", Sjis("사진A")},
        {"range/positions_ten_to_twelve", "ABCDEFGHIJKLMN", "0A0C", "JKL"},
        {"range/lower_case_hex", "ABCDEFGHIJKLMN", "0a0c", "JKL"},
        {"range/not_hex_is_zero", "ABCDE", "0G03", "ABC"},
        {"range/too_short_is_one_to_one", "ABCDE", "7", "A"},
        {"range/empty_range", "ABCDE", "", "A"},
        {"range/end_missing", "ABCDE", "03", "A"},
        {"range/empty_text", "", "0103", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CharacterRange(row.text, row.range), row.expected) << row.name;
    }
    EXPECT_EQ(ParseRange("0A0c").first, 10);
    EXPECT_EQ(ParseRange("0A0c").last, 12);
}

TEST(NameSteps, ZeroFill) {
    struct Row {
        const char* name;
        long long value;
        int digits;
        std::string expected;
    } rows[] = {
        {"fill/three_digits", 5, 3, "005"},
        {"fill/longer_number_never_cut", 1234, 3, "1234"},
        {"fill/zero_digits_no_fill", 7, 0, "7"},
        {"fill/negative_digits_no_fill", 7, -2, "7"},
        {"fill/zero", 0, 3, "000"},
        {"fill/eight_digits", 42, 8, "00000042"},
        {"fill/negative_like_printf", -5, 3, "-05"},
        {"fill/beyond_32_bits", 99999999999LL, 3, "99999999999"},
    };
    for (const auto& row : rows) {
        std::string out = "x";
        AppendZeroFilled(out, row.value, row.digits);
        EXPECT_EQ(out, "x" + row.expected) << row.name;
    }
}

struct StepRow {
    const char* name;
    std::string input;
    int parameter;
    std::string expected;  // after the final step
    ExtensionRule rule = ExtensionRule::LastPeriod;
};

TEST(NameSteps, AlignDigits) {
    const StepRow rows[] = {
        {"align/pads_to_width", "img7.jpg", 3, "img007.jpg"},
        {"align/leading_zeros_vanish", "0012.jpg", 2, "12.jpg"},
        {"align/no_digit_unchanged", "photo.jpg", 3, "photo.jpg"},
        {"align/digit_not_at_end_unchanged", "7photo.jpg", 3, "7photo.jpg"},
        {"align/no_extension", "123", 5, "00123"},
        {"align/longer_run_keeps_its_digits", "img12345.jpg", 3, "img12345.jpg"},
        {"align/all_zeros", "a000.jpg", 2, "a00.jpg"},
        {"align/width_one", "a007.jpg", 1, "a7.jpg"},
        {"align/run_longer_than_32_bits", "a0000123456789012345.jpg", 3, "a123456789012345.jpg"},
        {"align/last_period_splits", "v1.2.txt", 3, "v1.002.txt"},
        {"align/first_period_splits", "v1.2.txt", 3, "v001.2.txt", ExtensionRule::FirstPeriod},
        {"align/after_double_byte", Sjis("写真7.jpg"), 2, Sjis("写真07.jpg")},
        // A lead byte takes the byte after it, even a digit: that is no digit of the name.
        {"align/digit_as_trail_byte",
         "ab\x83"
         "1.jpg",
         3,
         "ab\x83"
         "1.jpg"},
        {"align/empty_base", ".jpg", 3, ".jpg"},
    };
    for (const auto& row : rows) {
        std::string name = row.input;
        AlignDigits(name, row.parameter, row.rule);
        RemoveTrailingPeriod(name);
        EXPECT_EQ(name, row.expected) << row.name;
    }
    std::string withoutExtension = "123";
    AlignDigits(withoutExtension, 5, ExtensionRule::LastPeriod);
    EXPECT_EQ(withoutExtension, "00123.") << "align/adds_a_period_before_the_final_step";
}

TEST(NameSteps, LetterCase) {
    const StepRow rows[] = {
        {"case/mode0_upper", "abc.txt", 0, "ABC.TXT"},
        {"case/mode1_lower", "ABC.TXT", 1, "abc.txt"},
        {"case/mode2_capitalise", "ABC.TXT", 2, "Abc.txt"},
        {"case/mode2_first_character_double_byte", kKatakanaA + "BC", 2, kKatakanaA + "bc"},
        {"case/mode3_base_upper", "abc.txt", 3, "ABC.txt"},
        {"case/mode3_adds_period_final_step_removes_it", "abc", 3, "ABC"},
        {"case/mode4_base_lower", "ABC.TXT", 4, "abc.TXT"},
        {"case/mode5_last_extension_upper", "a.b.txt", 5, "a.b.TXT"},
        {"case/mode5_first_period_rule", "a.b.txt", 5, "a.B.TXT", ExtensionRule::FirstPeriod},
        {"case/mode6_extension_lower", "ABC.TXT", 6, "ABC.txt"},
        {"case/mode7_unchanged", "aBc.TxT", 7, "aBc.TxT"},
        {"case/negative_mode_unchanged", "aBc.TxT", -1, "aBc.TxT"},
        {"case/trail_byte_is_not_a_letter", kKatakanaA + "B.TXT", 1, kKatakanaA + "b.txt"},
        {"case/trail_byte_in_base", "x" + kKatakanaA + ".txt", 4, "x" + kKatakanaA + ".txt"},
        {"case/full_width_letters_unchanged", Sjis("ＡＢｃ.txt"), 0, Sjis("ＡＢｃ.TXT")},
        {"case/mode2_empty", "", 2, ""},
        // Ź's pair ends in the byte of A.
        {"case/letter_inside_a_pair", Sjis("ŹB.TXT"), 1, Sjis("Ź") + "b.txt"},
    };
    for (const auto& row : rows) {
        std::string name = row.input;
        ChangeLetterCase(name, row.parameter, row.rule);
        RemoveTrailingPeriod(name);
        EXPECT_EQ(name, row.expected) << row.name;
    }
}

TEST(NameSteps, Replace) {
    struct Row {
        const char* name;
        std::string input;
        std::array<std::string, 10> before, after;
        std::string expected;
    } rows[] = {
        {"replace/simple", "a b c", {" "}, {"_"}, "a_b_c"},
        {"replace/empty_before_skipped", "abc", {"", "b"}, {"X", "y"}, "ayc"},
        {"replace/to_nothing", "a-b-c", {"-"}, {""}, "abc"},
        {"replace/case_sensitive", "Aa", {"a"}, {"x"}, "Ax"},
        {"replace/not_overlapping", "aaa", {"aa"}, {"b"}, "ba"},
        {"replace/left_to_right_once", "ab", {"a"}, {"aa"}, "aab"},
        {"replace/each_pair_on_previous_result", "a", {"a", "b"}, {"b", "c"}, "c"},
        {"replace/tenth_pair_applies",
         "a",
         {"", "", "", "", "", "", "", "", "", "a"},
         {"", "", "", "", "", "", "", "", "", "z"},
         "z"},
        {"replace/never_from_a_trail_byte", kKatakanaA + "A", {"A"}, {"B"}, kKatakanaA + "B"},
        {"replace/double_byte_text", Sjis("写真の写真"), {Sjis("写真")}, {"p"}, Sjis("pのp")},
        {"replace/pair", Sjis("사진사"), {Sjis("사")}, {"s"}, "s" + Sjis("진") + "s"},
        // A Windows job's user-defined U+E000 is the code é's pair begins with.
        {"replace/user_defined_never_inside_a_pair",
         Sjis("é") + kGaiji + ".txt",
         {kGaiji},
         {"g"},
         Sjis("é") + "g.txt"},
    };
    for (const auto& row : rows) {
        std::string name = row.input;
        ReplaceStrings(name, row.before, row.after);
        EXPECT_EQ(name, row.expected) << row.name;
    }
}

TEST(NameSteps, FinalStep) {
    struct Row {
        const char* name;
        std::string input, expected;
    } rows[] = {
        {"final/one_period_removed", "x.", "x"},
        {"final/two_periods_leave_one", "x..", "x."},
        {"final/no_period", "x", "x"},
        {"final/empty", "", ""},
        {"final/period_only", ".", ""},
        // 0x2E after a lead byte is that character's second byte, not a period.
        {"final/trail_byte_period", "a\x83.", "a\x83."},
    };
    for (const auto& row : rows) {
        std::string name = row.input;
        RemoveTrailingPeriod(name);
        EXPECT_EQ(name, row.expected) << row.name;
    }
}

}  // namespace
}  // namespace morvanex::engine

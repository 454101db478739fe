#include "platform/Codepage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace morvanex::platform {
namespace {

// "あ" 82 A0, "ア" 83 41 (its trail byte is the letter A), "表" 95 5C (trail byte is a backslash).
const std::string kA = "\x82\xA0";
const std::string kKatakanaA = "\x83\x41";
const std::string kHyo = "\x95\x5C";

TEST(Codepage, LengthCountsDoubleByteCharactersOnce) {
    struct Row {
        const char* name;
        std::string text;
        std::size_t chars;
    } rows[] = {
        {"empty", "", 0},
        {"ascii", "ABC", 3},
        {"mixed", Sjis("写真ABC"), 5},
        {"kana_with_letter_trail", kKatakanaA + "A", 2},
        {"lone_lead_at_end", "A\x82", 2},
        {"halfwidth_katakana", "\xB1\xB2", 2},
    };
    for (const auto& row : rows) EXPECT_EQ(CharCount(row.text), row.chars) << row.name;
}

TEST(Codepage, FindNeverStartsOnATrailByte) {
    struct Row {
        const char* name;
        std::string text, what;
        std::size_t expected;
    } rows[] = {
        {"plain", "abcabc", "ca", 2},
        {"absent", "abc", "x", std::string::npos},
        {"empty_needle", "abc", "", std::string::npos},
        {"trail_byte_is_A", kKatakanaA + "A", "A", 2},
        {"trail_byte_is_backslash", kHyo, "\\", std::string::npos},
        {"double_byte_needle", "x" + kA + kA, kA, 1},
    };
    for (const auto& row : rows) EXPECT_EQ(Find(row.text, row.what), row.expected) << row.name;
}

TEST(Codepage, ReplaceAllIsLeftToRightAndNotOverlapping) {
    struct Row {
        const char* name;
        std::string text, before, after, expected;
    } rows[] = {
        {"simple", "a.b.c", ".", "_", "a_b_c"},
        {"not_overlapping", "aaa", "aa", "b", "ba"},
        {"empty_before_skipped", "abc", "", "x", "abc"},
        {"to_empty", "abcabc", "b", "", "acac"},
        {"trail_byte_untouched", kKatakanaA + "A", "A", "B", kKatakanaA + "B"},
        {"growing", "ab", "b", "bbb", "abbb"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ReplaceAll(row.text, row.before, row.after), row.expected) << row.name;
    }
}

TEST(Codepage, CutToFitNeverSplitsACharacter) {
    std::string longText;
    for (int i = 0; i < 150; ++i) longText += kA;
    const std::string cut = CutToFit(longText, kMaxTextBytes);
    EXPECT_EQ(cut.size(), 258u);
    EXPECT_EQ(CharCount(cut), 129u);
    EXPECT_EQ(CutToFit("abc", 2), "ab");
    EXPECT_EQ(CutToFit("a" + kA, 2), "a");
    EXPECT_EQ(CutToFit("abc", 10), "abc");
}

TEST(Codepage, CaseChangesAsciiLettersOnly) {
    std::string text = kKatakanaA + "aB" + Sjis("ｚＡ");
    std::string upper = text;
    ToUpperAscii(upper);
    EXPECT_EQ(upper, kKatakanaA + "AB" + Sjis("ｚＡ"));
    std::string lower = text;
    ToLowerAscii(lower);
    EXPECT_EQ(lower, kKatakanaA + "ab" + Sjis("ｚＡ"));  // the trail byte 0x41 stays 'A'
}

TEST(Codepage, LastCharacterTestsAreCharacterAware) {
    EXPECT_TRUE(EndsWithChar("a\\", '\\'));
    EXPECT_FALSE(EndsWithChar(kHyo, '\\'));
    EXPECT_EQ(FindLastChar("a/b" + kHyo, '\\'), std::string::npos);
    EXPECT_EQ(FindLastChar("a/b/c", '/'), 3u);
}

TEST(Codepage, FindLastCharAgreesWithAWalkFromTheStart) {
    // The search runs backwards; a walk from the start character by character is the truth.
    const auto walk = [](const std::string& text, char c) {
        std::size_t found = std::string::npos;
        for (std::size_t i = 0; i < text.size(); i += CharSizeAt(text, i)) {
            if (text[i] == c && CharSizeAt(text, i) == 1) found = i;
        }
        return found;
    };
    const char alphabet[] = {'/', '.', 'a', '\x5C', '\x81', '\x82', '\x9F', '\xE0', '\xA0', '\x40'};
    std::uint32_t seed = 12345;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const int length = static_cast<int>(seed % 12);
        for (int i = 0; i < length; ++i) {
            seed = seed * 1103515245u + 12345u;
            text += alphabet[(seed >> 16) % sizeof alphabet];
        }
        seed = seed * 1103515245u + 12345u;
        for (char c : {'/', '.', '\x5C', '\x81'}) {
            ASSERT_EQ(FindLastChar(text, c), walk(text, c)) << testing::PrintToString(text);
        }
    }
}

TEST(Codepage, CompareNoCaseFoldsAsciiOnly) {
    EXPECT_EQ(CompareNoCase("abc", "ABC"), 0);
    EXPECT_LT(CompareNoCase("_", "a"), 0);  // folded to lower case, as the C runtime does
    EXPECT_LT(CompareNoCase("a", "ab"), 0);
    EXPECT_GT(CompareNoCase(kA, "z"), 0);
    EXPECT_NE(CompareNoCase(kKatakanaA, "\x83\x61"), 0);  // trail bytes are not letters
}

TEST(Codepage, Cp932RoundTripsByteForByte) {
    const std::string texts[] = {Sjis("写真ABC"), kHyo + "\\", "\xB1\xDF", "abc",
                                 Sjis("①②ⅠⅡ㈱～－")};
    for (const auto& text : texts) {
        EXPECT_EQ(Cp932FromUtf8(Utf8FromCp932(text)), text);
        EXPECT_EQ(Cp932FromUtf16(Utf16FromCp932(text)), text);
    }
}

TEST(Codepage, HostNamesCp932LacksComeBackExactly) {
    struct Row {
        const char* name;
        std::string host;
    } rows[] = {
        {"latin", "caf\xC3\xA9.txt"},
        {"emoji", "\xF0\x9F\x98\x80 smile.jpg"},
        {"invalid_byte", "caf\xE9.txt"},
        {"private_use", "\xEE\x80\x80x"},
        {"overlong", "\xC0\xAF"},
        {"truncated_sequence", "a\xE3\x81"},
        {"mixed", "\xE5\x86\x99\xE7\x9C\x9F" "caf\xC3\xA9\xE9"},
    };
    for (const auto& row : rows) {
        std::string cp932;
        ASSERT_TRUE(TryCp932FromUtf8(row.host, cp932)) << row.name;
        EXPECT_EQ(Utf8FromCp932(cp932), row.host) << row.name;
        EXPECT_EQ(Cp932FromUtf16(Utf16FromCp932(cp932)), cp932) << row.name;
    }
}

TEST(Codepage, DistinctForeignCharactersGetDistinctCodes) {
    const std::string e = Cp932FromUtf8("\xC3\xA9");
    const std::string byte = Cp932FromUtf8("\xE9");
    EXPECT_EQ(e.size(), 2u);
    EXPECT_NE(e, byte);
    EXPECT_EQ(Cp932FromUtf8("\xC3\xA9"), e);  // stable within the process
    EXPECT_EQ(CharCount(e + byte), 2u);
}

TEST(Codepage, UserDefinedCodesFromElsewhereSurviveTheToolkit) {
    // The last code of the user-defined area; earlier codes may be handed out to host names.
    const std::string gaiji = "\xF9\xFC";
    EXPECT_EQ(Utf16FromCp932(gaiji), std::u16string(1, u'\xE757'));
    EXPECT_EQ(Cp932FromUtf16(Utf16FromCp932(gaiji)), gaiji);
}

}  // namespace
}  // namespace morvanex::platform

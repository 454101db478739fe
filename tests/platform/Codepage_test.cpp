#include "platform/Codepage.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/ForeignNames.h"

namespace morvanex::platform {
namespace {

// "あ" 82 A0, "ア" 83 41 (its trail byte is the letter A), "表" 95 5C (trail byte is a backslash).
const std::string kA = "\x82\xA0";
const std::string kKatakanaA = "\x83\x41";
const std::string kHyo = "\x95\x5C";

// Pairs standing for characters CP932 lacks, and user-defined characters of Windows texts.
// "é" begins with the code of U+E000; "Ź" ends in the letter A, "Ý" in a, "Ø" in a backslash;
// "가" has the letter v inside.
const std::string kE = "\xF0\x40\x86\x6D";
const std::string kZ = "\xF0\x40\xEB\x41";
const std::string kY = "\xF0\x40\x86\x61";
const std::string kO = "\xF0\x40\x86\x5C";
const std::string kGa = "\xF0\x76\x85\xF9";
const std::string kGaiji = "\xF0\x40";  // U+E000

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
        {"pair/alone", kGa, 1},
        {"pair/mixed", "a" + kE + kA + kGa, 4},
        {"pair/after_user_defined", kGaiji + kE, 2},
        {"pair/cut_at_end", kGa.substr(0, 3), 2},
        {"pair/stray_byte_code_is_no_second_half", kGaiji + Cp932FromUtf8("\xE9"), 2},
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
        {"pair/user_defined_is_not_its_first_half", kE, kGaiji, std::string::npos},
        {"pair/user_defined_after_it", kE + kGaiji, kGaiji, 4},
        {"pair/second_half_not_found_alone", kE, kE.substr(2), std::string::npos},
        {"pair/trail_letter_inside", kZ, "A", std::string::npos},
        {"pair/trail_letter_after", "x" + kZ + "A", "A", 5},
        {"pair/whole", "x" + kZ + "A", kZ, 1},
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
        {"pair/user_defined_only_where_alone", kE + kGaiji + kE, kGaiji, "g", kE + "g" + kE},
        {"pair/letters_inside_untouched", "A" + kZ + "A", "A", "b", "b" + kZ + "b"},
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

    // Every limit ends on a boundary of the walk from the start: a pair goes whole or not at all.
    const std::string mixed = "ab" + kGa + kA + kE + kGaiji + kZ + "c";
    std::set<std::size_t> boundaries;
    for (std::size_t i = 0; i <= mixed.size(); i += i < mixed.size() ? CharSizeAt(mixed, i) : 1) {
        boundaries.insert(i);
    }
    ASSERT_EQ(boundaries.size(), 9u);  // a, b, 가, あ, é, U+E000, Ź, c and the end
    for (std::size_t limit = 0; limit <= mixed.size(); ++limit) {
        EXPECT_EQ(FitLength(mixed, limit), *std::prev(boundaries.upper_bound(limit))) << limit;
    }
    EXPECT_EQ(CutToFit("ab" + kGa, 5), "ab");
    std::string pairs;
    for (int i = 0; i < 70; ++i) pairs += kGa;
    EXPECT_EQ(CutToFit(pairs, kMaxTextBytes).size(), 256u);
}

TEST(Codepage, CaseChangesAsciiLettersOnly) {
    std::string text = kKatakanaA + "aB" + Sjis("ｚＡ");
    std::string upper = text;
    ToUpperAscii(upper);
    EXPECT_EQ(upper, kKatakanaA + "AB" + Sjis("ｚＡ"));
    std::string lower = text;
    ToLowerAscii(lower);
    EXPECT_EQ(lower, kKatakanaA + "ab" + Sjis("ｚＡ"));  // the trail byte 0x41 stays 'A'

    // Letters inside pairs are no letters: v in 가, A in Ź, a in Ý.
    std::string pairs = kGa + kZ + kY + "aZ";
    ToUpperAscii(pairs);
    EXPECT_EQ(pairs, kGa + kZ + kY + "AZ");
    ToLowerAscii(pairs);
    EXPECT_EQ(pairs, kGa + kZ + kY + "az");
    std::string tail = "a" + kY + "b";
    ToUpperAscii(tail, 1);
    EXPECT_EQ(tail, "a" + kY + "B");
}

TEST(Codepage, LastCharacterTestsAreCharacterAware) {
    EXPECT_TRUE(EndsWithChar("a\\", '\\'));
    EXPECT_FALSE(EndsWithChar(kHyo, '\\'));
    EXPECT_EQ(FindLastChar("a/b" + kHyo, '\\'), std::string::npos);
    EXPECT_EQ(FindLastChar("a/b/c", '/'), 3u);
    EXPECT_EQ(FindLastChar(kGa + "/" + kE + kO + "/" + kGa + kZ, '/'), 13u);
    EXPECT_EQ(FindLastChar("a\\" + kO, '\\'), 1u);  // not the backslash ending Ø's pair
    EXPECT_FALSE(EndsWithChar(kO, '\\'));
    EXPECT_TRUE(EndsWithChar(kO + "\\", '\\'));
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
    const char alphabet[] = {'/',    '.',    'a',    '\x5C', '\x81', '\x82', '\x9F',
                             '\xE0', '\xA0', '\x40', '\xF0', '\xF0', '\x85', '\xEF'};
    std::uint32_t seed = 12345;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const int length = static_cast<int>(seed % 16);
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
    struct Row {
        const char* name;
        std::string a, b;
        int expected;
    } rows[] = {
        // 가 holds the letter v where U+4680's pair holds V.
        {"pair/letters_inside_not_folded", kGa, "\xF0\x56\x85\xF9", 1},
        {"pair/equal_but_for_case_after_it", kGa + "a", kGa + "A", 0},
        {"pair/before_user_defined_with_letter", kE, kGaiji + "A", 1},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CompareNoCase(row.a, row.b), row.expected) << row.name;
        EXPECT_EQ(CompareNoCase(row.b, row.a), -row.expected) << row.name;
    }
}

TEST(Codepage, Cp932RoundTripsByteForByte) {
    const std::string texts[] = {Sjis("写真ABC"), kHyo + "\\", "\xB1\xDF", "abc",
                                 Sjis("①②ⅠⅡ㈱～－"),
                                 // User-defined characters of Windows texts, alone and before
                                 // what could follow them in a name.
                                 kGaiji, "\xF5\x80x", "\xF9\xFC" + kGaiji + kA, kGaiji + kGa,
                                 kGaiji + Cp932FromUtf8("\xE9")};
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
        {"mixed",
         "\xE5\x86\x99\xE7\x9C\x9F"
         "caf\xC3\xA9\xE9"},
        {"empty", ""},
        {"pua/area_first", "\xEE\x80\x80"},
        {"pua/area_last", "\xEE\x9D\x97"},
        {"pua/beyond_area", "\xEE\x9D\x98"},
        {"pua/last_of_bmp", "\xEF\xA3\xBF"},
        {"pua/plane_16", "\xF4\x8F\xBF\xBD"},
        {"pua/then_pair", "\xEE\x80\x80\xEA\xB0\x80"},
        {"pua/then_stray_byte", "\xEE\x80\x80\xE9"},
        {"pua/then_letters",
         "\xEE\x80\x80"
         "A@"},
        {"pair/at_start", "\xEA\xB0\x80.txt"},
        {"pair/at_end", "x\xEA\xB0\x80"},
        {"pair/cjk_extension_b", "\xF0\xA0\x80\x80"},
        {"pair/last_code_point", "\xF4\x8F\xBF\xBF"},
        {"pair/either_side_of_a_first_index", "\xCC\xAB\xCC\xAC"},
        {"stray/every_byte",
         [] {
             std::string bytes;
             for (int b = 0x80; b <= 0xFF; ++b) bytes += static_cast<char>(b);
             return bytes;
         }()},
        {"stray/bytes_that_look_like_a_pair", "\xF0\x40\x85\x40"},
        {"stray/bytes_that_look_like_a_stray_code", "\xEF\xE6"},
        {"stray/encoded_surrogate", "\xED\xA0\x80"},
        {"single_byte_private_use_and_halfwidth", "\xEF\xA3\xB0\xEF\xBD\xB1"},
    };
    // Each name alone and each two side by side: every one comes back, and no two names share
    // a CP932 form.
    std::map<std::string, std::string> hostOf;
    const auto check = [&](const std::string& host, const std::string& label) {
        std::string cp932;
        ASSERT_TRUE(TryCp932FromUtf8(host, cp932)) << label;
        EXPECT_EQ(Utf8FromCp932(cp932), host) << label;
        EXPECT_EQ(Cp932FromUtf16(Utf16FromCp932(cp932)), cp932) << label;
        const auto [it, added] = hostOf.emplace(cp932, host);
        EXPECT_TRUE(added || it->second == host) << label << " meets another name";
    };
    for (const auto& row : rows) check(row.host, row.name);
    for (const auto& first : rows) {
        for (const auto& second : rows) {
            check(first.host + second.host, std::string(first.name) + " + " + second.name);
        }
    }
}

TEST(Codepage, TheFormOfACharacterIsFixed) {
    // Logs and job files hold these bytes and are read by later processes and versions.
    struct Row {
        const char* name;
        std::string host, cp932;
    } rows[] = {
        {"pair/latin", "\xC3\xA9", kE},
        {"pair/hangul", "\xEC\x82\xAC", "\xF0\x7C\xEC\x68"},
        {"pair/cjk_extension_b", "\xF0\xA0\x80\x80", "\xF0\xE2\x86\xD9"},
        {"pair/last_code_point", "\xF4\x8F\xBF\xBF", "\xF7\x78\x85\x6F"},
        {"pair/private_use_beyond_area", "\xEE\x9D\x98", "\xF0\x89\xEF\x48"},
        {"user_defined/first", "\xEE\x80\x80", kGaiji},
        {"user_defined/last", "\xEE\x9D\x97", "\xF9\xFC"},
        {"stray/first", "\x80", "\xEF\x7C"},
        {"stray/e9", "\xE9", "\xEF\xE6"},
        {"stray/last", "\xFF", "\xEF\xFC"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Cp932FromUtf8(row.host), row.cp932) << row.name;
        EXPECT_EQ(Utf8FromCp932(row.cp932), row.host) << row.name;
    }
}

TEST(Codepage, TextOfOtherOriginIsReadCodeByCode) {
    // CP932 from a file or a Windows job: what no host name turns into reads as the codes it
    // is made of, an undefined code as its two bytes.
    struct Row {
        const char* name;
        std::string cp932, host;
    } rows[] = {
        {"user_defined/alone", kGaiji, "\xEE\x80\x80"},
        {"user_defined/before_a_stray_code", kGaiji + "\xEF\xE6", "\xEE\x80\x80\xE9"},
        {"user_defined/before_a_pair", kGaiji + kGa, "\xEE\x80\x80\xEA\xB0\x80"},
        {"pair/cut_after_its_first_half", kGa.substr(0, 2), "\xEE\x80\xB6"},
        {"pair/cut_inside_its_second_half", kGa.substr(0, 3), "\xEE\x80\xB6\x85"},
        {"second_half/alone", "\x85\xF9", "\x85\xF9"},
        {"second_half/after_ascii", "a\x86\x6D", "a\x86m"},
        {"pair/of_a_character_cp932_has", "\xF0\x40\x85\x81", "\xEE\x80\x80\x85\x81"},
        {"pair/of_a_user_defined_character", "\xF0\x87\xEB\xC1", "\xEE\x81\x86\xEB\xC1"},
        {"pair/beyond_unicode", "\xF9\xFC\x85\x40", "\xEE\x9D\x97\x85\x40"},
        {"stray_code/first", "\xEF\x7C", "\x80"},
        {"stray_code/last", "\xEF\xFC", "\xFF"},
        {"lone_lead_at_end", "a\xF0", "a\xF0"},
    };
    for (const auto& row : rows) EXPECT_EQ(Utf8FromCp932(row.cp932), row.host) << row.name;
}

TEST(Codepage, UserDefinedCodesFromElsewhereSurviveTheToolkit) {
    const std::string gaiji = "\xF9\xFC";
    EXPECT_EQ(Utf16FromCp932(gaiji), std::u16string(1, u'\xE757'));
    EXPECT_EQ(Cp932FromUtf16(Utf16FromCp932(gaiji)), gaiji);
}

// Its length, a colon and the bytes, so that texts can be told apart in one stream.
std::string Framed(const std::string& text) {
    return std::to_string(text.size()) + ":" + text;
}

TEST(Codepage, AnotherProcessGivesTheSameForm) {
    // Characters no other test of this file converts, so each process meets them first here.
    const std::vector<std::string> hosts = {
        "Caf\xC4\x81", "\xEA\xB5\xAD\xEA\xB8\xB0", "\xF0\x9F\x9A\x80",
        "\xFE\xFD",    "\xF0\xA8\x80\x81\xC4\x80", "\xEE\x80\x81\xE2\x82\xBF"};
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(fds[0]);
        std::string blob;
        for (const auto& host : hosts) blob += Framed(Cp932FromUtf8(host));
        std::size_t written = 0;
        while (written < blob.size()) {
            const ssize_t n = ::write(fds[1], blob.data() + written, blob.size() - written);
            if (n <= 0) ::_exit(1);
            written += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    // This process converts them in the other order.
    std::vector<std::string> mine(hosts.size());
    for (std::size_t k = hosts.size(); k-- > 0;) {
        mine[k] = Cp932FromUtf8(hosts[k]);
        EXPECT_EQ(Utf8FromCp932(mine[k]), hosts[k]) << k;
    }
    std::string expected;
    for (const auto& text : mine) expected += Framed(text);
    std::string received;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) {
        received.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(received, expected);
}

TEST(Codepage, TwentyThousandForeignCharactersKeepDistinctForms) {
    std::set<std::string> forms;
    for (const auto& host : test::ForeignCharacters(20000)) {
        std::string cp932;
        ASSERT_TRUE(TryCp932FromUtf8(host, cp932));
        ASSERT_EQ(Utf8FromCp932(cp932), host);
        ASSERT_EQ(CharCount(cp932), 1u);
        forms.insert(std::move(cp932));
    }
    EXPECT_EQ(forms.size(), 20000u);
}

TEST(Codepage, EveryCodePointComesBack) {
    // From UTF-8 (every scalar value) and from UTF-16 (every code unit alone, lone surrogates
    // included, as the toolkit may hand them over).
    std::size_t failures = 0;
    std::string first;
    std::string cp932;
    for (char32_t cp = 0x80; cp <= 0x10FFFF; ++cp) {
        if (cp == 0xD800) cp = 0xE000;
        const std::string utf8 = test::Utf8Of(cp);
        Cp932FromUtf8(utf8, cp932);
        if (Utf8FromCp932(cp932) != utf8 && failures++ == 0) first = utf8;
    }
    for (std::uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
        const std::u16string text(1, static_cast<char16_t>(unit));
        if (Utf16FromCp932(Cp932FromUtf16(text)) != text && failures++ == 0) {
            first = "unit " + std::to_string(unit);
        }
    }
    EXPECT_EQ(failures, 0u) << "first: " << testing::PrintToString(first);
}

}  // namespace
}  // namespace morvanex::platform

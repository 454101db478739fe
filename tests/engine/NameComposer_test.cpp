#include "engine/naming/NameComposer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ResultCodes.h"
#include "engine/naming/NameSteps.h"
#include "platform/Codepage.h"
#include "support/FixedClock.h"
#include "support/JpegBuilder.h"
#include "support/RecordingFileSystem.h"

namespace morvanex::engine {
namespace {

using platform::Cp932FromUtf8;
using platform::Sjis;

using test::At;

const std::string kSource = "/photos/trip/IMG_0001.JPG";

FileFacts Facts(std::string_view path = kSource) {
    FileFacts facts = SplitSourcePath(path, platform::ExtensionRule::LastPeriod);
    facts.creation = At(2003, 3, 5, 10, 20, 30);
    facts.modification = At(2004, 4, 6, 11, 21, 31);
    return facts;
}

ExifData Camera() {
    ExifData data;
    data.maker = "Camera Maker";
    data.model = "Model X";
    data.dateTime = "2005:06:07 08:09:10";
    return data;
}

// One part of the given kind, configured as the run would configure it.
struct Part {
    int kind;
    std::string data;  // fixed text or format
    int start = 1, step = 1, digits = 3;
};

void Configure(NameComposer& composer, const std::vector<Part>& parts,
               const std::vector<Part>& fallbacks = {}) {
    PartTable& table = composer.Parts();
    ASSERT_EQ(table.SetPartCount(static_cast<int>(parts.size())), 0);
    const auto set = [&](int index, const Part& part) {
        ASSERT_EQ(table.SetPartKind(index, part.kind), 0);
        const auto kind = static_cast<PartKind>(part.kind);
        if (kind == PartKind::FixedText) table.SetPartText(index, part.data);
        if (table.SetPartFormat(index, part.data) == 0 && part.data.empty()) {
            table.SetPartFormat(index, "%4YE%2MO%2DA%2HO%2MI%2SE");
        }
        table.SetSequence(index, part.start, part.step, part.digits);
    };
    for (std::size_t i = 0; i < parts.size(); ++i) set(static_cast<int>(i), parts[i]);
    for (std::size_t i = 0; i < fallbacks.size(); ++i) {
        set(static_cast<int>(parts.size() + i), fallbacks[i]);
    }
}

struct ComposeRow {
    const char* name;
    std::vector<Part> parts;
    std::string expected;
    std::string path = kSource;
};

TEST(NameComposer, EachKind) {
    const std::vector<ComposeRow> rows = {
        {"compose/none", {{0, ""}}, ""},
        {"compose/fixed_text", {{1, "abc"}}, "abc"},
        {"compose/fixed_text_double_byte", {{1, Sjis("写真")}}, Sjis("写真")},
        {"compose/extension", {{2, ""}}, "JPG"},
        {"compose/sequence_zero_filled", {{3, "", 5, 1, 3}}, "005"},
        {"compose/sequence_longer_than_digits", {{3, "", 1234, 1, 3}}, "1234"},
        {"compose/sequence_without_fill", {{3, "", 5, 1, 0}}, "5"},
        {"compose/period", {{4, ""}}, "."},
        {"compose/base_name", {{5, ""}}, "IMG_0001"},
        {"compose/folder_name", {{6, ""}}, "trip"},
        {"compose/folder_name_of_root", {{6, ""}}, "", "/IMG_0001.JPG"},
        {"compose/folder_name_double_byte", {{6, ""}}, Sjis("旅行"), Sjis("/写真/旅行/a.jpg")},
        {"compose/creation_time", {{7, "%4YE%2MO%2DA%2HO%2MI%2SE"}}, "20030305102030"},
        {"compose/modification_time", {{8, "%2YE%0--%2MO%0--%2DA"}}, "04-04-06"},
        {"compose/time_with_default_format", {{8, ""}}, "20040406112131"},
        {"compose/folder_number", {{10, "", 3, 1, 2}}, "03"},
        {"compose/extension_range", {{11, "0102"}}, "JP"},
        {"compose/base_name_range", {{12, "0103"}}, "IMG"},
        {"compose/folder_name_range", {{13, "0202"}}, "r"},
        {"compose/range_of_empty_extension", {{11, "0102"}}, "", "/photos/README"},
        {"compose/no_extension", {{5, ""}, {4, ""}, {2, ""}}, "README.", "/photos/README"},
        {"compose/typical_pattern",
         {{1, "IMG_"}, {0, ""}, {3, "", 1, 1, 3}, {0, ""}, {4, ""}, {2, ""}},
         "IMG_001.JPG"},
        {"compose/six_kinds",
         {{6, ""}, {1, "_"}, {7, "%4YE%2MO%2DA"}, {1, "_"}, {3, "", 7, 1, 4}, {4, ""}},
         "trip_20030305_0007."},
    };
    for (const ComposeRow& row : rows) {
        NameComposer composer;
        Configure(composer, row.parts);
        PartCounters counters;
        counters.LoadStarts(composer.Parts());
        ExifAccessor exif;
        std::string name = "stale";
        composer.ComposeParts(counters, Facts(row.path), exif, name);
        EXPECT_EQ(name, row.expected) << row.name;
    }
}

TEST(NameComposer, ExifPartIsCutToItsBuffer) {
    ExifData data;
    data.maker = std::string(254, 'm') + Sjis("写");
    data.model = std::string(255, 'x');
    NameComposer composer;
    Configure(composer, {{1, "x"}, {9, "%EMK%ECM"}, {1, "y"}}, {{0, ""}, {0, ""}, {0, ""}});
    PartCounters counters;
    ExifAccessor exif(data);
    std::string name;
    composer.ComposeParts(counters, Facts(), exif, name);
    EXPECT_EQ(name, "x" + data.maker + std::string(3, 'x') + "y");

    // The model's last character would straddle the 259th byte: it goes whole.
    ExifData straddling;
    straddling.maker = std::string(255, 'm');
    straddling.model = "abc" + Sjis("写");
    ExifAccessor exif2(straddling);
    composer.ComposeParts(counters, Facts(), exif2, name);
    EXPECT_EQ(name, "x" + std::string(255, 'm') + "abc" + "y");
}

TEST(NameComposer, SequenceCountersMoveOnByTheirStep) {
    NameComposer composer;
    Configure(composer,
              {{3, "", 1, 5, 3}, {1, "-"}, {10, "", 1, 2, 2}, {1, "-"}, {3, "", 9, 1, 1}});
    PartCounters counters;
    counters.LoadStarts(composer.Parts());
    ExifAccessor exif;
    std::vector<std::string> names;
    std::string name;
    for (int file = 0; file < 3; ++file) {
        composer.ComposeParts(counters, Facts(), exif, name);
        names.push_back(name);
    }
    // A per-folder number changes only when the run moves to another folder.
    counters.RestartSequences(composer.Parts());
    counters.AdvanceFolderNumbers(composer.Parts());
    composer.ComposeParts(counters, Facts(), exif, name);
    names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"001-01-9", "006-01-10", "011-01-11", "001-03-9"}));
}

TEST(NameComposer, ExifPartsAndTheirFallbacks) {
    struct Row {
        const char* name;
        std::vector<Part> parts;
        std::vector<Part> fallbacks;
        bool hasExif;
        bool fallbackSwitch;
        std::string expected;
    } rows[] = {
        {"compose/exif_date", {{9, "%EDT%4YE%2MO%2DA"}}, {{1, "none"}}, true, true, "20050607"},
        {"compose/exif_maker_range", {{9, "%EMK%EST0103"}}, {{1, "none"}}, true, true, "Cam"},
        {"compose/exif_model",
         {{1, "a_"}, {9, "%ECM"}},
         {{0, ""}, {1, "none"}},
         true,
         true,
         "a_Model X"},
        {"compose/fallback_fixed_text", {{9, "%EMK"}}, {{1, "none"}}, false, true, "none"},
        {"compose/fallback_switch_off",
         {{1, "a"}, {9, "%EMK"}},
         {{0, ""}, {1, "none"}},
         false,
         false,
         "a"},
        {"compose/fallback_base_name", {{9, "%EMK"}}, {{5, ""}}, false, true, "IMG_0001"},
        {"compose/fallback_folder_name", {{9, "%EMK"}}, {{6, ""}}, false, true, "trip"},
        {"compose/fallback_extension", {{9, "%EMK"}}, {{2, ""}}, false, true, "JPG"},
        {"compose/fallback_period", {{9, "%EMK"}}, {{4, ""}}, false, true, "."},
        {"compose/fallback_creation_time", {{9, "%EMK"}}, {{7, "%4YE"}}, false, true, "2003"},
        {"compose/fallback_modification_time", {{9, "%EMK"}}, {{8, "%4YE"}}, false, true, "2004"},
        {"compose/fallback_sequence_own_digits",
         {{9, "%EMK"}},
         {{3, "", 50, 1, 4}},
         false,
         true,
         "0001"},
        {"compose/fallback_folder_number", {{9, "%EMK"}}, {{10, "", 50, 1, 2}}, false, true, "01"},
        {"compose/fallback_range_gives_nothing", {{9, "%EMK"}}, {{12, "0103"}}, false, true, ""},
        {"compose/fallback_exif_gives_nothing", {{9, "%EMK"}}, {{9, "%EMK"}}, false, true, ""},
        {"compose/fallback_none", {{9, "%EMK"}}, {{0, ""}}, false, true, ""},
    };
    for (const auto& row : rows) {
        NameComposer composer;
        ASSERT_EQ(composer.Parts().SetExifFallback(true), 0);
        Configure(composer, row.parts, row.fallbacks);
        ASSERT_EQ(composer.Parts().SetExifFallback(row.fallbackSwitch), 0);
        PartCounters counters;
        counters.LoadStarts(composer.Parts());
        ExifAccessor exif(row.hasExif ? std::optional<ExifData>(Camera()) : std::nullopt);
        std::string name;
        composer.ComposeParts(counters, Facts(), exif, name);
        EXPECT_EQ(name, row.expected) << row.name;
    }
}

TEST(NameComposer, FallbackSequenceUsesTheExifEntrysCounter) {
    NameComposer composer;
    Configure(composer, {{9, "%EMK"}, {3, "", 100, 1, 3}}, {{3, "", 1, 10, 2}, {0, ""}});
    PartCounters counters;
    counters.LoadStarts(composer.Parts());
    counters.sequence[0] = 7;
    ExifAccessor none(std::nullopt);
    std::string name;
    composer.ComposeParts(counters, Facts(), none, name);
    EXPECT_EQ(name, "07100");
    // The fallback's step moved entry 0's counter on; the fallback entry's own stayed.
    EXPECT_EQ(counters.sequence[0], 17);
    EXPECT_EQ(counters.sequence[2], 1);
    EXPECT_EQ(counters.sequence[1], 101);
}

TEST(NameComposer, ExifIsReadOncePerFileAndOnlyWhenNeeded) {
    test::RecordingFileSystem fileSystem;
    fileSystem.AddFile(kSource, test::JpegBuilder().Maker("Camera Maker").Model("Model M").Build());
    NameComposer composer;
    Configure(composer, {{9, "%EMK"}, {1, "_"}, {9, "%ECM"}}, {{1, "a"}, {0, ""}, {1, "b"}});
    PartCounters counters;
    ExifAccessor exif(fileSystem, kSource);
    std::string name;
    composer.ComposeParts(counters, Facts(), exif, name);
    EXPECT_EQ(name, "Camera Maker_Model M");
    EXPECT_EQ(exif.ReadCount(), 1);
    EXPECT_EQ(fileSystem.readRequests.size(), 1u);

    NameComposer plain;
    Configure(plain, {{5, ""}, {4, ""}, {2, ""}});
    ExifAccessor unused(fileSystem, kSource);
    plain.ComposeParts(counters, Facts(), unused, name);
    EXPECT_EQ(unused.ReadCount(), 0);
    EXPECT_EQ(fileSystem.readRequests.size(), 1u);
}

TEST(NameComposer, RulesAfterComposition) {
    struct Row {
        const char* name;
        NameRules rules;
        std::vector<Part> parts;
        std::string path;
        std::string expected;  // after the final step
    };
    NameRules off;
    off.rename = false;
    NameRules offLower = off;
    offLower.changeCase = true;
    offLower.caseMode = 1;
    NameRules align;
    align.alignDigits = true;
    align.digitWidth = 5;
    NameRules alignReplace = align;
    alignReplace.replace = true;
    alignReplace.before[0] = ".";
    alignReplace.after[0] = "_";
    NameRules all;
    all.alignDigits = true;
    all.digitWidth = 3;
    all.changeCase = true;
    all.caseMode = 0;
    all.replace = true;
    all.before[0] = "IMG";
    all.after[0] = "pic";
    const std::vector<Part> baseDotExt = {{5, ""}, {4, ""}, {2, ""}};
    const Row rows[] = {
        {"rules/rename_off_keeps_old_name", off, {{1, "ignored"}}, "/a/IMG_7.JPG", "IMG_7.JPG"},
        {"rules/rename_off_name_without_period", off, {}, "/a/README", "README"},
        {"rules/rename_off_lower_case", offLower, {}, "/a/IMG_7.JPG", "img_7.jpg"},
        {"rules/align_composed_name", align, baseDotExt, "/a/IMG_7.JPG", "IMG_00007.JPG"},
        // Alignment adds a period to a name without extension; a replacement of "." sees it.
        {"rules/replacement_hits_period_added_by_alignment",
         alignReplace,
         {{5, ""}},
         "/a/123",
         "00123_"},
        {"rules/order_align_case_replace", all, baseDotExt, "/a/img_7.jpg", "pic_007.JPG"},
    };
    for (const Row& row : rows) {
        NameComposer composer;
        Configure(composer, row.parts.empty() ? std::vector<Part>{{0, ""}} : row.parts);
        composer.Rules() = row.rules;
        PartCounters counters;
        ExifAccessor exif;
        std::string name;
        composer.Compose(counters, Facts(row.path), exif, name);
        RemoveTrailingPeriod(name);
        EXPECT_EQ(name, row.expected) << row.name;
    }
}

// No name on the way may grow past the cap, also one that a later pair would cut back: a
// pattern repeating the whole name would otherwise take the machine's memory.
TEST(NameComposer, ANameThatGrowsPastTheCapOnTheWayFailsAsTooLong) {
    const auto pairs = [](bool regex, int times, std::string before, std::string after,
                          std::string lastBefore, std::string lastAfter) {
        NameRules rules;
        rules.rename = false;
        rules.replace = true;
        rules.regex = regex;
        for (int p = 0; p < times; ++p) rules.before[p] = before, rules.after[p] = after;
        rules.before[times] = lastBefore, rules.after[times] = lastAfter;
        return rules;
    };
    const std::string eight = "$0$0$0$0$0$0$0$0";
    const std::string forty(40, 'I'), ten(10, 'I'), full(platform::kMaxTextBytes, 'x');
    const struct Row {
        const char* name;
        NameRules rules;
        std::vector<Part> parts;
        int code;
    } rows[] = {
        {"regex/whole_name_repeated_then_cut",
         pairs(true, 4, ".+", eight, "^(.{12}).*$", "$1"),
         {},
         MRVN_ERROR_SYSTEM_ERROR},
        {"regex/growth_within_the_cap",
         pairs(true, 2, ".+", eight, "^(.{12}).*$", "$1"),
         {},
         kSuccess},
        {"plain/each_pair_multiplies",
         pairs(false, 3, "I", forty, ten, ""),
         {},
         MRVN_ERROR_SYSTEM_ERROR},
        {"parts/sixteen_full_fixed_texts",
         {},
         std::vector<Part>(16, Part{1, full}),
         MRVN_ERROR_SYSTEM_ERROR},
    };
    for (const Row& row : rows) {
        NameComposer composer;
        Configure(composer, row.parts.empty() ? std::vector<Part>{{0, ""}} : row.parts);
        composer.Rules() = row.rules;
        std::string detail, name;
        ASSERT_EQ(composer.PrepareReplacements(detail), kSuccess) << row.name;
        PartCounters counters;
        ExifAccessor exif;
        EXPECT_EQ(composer.Compose(counters, Facts(), exif, name, &detail), row.code) << row.name;
        EXPECT_TRUE(row.code != kSuccess || name == "IMG_0001.JPG") << row.name;
    }
}

TEST(NameComposer, SplitSourcePath) {
    std::string deepFolder = "/";
    for (int i = 0; i < 15; ++i) deepFolder += std::string(200, '\xE9') + "/";
    struct Row {
        const char* name;
        std::string path;
        platform::ExtensionRule rule;
        std::string folder, file, base, extension;
    } rows[] = {
        {"path/last_period", "/a/b.tar.gz", platform::ExtensionRule::LastPeriod, "/a/", "b.tar.gz",
         "b.tar", "gz"},
        {"path/first_period", "/a/b.tar.gz", platform::ExtensionRule::FirstPeriod, "/a/",
         "b.tar.gz", "b", "tar.gz"},
        {"path/no_period", "/a/README", platform::ExtensionRule::LastPeriod, "/a/", "README",
         "README", ""},
        {"path/no_separator", "README", platform::ExtensionRule::LastPeriod, "", "", "", ""},
        {"path/name_of_260_bytes", "/a/" + std::string(260, 'n'),
         platform::ExtensionRule::LastPeriod, "/a/", std::string(260, 'n'), std::string(260, 'n'),
         ""},
        // 204 bytes on the host, 404 inside: each byte that is not UTF-8 takes a code.
        {"path/name_longer_inside_than_on_the_host",
         Cp932FromUtf8("/a/" + std::string(200, '\xE9') + ".txt"),
         platform::ExtensionRule::LastPeriod, "/a/",
         Cp932FromUtf8(std::string(200, '\xE9') + ".txt"), Cp932FromUtf8(std::string(200, '\xE9')),
         "txt"},
        // About 3,000 bytes on the host, twice that inside: beyond the host's path limit.
        {"path/folder_longer_inside_than_a_host_path", Cp932FromUtf8(deepFolder + "b.c"),
         platform::ExtensionRule::LastPeriod, Cp932FromUtf8(deepFolder), "b.c", "b", "c"},
        {"path/trail_byte_is_not_a_period", "/a/x\x83.", platform::ExtensionRule::LastPeriod, "/a/",
         "x\x83.", "x\x83.", ""},
    };
    for (const auto& row : rows) {
        const FileFacts facts = SplitSourcePath(row.path, row.rule);
        EXPECT_EQ(facts.folder, row.folder) << row.name;
        EXPECT_EQ(facts.fileName, row.file) << row.name;
        EXPECT_EQ(facts.baseName, row.base) << row.name;
        EXPECT_EQ(facts.extension, row.extension) << row.name;
    }
    EXPECT_EQ(FolderNameOf("/"), "");
    EXPECT_EQ(FolderNameOf("/a/b/"), "b");
    const std::string longFolder = Cp932FromUtf8(std::string(200, '\xE9'));
    EXPECT_EQ(FolderNameOf("/a/" + longFolder + "/"), longFolder);
    EXPECT_EQ(FolderNameOf(""), "");
}

TEST(NameComposer, PartTableConfiguration) {
    PartTable table;
    // A new engine's table.
    EXPECT_EQ(table.PartCount(), 4);
    EXPECT_TRUE(table.ExifFallback());
    EXPECT_EQ(table.Entry(0).kind, PartKind::Sequence);
    EXPECT_EQ(table.Entry(5).format, "%4YE%2MO%2DA%2HO%2MI%2SE");

    struct Row {
        const char* name;
        int result;
        int expected;
    };
    const auto check = [](const std::vector<Row>& rows) {
        for (const Row& row : rows) EXPECT_EQ(row.result, row.expected) << row.name;
    };
    check({
        {"table/count_17_with_fallback", table.SetPartCount(17), MRVN_PARAMETER_ERROR},
        {"table/count_negative", table.SetPartCount(-1), MRVN_PARAMETER_ERROR},
        {"table/count_16_with_fallback", table.SetPartCount(16), 0},
        {"table/fallback_entry_31_in_range", table.SetPartKind(31, 1), 0},
        {"table/entry_32_out_of_range", table.SetPartKind(32, 1), MRVN_PARAMETER_ERROR},
        {"table/negative_entry", table.SetPartKind(-1, 1), MRVN_PARAMETER_ERROR},
        {"table/kind_14", table.SetPartKind(0, 14), MRVN_PARAMETER_ERROR},
        {"table/kind_negative", table.SetPartKind(0, -1), MRVN_PARAMETER_ERROR},
        {"table/text_on_fixed_text", table.SetPartText(31, "x"), 0},
        {"table/format_on_fixed_text", table.SetPartFormat(31, "%4YE"), MRVN_PARAMETER_UNMATCH},
        {"table/sequence_on_fixed_text", table.SetSequence(31, 1, 1, 1), MRVN_PARAMETER_UNMATCH},
    });
    EXPECT_EQ(table.Entry(31).text, "x");
    ASSERT_EQ(table.SetExifFallback(false), 0);
    check({
        {"table/count_32_without_fallback", table.SetPartCount(32), 0},
        {"table/count_33_without_fallback", table.SetPartCount(33), MRVN_PARAMETER_ERROR},
        {"table/fallback_refused_above_16_parts", table.SetExifFallback(true),
         MRVN_PARAMETER_ERROR},
        {"table/set_kind_sequence", table.SetPartKind(3, 3), 0},
        {"table/sequence_on_sequence", table.SetSequence(3, 5, 2, 4), 0},
        {"table/text_on_sequence", table.SetPartText(3, "x"), MRVN_PARAMETER_UNMATCH},
        {"table/set_kind_folder_number", table.SetPartKind(4, 10), 0},
        {"table/sequence_on_folder_number", table.SetSequence(4, 5, 2, 4), 0},
        {"table/set_kind_range", table.SetPartKind(5, 12), 0},
        {"table/format_on_range", table.SetPartFormat(5, "0103"), 0},
    });
    EXPECT_EQ(table.Entry(3).start, 5);
    EXPECT_EQ(table.Entry(3).step, 2);
    EXPECT_EQ(table.Entry(3).digits, 4);
    // A new count resets the texts and numbers and makes entry 0 none; kinds stay.
    ASSERT_EQ(table.SetPartCount(6), 0);
    EXPECT_EQ(table.Entry(0).kind, PartKind::None);
    EXPECT_EQ(table.Entry(3).kind, PartKind::Sequence);
    EXPECT_EQ(table.Entry(3).start, 1);
    EXPECT_EQ(table.Entry(31).text, "");
    // Texts are kept to the 259 bytes of a name buffer, never splitting a character.
    ASSERT_EQ(table.SetPartKind(1, 1), 0);
    std::string longText = "x";
    for (int i = 0; i < 200; ++i) longText += Sjis("写");
    ASSERT_EQ(table.SetPartText(1, longText), 0);
    EXPECT_EQ(table.Entry(1).text.size(), 259u);
}

}  // namespace
}  // namespace morvanex::engine

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

constexpr PartType kNone = settings::kPartNone;
constexpr PartType kText = settings::kPartFixedText;
constexpr PartType kBase = settings::kPartFileName;
constexpr PartType kExtension = settings::kPartExtension;
constexpr PartType kFolder = settings::kPartFolderName;
constexpr PartType kPeriod = settings::kPartPeriod;
constexpr PartType kSequence = settings::kPartSequence;
constexpr PartType kFolderNumber = settings::kPartFolderSequence;
constexpr PartType kCreated = settings::kPartCreationTime;
constexpr PartType kModified = settings::kPartModificationTime;
constexpr PartType kExif = settings::kPartExif;
constexpr PartType kBaseRange = settings::kPartFileNameRange;
constexpr PartType kExtensionRange = settings::kPartExtensionRange;
constexpr PartType kFolderRange = settings::kPartFolderNameRange;

// One part of the given kind.
struct Part {
    PartType kind;
    std::string data;  // fixed text or format (empty: the default format)
    int start = 1, step = 1, digits = 3;
};

std::vector<PartEntry> Entries(const std::vector<Part>& parts) {
    std::vector<PartEntry> entries;
    for (const Part& part : parts) {
        PartEntry& entry = entries.emplace_back();
        entry.kind = part.kind;
        if (part.kind == kText) {
            entry.text = part.data;
        } else if (!part.data.empty()) {
            entry.format = part.data;
        }
        entry.start = part.start;
        entry.step = part.step;
        entry.digits = part.digits;
    }
    return entries;
}

// A composer of the parts (and, when given, their Exif fallbacks) under the rules.
NameComposer Composer(const std::vector<Part>& parts, const std::vector<Part>& fallbacks = {},
                      const NameRules& rules = {}) {
    return NameComposer(PartTable(Entries(parts), Entries(fallbacks)), rules);
}

struct ComposeRow {
    const char* name;
    std::vector<Part> parts;
    std::string expected;
    std::string path = kSource;
};

TEST(NameComposer, EachKind) {
    const std::vector<ComposeRow> rows = {
        {"compose/none", {{kNone, ""}}, ""},
        {"compose/fixed_text", {{kText, "abc"}}, "abc"},
        {"compose/fixed_text_double_byte", {{kText, Sjis("写真")}}, Sjis("写真")},
        {"compose/extension", {{kExtension, ""}}, "JPG"},
        {"compose/sequence_zero_filled", {{kSequence, "", 5, 1, 3}}, "005"},
        {"compose/sequence_longer_than_digits", {{kSequence, "", 1234, 1, 3}}, "1234"},
        {"compose/sequence_without_fill", {{kSequence, "", 5, 1, 0}}, "5"},
        {"compose/period", {{kPeriod, ""}}, "."},
        {"compose/base_name", {{kBase, ""}}, "IMG_0001"},
        {"compose/folder_name", {{kFolder, ""}}, "trip"},
        {"compose/folder_name_of_root", {{kFolder, ""}}, "", "/IMG_0001.JPG"},
        {"compose/folder_name_double_byte",
         {{kFolder, ""}},
         Sjis("旅行"),
         Sjis("/写真/旅行/a.jpg")},
        {"compose/creation_time", {{kCreated, "%4YE%2MO%2DA%2HO%2MI%2SE"}}, "20030305102030"},
        {"compose/modification_time", {{kModified, "%2YE%0--%2MO%0--%2DA"}}, "04-04-06"},
        {"compose/time_with_default_format", {{kModified, ""}}, "20040406112131"},
        {"compose/folder_number", {{kFolderNumber, "", 3, 1, 2}}, "03"},
        {"compose/extension_range", {{kExtensionRange, "0102"}}, "JP"},
        {"compose/base_name_range", {{kBaseRange, "0103"}}, "IMG"},
        {"compose/folder_name_range", {{kFolderRange, "0202"}}, "r"},
        {"compose/kind_outside_the_list_gives_nothing",
         {{static_cast<PartType>(settings::kPartTypeCount), "0103"}},
         ""},
        {"compose/range_of_empty_extension", {{kExtensionRange, "0102"}}, "", "/photos/README"},
        {"compose/no_extension",
         {{kBase, ""}, {kPeriod, ""}, {kExtension, ""}},
         "README.",
         "/photos/README"},
        {"compose/typical_pattern",
         {{kText, "IMG_"},
          {kNone, ""},
          {kSequence, "", 1, 1, 3},
          {kNone, ""},
          {kPeriod, ""},
          {kExtension, ""}},
         "IMG_001.JPG"},
        {"compose/six_kinds",
         {{kFolder, ""},
          {kText, "_"},
          {kCreated, "%4YE%2MO%2DA"},
          {kText, "_"},
          {kSequence, "", 7, 1, 4},
          {kPeriod, ""}},
         "trip_20030305_0007."},
    };
    for (const ComposeRow& row : rows) {
        const NameComposer composer = Composer(row.parts);
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
    const NameComposer composer = Composer({{kText, "x"}, {kExif, "%EMK%ECM"}, {kText, "y"}},
                                           {{kNone, ""}, {kNone, ""}, {kNone, ""}});
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
    const NameComposer composer = Composer({{kSequence, "", 1, 5, 3},
                                            {kText, "-"},
                                            {kFolderNumber, "", 1, 2, 2},
                                            {kText, "-"},
                                            {kSequence, "", 9, 1, 1}});
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
        {"compose/exif_date",
         {{kExif, "%EDT%4YE%2MO%2DA"}},
         {{kText, "none"}},
         true,
         true,
         "20050607"},
        {"compose/exif_maker_range",
         {{kExif, "%EMK%EST0103"}},
         {{kText, "none"}},
         true,
         true,
         "Cam"},
        {"compose/exif_model",
         {{kText, "a_"}, {kExif, "%ECM"}},
         {{kNone, ""}, {kText, "none"}},
         true,
         true,
         "a_Model X"},
        {"compose/fallback_fixed_text", {{kExif, "%EMK"}}, {{kText, "none"}}, false, true, "none"},
        {"compose/fallback_switch_off",
         {{kText, "a"}, {kExif, "%EMK"}},
         {{kNone, ""}, {kText, "none"}},
         false,
         false,
         "a"},
        {"compose/fallback_base_name", {{kExif, "%EMK"}}, {{kBase, ""}}, false, true, "IMG_0001"},
        {"compose/fallback_folder_name", {{kExif, "%EMK"}}, {{kFolder, ""}}, false, true, "trip"},
        {"compose/fallback_extension", {{kExif, "%EMK"}}, {{kExtension, ""}}, false, true, "JPG"},
        {"compose/fallback_period", {{kExif, "%EMK"}}, {{kPeriod, ""}}, false, true, "."},
        {"compose/fallback_creation_time",
         {{kExif, "%EMK"}},
         {{kCreated, "%4YE"}},
         false,
         true,
         "2003"},
        {"compose/fallback_modification_time",
         {{kExif, "%EMK"}},
         {{kModified, "%4YE"}},
         false,
         true,
         "2004"},
        {"compose/fallback_sequence_own_digits",
         {{kExif, "%EMK"}},
         {{kSequence, "", 50, 1, 4}},
         false,
         true,
         "0001"},
        {"compose/fallback_folder_number",
         {{kExif, "%EMK"}},
         {{kFolderNumber, "", 50, 1, 2}},
         false,
         true,
         "01"},
        {"compose/fallback_range_gives_nothing",
         {{kExif, "%EMK"}},
         {{kBaseRange, "0103"}},
         false,
         true,
         ""},
        {"compose/fallback_exif_gives_nothing",
         {{kExif, "%EMK"}},
         {{kExif, "%EMK"}},
         false,
         true,
         ""},
        {"compose/fallback_none", {{kExif, "%EMK"}}, {{kNone, ""}}, false, true, ""},
    };
    for (const auto& row : rows) {
        const NameComposer composer =
            Composer(row.parts, row.fallbackSwitch ? row.fallbacks : std::vector<Part>{});
        PartCounters counters;
        counters.LoadStarts(composer.Parts());
        ExifAccessor exif(row.hasExif ? std::optional<ExifData>(Camera()) : std::nullopt);
        std::string name;
        composer.ComposeParts(counters, Facts(), exif, name);
        EXPECT_EQ(name, row.expected) << row.name;
    }
}

TEST(NameComposer, FallbackSequenceUsesTheExifEntrysCounter) {
    const NameComposer composer = Composer({{kExif, "%EMK"}, {kSequence, "", 100, 1, 3}},
                                           {{kSequence, "", 1, 10, 2}, {kNone, ""}});
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
    const NameComposer composer = Composer({{kExif, "%EMK"}, {kText, "_"}, {kExif, "%ECM"}},
                                           {{kText, "a"}, {kNone, ""}, {kText, "b"}});
    PartCounters counters;
    ExifAccessor exif(fileSystem, kSource);
    std::string name;
    composer.ComposeParts(counters, Facts(), exif, name);
    EXPECT_EQ(name, "Camera Maker_Model M");
    EXPECT_EQ(exif.ReadCount(), 1);
    EXPECT_EQ(fileSystem.readRequests.size(), 1u);

    const NameComposer plain = Composer({{kBase, ""}, {kPeriod, ""}, {kExtension, ""}});
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
    const std::vector<Part> baseDotExt = {{kBase, ""}, {kPeriod, ""}, {kExtension, ""}};
    const Row rows[] = {
        {"rules/rename_off_keeps_old_name", off, {{kText, "ignored"}}, "/a/IMG_7.JPG", "IMG_7.JPG"},
        {"rules/rename_off_name_without_period", off, {}, "/a/README", "README"},
        {"rules/rename_off_lower_case", offLower, {}, "/a/IMG_7.JPG", "img_7.jpg"},
        {"rules/align_composed_name", align, baseDotExt, "/a/IMG_7.JPG", "IMG_00007.JPG"},
        // Alignment adds a period to a name without extension; a replacement of "." sees it.
        {"rules/replacement_hits_period_added_by_alignment",
         alignReplace,
         {{kBase, ""}},
         "/a/123",
         "00123_"},
        {"rules/order_align_case_replace", all, baseDotExt, "/a/img_7.jpg", "pic_007.JPG"},
    };
    for (const Row& row : rows) {
        const NameComposer composer =
            Composer(row.parts.empty() ? std::vector<Part>{{kNone, ""}} : row.parts, {}, row.rules);
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
         std::vector<Part>(16, Part{kText, full}),
         MRVN_ERROR_SYSTEM_ERROR},
    };
    for (const Row& row : rows) {
        NameComposer composer =
            Composer(row.parts.empty() ? std::vector<Part>{{kNone, ""}} : row.parts, {}, row.rules);
        std::string detail, name;
        ASSERT_EQ(composer.PrepareReplacements(detail), kSuccess) << row.name;
        PartCounters counters;
        ExifAccessor exif;
        EXPECT_EQ(composer.Compose(counters, Facts(), exif, name, &detail), row.code) << row.name;
        EXPECT_TRUE(row.code != kSuccess || name == "IMG_0001.JPG") << row.name;
    }
}

// A run keeps one pair of counters per entry: a table never holds more entries than that.
TEST(NameComposer, PartTableHoldsWhatTheCountersHold) {
    const std::vector<PartEntry> many = Entries(std::vector<Part>(40, Part{kText, "p"}));
    const PartTable withFallbacks(many, Entries({{kText, "f"}}));
    EXPECT_EQ(withFallbacks.PartCount(), kMaxPartEntries / 2);
    ASSERT_EQ(withFallbacks.EntryCount(), kMaxPartEntries);
    EXPECT_EQ(withFallbacks.Entry(kMaxPartEntries / 2).text, "f");
    EXPECT_EQ(withFallbacks.Entry(kMaxPartEntries / 2 + 1), PartEntry{}) << "a missing fallback";
    const PartTable without(many);
    EXPECT_FALSE(without.ExifFallback());
    EXPECT_EQ(without.PartCount(), kMaxPartEntries);
    EXPECT_EQ(without.EntryCount(), kMaxPartEntries);
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

}  // namespace
}  // namespace morvanex::engine

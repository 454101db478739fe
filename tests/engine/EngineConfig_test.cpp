#include "engine/run/EngineConfig.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "platform/Codepage.h"
#include "support/FixedClock.h"

namespace morvanex::engine {
namespace {

using platform::Sjis;
using settings::RenameSettings;
using test::At;

const std::string kTemporary = "/tmp/";
const platform::Timestamp kMade = At(2001, 2, 3, 4, 5, 6);
const platform::Timestamp kUpdated = At(2002, 3, 4, 5, 6, 7);
const platform::Timestamp kAccessed = At(2003, 4, 5, 6, 7, 8);

// Every slot empty, the record's other defaults, known fixed times.
RenameSettings Record() {
    RenameSettings s;
    s.MakeTimeValue = platform::ToLocalTime(kMade);
    s.UpdateTimeValue = platform::ToLocalTime(kUpdated);
    s.LastAccessTimeValue = platform::ToLocalTime(kAccessed);
    return s;
}

// What that record sets up, written out: each row below says how its record and this differ.
struct Expected {
    std::vector<PartEntry> parts = std::vector<PartEntry>(6);
    std::vector<PartEntry> fallbacks = std::vector<PartEntry>(6);
    NameRules rules;
    EngineOptions options;

    Expected() {
        rules.caseMode = 1;
        options.fixedTimes = {kMade, kUpdated, kAccessed};
        options.logFolder = kTemporary;
    }
};

PartEntry Kind(PartType kind) {
    PartEntry entry;
    entry.kind = kind;
    return entry;
}

PartEntry Text(std::string text) {
    PartEntry entry = Kind(settings::kPartFixedText);
    entry.text = std::move(text);
    return entry;
}

PartEntry Format(PartType kind, std::string format) {
    PartEntry entry = Kind(kind);
    entry.format = std::move(format);
    return entry;
}

PartEntry Numbers(PartType kind, int start, int step, int digits) {
    PartEntry entry = Kind(kind);
    entry.start = start;
    entry.step = step;
    entry.digits = digits;
    return entry;
}

struct Row {
    const char* name;
    std::function<void(RenameSettings&)> record;
    std::function<void(Expected&)> expected;
};

TEST(EngineConfig, FromTheRecord) {
    std::string longText = "x";
    for (int i = 0; i < 200; ++i) longText += Sjis("写");
    // 259 bytes: the character that would reach the 260th goes whole.
    const std::string longTextKept = longText.substr(0, 259);
    const Row rows[] = {
        {"defaults/empty_record", [](RenameSettings&) {}, [](Expected&) {}},
        // Parts: each type with the data it takes, the rest of the slot ignored.
        {"parts/fixed_text",
         [](RenameSettings& s) {
             s.RenameOption.Parts[0] = {settings::kPartFixedText, "abc", 5, 7};
         },
         [](Expected& e) { e.parts[0] = Text("abc"); }},
        {"parts/fixed_text_kept_to_259_bytes_whole_characters",
         [&](RenameSettings& s) {
             s.RenameOption.Parts[1] = {settings::kPartFixedText, longText};
         },
         [&](Expected& e) { e.parts[1] = Text(longTextKept); }},
        {"parts/file_name_takes_no_data",
         [](RenameSettings& s) {
             s.RenameOption.Parts[2] = {settings::kPartFileName, "abc", 5, 7};
         },
         [](Expected& e) { e.parts[2] = Kind(settings::kPartFileName); }},
        {"parts/kinds_without_data",
         [](RenameSettings& s) {
             s.RenameOption.Parts[3] = {settings::kPartExtension, "x"};
             s.RenameOption.Parts[4] = {settings::kPartFolderName, "x"};
             s.RenameOption.Parts[5] = {settings::kPartPeriod, "."};
         },
         [](Expected& e) {
             e.parts[3] = Kind(settings::kPartExtension);
             e.parts[4] = Kind(settings::kPartFolderName);
             e.parts[5] = Kind(settings::kPartPeriod);
         }},
        {"parts/sequence",
         [](RenameSettings& s) {
             s.RenameOption.Parts[0] = {settings::kPartSequence, " 12", 4, 3};
         },
         [](Expected& e) { e.parts[0] = Numbers(settings::kPartSequence, 12, 3, 4); }},
        {"parts/folder_sequence_negative_start_and_step",
         [](RenameSettings& s) {
             s.RenameOption.Parts[0] = {settings::kPartFolderSequence, "-5", 0, -2};
         },
         [](Expected& e) { e.parts[0] = Numbers(settings::kPartFolderSequence, -5, -2, 0); }},
        {"parts/sequence_start_not_a_number",
         [](RenameSettings& s) {
             s.RenameOption.Parts[0] = {settings::kPartSequence, "x9", 3, 1};
         },
         [](Expected& e) { e.parts[0] = Numbers(settings::kPartSequence, 0, 1, 3); }},
        {"parts/sequence_start_beyond_32_bits",
         [](RenameSettings& s) {
             s.RenameOption.Parts[0] = {settings::kPartSequence, "99999999999", 3, 1};
         },
         [](Expected& e) { e.parts[0] = Numbers(settings::kPartSequence, INT_MAX, 1, 3); }},
        // Refused by the run's set-up check (code 5), never cut here: a cut would hide it.
        {"parts/sequence_digits_beyond_the_list_kept",
         [](RenameSettings& s) {
             s.RenameOption.Parts[0] = {settings::kPartSequence, "1", 9, 1};
         },
         [](Expected& e) { e.parts[0] = Numbers(settings::kPartSequence, 1, 1, 9); }},
        {"parts/creation_time",
         [](RenameSettings& s) {
             s.RenameOption.Parts[0] = {settings::kPartCreationTime, "%4YE", 5, 7};
         },
         [](Expected& e) { e.parts[0] = Format(settings::kPartCreationTime, "%4YE"); }},
        {"parts/modification_time_empty_format_stays_empty",
         [](RenameSettings& s) {
             s.RenameOption.Parts[0].SelectedPart = settings::kPartModificationTime;
         },
         [](Expected& e) { e.parts[0] = Format(settings::kPartModificationTime, ""); }},
        {"parts/exif",
         [](RenameSettings& s) {
             s.RenameOption.Parts[0] = {settings::kPartExif, "%EMK"};
         },
         [](Expected& e) { e.parts[0] = Format(settings::kPartExif, "%EMK"); }},
        {"parts/ranges",
         [](RenameSettings& s) {
             s.RenameOption.Parts[0] = {settings::kPartFileNameRange, "0103"};
             s.RenameOption.Parts[1] = {settings::kPartExtensionRange, "0202"};
             s.RenameOption.Parts[2] = {settings::kPartFolderNameRange, "7"};
         },
         [](Expected& e) {
             e.parts[0] = Format(settings::kPartFileNameRange, "0103");
             e.parts[1] = Format(settings::kPartExtensionRange, "0202");
             e.parts[2] = Format(settings::kPartFolderNameRange, "7");
         }},
        {"parts/format_kept_to_259_bytes",
         [&](RenameSettings& s) {
             s.RenameOption.Parts[0] = {settings::kPartExif, longText};
         },
         [&](Expected& e) { e.parts[0] = Format(settings::kPartExif, longTextKept); }},
        {"parts/types_outside_the_list_are_none",
         [](RenameSettings& s) {
             s.RenameOption.Parts[0] = {14, "abc", 5, 7};
             s.RenameOption.Parts[1] = {20, "abc"};
             s.RenameOption.Parts[2] = {-1, "abc"};
         },
         [](Expected&) {}},
        {"parts/fallback_slots",
         [](RenameSettings& s) {
             s.RenameOption.Parts[6] = {settings::kPartFixedText, "none"};
             s.RenameOption.Parts[11] = {settings::kPartCreationTime, "%2HO"};
         },
         [](Expected& e) {
             e.fallbacks[0] = Text("none");
             e.fallbacks[5] = Format(settings::kPartCreationTime, "%2HO");
         }},
        // Name rules.
        {"rules/rename_off", [](RenameSettings& s) { s.RenameOption.EnableRename = 0; },
         [](Expected& e) { e.rules.rename = false; }},
        {"rules/digit_width_first_choice",
         [](RenameSettings& s) {
             s.RenameOption.EnableDigitChange = 1;
             s.RenameOption.DigitChangeNum = 0;
         },
         [](Expected& e) {
             e.rules.alignDigits = true;
             e.rules.digitWidth = 1;
         }},
        {"rules/digit_width_last_choice",
         [](RenameSettings& s) { s.RenameOption.DigitChangeNum = 7; },
         [](Expected& e) { e.rules.digitWidth = 8; }},
        // 0 is refused by the set-up check; a wrapped index must not turn into a valid width.
        {"rules/digit_width_beyond_the_list",
         [](RenameSettings& s) { s.RenameOption.DigitChangeNum = 8; },
         [](Expected& e) { e.rules.digitWidth = 0; }},
        {"rules/digit_width_negative",
         [](RenameSettings& s) { s.RenameOption.DigitChangeNum = -1; },
         [](Expected& e) { e.rules.digitWidth = 0; }},
        {"rules/letter_case",
         [](RenameSettings& s) {
             s.LetterChangeOption.EnableLetterChange = 1;
             s.LetterChangeOption.ChangeMode = 6;
         },
         [](Expected& e) {
             e.rules.changeCase = true;
             e.rules.caseMode = 6;
         }},
        {"rules/replacements_first_and_tenth_pair",
         [](RenameSettings& s) {
             s.StringChangeOption.EnableStringChange = 1;
             s.StringChangeOption.UseRegex = 1;
             s.StringChangeOption.ChangeBefore[0] = "a";
             s.StringChangeOption.ChangeAfter[0] = "b";
             s.StringChangeOption.ChangeBefore[9] = "c";
         },
         [](Expected& e) {
             e.rules.replace = true;
             e.rules.regex = true;
             e.rules.before[0] = "a";
             e.rules.after[0] = "b";
             e.rules.before[9] = "c";
         }},
        // The run's switches.
        {"options/root_folder_gets_its_separator",
         [](RenameSettings& s) { s.SelectFile.FullPath = "/data/photos"; },
         [](Expected& e) { e.options.rootFolder = "/data/photos/"; }},
        {"options/copy_destination_as_given",
         [](RenameSettings& s) {
             s.CopyToDir.EnableCopy = 1;
             s.CopyToDir.FullPath = "/dest";
             s.CopyToDir.KeepDirTree = 1;
         },
         [](Expected& e) {
             e.options.copy = true;
             e.options.copyDestination = "/dest";
             e.options.keepDirTree = true;
         }},
        {"options/free_selection_has_no_tree_and_no_folder_numbers",
         [](RenameSettings& s) {
             s.SelectFile.FreeFileSelect = 1;
             s.CopyToDir.KeepDirTree = 1;
             s.CommonOption.NumberReset = 1;
         },
         [](Expected& e) { e.options.numberReset = false; }},
        {"options/number_reset_off", [](RenameSettings& s) { s.CommonOption.NumberReset = 0; },
         [](Expected& e) { e.options.numberReset = false; }},
        {"options/attributes",
         [](RenameSettings& s) {
             s.CommonOption.AllAttributeFileRename = 1;
             s.AttributeOption = {1, 1, 2, 0, 3};
         },
         [](Expected& e) {
             e.options.allAttributes = true;
             e.options.changeAttributes = true;
             e.options.archive = AttributeAction::Set;
             e.options.readOnly = AttributeAction::Clear;
         }},
        {"options/time_modes",
         [](RenameSettings& s) {
             s.TimeStampOption = {1, 5, 2, 4};
         },
         [](Expected& e) {
             e.options.changeTimes = true;
             e.options.timeModes = {TimeSource::ExifShot, TimeSource::Creation, TimeSource::Access};
         }},
        {"options/time_modes_outside_the_list_leave",
         [](RenameSettings& s) {
             s.TimeStampOption = {1, 6, -1, 1};
         },
         [](Expected& e) {
             e.options.changeTimes = true;
             e.options.timeModes = {TimeSource::Leave, TimeSource::Leave, TimeSource::Fixed};
         }},
        {"options/exif_strict_jpeg_and_tags_always_cp932",
         [](RenameSettings& s) {
             s.RenameOption.ExifStrictJpeg = 1;
             s.RenameOption.ExifTagCp932 = 1;
         },
         [](Expected& e) {
             e.options.exifReading = ExifReading::StrictJpeg;
             e.options.tagReading = TagTextReading::AlwaysCp932;
         }},
        {"options/tags_latin1", [](RenameSettings& s) { s.RenameOption.ExifTagCp932 = 2; },
         [](Expected& e) { e.options.tagReading = TagTextReading::Latin1; }},
        {"options/tags_outside_the_list_automatic",
         [](RenameSettings& s) { s.RenameOption.ExifTagCp932 = 3; }, [](Expected&) {}},
        {"options/logs_in_their_folder",
         [](RenameSettings& s) {
             s.CommonOption.LogWrite = 1;
             s.CommonOption.BatLogWrite = 1;
             s.CommonOption.LogWritePath = "/logs";
         },
         [](Expected& e) {
             e.options.textLog = true;
             e.options.batchLog = true;
             e.options.logFolder = "/logs";
         }},
        {"options/whole_run_off", [](RenameSettings& s) { s.CommonOption.PlanWholeRun = 0; },
         [](Expected& e) { e.options.wholeRun = false; }},
    };
    for (const Row& row : rows) {
        RenameSettings record = Record();
        row.record(record);
        Expected expected;
        row.expected(expected);
        const EngineConfig config = ConfigFromSettings(record, kTemporary);
        EXPECT_TRUE(config.parts == PartTable(expected.parts, expected.fallbacks)) << row.name;
        EXPECT_TRUE(config.rules == expected.rules) << row.name;
        EXPECT_TRUE(config.options == expected.options) << row.name;
    }
}

}  // namespace
}  // namespace morvanex::engine

#pragma once

#include <string>
#include <vector>

#include "platform/Clock.h"
#include "settings/RenameSettings.h"

// The one-line summary of every group of settings that the settings list shows, and the rename
// pattern text that the pattern page previews. All texts are CP932.
namespace morvanex::engine {

// The fields of the settings list, in the order they are filled.
struct SettingsSummary {
    std::string targetFolder;  // the free selection's text, or the selected folder
    std::string copyDestination;
    std::string rename;
    std::string letterCase;
    std::string replaceBefore;  // the first replacement pair (marked when it is an expression)
    std::string replaceAfter;
    std::string attributes;
    std::string creationTime;
    std::string modificationTime;
    std::string accessTime;
    std::string subfolders;
    std::string numberReset;
    std::string targetAttributes;
    std::string foldersToo;
    std::string folderStructure;
    std::string detailedResult;
    std::string log;
    std::string batchLog;
    std::string logFolder;
    std::string exifReading;  // which files the Exif parts and the Exif time mode read
    std::string tagText;      // how the tag tokens read fields of raw bytes
    std::string sortOrder;    // not in the settings list: the command line's summary shows it

    friend bool operator==(const SettingsSummary&, const SettingsSummary&) = default;
};

// One labelled row of the summary, for showing it as text (the labels are the settings list's).
struct SummaryRow {
    std::string label;
    std::string text;
};

// The summary of the record, with `now` as the current time that the time parts are shown for.
SettingsSummary SummarizeSettings(const settings::RenameSettings& settings,
                                  platform::Timestamp now);

// The name the six visible part rows make, with placeholders for what only a file can tell:
// the pattern page's live preview and the settings list's rename row when composing is on.
std::string RenamePatternPreview(const settings::RenameSettings& settings, platform::Timestamp now);

// The settings list's rename row: the pattern preview, the digit alignment, or nothing.
std::string RenameSummary(const settings::RenameSettings& settings, platform::Timestamp now);

// The summary as labelled rows: the settings list's, in its order, then the sort order.
std::vector<SummaryRow> SummaryRows(const SettingsSummary& summary);

}  // namespace morvanex::engine

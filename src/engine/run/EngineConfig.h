#pragma once

#include <array>
#include <string>

#include "engine/exif/ExifReader.h"
#include "engine/exif/TagText.h"
#include "engine/naming/NameComposer.h"
#include "engine/naming/PartTable.h"
#include "platform/Clock.h"
#include "settings/RenameSettings.h"

// The set-up of one run, made whole from the record before the engine exists.
namespace morvanex::engine {

// What a run does with one attribute: the record's 0, 1, 2.
enum class AttributeAction : int { Leave = 0, Set = 1, Clear = 2 };

// Where a run takes one of a file's three times from: the record's 1..5; any other value
// leaves the time as it is.
enum class TimeSource : int {
    Leave = 0,
    Fixed = 1,
    Creation = 2,
    Modification = 3,
    Access = 4,
    ExifShot = 5
};

// The switches of a run besides the name rules of the composer.
struct EngineOptions {
    bool copy = false;
    std::string copyDestination;  // ends with the separator after the set-up check
    bool keepDirTree = false;
    std::string rootFolder;      // the folder the targets were collected from
    bool listedTargets = false;  // the targets are a given list, not a folder's
    bool numberReset = true;
    bool allAttributes = false;  // AllAttributeFileRename

    bool changeAttributes = false;
    AttributeAction archive = AttributeAction::Leave;
    AttributeAction readOnly = AttributeAction::Leave;
    AttributeAction hidden = AttributeAction::Leave;
    AttributeAction system = AttributeAction::Leave;

    bool changeTimes = false;
    // Creation, modification, last access.
    std::array<TimeSource, 3> timeModes{};
    std::array<platform::Timestamp, 3> fixedTimes{};
    // How the Exif parts and the Exif time mode read a file.
    ExifReading exifReading = ExifReading::Wide;
    // How the tag tokens read fields of raw bytes.
    TagTextReading tagReading = TagTextReading::Automatic;

    bool textLog = false;
    bool batchLog = false;
    std::string logFolder;

    // The whole plan is checked before the first move, and the moves are ordered so that every
    // name is free when its move comes. Off: the targets go in their order and the first name
    // found taken stops the run.
    bool wholeRun = true;

    friend bool operator==(const EngineOptions&, const EngineOptions&) = default;
};

// Everything an engine is set up with. The record gives all of it but what the listing found
// (`maxPerFolder`, `options.listedTargets`), which the run driver adds.
struct EngineConfig {
    PartTable parts;
    NameRules rules;
    EngineOptions options;
    // The most targets in one folder (a given list counts as one folder): with the numbers
    // restarting per folder, the sequence limits hold for this many. At least 1.
    int maxPerFolder = 1;

    friend bool operator==(const EngineConfig&, const EngineConfig&) = default;
};

// The set-up for the job the record describes: six parts with their Exif fallbacks, each of the
// record's part type with its data (a type outside the list is no part; texts and formats kept
// to 259 bytes), the name rules and the run's switches. Reads nothing but its arguments: an
// empty log folder is `temporaryFolder`.
EngineConfig ConfigFromSettings(const settings::RenameSettings& settings,
                                const std::string& temporaryFolder);

}  // namespace morvanex::engine

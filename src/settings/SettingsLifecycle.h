#pragma once

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "settings/RenameSettings.h"

// The document's operations on the whole record: construction, reset and the drive list.
namespace morvanex::settings {

// What construction and reset take from outside the record.
struct SettingsEnvironment {
    platform::FileSystem& fileSystem;
    const platform::Clock& clock;
    PreferenceCopies preferences;  // as read from the preferences at this moment
};

// A new document's record: the defaults (ChangeMode 1), the fixed times at the current local
// time, the log folder at the temporary folder, the built-in patterns with pattern 0 in the
// slots, the preference copies and the drive list.
RenameSettings ConstructSettings(const SettingsEnvironment& environment);

// The reset command's record part: every field to its default (ChangeMode 0), the run-time
// lists emptied, the preference copies reloaded and the drive list rebuilt.
void ResetSettings(RenameSettings& settings, const SettingsEnvironment& environment);

// Rebuilds the drive list from the platform's roots and chooses the first root that can be
// entered (tried when CheckRemovableFlag is on or the root is not removable) for both folder
// sections; none chosen leaves both indexes at the drive count and the folder texts as they are.
void BuildDriveList(RenameSettings& settings, platform::FileSystem& fileSystem);

// The drive text of a root folder as RootDir holds it: the root without its trailing separator
// ("/" stays "/").
std::string DriveNameOf(const std::string& root);

// The index of the drive whose root is the longest prefix of path (character-aware), or -1.
int DriveIndexOf(const RenameSettings& settings, const std::string& path);

}  // namespace morvanex::settings

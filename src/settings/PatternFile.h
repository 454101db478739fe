#pragma once

#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "settings/RenameSettings.h"

// Pattern files (".mvx") and auto-exec files (".mxs"): the persistent fields of the record as
// INI text, in CP932 with CR LF lines.
namespace morvanex::settings {

// The exact bytes a save writes: every section and key in file order.
std::string SerializePatternFile(const RenameSettings& settings);

// Deletes any file at the path, then writes the whole file. False when writing failed; the
// incomplete file is then deleted. The record is never changed.
bool SavePatternFile(const RenameSettings& settings, std::string_view path,
                     platform::FileSystem& fileSystem);

// Reads a file into the record. False (record unchanged) when the file cannot be read or has
// no usable ApplicationName marker. Otherwise each key that is present and not "NOT_FOUND"
// replaces its field: integers by the C string-to-integer rules, texts cut to 259 bytes.
bool LoadPatternFile(RenameSettings& settings, std::string_view path,
                     platform::FileSystem& fileSystem);
bool LoadPatternText(RenameSettings& settings, std::string_view text);

// "MorvaneX - name" for a loaded file; the name is "" when the path has no separator.
std::string TitleForLoadedFile(std::string_view path);

// The messages the front ends show for a failed save or load (CP932).
std::string SaveFailedMessage();
std::string LoadFailedMessage();

// Integer value of a text as the C library reads it: blanks skipped, optional sign, digits up
// to the first non-digit; no digits give 0. Values beyond 32 bits saturate.
int ParseInteger(std::string_view text);

}  // namespace morvanex::settings

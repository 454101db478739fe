#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

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

// A pattern file is refused beyond this size rather than read in part.
inline constexpr std::size_t kMaxPatternFileBytes = 16 * 1024 * 1024;

// Why a load did not happen.
enum class LoadError {
    None,
    Missing,          // nothing at the path
    Folder,           // the path names a folder
    NoPermission,     // the system refused to open it
    Unreadable,       // any other read error (systemError says which)
    TooLarge,         // over kMaxPatternFileBytes
    NotAPatternFile,  // no usable ApplicationName marker
    // A folder key (the targets' and the copy destination's FullPath, LogWritePath) that the
    // run would take for another folder than the one its author meant:
    PathTooLong,      // over 259 bytes (cutting it would name an ancestor)
    PathMalformed,    // ends inside a double-byte character, or one swallows a separator
    PathNotAbsolute,  // would depend on the folder that happens to be current
    // A single key set from outside a file (SetPatternKey):
    UnknownKey,  // no field has that section and key
    NotANumber,  // an integer field given something other than a sign and digits
    LineBreak,   // a value no line of a file could hold
};

struct LoadResult {
    LoadError error = LoadError::None;
    int systemError = 0;  // the errno of Unreadable
    std::string section;  // the key a Path error is about
    std::string key;

    explicit operator bool() const { return error == LoadError::None; }
};

// Reads a file into the record; the record is unchanged unless the whole file loads. A file is
// taken as UTF-8 when it starts with a byte-order mark or is valid UTF-8 with at least one byte
// beyond ASCII, else as CP932. It fails on a file that cannot be read whole, has no usable
// ApplicationName marker, or holds a folder key that is longer than 259 bytes, malformed or
// not absolute (an empty one is allowed). Otherwise each key that is present and not
// "NOT_FOUND" replaces its field: integers by the C string-to-integer rules, other texts cut
// to 259 bytes. A missing key keeps its field, except the keys added after job files without
// them existed (UseRegex, NaturalOrder): those take their defaults.
LoadResult LoadPatternFile(RenameSettings& settings, std::string_view path,
                           platform::FileSystem& fileSystem);
// The same on CP932 text already read.
LoadResult LoadPatternText(RenameSettings& settings, std::string_view text);

// Sets one field as the line "key=text" in that section of a loaded file would: names compared
// without regard to ASCII case, the text trimmed and unquoted and cut to the reader's buffer,
// an integer by the C rules, a fixed text cut to 259 bytes, a folder key refused as a load
// refuses it. Unlike a file, it refuses an unknown section or key and, for an integer field,
// anything but an optional sign and digits (a file would read that as a number). The field is
// unchanged unless the result is None; the result names the field as the file spells it.
LoadResult SetPatternKey(RenameSettings& settings, std::string_view section, std::string_view key,
                         std::string_view text);

// Every key SetPatternKey takes, as "SECTION.KEY" in file order (the shells' completion).
std::vector<std::string> PatternKeys();

// "MorvaneX - name" for a loaded file; the name is "" when the path has no separator.
std::string TitleForLoadedFile(std::string_view path);

// The messages the front ends show for a failed save or load (CP932).
std::string SaveFailedMessage();
std::string LoadFailedMessage();
// Why a load or a single key failed, one line naming the key where there is one (CP932).
std::string LoadErrorReason(const LoadResult& result);
// What a front end shows for a failed load: LoadFailedMessage(), then why, then the file's
// path in brackets (CP932).
std::string LoadFailureMessage(const LoadResult& result, std::string_view path);

// Integer value of a text as the C library reads it: blanks skipped, optional sign, digits up
// to the first non-digit; no digits give 0. Values beyond 32 bits saturate.
int ParseInteger(std::string_view text);

}  // namespace morvanex::settings

#pragma once

#include <string>
#include <string_view>

// Splitting paths and names, on CP932 text with the host separator. A folder path ends with the
// separator. Names and texts keep their 259-byte limit; whole paths are limited by the host.
namespace morvanex::platform {

inline constexpr char kSeparator = '/';
inline constexpr std::size_t kMaxPathBytes = 4095;  // PATH_MAX less its terminator

// How a name is split into base and extension: at its last period or at its first.
enum class ExtensionRule { FirstPeriod = 0, LastPeriod = 1 };

// Up to and including the last separator; "" without one, or when it would not fit the host.
std::string DirectoryOf(std::string_view path);
// The same part of the path as it stands, however long: "" without a separator.
std::string_view FolderPartOf(std::string_view path);
// After the last separator; "" without one, or when 260 bytes or longer.
std::string FileNameOf(std::string_view path);
// The name split at its period (which belongs to neither part). Without a period the base is
// the whole name and the extension "". Either is "" when it would be 260 bytes or longer.
std::string BaseNameOf(std::string_view name, ExtensionRule rule = ExtensionRule::LastPeriod);
std::string ExtensionOf(std::string_view name, ExtensionRule rule = ExtensionRule::LastPeriod);

bool EndsWithSeparator(std::string_view path);
// True when the path starts at the root, so that it names the same place whatever folder is
// current.
bool IsAbsolutePath(std::string_view path);
// True when the text's last byte is a lead byte with no second byte: anything appended would
// be read as the second byte of that character.
bool EndsInsideCharacter(std::string_view text);
// True when every separator of the path is a character of its own and the text does not end
// inside a double-byte character. Paths made from host names always are; a legacy single-byte
// name (Latin-1 "caf\xE9") in a hand-edited file is not, and splitting it or appending to it
// would name another folder.
bool IsWellFormedPath(std::string_view path);

// The path with one separator appended unless its last character already is one; "" for a
// text that ends inside a double-byte character (the separator would become that character's
// second byte, and the result would name the parent folder).
std::string WithTrailingSeparator(std::string_view path);
// The path without one trailing separator (the root "/" stays as it is).
std::string WithoutTrailingSeparator(std::string_view path);
// Folder and name joined with exactly one separator between them; "" when the folder ends
// inside a double-byte character.
std::string JoinPath(std::string_view folder, std::string_view name);

// An absolute path with ".", ".." and repeated separators resolved in its text alone (links are
// not looked at; ".." above the root stays at the root), without a trailing separator but for
// the root itself. A relative path comes back as it is.
std::string LexicallyNormal(std::string_view path);

// True when Windows can open a file of this name: none of \ / : * ? " < > | (double-byte
// characters never match) and no blank or period at the end.
bool IsWindowsName(std::string_view name);

}  // namespace morvanex::platform

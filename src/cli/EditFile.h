#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The file `edit` opens in a text editor: header lines starting with "#", then one line per
// target, its path below the folder the targets share. A name that a line could not hold as
// it is, or that an editor would change by itself, is written in the escaped form of the tsv
// preview (platform/TextEscape): line breaks and other control bytes, backslashes, bytes that
// are not UTF-8, a "#" that would make the line a comment, blanks at the end that editors strip.
// Paths are the host's bytes.
namespace morvanex::cli {

// One target's line, without its line break.
std::string EditLine(std::string_view path);

// The whole file: the header (naming `folder`, the folder the paths are below) and a line per
// path.
std::string EditFileText(const std::vector<std::string>& paths, std::string_view folder);

struct EditedNames {
    std::vector<std::string> names;   // per target, its new name (in its own folder)
    std::vector<std::string> errors;  // "line N: …"; empty when the edit can be carried out
};

// Reads the edited file back against the paths it was written with (`before`, the targets'
// paths now, one per target in order): one name line per target, each with the folder part of
// its target. A line count that changed, an empty name, a name with NUL, "." or "..", a folder
// part that changed and an escape that is none refuse the edit, each named by its line.
EditedNames ReadEditFile(std::string_view text, const std::vector<std::string>& before);

}  // namespace morvanex::cli

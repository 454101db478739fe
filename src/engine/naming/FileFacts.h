#pragma once

#include <string_view>

#include "platform/Clock.h"
#include "platform/Paths.h"

// What composition knows of one source file: the pieces of its path and its two times. The
// pieces are views into the caller's path, so splitting allocates nothing.
namespace morvanex::engine {

struct FileFacts {
    std::string_view folder;     // D: up to and including the last separator
    std::string_view fileName;   // F
    std::string_view baseName;   // B
    std::string_view extension;  // E, without the period
    platform::Timestamp creation = 0;
    platform::Timestamp modification = 0;
};

// Splits a source path at the same places as DirectoryOf, FileNameOf, BaseNameOf and
// ExtensionOf, but keeps pieces of any length: a source path names a file that exists, and its
// CP932 form may outgrow the program's 260-byte buffers. The times are left 0 for the caller.
FileFacts SplitSourcePath(std::string_view path, platform::ExtensionRule rule);

// The folder's own name: the last component of a folder path, "" for the root.
std::string_view FolderNameOf(std::string_view folder);

// Where a name splits into base and extension under the rule, or npos without a period.
std::size_t ExtensionPeriod(std::string_view name, platform::ExtensionRule rule);

}  // namespace morvanex::engine

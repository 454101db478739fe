#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

// A mapping file: two columns, the old name and the new one, as a spreadsheet or a catalogue
// exports them. Tab-separated when the first line holds a tab (each field in the escaped form
// of the tsv preview, so that its rows read back), else comma-separated with RFC 4180 quoting;
// or separated by a given character. UTF-8 with or without a byte-order mark, or CP932, told
// apart as a job file's text is.
namespace morvanex::cli {

struct MappingFormat {
    char separator = '\0';  // '\0': a tab when the first line holds one, else a comma
    bool header = false;    // the first row names the columns and is skipped
};

// One row: the line it starts on and its two fields, as the host's bytes.
struct MappingRow {
    std::size_t line = 0;
    std::string oldPath;
    std::string newPath;
};

struct MappingRead {
    std::vector<MappingRow> rows;
    std::vector<std::string> errors;  // "line N: …", in the file's order; empty when it reads
};

// Reads the rows of a mapping file. Blank lines are skipped; a row with fewer than two
// columns, with a third that is not empty, with an empty field or a NUL byte, a quote never
// closed and a tsv field whose backslash starts no escape are errors.
MappingRead ReadMapping(std::string_view bytes, const MappingFormat& format);

// The targets of a mapping and their new names, in the file's order, as the core takes them
// (CP932): absolute paths, and names in each target's own folder.
struct MappedTargets {
    std::vector<std::string> sources;
    std::vector<std::string> names;
    // Each source's status as the check found it (stored attributes too): a run that follows at
    // once need not read it again.
    std::vector<platform::FileStatus> statuses;
    std::vector<std::string> errors;  // "line N: …"; empty when every row can be renamed
};

// Resolves each row against `folder` (a host path ending with the separator): the old path
// lies below it (relative, no ".."), names an entry that is there and no row before names it;
// the new one is a name, or a path in the old one's folder. The statuses are read from a handle
// on the folder (the file system is anchored there meanwhile, and left without an anchor).
MappedTargets ResolveMapping(const std::vector<MappingRow>& rows, std::string_view folder,
                             platform::FileSystem& fileSystem);

}  // namespace morvanex::cli

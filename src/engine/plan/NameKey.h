#pragma once

#include <string>
#include <string_view>

// How a folder tells two names apart, as the host holds them (UTF-8 bytes, or any bytes).
namespace morvanex::engine {

// What a destination folder makes of a name.
struct FolderRules {
    // Two names that differ only in letter case (or in the Unicode form of a character) are one
    // name there: FAT, exFAT, a casefolded ext4 or f2fs folder.
    bool foldsCase = false;
    // The names Windows refuses are refused there too (FAT, exFAT, NTFS as usually mounted).
    bool windowsNames = false;
    // Only names of ASCII characters are taken (FAT through fusefat, which keeps no other long
    // names).
    bool asciiNames = false;
    // A folder cannot be moved there without the risk of replacing another (a FUSE driver
    // without RENAME_NOREPLACE: FAT and exFAT through FUSE): the program does not move one.
    bool foldersStay = false;

    friend bool operator==(const FolderRules&, const FolderRules&) = default;
};

// The form under which the folder compares `name`: the bytes themselves where it keeps case;
// where it folds case, the canonical decomposition of the simple case folding of the canonical
// decomposition (canonical caseless matching). The folding errs on the side of equality: two
// names it makes equal may still both fit into the folder, but two names the folder takes for
// one are never made different. Bytes that are not UTF-8 stay as they are.
void NameKey(std::string_view name, bool foldsCase, std::string& key);

// True when a folder with Windows name rules refuses the name: one of \ : * ? " < > |, a
// control character, or a trailing blank or period.
bool RefusedByWindowsRules(std::string_view name);

}  // namespace morvanex::engine

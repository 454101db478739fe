#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/StopRequest.h"
#include "engine/plan/FolderTraits.h"
#include "platform/FileSystem.h"

namespace morvanex::engine {

// Which entries of a folder a listing takes (the attribute mask decides "within the mask").
enum ListingMode : int {
    kListAll = 0,                // every file and folder
    kListFiles = 1,              // every file
    kListFolders = 2,            // every folder
    kListAllWithinMask = 3,      // files and folders within the mask
    kListFilesWithinMask = 4,    // files within the mask
    kListFoldersWithinMask = 5,  // folders whose bits, the folder bit included, are in the mask
};

inline constexpr std::uint8_t kRunAttributeMask = 0xA0;  // archive | normal

// How a folder's entries are ordered: the record's SortCondition.
enum SortCondition : int {
    kSortNone = 0,    // as the file system lists them
    kSortByName = 1,  // by name, in the record's direction
    kSortByTime = 2,  // by modification time
    kSortByNameAscending = 3,
    kSortBySize = 4,
};
// True for the orders that need each entry's status.
constexpr bool SortsByStatus(int sortCondition) {
    return sortCondition == kSortByTime || sortCondition == kSortBySize;
}

struct TargetRequest {
    std::string root;           // the folder to collect from
    std::string filter;         // wildcard; empty means "*.*"
    bool fullPaths = true;      // entries as full paths, or as bare names
    int sortCondition = 1;      // 0 none, 1 name, 2 time, 3 name ascending, 4 size
    int sortDirection = 1;      // 1 ascending, 0 descending
    bool naturalOrder = false;  // names compare their runs of digits by value
    int listingMode = kListFilesWithinMask;
    std::uint8_t attributeMask = kRunAttributeMask;
    bool recursive = false;
    // Folders that are never listed, entered or taken (the program's own state folder): a tree
    // that holds one leaves it out, found by identity whatever path leads to it.
    std::vector<platform::FileIdentity> skipFolders;
    // The user's stop, looked at while the entries' statuses are read (every few hundred) and
    // between folders: a listing that reads every status takes long in a large folder.
    const StopRequest* stop = nullptr;
    // Where given, the names of each folder read in full are kept there for the plan check.
    ListedNames* listedNames = nullptr;
};

// Whether an entry with these attributes is taken by a listing mode: 1 taken, 0 not, -1 for a
// mode that is not one of the six.
int Admits(int mode, std::uint8_t attributes, std::uint8_t mask);
// True for the modes that look at the attribute mask (they need each entry's attributes).
bool NeedsAttributes(int mode);
// The mode that takes the same kinds of entries without looking at the mask: listing with it
// gives every entry the mode could take, in the same order.
int ModeWithoutMask(int mode);

// Appends the entries of the root folder (and, recursing, of every subfolder below it,
// depth-first, subfolders in name order) to `out`, each folder's own entries sorted by the
// request. `largest` is raised to the list's size after each folder. Returns 0, 1001 when the
// root does not exist, 2001 for a listing mode outside 0..5, or 20 when the request's stop
// came (the list then says nothing). Folders reached again through
// a symbolic link are not entered twice, so a link loop ends. With `statuses`, each entry's
// status as the listing read it goes there, in the same order.
int CollectTargets(const TargetRequest& request, platform::FileSystem& fileSystem,
                   std::vector<std::string>& out, int& largest,
                   std::vector<platform::FileStatus>* statuses = nullptr);

// Sorts out[first, last) (and the statuses beside them, when given) as one folder's entries
// are sorted. Entries are full paths, or names inside `root` when fullPaths is false; without
// statuses, the status for time and size is read there.
void SortEntries(std::vector<std::string>& out, std::vector<platform::FileStatus>* statuses,
                 std::size_t first, std::size_t last, int sortCondition, int sortDirection,
                 bool naturalOrder, const std::string& root, bool fullPaths,
                 platform::FileSystem& fileSystem);

// The natural order of two names: case-insensitive and double-byte aware like the plain order,
// but where both have a run of ASCII digits at the same place the runs compare by value (of any
// length; "2" before "10"). 0 for names equal but for letter case and leading zeros.
int CompareNatural(std::string_view a, std::string_view b);
// The order a natural name sort gives: CompareNatural, then the plain case-insensitive
// comparison, then the bytes; so it is total and the same on every run.
bool NaturalBefore(std::string_view a, std::string_view b);

}  // namespace morvanex::engine

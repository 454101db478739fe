#include "engine/CollectTargets.h"

#include <algorithm>
#include <cstddef>

#include "engine/ResultCodes.h"
#include "engine/Wildcard.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"

namespace morvanex::engine {

namespace {

using platform::attr::kDirectory;

bool WithinMask(std::uint8_t attributes, std::uint8_t mask) {
    return ((attributes & ~kDirectory) & ~mask & 0xFF) == 0;
}

// 1 = taken, 0 = not taken, -1 = the mode is not one of the six.
int Admits(int mode, std::uint8_t attributes, std::uint8_t mask) {
    const bool folder = (attributes & kDirectory) != 0;
    switch (mode) {
        case kListAll: return 1;
        case kListFiles: return folder ? 0 : 1;
        case kListFolders: return folder ? 1 : 0;
        case kListAllWithinMask: return WithinMask(attributes, mask) ? 1 : 0;
        case kListFilesWithinMask: return !folder && WithinMask(attributes, mask) ? 1 : 0;
        case kListFoldersWithinMask: return folder && (attributes & ~mask & 0xFF) == 0 ? 1 : 0;
        default: return -1;
    }
}

bool NeedsAttributes(int mode) {
    return mode == kListAllWithinMask || mode == kListFilesWithinMask ||
           mode == kListFoldersWithinMask;
}

// Case-insensitive, double-byte aware; names equal but for case fall back to their bytes so
// the order is the same on every run.
bool NameBefore(const std::string& a, const std::string& b) {
    const int c = platform::CompareNoCase(a, b);
    return c != 0 ? c < 0 : a < b;
}

// The quicksort that orders entries by time or size: middle pivot, i and j walking towards
// each other; for equal keys the order it produces is the order users have always seen.
void QuickSortByKey(std::vector<std::int64_t>& keys, std::vector<std::string>& entries,
                    std::ptrdiff_t first, std::ptrdiff_t last, bool ascending) {
    while (first < last) {
        const std::int64_t pivot = keys[static_cast<std::size_t>((first + last) / 2)];
        const auto before = [ascending](std::int64_t a, std::int64_t b) {
            return ascending ? a < b : a > b;
        };
        std::ptrdiff_t i = first;
        std::ptrdiff_t j = last;
        do {
            while (before(keys[static_cast<std::size_t>(i)], pivot)) ++i;
            while (before(pivot, keys[static_cast<std::size_t>(j)])) --j;
            if (i <= j) {
                std::swap(keys[static_cast<std::size_t>(i)], keys[static_cast<std::size_t>(j)]);
                std::swap(entries[static_cast<std::size_t>(i)], entries[static_cast<std::size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        // Recursing into the smaller part keeps the stack shallow; the parts are disjoint, so
        // the order of treating them does not change the result.
        if (j - first < last - i) {
            QuickSortByKey(keys, entries, first, j, ascending);
            first = i;
        } else {
            QuickSortByKey(keys, entries, i, last, ascending);
            last = j;
        }
    }
}

struct Collector {
    const TargetRequest& request;
    platform::FileSystem& fileSystem;
    std::vector<std::string>& out;
    int& largest;
    std::vector<platform::FileIdentity> ancestors;

    int Collect(const std::string& folder) {
        if (folder.empty() || !fileSystem.CanEnter(folder)) return DINFO_ERROR_NO_COUNTDIR_APP;
        const std::string root = platform::WithTrailingSeparator(folder);
        const std::string filter = request.filter.empty() ? std::string("*.*") : request.filter;

        std::vector<platform::DirectoryEntry> entries;
        fileSystem.ListFolder(root, NeedsAttributes(request.listingMode), entries);

        std::vector<std::string> subfolders;
        const std::size_t first = out.size();
        for (const auto& entry : entries) {
            const bool folderEntry = (entry.attributes & kDirectory) != 0;
            if (request.recursive && folderEntry) subfolders.push_back(root + entry.name);
            if (!MatchesWildcard(entry.name, filter)) continue;
            const int admitted = Admits(request.listingMode, entry.attributes, request.attributeMask);
            if (admitted < 0) return DINFO_ERROR_BAD_LISTING_MODE;
            if (admitted > 0) out.push_back(request.fullPaths ? root + entry.name : entry.name);
        }
        if (out.size() > first) {
            SortEntries(out, first, out.size(), request.sortCondition, request.sortDirection, root,
                        request.fullPaths, fileSystem);
        }
        largest = std::max(largest, static_cast<int>(out.size()));

        std::sort(subfolders.begin(), subfolders.end(), NameBefore);
        for (const auto& subfolder : subfolders) {
            platform::FileIdentity identity;
            if (fileSystem.GetIdentity(subfolder, identity) != 0) continue;
            if (std::find(ancestors.begin(), ancestors.end(), identity) != ancestors.end()) continue;
            ancestors.push_back(identity);
            const int code = Collect(subfolder);
            ancestors.pop_back();
            // A subfolder that vanished or cannot be entered contributes nothing.
            if (code == DINFO_ERROR_BAD_LISTING_MODE) return code;
        }
        return kSuccess;
    }
};

}  // namespace

void SortEntries(std::vector<std::string>& out, std::size_t first, std::size_t last,
                 int sortCondition, int sortDirection, const std::string& root, bool fullPaths,
                 platform::FileSystem& fileSystem) {
    const auto begin = out.begin() + static_cast<std::ptrdiff_t>(first);
    const auto end = out.begin() + static_cast<std::ptrdiff_t>(last);
    switch (sortCondition) {
        case 1:
            if (sortDirection != 0) {
                std::sort(begin, end, NameBefore);
            } else {
                std::sort(begin, end, [](const auto& a, const auto& b) { return NameBefore(b, a); });
            }
            return;
        case 3:
            std::sort(begin, end, NameBefore);
            return;
        case 2:
        case 4: {
            std::sort(begin, end, NameBefore);
            std::vector<std::string> entries(std::make_move_iterator(begin), std::make_move_iterator(end));
            std::vector<std::int64_t> keys(entries.size());
            for (std::size_t k = 0; k < entries.size(); ++k) {
                platform::FileStatus status;
                const std::string path = fullPaths ? entries[k] : root + entries[k];
                if (fileSystem.GetStatus(path, status) == 0) {
                    keys[k] = sortCondition == 2 ? status.modification : status.size;
                }
            }
            QuickSortByKey(keys, entries, 0, static_cast<std::ptrdiff_t>(entries.size()) - 1,
                           sortDirection != 0);
            std::move(entries.begin(), entries.end(), begin);
            return;
        }
        default:
            return;  // the order the file system listed them
    }
}

int CollectTargets(const TargetRequest& request, platform::FileSystem& fileSystem,
                   std::vector<std::string>& out, int& largest) {
    Collector collector{request, fileSystem, out, largest, {}};
    platform::FileIdentity rootIdentity;
    if (fileSystem.GetIdentity(request.root, rootIdentity) == 0) {
        collector.ancestors.push_back(rootIdentity);
    }
    return collector.Collect(request.root);
}

}  // namespace morvanex::engine

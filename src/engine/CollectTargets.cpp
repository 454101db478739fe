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

}  // namespace

int Admits(int mode, std::uint8_t attributes, std::uint8_t mask) {
    const bool folder = (attributes & kDirectory) != 0;
    switch (mode) {
        case kListAll:
            return 1;
        case kListFiles:
            return folder ? 0 : 1;
        case kListFolders:
            return folder ? 1 : 0;
        case kListAllWithinMask:
            return WithinMask(attributes, mask) ? 1 : 0;
        case kListFilesWithinMask:
            return !folder && WithinMask(attributes, mask) ? 1 : 0;
        case kListFoldersWithinMask:
            return folder && (attributes & ~mask & 0xFF) == 0 ? 1 : 0;
        default:
            return -1;
    }
}

bool NeedsAttributes(int mode) {
    return mode == kListAllWithinMask || mode == kListFilesWithinMask ||
           mode == kListFoldersWithinMask;
}

int ModeWithoutMask(int mode) {
    switch (mode) {
        case kListAllWithinMask:
            return kListAll;
        case kListFilesWithinMask:
            return kListFiles;
        case kListFoldersWithinMask:
            return kListFolders;
        default:
            return mode;
    }
}

namespace {

// Case-insensitive, double-byte aware; names equal but for case fall back to their bytes so
// the order is the same on every run.
bool NameBefore(const std::string& a, const std::string& b) {
    const int c = platform::CompareNoCase(a, b);
    return c != 0 ? c < 0 : a < b;
}

// The quicksort that orders entries by time or size: middle pivot, i and j walking towards
// each other; for equal keys the order it produces is part of the program's result. The
// entries are positions into the list being sorted.
void QuickSortByKey(std::vector<std::int64_t>& keys, std::vector<std::size_t>& entries,
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
                std::swap(entries[static_cast<std::size_t>(i)],
                          entries[static_cast<std::size_t>(j)]);
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
    std::vector<platform::FileStatus>* statuses;
    int& largest;
    std::vector<platform::FileIdentity> ancestors;

    bool IsSkipped(const platform::FileIdentity& identity) const {
        return identity != platform::FileIdentity{} &&
               std::find(request.skipFolders.begin(), request.skipFolders.end(), identity) !=
                   request.skipFolders.end();
    }

    int Collect(const std::string& folder) {
        if (folder.empty() || !fileSystem.CanEnter(folder)) return DINFO_ERROR_NO_COUNTDIR_APP;
        const std::string root = platform::WithTrailingSeparator(folder);
        const std::string filter = request.filter.empty() ? std::string("*.*") : request.filter;

        std::vector<platform::DirectoryEntry> entries;
        fileSystem.ListFolder(root, statuses != nullptr || NeedsAttributes(request.listingMode),
                              entries);

        std::vector<std::string> subfolders;
        const std::size_t first = out.size();
        out.reserve(first + entries.size());
        if (statuses != nullptr) statuses->reserve(first + entries.size());
        for (auto& entry : entries) {
            const bool folderEntry = (entry.attributes & kDirectory) != 0;
            if (folderEntry && IsSkipped(entry.status.identity)) continue;
            // A link to a folder is an entry like any other but never a way down: it could lead
            // anywhere, and what it leads to would be renamed as if it lay inside the root.
            if (request.recursive && folderEntry && !entry.status.link) {
                subfolders.push_back(root + entry.name);
            }
            if (!MatchesWildcard(entry.name, filter)) continue;
            const int admitted =
                Admits(request.listingMode, entry.attributes, request.attributeMask);
            if (admitted < 0) return DINFO_ERROR_BAD_LISTING_MODE;
            if (admitted == 0) continue;
            out.push_back(request.fullPaths ? root + entry.name : std::move(entry.name));
            if (statuses != nullptr) statuses->push_back(entry.status);
        }
        if (out.size() > first) {
            SortEntries(out, statuses, first, out.size(), request.sortCondition,
                        request.sortDirection, root, request.fullPaths, fileSystem);
        }
        largest = std::max(largest, static_cast<int>(out.size()));

        std::sort(subfolders.begin(), subfolders.end(), NameBefore);
        for (const auto& subfolder : subfolders) {
            platform::FileIdentity identity;
            if (fileSystem.GetIdentity(subfolder, identity) != 0 || IsSkipped(identity)) continue;
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

// Puts out[first + k] (and its status) where order[k] says it belongs.
void Permute(std::vector<std::string>& out, std::vector<platform::FileStatus>* statuses,
             std::size_t first, const std::vector<std::size_t>& order) {
    std::vector<std::string> names(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) names[k] = std::move(out[first + order[k]]);
    std::move(names.begin(), names.end(), out.begin() + static_cast<std::ptrdiff_t>(first));
    if (statuses == nullptr) return;
    std::vector<platform::FileStatus> sorted(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) sorted[k] = (*statuses)[first + order[k]];
    std::copy(sorted.begin(), sorted.end(), statuses->begin() + static_cast<std::ptrdiff_t>(first));
}

// The order of out[first, last) by name, case-insensitive and double-byte aware, ties broken by
// the names' own bytes. Entries of one folder share their folder's path: that part is skipped,
// and the next eight bytes, folded, make a number that settles almost every comparison.
std::vector<std::size_t> NameOrder(const std::vector<std::string>& out, std::size_t first,
                                   std::size_t last, bool ascending) {
    std::size_t common = out[first].size();
    for (std::size_t k = first + 1; k < last && common > 0; ++k) {
        const std::string& a = out[first];
        const std::string& b = out[k];
        std::size_t n = 0;
        while (n < common && n < b.size() && a[n] == b[n]) ++n;
        common = n;
    }
    // Back to a character boundary, so the skipped part never ends inside a character.
    common = platform::FitLength(out[first], common);

    struct Key {
        std::uint64_t prefix;
        std::size_t index;
    };
    std::vector<Key> keys(last - first);
    for (std::size_t k = 0; k < keys.size(); ++k) {
        std::string head = out[first + k].substr(common, 8);
        platform::ToLowerAscii(head);
        std::uint64_t prefix = 0;
        for (std::size_t b = 0; b < 8; ++b) {
            prefix = (prefix << 8) | (b < head.size() ? static_cast<unsigned char>(head[b]) : 0u);
        }
        keys[k] = {prefix, k};
    }
    const auto before = [&](const Key& a, const Key& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        const std::string& x = out[first + a.index];
        const std::string& y = out[first + b.index];
        const int c = platform::CompareNoCase(std::string_view(x).substr(common),
                                              std::string_view(y).substr(common));
        return c != 0 ? c < 0 : x < y;
    };
    if (ascending) {
        std::sort(keys.begin(), keys.end(), before);
    } else {
        std::sort(keys.begin(), keys.end(),
                  [&](const Key& a, const Key& b) { return before(b, a); });
    }
    std::vector<std::size_t> order(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) order[k] = keys[k].index;
    return order;
}

}  // namespace

void SortEntries(std::vector<std::string>& out, std::vector<platform::FileStatus>* statuses,
                 std::size_t first, std::size_t last, int sortCondition, int sortDirection,
                 const std::string& root, bool fullPaths, platform::FileSystem& fileSystem) {
    switch (sortCondition) {
        case kSortByName:
            Permute(out, statuses, first, NameOrder(out, first, last, sortDirection != 0));
            return;
        case kSortByNameAscending:
            Permute(out, statuses, first, NameOrder(out, first, last, true));
            return;
        case kSortByTime:
        case kSortBySize: {
            Permute(out, statuses, first, NameOrder(out, first, last, true));
            std::vector<std::int64_t> keys(last - first);
            std::vector<std::size_t> order(last - first);
            for (std::size_t k = 0; k < keys.size(); ++k) {
                order[k] = k;
                platform::FileStatus status;
                if (statuses != nullptr) {
                    status = (*statuses)[first + k];
                } else {
                    const std::string& entry = out[first + k];
                    fileSystem.GetStatus(fullPaths ? entry : root + entry, status);
                }
                keys[k] = sortCondition == kSortByTime ? status.modification : status.size;
            }
            QuickSortByKey(keys, order, 0, static_cast<std::ptrdiff_t>(keys.size()) - 1,
                           sortDirection != 0);
            Permute(out, statuses, first, order);
            return;
        }
        default:
            return;  // the order the file system listed them
    }
}

int CollectTargets(const TargetRequest& request, platform::FileSystem& fileSystem,
                   std::vector<std::string>& out, int& largest,
                   std::vector<platform::FileStatus>* statuses) {
    Collector collector{request, fileSystem, out, statuses, largest, {}};
    platform::FileIdentity rootIdentity;
    if (fileSystem.GetIdentity(request.root, rootIdentity) == 0) {
        if (collector.IsSkipped(rootIdentity)) return kSuccess;
        collector.ancestors.push_back(rootIdentity);
    }
    return collector.Collect(request.root);
}

}  // namespace morvanex::engine

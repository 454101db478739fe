#include "engine/plan/CollectTargets.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>

#include "engine/ResultCodes.h"
#include "engine/plan/Wildcard.h"
#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "platform/StatusReads.h"

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

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

unsigned char FoldCase(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

// The end of the run of digits that starts at i.
std::size_t DigitRunEnd(std::string_view text, std::size_t i) {
    while (i < text.size() && IsDigit(static_cast<unsigned char>(text[i]))) ++i;
    return i;
}

}  // namespace

int CompareNatural(std::string_view a, std::string_view b) {
    // Bytes compared unsigned, letters folded where they start a character, as the plain
    // comparison does; a digit is never part of a double-byte character (trail bytes start at
    // 0x40), so a run of digits can only start on a character.
    std::size_t i = 0;
    std::size_t j = 0;
    std::size_t restA = 0;  // bytes left of the character a[i] belongs to
    std::size_t restB = 0;
    while (i < a.size() && j < b.size()) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[j]);
        if (restA == 0 && restB == 0 && IsDigit(ca) && IsDigit(cb)) {
            // By value without converting: leading zeros skipped, then the longer run is the
            // larger number, and runs of one length compare digit by digit.
            const std::size_t endA = DigitRunEnd(a, i);
            const std::size_t endB = DigitRunEnd(b, j);
            while (i + 1 < endA && a[i] == '0') ++i;
            while (j + 1 < endB && b[j] == '0') ++j;
            if (endA - i != endB - j) return endA - i < endB - j ? -1 : 1;
            if (const int c = a.substr(i, endA - i).compare(b.substr(j, endB - j)))
                return c < 0 ? -1 : 1;
            i = endA;
            j = endB;
            continue;
        }
        if (restA == 0) {
            restA = platform::CharSizeAt(a, i);
            if (restA == 1) ca = FoldCase(ca);
        }
        if (restB == 0) {
            restB = platform::CharSizeAt(b, j);
            if (restB == 1) cb = FoldCase(cb);
        }
        if (ca != cb) return ca < cb ? -1 : 1;
        --restA;
        --restB;
        ++i;
        ++j;
    }
    const bool moreA = i < a.size();
    const bool moreB = j < b.size();
    return moreA == moreB ? 0 : moreA ? 1 : -1;
}

bool NaturalBefore(std::string_view a, std::string_view b) {
    if (const int c = CompareNatural(a, b)) return c < 0;
    const int c = platform::CompareNoCase(a, b);
    return c != 0 ? c < 0 : a < b;
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

    // Each entry's status as a listing with attributes gives it, read one by one so that the
    // user's stop is looked at between them: in a large folder these reads are most of the
    // listing's time. An entry gone since the listing is left out. False when stopped.
    bool ReadStatuses(const std::string& root, std::vector<platform::DirectoryEntry>& entries) {
        platform::StatusReads reads(
            entries.size(),
            [&](std::size_t i) {
                platform::DirectoryEntry& entry = entries[i];
                return fileSystem.GetStatus(root + entry.name, entry.status);
            },
            [&] { return request.stop->Requested(); });
        for (std::size_t i = 0; i < entries.size(); ++i) {
            platform::DirectoryEntry& entry = entries[i];
            const int error = reads.Next(i);
            if (error == ECANCELED) return false;
            if (error != 0) {
                entry.name.clear();
                continue;
            }
            // A link to a folder is listed as a folder (no archive bit, as folders have none),
            // with the link's own status.
            if (entry.status.link && (entry.attributes & kDirectory) != 0) {
                entry.status.attributes = static_cast<std::uint8_t>(
                    (entry.status.attributes & ~platform::attr::kArchive) | kDirectory);
            }
            entry.attributes = entry.status.attributes;
        }
        std::erase_if(entries,
                      [](const platform::DirectoryEntry& entry) { return entry.name.empty(); });
        return true;
    }

    // Every name the folder's listing read (not only the targets), where it read to the end.
    void KeepNames(const std::string& root, int listingError,
                   const std::vector<platform::DirectoryEntry>& entries) {
        if (request.listedNames == nullptr || listingError != 0) return;
        PackedNames names;
        std::string host;
        for (const platform::DirectoryEntry& entry : entries) {
            platform::Utf8FromCp932(entry.name, host);
            names.Add(host);
        }
        request.listedNames->Keep(platform::Utf8FromCp932(root), std::move(names));
    }

    int Collect(const std::string& folder) {
        if (request.stop != nullptr && request.stop->Requested()) return MRVN_STOPPED_BY_USER;
        if (folder.empty() || !fileSystem.CanEnter(folder)) return DINFO_ERROR_NO_COUNTDIR_APP;
        const std::string root = platform::WithTrailingSeparator(folder);
        const std::string filter = request.filter.empty() ? std::string("*.*") : request.filter;

        std::vector<platform::DirectoryEntry> entries;
        const bool withStatuses = statuses != nullptr || NeedsAttributes(request.listingMode);
        if (withStatuses && request.stop != nullptr) {
            KeepNames(root, fileSystem.ListFolder(root, false, entries), entries);
            if (!ReadStatuses(root, entries)) return MRVN_STOPPED_BY_USER;
        } else {
            KeepNames(root, fileSystem.ListFolder(root, withStatuses, entries), entries);
        }

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
                        request.sortDirection, request.naturalOrder, root, request.fullPaths,
                        fileSystem);
        }
        largest = std::max(largest, static_cast<int>(out.size()));

        if (request.naturalOrder) {
            std::sort(
                subfolders.begin(), subfolders.end(),
                [](const std::string& a, const std::string& b) { return NaturalBefore(a, b); });
        } else {
            std::sort(subfolders.begin(), subfolders.end(), NameBefore);
        }
        for (const auto& subfolder : subfolders) {
            platform::FileIdentity identity;
            if (fileSystem.GetIdentity(subfolder, identity) != 0 || IsSkipped(identity)) continue;
            if (std::find(ancestors.begin(), ancestors.end(), identity) != ancestors.end())
                continue;
            ancestors.push_back(identity);
            const int code = Collect(subfolder);
            ancestors.pop_back();
            // A subfolder that vanished or cannot be entered contributes nothing.
            if (code == DINFO_ERROR_BAD_LISTING_MODE || code == MRVN_STOPPED_BY_USER) return code;
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

// The shared folder part of out[first, last): skipped by the comparisons, it never ends inside
// a character.
std::size_t CommonPrefix(const std::vector<std::string>& out, std::size_t first, std::size_t last) {
    std::size_t common = out[first].size();
    for (std::size_t k = first + 1; k < last && common > 0; ++k) {
        const std::string& a = out[first];
        const std::string& b = out[k];
        std::size_t n = 0;
        while (n < common && n < b.size() && a[n] == b[n]) ++n;
        common = n;
    }
    return platform::FitLength(out[first], common);
}

// Positions of out[first, last) as `before` orders them, ascending or descending.
template <typename Key, typename Before>
std::vector<std::size_t> Ordered(std::vector<Key>& keys, bool ascending, const Before& before) {
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

struct PrefixKey {
    std::uint64_t prefix;
    std::size_t index;
};

std::uint64_t PackBytes(std::string_view head) {
    std::uint64_t prefix = 0;
    for (std::size_t b = 0; b < 8; ++b) {
        prefix = (prefix << 8) | (b < head.size() ? static_cast<unsigned char>(head[b]) : 0u);
    }
    return prefix;
}

// The order of out[first, last) by name, case-insensitive and double-byte aware, ties broken by
// the names' own bytes. Entries of one folder share their folder's path: that part is skipped,
// and the next eight bytes, folded, make a number that settles almost every comparison.
std::vector<std::size_t> NameOrder(const std::vector<std::string>& out, std::size_t first,
                                   std::size_t last, bool ascending) {
    const std::size_t common = CommonPrefix(out, first, last);
    std::vector<PrefixKey> keys(last - first);
    for (std::size_t k = 0; k < keys.size(); ++k) {
        std::string head = out[first + k].substr(common, 8);
        platform::ToLowerAscii(head);
        keys[k] = {PackBytes(head), k};
    }
    return Ordered(keys, ascending, [&](const PrefixKey& a, const PrefixKey& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        const std::string& x = out[first + a.index];
        const std::string& y = out[first + b.index];
        const int c = platform::CompareNoCase(std::string_view(x).substr(common),
                                              std::string_view(y).substr(common));
        return c != 0 ? c < 0 : x < y;
    });
}

// The first bytes of a name's natural key: compared byte by byte, two keys order their names
// as CompareNatural does, or are equal. A character is its bytes, a letter folded; a run of
// digits is '0' (where any digit stands against a character that is none), then the count of
// its digits without leading zeros (the longer number is the larger), then those digits. A run
// of 255 digits or more ends the key: the full comparison decides.
template <std::size_t N>
std::array<unsigned char, N> NaturalKeyBytes(std::string_view name) {
    std::array<unsigned char, N> key{};
    std::size_t k = 0;
    for (std::size_t i = 0; i < name.size() && k < N;) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x80 && !IsDigit(c)) {
            key[k++] = FoldCase(c);
            ++i;
            continue;
        }
        const std::size_t size = platform::CharSizeAt(name, i);
        if (size == 1 && IsDigit(c)) {
            const std::size_t end = DigitRunEnd(name, i);
            while (i + 1 < end && name[i] == '0') ++i;
            const std::size_t length = end - i;
            key[k++] = '0';
            if (k == N) break;
            key[k++] = static_cast<unsigned char>(std::min<std::size_t>(length, 255));
            if (length >= 255) break;
            for (; i < end && k < N; ++i) key[k++] = static_cast<unsigned char>(name[i]);
            i = end;
            continue;
        }
        key[k++] = c;
        for (std::size_t b = 1; b < size && k < N; ++b)
            key[k++] = static_cast<unsigned char>(name[i + b]);
        i += size;
    }
    return key;
}

std::uint64_t Pack(const unsigned char* bytes) {
    std::uint64_t value = 0;
    for (std::size_t b = 0; b < 8; ++b) value = (value << 8) | bytes[b];
    return value;
}

struct NaturalKey {
    std::uint64_t high;  // key bytes 0-7
    std::uint64_t low;   // key bytes 8-15, made only for names whose first eight are shared
    std::size_t index;
};

// The same in the natural order, in two steps: by the first eight key bytes, which settle
// almost every pair of unrelated names cheaply; then each group that shares them (the names of
// a series share more than the series' name: "trip12 day 3") by the next eight and, where those
// are shared too, by the full comparison.
std::vector<std::size_t> NaturalNameOrder(const std::vector<std::string>& out, std::size_t first,
                                          std::size_t last, bool ascending) {
    std::size_t common = CommonPrefix(out, first, last);
    // A shared part ending in digits would cut numbers in two ("x19" and "x100" share "x1").
    while (common > 0 && IsDigit(static_cast<unsigned char>(out[first][common - 1]))) --common;
    const auto tail = [&](std::size_t index) {
        return std::string_view(out[first + index]).substr(common);
    };
    std::vector<NaturalKey> keys(last - first);
    for (std::size_t k = 0; k < keys.size(); ++k)
        keys[k] = {Pack(NaturalKeyBytes<8>(tail(k)).data()), 0, k};
    const auto ordered = [ascending](auto a, auto b) { return ascending ? a < b : b < a; };
    std::sort(keys.begin(), keys.end(),
              [&](const NaturalKey& a, const NaturalKey& b) { return ordered(a.high, b.high); });
    for (auto group = keys.begin(); group != keys.end();) {
        auto end = group + 1;
        while (end != keys.end() && end->high == group->high) ++end;
        if (end - group > 1) {
            for (auto key = group; key != end; ++key)
                key->low = Pack(NaturalKeyBytes<16>(tail(key->index)).data() + 8);
            std::sort(group, end, [&](const NaturalKey& a, const NaturalKey& b) {
                if (a.low != b.low) return ordered(a.low, b.low);
                // The skipped part is the same in both: comparing the rest decides.
                return ascending ? NaturalBefore(tail(a.index), tail(b.index))
                                 : NaturalBefore(tail(b.index), tail(a.index));
            });
        }
        group = end;
    }
    std::vector<std::size_t> order(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) order[k] = keys[k].index;
    return order;
}

std::vector<std::size_t> NameOrder(const std::vector<std::string>& out, std::size_t first,
                                   std::size_t last, bool ascending, bool natural) {
    return natural ? NaturalNameOrder(out, first, last, ascending)
                   : NameOrder(out, first, last, ascending);
}

}  // namespace

void SortEntries(std::vector<std::string>& out, std::vector<platform::FileStatus>* statuses,
                 std::size_t first, std::size_t last, int sortCondition, int sortDirection,
                 bool naturalOrder, const std::string& root, bool fullPaths,
                 platform::FileSystem& fileSystem) {
    switch (sortCondition) {
        case kSortByName:
            Permute(out, statuses, first,
                    NameOrder(out, first, last, sortDirection != 0, naturalOrder));
            return;
        case kSortByNameAscending:
            Permute(out, statuses, first, NameOrder(out, first, last, true, naturalOrder));
            return;
        case kSortByTime:
        case kSortBySize: {
            Permute(out, statuses, first, NameOrder(out, first, last, true, naturalOrder));
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

#include "engine/plan/CollectTargets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/ResultCodes.h"
#include "engine/plan/TargetFeed.h"
#include "engine/plan/Wildcard.h"
#include "platform/Codepage.h"
#include "platform/FileSystem.h"
#include "platform/PosixFileSystem.h"
#include "support/MemoryFileSystem.h"
#include "support/TempFolder.h"

namespace morvanex::engine {
namespace {

using platform::attr::kArchive;
using platform::attr::kHidden;
using platform::attr::kReadOnly;
using platform::attr::kSystem;

class CollectTargetsTest : public testing::Test {
  protected:
    CollectTargetsTest() {
        fs.AddFolder("/r/");
        File("/r/b.jpg", kArchive, 300, 20);
        File("/r/A.JPG", kArchive, 100, 30);
        File("/r/c.txt", kArchive, 200, 10);
        File("/r/ro.jpg", kReadOnly | kArchive, 5, 5);
        File("/r/hid.jpg", kHidden, 5, 5);
        File("/r/sys.jpg", kSystem, 5, 5);
        fs.AddFolder("/r/sub.jpg/");
        fs.AddFolder("/r/Z/");
        File("/r/Z/z1.jpg", kArchive, 1, 1);
        fs.AddFolder("/r/a_hidden/");  // a folder's own attributes never stop recursion
        File("/r/a_hidden/h1.jpg", kArchive, 1, 1);
        fs.AddFolder("/r/sub.jpg/deep/");
        File("/r/sub.jpg/deep/d.jpg", kArchive, 1, 1);
    }
    void File(const std::string& path, std::uint8_t attributes, std::int64_t size,
              platform::Timestamp modification) {
        fs.AddFile(path);
        fs.files[path].status.attributes = attributes;
        fs.files[path].status.size = size;
        fs.files[path].status.modification = modification;
    }
    std::vector<std::string> Collect(TargetRequest request, int* code = nullptr) {
        std::vector<std::string> out;
        largest = 0;
        const int result = CollectTargets(request, fs, out, largest);
        if (code != nullptr) *code = result;
        return out;
    }

    test::MemoryFileSystem fs;
    int largest = 0;
};

TEST_F(CollectTargetsTest, ListingModesAndFilter) {
    using V = std::vector<std::string>;
    struct Row {
        const char* name;
        int mode;
        const char* filter;
        V expected;
    } rows[] = {
        {"mode4_files_within_mask", 4, "*.jpg", V{"/r/A.JPG", "/r/b.jpg"}},
        {"mode1_every_file", 1, "*.jpg",
         V{"/r/A.JPG", "/r/b.jpg", "/r/hid.jpg", "/r/ro.jpg", "/r/sys.jpg"}},
        {"mode0_filter_applies_to_folders", 0, "*.jpg",
         V{"/r/A.JPG", "/r/b.jpg", "/r/hid.jpg", "/r/ro.jpg", "/r/sub.jpg", "/r/sys.jpg"}},
        {"mode2_folders", 2, "*.*", V{"/r/a_hidden", "/r/sub.jpg", "/r/Z"}},
        {"mode3_files_and_folders_within_mask", 3, "*",
         V{"/r/A.JPG", "/r/a_hidden", "/r/b.jpg", "/r/c.txt", "/r/sub.jpg", "/r/Z"}},
        {"mode5_no_folder_with_run_mask", 5, "", V{}},
        {"empty_filter_means_all", 4, "", V{"/r/A.JPG", "/r/b.jpg", "/r/c.txt"}},
    };
    for (const auto& row : rows) {
        TargetRequest request;
        request.root = "/r";
        request.filter = row.filter;
        request.listingMode = row.mode;
        EXPECT_EQ(Collect(request), row.expected) << row.name;
    }
}

TEST_F(CollectTargetsTest, SortConditions) {
    using V = std::vector<std::string>;
    struct Row {
        const char* name;
        int condition, direction;
        V expected;
    } rows[] = {
        {"name_ascending", 1, 1, V{"A.JPG", "b.jpg", "c.txt"}},
        {"name_descending", 1, 0, V{"c.txt", "b.jpg", "A.JPG"}},
        {"name_ascending_whatever_direction", 3, 0, V{"A.JPG", "b.jpg", "c.txt"}},
        {"time_oldest_first", 2, 1, V{"c.txt", "b.jpg", "A.JPG"}},
        {"time_newest_first", 2, 0, V{"A.JPG", "b.jpg", "c.txt"}},
        {"size_smallest_first", 4, 1, V{"A.JPG", "c.txt", "b.jpg"}},
        {"size_largest_first", 4, 0, V{"b.jpg", "c.txt", "A.JPG"}},
    };
    for (const auto& row : rows) {
        TargetRequest request;
        request.root = "/r/";
        request.fullPaths = false;
        request.sortCondition = row.condition;
        request.sortDirection = row.direction;
        EXPECT_EQ(Collect(request), row.expected) << row.name;
    }
}

TEST_F(CollectTargetsTest, RecursionIsDepthFirstWithSubfoldersInNameOrder) {
    TargetRequest request;
    request.root = "/r/";
    request.filter = "*1.jpg";
    request.recursive = true;
    // The filter selects no folder, yet every subfolder is visited.
    EXPECT_EQ(Collect(request), (std::vector<std::string>{"/r/a_hidden/h1.jpg", "/r/Z/z1.jpg"}));
    request.filter = "*.jpg";
    const auto all = Collect(request);
    EXPECT_EQ(all, (std::vector<std::string>{"/r/A.JPG", "/r/b.jpg", "/r/a_hidden/h1.jpg",
                                             "/r/sub.jpg/deep/d.jpg", "/r/Z/z1.jpg"}));
    EXPECT_EQ(largest, 5);  // the total, not the largest single folder
}

TEST_F(CollectTargetsTest, ResultCodes) {
    int code = -1;
    TargetRequest request;
    request.root = "/missing/";
    EXPECT_TRUE(Collect(request, &code).empty());
    EXPECT_EQ(code, DINFO_ERROR_NO_COUNTDIR_APP);
    request.root = "";
    Collect(request, &code);
    EXPECT_EQ(code, DINFO_ERROR_NO_COUNTDIR_APP);
    request.root = "/r/";
    request.listingMode = 6;
    Collect(request, &code);
    EXPECT_EQ(code, DINFO_ERROR_BAD_LISTING_MODE);
    request.filter = "*.none";  // noticed only when the listing has an entry
    Collect(request, &code);
    EXPECT_EQ(code, kSuccess);
}

TEST(NaturalOrder, RunsOfDigitsCompareByValue) {
    using platform::Sjis;
    const std::string many9 = "a" + std::string(25, '9');
    const std::string one0 = "a1" + std::string(25, '0');
    struct Row {
        const char* name;
        std::string a, b;
        int natural;  // sign of CompareNatural(a, b)
        bool before;  // NaturalBefore(a, b): the total order, ties broken
    } rows[] = {
        {"digits/shorter_number_first", "file2", "file10", -1, true},
        {"digits/same_length", "file13", "file12", 1, false},
        {"digits/beyond_64_bits", many9, one0, -1, true},
        {"digits/beyond_64_bits_same_length", "x123456789012345678901234567890",
         "x123456789012345678901234567891", -1, true},
        {"digits/several_runs", "v1.10.2", "v1.9.10", 1, false},
        {"digits/digit_before_letter", "a1", "ab", -1, true},
        {"digits/punctuation_before_digit", "a1", "a-", 1, false},
        {"digits/end_first", "a", "a1", -1, true},
        {"zeros/equal_value_plain_order_decides", "a01", "a1", 0, true},
        {"zeros/value_before_zeros", "a002", "a1", 1, false},
        {"zeros/all_zero", "a000", "a0", 0, false},
        {"zeros/then_the_rest", "a01b", "a1c", -1, true},
        {"case/folded", "File2", "file10", -1, true},
        {"case/equal_but_for_case_bytes_decide", "ABC", "abc", 0, true},
        {"case/bytes_decide_the_other_way", "abc", "ABC", 0, false},
        {"doublebyte/digits_after", Sjis("写真2"), Sjis("写真10"), -1, true},
        {"doublebyte/fullwidth_digits_are_characters", Sjis("１０"), Sjis("２"), -1, true},
        // ア's trail byte is "A" and ヂ's is "a": never folded, so never equal.
        {"doublebyte/trail_byte_not_folded", Sjis("ア"), Sjis("ヂ"), -1, true},
        {"doublebyte/trail_byte_not_a_digit_run", Sjis("ア1"), Sjis("ア01"), 0, false},
        {"foreign/pair_then_number",
         platform::Cp932FromUtf8("\xF0\x9F\x98\x80"
                                 "9"),
         platform::Cp932FromUtf8("\xF0\x9F\x98\x80"
                                 "10"),
         -1, true},
        {"ties/identical", "same1", "same1", 0, false},
    };
    for (const auto& row : rows) {
        const int c = CompareNatural(row.a, row.b);
        EXPECT_EQ((c > 0) - (c < 0), row.natural) << row.name;
        const int reverse = CompareNatural(row.b, row.a);
        EXPECT_EQ((reverse > 0) - (reverse < 0), -row.natural) << row.name;
        EXPECT_EQ(NaturalBefore(row.a, row.b), row.before) << row.name;
        if (row.a != row.b) {
            EXPECT_NE(NaturalBefore(row.a, row.b), NaturalBefore(row.b, row.a)) << row.name;
        }
    }
}

TEST_F(CollectTargetsTest, NaturalOrderOfFilesAndSubfolders) {
    using V = std::vector<std::string>;
    fs = {};
    fs.AddFolder("/n/");
    for (const char* name : {"x19.jpg", "x100.jpg", "x15.jpg", "x1.jpg"})
        File(std::string("/n/") + name, kArchive, 1, 1);
    for (const char* folder : {"/n/d10/", "/n/d9/", "/n/D09/"}) {
        fs.AddFolder(folder);
        File(std::string(folder) + "f.jpg", kArchive, 1, 1);
    }
    struct Row {
        const char* name;
        int condition, direction;
        bool natural;
        V expected;
    } rows[] = {
        // The four share "x1": numbers stay whole all the same.
        {"natural/ascending", 1, 1, true,
         V{"/n/x1.jpg", "/n/x15.jpg", "/n/x19.jpg", "/n/x100.jpg", "/n/D09/f.jpg", "/n/d9/f.jpg",
           "/n/d10/f.jpg"}},
        {"natural/descending_files_subfolders_ascending", 1, 0, true,
         V{"/n/x100.jpg", "/n/x19.jpg", "/n/x15.jpg", "/n/x1.jpg", "/n/D09/f.jpg", "/n/d9/f.jpg",
           "/n/d10/f.jpg"}},
        {"natural/name_ascending_condition", 3, 0, true,
         V{"/n/x1.jpg", "/n/x15.jpg", "/n/x19.jpg", "/n/x100.jpg", "/n/D09/f.jpg", "/n/d9/f.jpg",
           "/n/d10/f.jpg"}},
        {"plain/ascending", 1, 1, false,
         V{"/n/x1.jpg", "/n/x100.jpg", "/n/x15.jpg", "/n/x19.jpg", "/n/D09/f.jpg", "/n/d10/f.jpg",
           "/n/d9/f.jpg"}},
    };
    for (const auto& row : rows) {
        TargetRequest request;
        request.root = "/n/";
        request.recursive = true;
        request.sortCondition = row.condition;
        request.sortDirection = row.direction;
        request.naturalOrder = row.natural;
        EXPECT_EQ(Collect(request), row.expected) << row.name;
    }
}

// The sort settles most comparisons on a number made of the first bytes of each name; whatever
// the names, the order must be the one the full comparison gives.
TEST(NaturalOrder, SortingGivesTheOrderOfTheFullComparison) {
    const std::vector<std::string> pieces = {"a",
                                             "B",
                                             "b",
                                             "0",
                                             "00",
                                             "1",
                                             "9",
                                             "10",
                                             "_",
                                             ".",
                                             "-",
                                             " ",
                                             platform::Sjis("写"),
                                             platform::Sjis("ア"),
                                             platform::Sjis("ヂ"),
                                             platform::Sjis("１"),
                                             platform::Cp932FromUtf8("\xF0\x9F\x98\x80"),
                                             platform::Cp932FromUtf8("\xC3\xA9"),
                                             std::string(254, '7'),
                                             std::string(300, '1'),
                                             std::string(256, '9')};
    test::MemoryFileSystem fs;
    // Names that share a beginning ending in a digit, too: the shared part is skipped.
    for (const std::uint32_t seed : {1u, 2u, 3u, 4u}) {
        std::mt19937 random(seed);
        std::vector<std::string> names;
        for (int n = 0; n < 1500; ++n) {
            std::string name = seed % 2 == 0 ? "/d/IMG1" : "/d/";
            const auto length = 1 + random() % 10;
            for (std::uint32_t k = 0; k < length; ++k) name += pieces[random() % pieces.size()];
            names.push_back(name);
        }
        for (const bool ascending : {true, false}) {
            std::vector<std::string> sorted = names;
            SortEntries(sorted, nullptr, 0, sorted.size(), kSortByName, ascending ? 1 : 0, true,
                        "/d/", true, fs);
            std::vector<std::string> expected = names;
            std::sort(expected.begin(), expected.end(),
                      [&](const std::string& x, const std::string& y) {
                          return ascending ? NaturalBefore(x, y) : NaturalBefore(y, x);
                      });
            EXPECT_EQ(sorted, expected)
                << "seed " << seed << (ascending ? " ascending" : " descending");
        }
    }
}

// On a real tree: a link to a folder may itself be a target, but recursion never goes through it,
// wherever it leads (outside the root, back to it, down into it).
TEST(CollectTargetsOnDisk, RecursionNeverFollowsLinksToFolders) {
    test::TempFolder temp;
    temp.CreateFile("root/a.txt");
    temp.CreateFile("root/sub/s.txt");
    temp.CreateFile("outside/o.txt");
    temp.CreateSymlink("../outside", "root/lnk");
    temp.CreateSymlink("..", "root/sub/up");
    temp.CreateSymlink("sub", "root/down");
    temp.CreateSymlink("a.txt", "root/file_link");
    temp.CreateFile("root/sub/ro.txt");
    temp.SetMode("root/sub/ro.txt", 0444);
    platform::PosixFileSystem fs;
    const std::string root = temp.Cp932Path("root/");
    using V = std::vector<std::string>;
    struct Row {
        const char* name;
        int mode;
        V expected;  // relative to the root
    } rows[] = {
        {"all", kListAll,
         V{"a.txt", "down", "file_link", "lnk", "sub", "sub/ro.txt", "sub/s.txt", "sub/up"}},
        {"files", kListFiles, V{"a.txt", "file_link", "sub/ro.txt", "sub/s.txt"}},
        {"folders", kListFolders, V{"down", "lnk", "sub", "sub/up"}},
        {"files_within_mask", kListFilesWithinMask, V{"a.txt", "file_link", "sub/s.txt"}},
    };
    // With statuses the listing reads every entry's status; without, only the names and types.
    // One that can be stopped reads them one by one, and finds what the listing finds.
    for (const bool withStatuses : {true, false}) {
        for (const auto& row : rows) {
            std::vector<platform::FileStatus> listed;
            for (const bool stoppable : {false, true}) {
                const StopRequest stop;
                TargetRequest request;
                request.root = root;
                request.filter = "*";
                request.recursive = true;
                request.listingMode = row.mode;
                request.stop = stoppable ? &stop : nullptr;
                std::vector<std::string> out;
                std::vector<platform::FileStatus> statuses;
                int largest = 0;
                ASSERT_EQ(
                    CollectTargets(request, fs, out, largest, withStatuses ? &statuses : nullptr),
                    kSuccess)
                    << row.name;
                V relative;
                for (const auto& path : out) relative.push_back(path.substr(root.size()));
                EXPECT_EQ(relative, row.expected) << row.name << " with statuses " << withStatuses;
                if (!withStatuses) continue;
                ASSERT_EQ(statuses.size(), out.size()) << row.name;
                for (std::size_t i = 0; i < out.size(); ++i) {
                    const bool link = relative[i] == "down" || relative[i] == "file_link" ||
                                      relative[i] == "lnk" || relative[i] == "sub/up";
                    EXPECT_EQ(statuses[i].link, link) << row.name << ": " << relative[i];
                }
                // Listing a folder may give it a new access time.
                for (platform::FileStatus& status : statuses) status.access = status.accessNs = 0;
                if (stoppable) {
                    EXPECT_EQ(statuses, listed) << row.name;
                }
                listed = statuses;
            }
        }
    }
}

TEST(Wildcard, MatchesLikeTheFilterDialog) {
    struct Row {
        const char* name;
        const char* pattern;
        bool matches;
    } rows[] = {
        {"a.jpg", "*.jpg", true},
        {"A.JPG", "*.jpg", true},
        {"a.jpeg", "*.jpg", false},
        {"noext", "*.*", true},
        {"a.b.c", "*.c", true},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"IMG_0001.JPG", "img_*", true},
        {"x", "", false},
        {"\x82\xA0.txt", "?.txt", true},
        {"\x83\x41", "\x83?", false},
        {"aaaa", "*a*a*a*a*a", false},
        // 가 and é are pairs of codes; é begins with the code of the user-defined U+E000.
        {"\xF0\x76\x85\xF9.txt", "?.txt", true},
        {"\xF0\x76\x85\xF9", "\xF0\x40\x86\x6D", false},
        {"\xF0\x40\x86\x6D", "\xF0\x40*", false},
        {"\xF0\x40\x86\x6D.jpg", "\xF0\x40\x86\x6D.*", true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(MatchesWildcard(row.name, row.pattern), row.matches)
            << row.name << " ~ " << row.pattern;
    }
}

// A feed of a large list reads its statuses on two threads; it still hands out the list's order.
// A listing's candidates are the entries the mode and mask admit, each with its own status; a
// given list keeps every path, one that cannot be read without a status (the run reads it).
TEST_F(CollectTargetsTest, AFeedOfManyCandidatesKeepsTheirOrderAndStatuses) {
    fs.AddFolder("/r/many/");
    std::vector<std::string> candidates;
    std::vector<std::string> admitted;
    for (int i = 0; i < 5000; ++i) {
        const std::string path = "/r/many/" + std::to_string(i);
        candidates.push_back(path);
        if (i % 7 == 3) continue;  // vanished since it was listed
        const bool hidden = i % 11 == 5;
        File(path, hidden ? kHidden : kArchive, i, i);
        if (!hidden) admitted.push_back(path);
    }
    for (const bool given : {false, true}) {
        TargetFeed feed = given
                              ? TargetFeed(fs, candidates)
                              : TargetFeed(fs, candidates, kListFilesWithinMask, kRunAttributeMask);
        const std::string* path = nullptr;
        const platform::FileStatus* status = nullptr;
        std::vector<std::string> handed;
        for (std::size_t i = 0; feed.Get(i, path, status); ++i) {
            handed.push_back(*path);
            const bool vanished = std::stoi(path->substr(8)) % 7 == 3;
            ASSERT_EQ(status == nullptr, vanished) << *path;
            if (status != nullptr) {
                EXPECT_EQ(status->size, std::stoll(path->substr(8))) << *path;
            }
        }
        EXPECT_EQ(handed, given ? candidates : admitted) << given;
        EXPECT_EQ(feed.Count(), handed.size()) << given;
    }
}

}  // namespace
}  // namespace morvanex::engine

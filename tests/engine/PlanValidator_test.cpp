#include "engine/plan/PlanValidator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include "engine/journal/UndoJournal.h"
#include "engine/plan/FolderTraits.h"
#include "engine/run/RunDriver.h"
#include "platform/Codepage.h"
#include "platform/PosixFileSystem.h"
#include "settings/SettingsLifecycle.h"
#include "support/FixedClock.h"
#include "support/MountedVolume.h"
#include "support/ScriptedInteraction.h"
#include "support/TempFolder.h"

namespace morvanex::engine {
namespace {

// Folders as the validator asks about them: their rules and the names in them (host bytes).
class FakeFolders final : public FolderKnowledge {
  public:
    struct Folder {
        FolderRules rules;
        std::vector<std::string> names;
        bool listable = true;
    };
    std::map<std::string, Folder, std::less<>> folders;

    FolderRules RulesOf(std::string_view host) override {
        const auto it = folders.find(host);
        return it == folders.end() ? FolderRules{} : it->second.rules;
    }
    bool ListNames(std::string_view host, PackedNames& names) override {
        const auto it = folders.find(host);
        if (it == folders.end() || !it->second.listable) return false;
        for (const std::string& name : it->second.names) names.Add(name);
        return true;
    }
};

constexpr FolderRules kKeepsCase{};
constexpr FolderRules kFoldsCase{true, false};
constexpr FolderRules kCard{true, true};  // FAT, exFAT
// FAT through fusefat: names of ASCII only, and no folder moved (no RENAME_NOREPLACE).
constexpr FolderRules kFuseFat{true, true, true, true};

// One target: source and new path (UTF-8 here, CP932 for the validator), and its kind.
struct Target {
    std::string source;
    std::string target;
    bool moves = true;
    bool folder = false;
};

// What a row gives on a real card (FAT, exFAT) where that differs from its folder rules: the
// card compares names by their letters alone and refuses what Windows refuses.
struct OnCard {
    const char* card;  // the volume's name; "" for every card
    const char* why;
    std::vector<Verdict> verdicts;
    std::string steps;
};

struct Row {
    const char* name;
    FolderRules rules;
    std::vector<std::string> existing;  // in /d/, besides the sources listed below
    std::vector<Target> targets;
    PlanOptions options;
    std::vector<Verdict> verdicts;
    // The steps, one word each: "name" moves that target (by source name), "park:name" and
    // "unpark:name" break a ring; "|" ends a unit. Empty where a conflict stops the run.
    std::string steps;
    bool listable = true;  // /d/ can be listed
    std::vector<OnCard> onCard = {};
};

constexpr PlanOptions kWhole{};
constexpr PlanOptions kInOrder{false, false};
constexpr PlanOptions kCopy{true, true};

using V = Verdict;

}  // namespace

void PrintTo(Verdict verdict, std::ostream* out) {
    constexpr const char* kNames[] = {"ok",        "unchanged", "chain",  "cycle",
                                      "duplicate", "exists",    "refused"};
    *out << kNames[static_cast<int>(verdict)];
}

namespace {

// The stray bytes of a name that is not UTF-8 join into a real character on the host.
const std::string kStrayHalf = "\xE3\x81";
const std::string kStrayRest = "\x82";

const Row kRows[] = {
    {"ok/free_name", kKeepsCase, {}, {{"/d/a", "/d/b"}}, kWhole, {V::Ok}, "a|"},
    {"unchanged/keeps_path",
     kKeepsCase,
     {},
     {{"/d/a", "/d/a", false}},
     kWhole,
     {V::Unchanged},
     "a|"},
    {"exists/name_taken", kKeepsCase, {"b"}, {{"/d/a", "/d/b"}}, kWhole, {V::Exists}, ""},
    {"exists/taken_by_unchanged_target",
     kKeepsCase,
     {},
     {{"/d/a", "/d/b"}, {"/d/b", "/d/b", false}},
     kWhole,
     {V::Exists, V::Unchanged},
     ""},
    {"exists/case_blind_card",
     kCard,
     {"NEW.JPG"},
     {{"/d/x.jpg", "/d/new.jpg"}},
     kWhole,
     {V::Exists},
     ""},
    {"exists/case_kept",
     kKeepsCase,
     {"NEW.JPG"},
     {{"/d/x.jpg", "/d/new.jpg"}},
     kWhole,
     {V::Ok},
     "x.jpg|",
     true,
     {{"", "the card takes both spellings for one name", {V::Exists}, ""}}},
    {"exists/joined_stray_bytes",
     kKeepsCase,
     {"\xE3\x81\x82"},
     {{"/d/a", "/d/" + kStrayHalf + "|" + kStrayRest}},
     kWhole,
     {V::Exists},
     "",
     true,
     {{"fat",
       "fusefat takes names of ASCII only: the file there cannot be made either",
       {V::Refused},
       ""}}},
    {"duplicate/same_name",
     kKeepsCase,
     {},
     {{"/d/a", "/d/c"}, {"/d/b", "/d/c"}},
     kWhole,
     {V::Ok, V::Duplicate},
     ""},
    {"duplicate/case_blind",
     kFoldsCase,
     {},
     {{"/d/a", "/d/Photo.jpg"}, {"/d/b", "/d/photo.jpg"}},
     kWhole,
     {V::Ok, V::Duplicate},
     ""},
    {"duplicate/case_kept",
     kKeepsCase,
     {},
     {{"/d/a", "/d/Photo.jpg"}, {"/d/b", "/d/photo.jpg"}},
     kWhole,
     {V::Ok, V::Ok},
     "a|b|",
     true,
     {{"", "the card takes both spellings for one name", {V::Ok, V::Duplicate}, ""}}},
    {"duplicate/composed_and_decomposed",
     kFoldsCase,
     {},
     {{"/d/a", "/d/caf\xC3\xA9"}, {"/d/b", "/d/CAFE\xCC\x81"}},
     kWhole,
     {V::Ok, V::Duplicate},
     "",
     true,
     {{"fat", "fusefat takes names of ASCII only", {V::Refused, V::Refused}, ""}}},
    {"duplicate/copies",
     kKeepsCase,
     {},
     {{"/d/a", "/e/c"}, {"/d/b", "/e/c"}},
     kCopy,
     {V::Ok, V::Duplicate},
     ""},
    {"chain/renumbered_from_two",
     kKeepsCase,
     {},
     {{"/d/001", "/d/002"}, {"/d/002", "/d/003"}, {"/d/003", "/d/004"}},
     kWhole,
     {V::Chain, V::Chain, V::Ok},
     "003 002 001|"},
    {"chain/in_target_order",
     kKeepsCase,
     {},
     {{"/d/002", "/d/003"}, {"/d/001", "/d/002"}},
     kInOrder,
     {V::Ok, V::Ok},
     ""},
    {"chain/against_target_order",
     kKeepsCase,
     {},
     {{"/d/001", "/d/002"}, {"/d/002", "/d/003"}},
     kInOrder,
     {V::Exists, V::Ok},
     ""},
    {"chain/end_taken",
     kKeepsCase,
     {"c"},
     {{"/d/a", "/d/b"}, {"/d/b", "/d/c"}},
     kWhole,
     {V::Exists, V::Exists},
     ""},
    {"chain/case_blind",
     kCard,
     {},
     {{"/d/A.JPG", "/d/b.jpg"}, {"/d/B.JPG", "/d/c.jpg"}},
     kWhole,
     {V::Chain, V::Ok},
     "B.JPG A.JPG|"},
    {"cycle/swap",
     kKeepsCase,
     {},
     {{"/d/a", "/d/b"}, {"/d/b", "/d/a"}},
     kWhole,
     {V::Cycle, V::Cycle},
     "park:a b unpark:a|"},
    {"cycle/three_names",
     kKeepsCase,
     {},
     {{"/d/a", "/d/b"}, {"/d/b", "/d/c"}, {"/d/c", "/d/a"}},
     kWhole,
     {V::Cycle, V::Cycle, V::Cycle},
     "park:a c b unpark:a|"},
    {"cycle/in_target_order",
     kKeepsCase,
     {},
     {{"/d/a", "/d/b"}, {"/d/b", "/d/a"}},
     kInOrder,
     {V::Exists, V::Exists},
     ""},
    {"cycle/beside_a_single",
     kKeepsCase,
     {},
     {{"/d/x", "/d/y"}, {"/d/a", "/d/b"}, {"/d/b", "/d/a"}},
     kWhole,
     {V::Ok, V::Cycle, V::Cycle},
     "x|park:a b unpark:a|"},
    {"cycle/two_rings",
     kKeepsCase,
     {},
     {{"/d/a", "/d/b"}, {"/d/c", "/d/d"}, {"/d/b", "/d/a"}, {"/d/d", "/d/c"}},
     kWhole,
     {V::Cycle, V::Cycle, V::Cycle, V::Cycle},
     "park:a b unpark:a|park:c d unpark:c|"},
    {"chain/names_of_another_folder",
     kKeepsCase,
     {},
     {{"/d/Sub/1", "/d/Sub/2"}, {"/d/Sub/2", "/d/Sub/3"}, {"/d/1", "/d/2"}},
     kWhole,
     {V::Chain, V::Ok, V::Ok},
     "2 1|1|"},
    {"case_only/card",
     kCard,
     {},
     {{"/d/Photo.JPG", "/d/photo.jpg"}},
     kWhole,
     {V::Ok},
     "Photo.JPG|"},
    {"case_only/other_spelling_there",
     kFoldsCase,
     {"PHOTO.jpg"},
     {{"/d/Photo.JPG", "/d/photo.jpg"}},
     kWhole,
     {V::Exists},
     "",
     true,
     {{"",
       "a card cannot hold two spellings of one name: the other one is the file itself",
       {V::Ok},
       "Photo.JPG|"}}},
    {"copy/sources_stay",
     kKeepsCase,
     {},
     {{"/d/a", "/d/b"}, {"/d/b", "/d/c"}},
     kCopy,
     {V::Exists, V::Ok},
     ""},
    {"copy/onto_its_source", kKeepsCase, {}, {{"/d/a", "/d/a"}}, kCopy, {V::Exists}, ""},
    {"copy/folder_made_where_missing",
     kKeepsCase,
     {"sub"},
     {{"/d/sub", "/d/sub", true, true}},
     kCopy,
     {V::Ok},
     "sub|"},
    {"folders/after_their_contents",
     kCard,
     {},
     {{"/d/Sub", "/d/sub", true, true},
      {"/d/Sub/Deep", "/d/Sub/deep", true, true},
      {"/d/Sub/Deep/F.TXT", "/d/Sub/Deep/f.txt"},
      {"/d/G.TXT", "/d/g.txt"}},
     kWhole,
     {V::Ok, V::Ok, V::Ok, V::Ok},
     "F.TXT|G.TXT|Deep|Sub|",
     true,
     {{"",
       "a card's FUSE driver cannot move a folder without the risk of replacing another",
       {V::Refused, V::Refused, V::Ok, V::Ok},
       ""}}},
    {"refused/card_rules",
     kCard,
     {},
     {{"/d/a", "/d/a:b.txt"}, {"/d/b", "/d/one.txt "}, {"/d/c", "/d/two.txt."}, {"/d/e", "/d/ok"}},
     kWhole,
     {V::Refused, V::Refused, V::Refused, V::Ok},
     ""},
    {"refused/fuse_card",
     kFuseFat,
     {},
     {{"/d/Sub", "/d/Pics", true, true},
      {"/d/a", "/d/\xE5\x86\x99\xE7\x9C\x9F.jpg"},  // 写真.jpg
      {"/d/b", "/d/ok.jpg"}},
     kWhole,
     {V::Refused, V::Refused, V::Ok},
     "",
     true,
     {{"exfat", "exfat-fuse keeps names beyond ASCII", {V::Refused, V::Ok, V::Ok}, ""}}},
    {"refused/linux_rules",
     kKeepsCase,
     {},
     {{"/d/a", "/d/a:b.txt "}},
     kWhole,
     {V::Ok},
     "a|",
     true,
     {{"", "the card refuses what Windows refuses", {V::Refused}, ""}}},
    {"unlisted/judged_against_the_plan",
     kKeepsCase,
     {"b"},
     {{"/d/a", "/d/b"}, {"/d/c", "/d/b"}},
     kWhole,
     {V::Ok, V::Duplicate},
     "",
     false},
};

std::string NameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// A row's path as the validator takes it (CP932): the stray halves of the joined-bytes row stand
// apart, as two parts made them.
std::string Cp932Of(const std::string& utf8) {
    const std::size_t bar = utf8.find('|');
    return bar == std::string::npos ? platform::Cp932FromUtf8(utf8)
                                    : platform::Cp932FromUtf8(utf8.substr(0, bar)) +
                                          platform::Cp932FromUtf8(utf8.substr(bar + 1));
}

// Renders the steps as the rows write them.
std::string StepsOf(const PlanCheck& check, const std::vector<Target>& targets) {
    std::string steps;
    for (const PlanStep& step : check.steps) {
        const std::string name = NameOf(targets[step.target].source);
        steps += step.kind == PlanStep::Kind::Park     ? "park:" + name
                 : step.kind == PlanStep::Kind::Unpark ? "unpark:" + name
                                                       : name;
        steps += step.endsUnit ? "|" : " ";
    }
    return steps;
}

// The program's own view of a card's folders, but for one that cannot be listed.
class CardFolders final : public FolderKnowledge {
  public:
    CardFolders(platform::FileSystem& fileSystem, std::string unlisted)
        : m_folders(fileSystem), m_unlisted(std::move(unlisted)) {}
    FolderRules RulesOf(std::string_view host) override { return m_folders.RulesOf(host); }
    bool ListNames(std::string_view host, PackedNames& names) override {
        return host != m_unlisted && m_folders.ListNames(host, names);
    }

  private:
    FileSystemFolders m_folders;
    std::string m_unlisted;
};

// Everything under a folder: path -> contents ("/" for a folder).
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> tree;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
        std::string contents = "/";
        if (item.is_regular_file()) {
            std::ifstream in(item.path(), std::ios::binary);
            contents.assign(std::istreambuf_iterator<char>(in), {});
        }
        tree[item.path().string().substr(root.size())] = contents;
    }
    return tree;
}

// Makes the row's files under `root` (for "/d/a", root + "d/a"): each source file holding its
// own path, the folders, and the names already there (but those the card refuses); false when a
// source cannot be made.
bool MakeFiles(const Row& row, const std::string& root) {
    for (const char* folder : {"d", "e"}) std::filesystem::create_directories(root + folder);
    for (const Target& t : row.targets) {
        const std::string path = root + t.source.substr(1);
        std::filesystem::create_directories(t.folder ? path : path.substr(0, path.rfind('/')));
        if (!t.folder) std::ofstream(path, std::ios::binary) << t.source;
        if (!std::filesystem::exists(path)) return false;
    }
    for (const std::string& name : row.existing) {
        if (!std::filesystem::exists(root + "d/" + name))
            std::ofstream(root + "d/" + name, std::ios::binary) << "there";
    }
    return true;
}

// The run of the row's plan on the card, as the program makes it: each target given its new
// name in its own folder, the whole plan checked first. Where the check says no target fails,
// the run succeeds and leaves every file under its new name, in the letter case asked for;
// otherwise it changes nothing.
void ExpectTheRunAsJudged(const Row& row, const std::string& root,
                          const std::vector<Verdict>& verdicts) {
    platform::PosixFileSystem fileSystem;
    const test::FixedClock clock(0);
    test::ScriptedInteraction ui;
    const test::TempFolder state;
    UndoJournal journal(platform::Cp932FromUtf8(state.Path()));
    settings::RenameSettings s = settings::ConstructSettings({fileSystem, clock, {}});
    s.SelectFile.FreeFileSelect = 1;
    s.CommonOption.PlanWholeRun = 1;
    std::vector<std::string> list;
    std::vector<std::string> names;
    for (const Target& t : row.targets) {
        list.push_back(Cp932Of(root + t.source.substr(1)));
        names.push_back(Cp932Of(NameOf(t.target)));
    }
    const auto before = Tree(root);
    const RunOutcome outcome = StartRun(s, {fileSystem, clock, ui, &journal}, false, &list, &names);
    if (std::any_of(verdicts.begin(), verdicts.end(), IsConflict)) {
        EXPECT_NE(outcome.resultCode, 0);
        EXPECT_EQ(Tree(root), before);
        return;
    }
    EXPECT_EQ(outcome.resultCode, 0) << (ui.messages.empty() ? "" : ui.messages.back());
    for (const Target& t : row.targets) {
        // The folders above it may have been renamed too: the card finds them in any case.
        const std::string name = platform::Utf8FromCp932(Cp932Of(NameOf(t.target)));
        const std::string folder = root + t.target.substr(1, t.target.rfind('/'));
        std::set<std::string> there;
        for (const auto& item : std::filesystem::directory_iterator(folder))
            there.insert(item.path().filename().string());
        EXPECT_EQ(there.count(name), 1u) << t.target;
        if (!t.folder) {
            std::ifstream in(folder + name, std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), t.source);
        }
    }
}

// The table runs on the fake folders (each row's own rules) and on real cards where this
// machine can make and mount them: there each folder's rules come from the program's own
// per-folder traits, and the names are those the card holds.
class PlanValidator : public testing::TestWithParam<const test::Volume*> {
  protected:
    void SetUp() override {
        if (GetParam() == nullptr) return;
        volume = std::make_unique<test::MountedVolume>(*GetParam());
        const test::MountedVolume::Attached attached = volume->Attach();
        if (attached.state == test::MountedVolume::State::Unavailable)
            GTEST_SKIP() << GetParam()->name << " left out: " << attached.why;
        ASSERT_EQ(attached.state, test::MountedVolume::State::Mounted) << attached.why;
    }

    std::unique_ptr<test::MountedVolume> volume;
};

TEST_P(PlanValidator, JudgesAndOrdersThePlan) {
    platform::PosixFileSystem fileSystem;
    for (std::size_t r = 0; r < std::size(kRows); ++r) {
        const Row& row = kRows[r];
        SCOPED_TRACE(row.name);
        // On a card: the row's files in a folder of its own.
        const std::string root =
            volume ? volume->Folder() + "/" + std::to_string(r) + "/" : std::string("/");
        std::vector<Verdict> verdicts = row.verdicts;
        std::string steps = row.steps;
        for (const OnCard& card : row.onCard) {
            if (!volume || (*card.card != '\0' && GetParam()->name != std::string(card.card)))
                continue;
            verdicts = card.verdicts;
            steps = card.steps;
            break;
        }
        FakeFolders fake;
        if (volume) {
            if (!MakeFiles(row, root)) {
                ADD_FAILURE() << "cannot make the row's files";
                continue;
            }
        } else {
            for (const char* folder : {"/d/", "/e/", "/d/Sub/", "/d/Sub/Deep/"})
                fake.folders[folder].rules = row.rules;
            for (const Target& t : row.targets) {
                fake.folders[t.source.substr(0, t.source.rfind('/') + 1)].names.push_back(
                    NameOf(t.source));
            }
            for (const std::string& name : row.existing) fake.folders["/d/"].names.push_back(name);
            fake.folders["/d/"].listable = row.listable;
        }
        CardFolders card(fileSystem, row.listable ? "" : root + "d/");
        FolderKnowledge& folders = volume ? static_cast<FolderKnowledge&>(card) : fake;

        std::vector<std::string> paths;
        for (const Target& t : row.targets) {
            paths.push_back(Cp932Of(root + t.source.substr(1)));
            paths.push_back(Cp932Of(root + t.target.substr(1)));
        }
        std::vector<PlannedMove> moves;
        for (std::size_t i = 0; i < row.targets.size(); ++i) {
            moves.push_back(
                {paths[2 * i], paths[2 * i + 1], row.targets[i].moves, row.targets[i].folder});
        }

        const PlanCheck check = CheckPlan(moves, row.options, folders);

        EXPECT_EQ(check.verdicts, verdicts);
        EXPECT_EQ(StepsOf(check, row.targets), steps);
        // Copies and runs in the targets' order are run by the run's own tables; a folder the
        // run cannot be kept from listing is the fake's alone.
        if (volume && row.options.wholeRun && !row.options.copying && row.listable)
            ExpectTheRunAsJudged(row, root, verdicts);
    }
}

// A large folder's names are indexed otherwise than a few: the same judgements must come out.
// 20,000 names renumbered by one, with a duplicate new name and one taken in another case.
TEST(PlanValidatorLargeFolder, JudgesAsASmallOne) {
    constexpr std::size_t kCount = 20000;
    FakeFolders fake;
    FakeFolders::Folder& d = fake.folders["/d/"];
    d.rules = kFoldsCase;
    d.names = {"TAKEN", "x", "y"};
    std::vector<std::string> paths;
    for (std::size_t i = 0; i <= kCount; ++i) paths.push_back("/d/" + std::to_string(i));
    std::vector<PlannedMove> moves;
    for (std::size_t i = 0; i < kCount; ++i) {
        d.names.push_back(std::to_string(i));
        moves.push_back({paths[i], paths[i + 1], true, false});
    }
    moves.push_back({"/d/x", paths[kCount / 2], true, false});
    moves.push_back({"/d/y", "/d/taken", true, false});

    const PlanCheck check = CheckPlan(moves, kWhole, fake);

    std::vector<Verdict> expected(kCount - 1, V::Chain);
    expected.insert(expected.end(), {V::Ok, V::Duplicate, V::Exists});
    EXPECT_EQ(check.verdicts, expected);
}

INSTANTIATE_TEST_SUITE_P(Folders, PlanValidator,
                         testing::Values(nullptr, &test::kFatVolume, &test::kExfatVolume),
                         [](const testing::TestParamInfo<const test::Volume*>& param) {
                             return std::string(param.param ? param.param->name : "fake");
                         });

}  // namespace
}  // namespace morvanex::engine

#include "engine/plan/PlanValidator.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/Codepage.h"

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

// One target: source and new path (UTF-8 here, CP932 for the validator), and its kind.
struct Target {
    std::string source;
    std::string target;
    bool moves = true;
    bool folder = false;
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
     "x.jpg|"},
    {"exists/joined_stray_bytes",
     kKeepsCase,
     {"\xE3\x81\x82"},
     {{"/d/a", "/d/" + kStrayHalf + "|" + kStrayRest}},
     kWhole,
     {V::Exists},
     ""},
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
     "a|b|"},
    {"duplicate/composed_and_decomposed",
     kFoldsCase,
     {},
     {{"/d/a", "/d/caf\xC3\xA9"}, {"/d/b", "/d/CAFE\xCC\x81"}},
     kWhole,
     {V::Ok, V::Duplicate},
     ""},
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
     ""},
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
     "F.TXT|G.TXT|Deep|Sub|"},
    {"refused/card_rules",
     kCard,
     {},
     {{"/d/a", "/d/a:b.txt"}, {"/d/b", "/d/one.txt "}, {"/d/c", "/d/two.txt."}, {"/d/e", "/d/ok"}},
     kWhole,
     {V::Refused, V::Refused, V::Refused, V::Ok},
     ""},
    {"refused/linux_rules", kKeepsCase, {}, {{"/d/a", "/d/a:b.txt "}}, kWhole, {V::Ok}, "a|"},
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

TEST(PlanValidator, JudgesAndOrdersThePlan) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        FakeFolders folders;
        for (const char* folder : {"/d/", "/e/", "/d/Sub/", "/d/Sub/Deep/"})
            folders.folders[folder].rules = row.rules;
        std::vector<std::string> paths;
        for (const Target& t : row.targets) {
            // The stray halves of the joined-bytes row stand apart in CP932, as two parts made
            // them.
            const std::size_t bar = t.target.find('|');
            paths.push_back(platform::Cp932FromUtf8(t.source));
            paths.push_back(bar == std::string::npos
                                ? platform::Cp932FromUtf8(t.target)
                                : platform::Cp932FromUtf8(t.target.substr(0, bar)) +
                                      platform::Cp932FromUtf8(t.target.substr(bar + 1)));
            folders.folders[t.source.substr(0, t.source.rfind('/') + 1)].names.push_back(
                NameOf(t.source));
        }
        for (const std::string& name : row.existing) folders.folders["/d/"].names.push_back(name);
        folders.folders["/d/"].listable = row.listable;
        std::vector<PlannedMove> moves;
        for (std::size_t i = 0; i < row.targets.size(); ++i) {
            moves.push_back(
                {paths[2 * i], paths[2 * i + 1], row.targets[i].moves, row.targets[i].folder});
        }

        const PlanCheck check = CheckPlan(moves, row.options, folders);

        EXPECT_EQ(check.verdicts, row.verdicts);
        EXPECT_EQ(StepsOf(check, row.targets), row.steps);
    }
}

}  // namespace
}  // namespace morvanex::engine

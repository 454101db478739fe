#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/StopRequest.h"
#include "engine/plan/NameKey.h"

// The check of a whole plan before its first move: every target's new path judged against the
// other targets and the files already there, as the destination folder compares names; and the
// order in which the moves free each name before it is needed.
namespace morvanex::engine {

// What the plan says of one target.
enum class Verdict : std::uint8_t {
    Ok,         // its new name is free (or is its own, in another letter case)
    Unchanged,  // it keeps its path
    Chain,      // its new name is held by another target that moves away first
    Cycle,      // its new name is held by a target in a ring of names: one of them waits under
                // a temporary name
    Duplicate,  // an earlier target gets the same name
    Exists,     // a file that stays (or cannot move) holds the name
    Refused,    // the destination folder's rules refuse the name
};

// True for the verdicts under which the move would fail.
inline bool IsConflict(Verdict verdict) {
    return verdict == Verdict::Duplicate || verdict == Verdict::Exists ||
           verdict == Verdict::Refused;
}

// One target as the validator sees it: CP932 paths, compared in their host form.
struct PlannedMove {
    std::string_view source;
    std::string_view target;
    bool moves = true;    // false: the target keeps its path (only its attributes or times change)
    bool folder = false;  // a folder moves after everything inside it
};

// The plan's targets as the validator reads them, each made when it is asked for: a run of a
// million files need not copy its paths into a second list.
class PlannedMoves {
  public:
    virtual ~PlannedMoves() = default;
    virtual std::size_t Size() const = 0;
    virtual PlannedMove At(std::size_t i) const = 0;
};

// One move of the run, in the order the run makes it. A ring of names is broken by moving its
// first member to a temporary name (Park), moving the others, and then the parked one to its
// new name (Unpark). A stop is allowed only after a step that ends its unit (never inside a
// chain or ring).
struct PlanStep {
    enum class Kind : std::uint8_t { Move, Park, Unpark };
    std::uint32_t target = 0;
    Kind kind = Kind::Move;
    bool endsUnit = true;
};

// The names of one folder, one after another in one buffer: a folder of a million names is
// not a million strings.
class PackedNames {
  public:
    void Add(std::string_view name) {
        m_bytes.append(name);
        m_ends.push_back(m_bytes.size());
    }
    std::size_t Size() const { return m_ends.size(); }
    std::string_view operator[](std::size_t i) const {
        const std::size_t begin = i == 0 ? 0 : m_ends[i - 1];
        return std::string_view(m_bytes).substr(begin, m_ends[i] - begin);
    }

  private:
    std::string m_bytes;
    std::vector<std::size_t> m_ends;
};

// What the validator needs to know of the destination folders (host paths ending with "/").
class FolderKnowledge {
  public:
    virtual ~FolderKnowledge() = default;
    virtual FolderRules RulesOf(std::string_view hostFolder) = 0;
    // The names in the folder (host bytes); false when it cannot be listed (nothing can then be
    // said of its names, and the moves into it are judged only against the plan).
    virtual bool ListNames(std::string_view hostFolder, PackedNames& names) = 0;
};

struct PlanOptions {
    // Copies leave their sources where they are: no name is freed by the run.
    bool copying = false;
    // The moves are ordered so that each name is free when its move comes, rings broken through
    // a temporary name. Off: the moves come in target order, and a name freed only by a later
    // target is taken when the earlier one meets it.
    bool wholeRun = true;
    // The user's stop, looked at between the check's stages (each a pass over the targets).
    const StopRequest* stop = nullptr;
};

struct PlanCheck {
    std::vector<Verdict> verdicts;  // one per target
    std::vector<PlanStep> steps;    // the moves (whole run only; conflicts leave none)
    bool stopped = false;           // the user stopped the check: verdicts and steps say nothing
};

// Judges every target of the plan. With `options.wholeRun`, `steps` lists the moves of all
// targets without a conflict; the run makes none of them while any target has one.
PlanCheck CheckPlan(const PlannedMoves& moves, const PlanOptions& options,
                    FolderKnowledge& folders);
PlanCheck CheckPlan(const std::vector<PlannedMove>& moves, const PlanOptions& options,
                    FolderKnowledge& folders);

}  // namespace morvanex::engine

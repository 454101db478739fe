#pragma once

#include <cstdint>
#include <string>

#include "engine/plan/PlanValidator.h"

namespace morvanex::engine {

// One target of a run as the plan holds it, from the composition of its new name to its
// outcome: the preview shows it, the run applies it. Its source and its status as listed stay
// where the listing put them (the target feed, the before-status list), so a run of a million
// files holds each of them once.
struct Change {
    enum class Outcome : std::uint8_t {
        Planned,  // not applied (yet): a preview, or a run that stopped before it
        Done,     // every step of it was made
        Failed,   // its step failed: the run stopped there
    };
    std::string newPath;  // P; for a copy, the path in the destination
    Verdict verdict = Verdict::Ok;
    Outcome outcome = Outcome::Planned;
    bool moves = false;   // the run gives the file another path (or copies it)
    bool folder = false;  // a folder: moved after everything inside it
    bool known = false;   // its status was read (listed, or when its name was made)
};

}  // namespace morvanex::engine

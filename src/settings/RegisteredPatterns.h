#pragma once

#include <vector>

#include "settings/RenameSettings.h"

namespace morvanex::settings {

// The seven built-in patterns, in table order.
std::vector<RegisteredPattern> BuiltInPatterns();

// Copies a pattern into all twelve part slots: types, texts, digit counts and steps; the
// timestamp-dialog state of every slot returns to 0.
void ApplyPatternToSlots(const RegisteredPattern& pattern, RenameSettings& settings);

}  // namespace morvanex::settings

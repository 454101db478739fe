#pragma once

#include <string>

#include "settings/RenameSettings.h"

namespace morvanex::test {

// New names of a fixed text (CP932), a sequence number of `digits` digits from `start`, the
// period and the extension ("IMG_001.jpg"…); every other part empty.
inline void UseSequencePattern(settings::RenameSettings& s, const std::string& text, int digits,
                               int start = 1) {
    auto& parts = s.RenameOption.Parts;
    for (auto& part : parts) part = settings::PartSlot{};
    parts[0].SelectedPart = settings::kPartFixedText;
    parts[0].StrPart = text;
    parts[1].SelectedPart = settings::kPartSequence;
    parts[1].StrPart = std::to_string(start);
    parts[1].DigitNum = digits;
    parts[2].SelectedPart = settings::kPartPeriod;
    parts[3].SelectedPart = settings::kPartExtension;
}

}  // namespace morvanex::test

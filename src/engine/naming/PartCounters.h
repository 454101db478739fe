#pragma once

#include <array>
#include <cstdint>

#include "engine/naming/PartTable.h"

// The counters of a run, one pair per part entry. The run owns their lifecycle: it loads them at
// the start, restarts the sequences and advances the folder numbers when the folder changes;
// composition only reads them and moves a sequence on after using it.
namespace morvanex::engine {

struct PartCounters {
    // Wider than the settings' 32-bit numbers, so no step can overflow them.
    std::array<std::int64_t, kMaxPartEntries> sequence{};
    std::array<std::int64_t, kMaxPartEntries> folder{};

    // Start of a composing run: both counters of every entry at its start number (those beyond
    // the table's entries at 0).
    void LoadStarts(const PartTable& table);
    // Start of a run that does not compose: everything 0.
    void Clear();
    // A new folder with the sequences restarting per folder.
    void RestartSequences(const PartTable& table);
    // A new folder (not the first): every folder number moves on by its entry's step.
    void AdvanceFolderNumbers(const PartTable& table);
};

}  // namespace morvanex::engine

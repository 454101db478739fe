#pragma once

#include <string>
#include <vector>

#include "settings/RenameSettings.h"

// The engine's part table: what each part of a new name produces and the data it needs. A part
// is of one of the record's part types (`settings::PartType`, the codes job files store): the
// engine composes them under the same numbers.
namespace morvanex::engine {

using settings::PartType;

// The most entries one table holds, parts and fallbacks together: a run keeps one pair of
// counters per entry.
inline constexpr int kMaxPartEntries = 32;

struct PartEntry {
    PartType kind = settings::kPartNone;
    std::string text;                                        // fixed text
    std::string format = settings::kDefaultTimestampFormat;  // time or Exif format, range SSEE
    int start = 1;                                           // sequence start
    int step = 1;                                            // sequence step
    int digits = 3;                                          // zero-fill width, 0 for none

    friend bool operator==(const PartEntry&, const PartEntry&) = default;
};

// The n parts of a new name in order and, with the Exif fallback switch on, one fallback per
// part after them: entry n + i stands in for Exif part i of a file without Exif data. A value,
// made whole and then only read.
class PartTable {
  public:
    // No parts: a run that composes names refuses it (no rename format).
    PartTable() = default;
    // `fallbacks` empty: the fallback switch is off; else part i's fallback is its entry i (a
    // missing one is none, one beyond the parts is dropped). Parts beyond what the counters hold
    // (16 with fallbacks, 32 without) are dropped.
    explicit PartTable(std::vector<PartEntry> parts, std::vector<PartEntry> fallbacks = {});

    int PartCount() const { return m_partCount; }
    bool ExifFallback() const { return m_exifFallback; }
    // The entries in use: 2n with the fallback switch on, else n.
    int EntryCount() const { return static_cast<int>(m_entries.size()); }
    const PartEntry& Entry(int index) const { return m_entries[static_cast<std::size_t>(index)]; }

    friend bool operator==(const PartTable&, const PartTable&) = default;

  private:
    std::vector<PartEntry> m_entries;
    int m_partCount = 0;
    bool m_exifFallback = false;
};

}  // namespace morvanex::engine

#pragma once

#include <array>
#include <string>
#include <string_view>

// The engine's part table: what each part of a new name produces and the data it needs. With
// the Exif fallback switch on, entry n + i stands in for Exif part i of a file without Exif data.
namespace morvanex::engine {

// What a part produces (the engine's codes; the settings' PartType codes map onto these).
enum class PartKind : int {
    None = 0,
    FixedText = 1,
    Extension = 2,
    Sequence = 3,
    Period = 4,
    BaseName = 5,
    FolderName = 6,
    CreationTime = 7,
    ModificationTime = 8,
    Exif = 9,
    FolderNumber = 10,
    ExtensionRange = 11,
    BaseNameRange = 12,
    FolderNameRange = 13,
};
inline constexpr int kPartKindCount = 14;

inline constexpr int kMaxPartEntries = 32;
inline constexpr int kMaxPartsWithFallback = kMaxPartEntries / 2;
inline constexpr int kDefaultPartCount = 4;

struct PartEntry {
    PartKind kind = PartKind::None;
    std::string text;    // fixed text
    std::string format;  // timestamp format, Exif format or range SSEE
    int start = 1;       // sequence start
    int step = 1;        // sequence step
    int digits = 3;      // zero-fill width, 0 for none

    friend bool operator==(const PartEntry&, const PartEntry&) = default;
};

// Configured like the engine it belongs to: every setter returns 0, 12 for a parameter out of
// range or 13 when the entry's kind (set first) does not take that data.
class PartTable {
  public:
    // A new engine's table: four parts, part 0 a sequence, the fallback switch on.
    PartTable();

    // Sets n (at most 16 with the fallback switch on, 32 off), makes entry 0's kind none and
    // resets every entry's text, start, step and digits.
    int SetPartCount(int count);
    // Switching the fallback on is refused (12) while n is above 16: the table could not hold
    // the fallback entries.
    int SetExifFallback(bool on);
    int SetPartKind(int index, int kind);
    // Fixed-text entries only; the text is kept to 259 bytes.
    int SetPartText(int index, std::string_view text);
    // Time, Exif and range entries only; the format is kept to 259 bytes.
    int SetPartFormat(int index, std::string_view format);
    // Sequence and per-folder number entries only.
    int SetSequence(int index, int start, int step, int digits);

    int PartCount() const { return m_partCount; }
    bool ExifFallback() const { return m_exifFallback; }
    // The entries in use: 2n with the fallback switch on, else n.
    int EntryCount() const { return m_exifFallback ? 2 * m_partCount : m_partCount; }
    const PartEntry& Entry(int index) const { return m_entries[static_cast<std::size_t>(index)]; }

  private:
    bool InRange(int index) const { return index >= 0 && index < EntryCount(); }

    std::array<PartEntry, kMaxPartEntries> m_entries;
    int m_partCount = kDefaultPartCount;
    bool m_exifFallback = true;
};

}  // namespace morvanex::engine

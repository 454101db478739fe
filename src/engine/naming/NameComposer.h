#pragma once

#include <array>
#include <string>
#include <utility>

#include "engine/exif/ExifAccessor.h"
#include "engine/naming/FileFacts.h"
#include "engine/naming/PartCounters.h"
#include "engine/naming/PartTable.h"
#include "engine/naming/RegexReplace.h"
#include "platform/Paths.h"

namespace morvanex::engine {

inline constexpr int kReplacementPairs = 10;

// The switches that decide how a name is made, beside the part table.
struct NameRules {
    bool rename = true;  // compose from the parts; off: the old name, as base + "." + extension
    bool alignDigits = false;
    int digitWidth = 3;  // the setting's list index + 1
    bool changeCase = false;
    int caseMode = 0;
    bool replace = false;
    bool regex = false;  // the pairs are regular expressions (compiled by PrepareReplacements)
    std::array<std::string, kReplacementPairs> before{};
    std::array<std::string, kReplacementPairs> after{};
    platform::ExtensionRule extensionRule = platform::ExtensionRule::LastPeriod;

    friend bool operator==(const NameRules&, const NameRules&) = default;
};

// Builds new names. Pure apart from the Exif accessor it is handed: the file's facts, the
// counters and the configuration are all it reads, so the same inputs give the same name.
class NameComposer {
  public:
    NameComposer() = default;
    NameComposer(PartTable parts, NameRules rules)
        : m_parts(std::move(parts)), m_rules(std::move(rules)) {}

    const PartTable& Parts() const { return m_parts; }
    const NameRules& Rules() const { return m_rules; }

    // The first n parts joined into `name` (its capacity is reused). A sequence part moves its
    // counter on by its step after use. An Exif part whose file lacks what it needs (Exif data, a
    // tag's value) takes its fallback entry, with its own counters, when the fallback switch is on.
    void ComposeParts(PartCounters& counters, const FileFacts& facts, ExifAccessor& exif,
                      std::string& name) const;

    // Compiles the replacement pairs when the rules make them regular expressions: once per
    // run, before the first Compose. 0, or MRVN_ERROR_BAD_REGEX with `detail` naming the pair.
    int PrepareReplacements(std::string& detail);

    // The whole new name before the final step: the parts (or the old name with the rename
    // switch off), then digit alignment, letter case and replacements as switched on. 0, or
    // MRVN_ERROR_BAD_REGEX (with `detail` when given) when a regular expression gave up on
    // this name or was never prepared, or MRVN_ERROR_SYSTEM_ERROR when the name grew past
    // kMostNameBytes on the way (a name too long, as the file system would say).
    int Compose(PartCounters& counters, const FileFacts& facts, ExifAccessor& exif,
                std::string& name, std::string* detail = nullptr) const;

  private:
    void AppendPart(const PartEntry& entry, std::size_t counter, bool fallback,
                    PartCounters& counters, const FileFacts& facts, std::string& name) const;

    PartTable m_parts;
    NameRules m_rules;
    RegexPairs m_regex;
};

}  // namespace morvanex::engine

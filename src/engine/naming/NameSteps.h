#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "platform/Paths.h"

// The steps applied to a composed name, in this order: digit alignment, letter case, string
// replacement; and the final step, one trailing period removed, when the new path is formed.
// Only single-byte ASCII letters and digits count; a double-byte character is one character and
// its trail byte is never read as a letter, digit or period.
namespace morvanex::engine {

// No name on the way to the new one may grow longer than this (a few times the 259-byte limit
// of a name): a pattern whose replacements repeat the whole name would otherwise double it with
// every pair. Such a name fails as a name too long for the file system does.
inline constexpr std::size_t kMostNameBytes = 4096;

// The decimal text of a number, preceded by zeros up to `digits` characters as "%0*d" writes it;
// a longer number is never cut and 0 (or less) digits means no zero-fill.
void AppendZeroFilled(std::string& out, long long value, int digits);

// The run of digits that ends the base is written again with at least `width` digits; the name
// becomes that base + "." + extension. A base that does not end in a digit leaves the name as it
// is. Leading zeros of the run vanish, and a run of any length keeps all its significant digits.
void AlignDigits(std::string& name, int width, platform::ExtensionRule rule);

// Letter-case modes: 0 all upper, 1 all lower, 2 first character upper and the rest lower,
// 3/4 base upper/lower, 5/6 extension upper/lower (3 to 6 rebuild the name with a period);
// any other mode leaves the name as it is.
void ChangeLetterCase(std::string& name, int mode, platform::ExtensionRule rule);

// Each pair in order, on the result of the one before: every occurrence of its non-empty
// "before" text, left to right and not overlapping, replaced by its "after" text. False, and the
// pairs left undone, as soon as the name grows past kMostNameBytes.
bool ReplaceStrings(std::string& name, std::span<const std::string> before,
                    std::span<const std::string> after);

// One trailing period removed; two leave one.
void RemoveTrailingPeriod(std::string& name);

}  // namespace morvanex::engine

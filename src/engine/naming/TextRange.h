#pragma once

#include <string_view>

// Character ranges of names: four hexadecimal digits SSEE give the first and the last position,
// 1-based and both included ("%02X%02X", so 0103 is positions 1 to 3).
namespace morvanex::engine {

struct RangeBounds {
    int first = 0;
    int last = 0;
};

// The two positions of a range text; a pair that is missing or not hexadecimal (either case)
// counts as 0.
RangeBounds ParseRange(std::string_view range);

// Characters first..last of a CP932 text, clamped: a position past the end becomes the last
// character, 0 becomes 1, and a last position before the first moves the first back to it. An
// empty text gives "". Never splits a double-byte character.
std::string_view CharacterRange(std::string_view text, std::string_view range);

}  // namespace morvanex::engine

#pragma once

#include <string_view>

namespace morvanex::engine {

// True when a file name matches a wildcard filter such as "*.jpg": '*' stands for any run of
// characters, '?' for one character (a double-byte character counts as one), letters compare
// without regard to ASCII case, as filters do in job files, and "*.*"
// matches every name, with or without a period.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

}  // namespace morvanex::engine

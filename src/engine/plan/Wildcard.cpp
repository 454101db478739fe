#include "engine/plan/Wildcard.h"

#include "platform/Codepage.h"

namespace morvanex::engine {

namespace {

bool SameChar(std::string_view a, std::size_t i, std::size_t na, std::string_view b, std::size_t j,
              std::size_t nb) {
    if (na != nb) return false;
    if (na > 1) return a.compare(i, na, b.substr(j, nb)) == 0;
    const auto fold = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    return fold(a[i]) == fold(b[j]);
}

}  // namespace

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*" || pattern == "*") return true;
    // Iterative matching with one backtrack point: linear in practice, never exponential.
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starPattern = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = ++p;
            starName = n;
            continue;
        }
        const std::size_t nameSize = platform::CharSizeAt(name, n);
        if (p < pattern.size()) {
            const std::size_t patternSize = platform::CharSizeAt(pattern, p);
            if ((pattern[p] == '?' && patternSize == 1) ||
                SameChar(name, n, nameSize, pattern, p, patternSize)) {
                n += nameSize;
                p += patternSize;
                continue;
            }
        }
        if (starPattern == std::string_view::npos) return false;
        p = starPattern;
        starName += platform::CharSizeAt(name, starName);
        n = starName;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace morvanex::engine

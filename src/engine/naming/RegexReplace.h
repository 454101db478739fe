#pragma once

#include <memory>
#include <span>
#include <string>

#include "settings/RenameSettings.h"

// The string replacement with regular expressions: each "before" text of a pair is a PCRE2
// pattern, matched over characters (the name as UTF-8, a double-byte or foreign character one
// character, bytes that are not UTF-8 never matched), without Unicode properties for \d, \w and
// the like. Every match, left to right and not overlapping, becomes the pair's "after" text,
// where $0-$9 and ${name} (or ${number}) stand for a group of the match and $$ for "$"; a group
// that took no part in the match gives nothing. Pairs apply in order, each on the result of the
// one before. Texts are CP932.
namespace morvanex::engine {

class RegexPairs {
  public:
    RegexPairs();
    ~RegexPairs();
    RegexPairs(RegexPairs&&) noexcept;
    RegexPairs& operator=(RegexPairs&&) noexcept;

    // Compiles every pair whose "before" text is not empty, once, and parses its "after" text.
    // False when one cannot be used: `detail` then names the first such pair, its text and why
    // (PCRE2's reason and the character offset it gives, or what is wrong in the after text),
    // and the pairs hold nothing.
    bool Compile(std::span<const std::string> before, std::span<const std::string> after,
                 std::string& detail);
    // True after a successful Compile.
    bool Ready() const;

    // Applies the compiled pairs to a name: 0, or the name is unchanged and `detail` names the
    // pair and the reason. MRVN_ERROR_BAD_REGEX when matching gave up: one name may cost a fixed
    // amount of matching work, shared by all pairs and all start positions, within PCRE2's depth
    // and memory limits (a pattern that backtracks without end stops there, on any name);
    // MRVN_ERROR_SYSTEM_ERROR when a replacement made the name longer than kMostNameBytes (in
    // CP932 or UTF-8). One name at a time: the pairs keep their working buffers between names.
    int Apply(std::string& name, std::string& detail) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// What the run's set-up check would show for the record's replacement pairs: "" when they can
// be used (or are not regular expressions, or replacement is off), else the whole message.
std::string RegexPairsProblem(const settings::StringChangeOptionSection& option);

}  // namespace morvanex::engine

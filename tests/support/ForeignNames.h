#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace morvanex::test {

// One code point as UTF-8, written out by hand so that tests of the conversions do not check
// them against themselves.
inline std::string Utf8Of(char32_t cp) {
    std::string utf8;
    if (cp < 0x80) {
        utf8 += static_cast<char>(cp);
    } else if (cp < 0x800) {
        utf8 += static_cast<char>(0xC0 | (cp >> 6));
    } else if (cp < 0x10000) {
        utf8 += static_cast<char>(0xE0 | (cp >> 12));
    } else {
        utf8 += static_cast<char>(0xF0 | (cp >> 18));
        utf8 += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    }
    if (cp >= 0x800) utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    if (cp >= 0x80) utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    return utf8;
}

// `count` distinct characters CP932 lacks, in UTF-8: every hangul syllable, then CJK
// Extension B from U+20000 on.
inline std::vector<std::string> ForeignCharacters(std::size_t count) {
    std::vector<std::string> texts;
    texts.reserve(count);
    for (char32_t cp = 0xAC00; texts.size() < count; ++cp) {
        if (cp == 0xD7A4) cp = 0x20000;
        texts.push_back(Utf8Of(cp));
    }
    return texts;
}

}  // namespace morvanex::test

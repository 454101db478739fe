#include "engine/naming/TextRange.h"

#include <cstddef>

#include "platform/Codepage.h"

namespace morvanex::engine {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int HexPair(std::string_view range, std::size_t at) {
    if (range.size() < at + 2) return 0;
    const int high = HexValue(range[at]);
    const int low = HexValue(range[at + 1]);
    return high < 0 || low < 0 ? 0 : high * 16 + low;
}

}  // namespace

RangeBounds ParseRange(std::string_view range) {
    return {HexPair(range, 0), HexPair(range, 2)};
}

std::string_view CharacterRange(std::string_view text, std::string_view range) {
    if (text.empty()) return {};
    const auto length = static_cast<int>(platform::CharCount(text));
    auto [first, last] = ParseRange(range);
    if (first > length) first = length;
    if (first == 0) first = 1;
    if (last > length) last = length;
    if (last == 0) last = 1;
    if (last < first) first = last;

    std::size_t begin = 0;
    std::size_t pos = 0;
    for (int index = 1; pos < text.size(); ++index) {
        if (index == first) begin = pos;
        pos += platform::CharSizeAt(text, pos);
        if (index == last) break;
    }
    return text.substr(begin, pos - begin);
}

}  // namespace morvanex::engine

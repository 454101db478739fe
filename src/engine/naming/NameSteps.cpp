#include "engine/naming/NameSteps.h"

#include <algorithm>
#include <string_view>

#include "engine/naming/FileFacts.h"
#include "platform/Codepage.h"

namespace morvanex::engine {

namespace {

constexpr auto npos = std::string_view::npos;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

void AppendZeroFilled(std::string& out, long long value, int digits) {
    char text[24];
    int count = 0;
    const bool negative = value < 0;
    unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value);
    do {
        text[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) out += '-';
    for (int pad = digits - count - (negative ? 1 : 0); pad > 0; --pad) out += '0';
    while (count > 0) out += text[--count];
}

void AlignDigits(std::string& name, int width, platform::ExtensionRule rule) {
    const std::size_t period = ExtensionPeriod(name, rule);
    const std::string_view base = std::string_view(name).substr(0, period);
    std::size_t runStart = npos;
    for (std::size_t i = 0; i < base.size(); i += platform::CharSizeAt(base, i)) {
        const bool digit = platform::CharSizeAt(base, i) == 1 && IsDigit(base[i]);
        if (!digit) {
            runStart = npos;
        } else if (runStart == npos) {
            runStart = i;
        }
    }
    if (runStart == npos) return;

    std::string_view run = base.substr(runStart);
    while (run.size() > 1 && run.front() == '0') run.remove_prefix(1);
    std::string result;
    result.reserve(name.size() + static_cast<std::size_t>(std::max(width, 0)) + 1);
    result.append(base.substr(0, runStart));
    for (int pad = width - static_cast<int>(run.size()); pad > 0; --pad) result += '0';
    result.append(run);
    result += '.';
    if (period != npos) result.append(std::string_view(name).substr(period + 1));
    name = std::move(result);
}

void ChangeLetterCase(std::string& name, int mode, platform::ExtensionRule rule) {
    switch (mode) {
        case 0:
            platform::ToUpperAscii(name);
            return;
        case 1:
            platform::ToLowerAscii(name);
            return;
        case 2:
            if (name.empty()) return;
            platform::ToUpperAscii(name, 0, platform::CharSizeAt(name, 0));
            platform::ToLowerAscii(name, platform::CharSizeAt(name, 0));
            return;
        case 3:
        case 4:
        case 5:
        case 6:
            break;
        default:
            return;
    }
    const std::size_t period = ExtensionPeriod(name, rule);
    std::string base = name.substr(0, period);
    std::string extension = period == npos ? std::string() : name.substr(period + 1);
    if (mode == 3) platform::ToUpperAscii(base);
    if (mode == 4) platform::ToLowerAscii(base);
    if (mode == 5) platform::ToUpperAscii(extension);
    if (mode == 6) platform::ToLowerAscii(extension);
    name = std::move(base);
    name += '.';
    name += extension;
}

bool ReplaceStrings(std::string& name, std::span<const std::string> before,
                    std::span<const std::string> after) {
    const std::size_t pairs = std::min(before.size(), after.size());
    for (std::size_t i = 0; i < pairs; ++i) {
        if (before[i].empty()) continue;
        name = platform::ReplaceAll(name, before[i], after[i]);
        if (name.size() > kMostNameBytes) return false;
    }
    return true;
}

void RemoveTrailingPeriod(std::string& name) {
    if (platform::EndsWithChar(name, '.')) name.pop_back();
}

}  // namespace morvanex::engine

#include "platform/Paths.h"

#include <vector>

#include "platform/Codepage.h"

namespace morvanex::platform {

namespace {

std::string NameResult(std::string_view text) {
    return text.size() >= kTextBufferSize ? std::string() : std::string(text);
}

std::size_t PeriodOf(std::string_view name, ExtensionRule rule) {
    if (rule == ExtensionRule::LastPeriod) return FindLastChar(name, '.');
    for (std::size_t i = 0; i < name.size(); i += CharSizeAt(name, i)) {
        if (name[i] == '.') return i;
    }
    return std::string_view::npos;
}

}  // namespace

std::string DirectoryOf(std::string_view path) {
    const std::size_t last = FindLastChar(path, kSeparator);
    if (last == std::string_view::npos || last + 1 > kMaxPathBytes) return {};
    return std::string(path.substr(0, last + 1));
}

std::string_view FolderPartOf(std::string_view path) {
    const std::size_t last = FindLastChar(path, kSeparator);
    return last == std::string_view::npos ? std::string_view() : path.substr(0, last + 1);
}

std::string FileNameOf(std::string_view path) {
    const std::size_t last = FindLastChar(path, kSeparator);
    if (last == std::string_view::npos) return {};
    return NameResult(path.substr(last + 1));
}

std::string BaseNameOf(std::string_view name, ExtensionRule rule) {
    const std::size_t period = PeriodOf(name, rule);
    return NameResult(period == std::string_view::npos ? name : name.substr(0, period));
}

std::string ExtensionOf(std::string_view name, ExtensionRule rule) {
    const std::size_t period = PeriodOf(name, rule);
    return period == std::string_view::npos ? std::string() : NameResult(name.substr(period + 1));
}

bool EndsWithSeparator(std::string_view path) {
    return EndsWithChar(path, kSeparator);
}

bool IsAbsolutePath(std::string_view path) {
    return !path.empty() && path.front() == kSeparator;
}

bool EndsInsideCharacter(std::string_view text) {
    // A byte that is not a lead byte always ends a character, so the lead-byte values after the
    // last such byte pair up from the front: an odd number leaves the last one alone.
    std::size_t leads = 0;
    while (leads < text.size() &&
           IsLeadByte(static_cast<unsigned char>(text[text.size() - leads - 1]))) {
        ++leads;
    }
    return leads % 2 == 1;
}

bool IsWellFormedPath(std::string_view path) {
    for (std::size_t i = 0; i < path.size(); i += CharSizeAt(path, i)) {
        if (!IsLeadByte(static_cast<unsigned char>(path[i]))) continue;
        if (i + 1 == path.size() || path[i + 1] == kSeparator) return false;
    }
    return true;
}

std::string WithTrailingSeparator(std::string_view path) {
    if (EndsInsideCharacter(path)) return {};
    std::string result(path);
    if (!EndsWithSeparator(path)) result += kSeparator;
    return result;
}

std::string WithoutTrailingSeparator(std::string_view path) {
    if (path.size() > 1 && EndsWithSeparator(path)) path.remove_suffix(1);
    return std::string(path);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string result = WithTrailingSeparator(folder);
    if (result.empty()) return result;
    result.append(name);
    return result;
}

std::string LexicallyNormal(std::string_view path) {
    if (!IsAbsolutePath(path)) return std::string(path);
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const std::size_t slash = path.find(kSeparator);
        const std::string_view part = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string result;
    for (const std::string_view part : parts) result.append(1, kSeparator).append(part);
    return result.empty() ? std::string(1, kSeparator) : result;
}

bool IsWindowsName(std::string_view name) {
    std::size_t last = 0;
    for (std::size_t i = 0; i < name.size(); i += CharSizeAt(name, i)) {
        last = i;
        if (CharSizeAt(name, i) == 1 &&
            std::string_view("\\/:*?\"<>|").find(name[i]) != std::string_view::npos) {
            return false;
        }
    }
    return name.empty() || CharSizeAt(name, last) != 1 || (name[last] != ' ' && name[last] != '.');
}

}  // namespace morvanex::platform

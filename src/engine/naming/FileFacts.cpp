#include "engine/naming/FileFacts.h"

#include "platform/Codepage.h"

namespace morvanex::engine {

namespace {

constexpr auto npos = std::string_view::npos;

}  // namespace

std::size_t ExtensionPeriod(std::string_view name, platform::ExtensionRule rule) {
    if (rule == platform::ExtensionRule::LastPeriod) return platform::FindLastChar(name, '.');
    for (std::size_t i = 0; i < name.size(); i += platform::CharSizeAt(name, i)) {
        if (name[i] == '.') return i;
    }
    return npos;
}

FileFacts SplitSourcePath(std::string_view path, platform::ExtensionRule rule) {
    FileFacts facts;
    const std::size_t last = platform::FindLastChar(path, platform::kSeparator);
    if (last == npos) return facts;
    // The host judges lengths, on its own form; a shorter piece would name a different file.
    facts.folder = path.substr(0, last + 1);
    facts.fileName = path.substr(last + 1);
    const std::size_t period = ExtensionPeriod(facts.fileName, rule);
    if (period == npos) {
        facts.baseName = facts.fileName;
    } else {
        facts.baseName = facts.fileName.substr(0, period);
        facts.extension = facts.fileName.substr(period + 1);
    }
    return facts;
}

std::string_view FolderNameOf(std::string_view folder) {
    if (folder.size() > 1 && platform::EndsWithChar(folder, platform::kSeparator)) {
        folder.remove_suffix(1);
    }
    const std::size_t last = platform::FindLastChar(folder, platform::kSeparator);
    if (last == npos) return {};
    return folder.substr(last + 1);
}

}  // namespace morvanex::engine

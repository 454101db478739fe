#include "engine/plan/FolderTraits.h"

#include <algorithm>

#include "platform/Codepage.h"

namespace morvanex::engine {

namespace {

bool HasLetter(const std::string& name) {
    return std::any_of(name.begin(), name.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

std::string FlipCase(std::string_view name) {
    std::string flipped(name);
    for (char& c : flipped) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return flipped;
}

}  // namespace

FolderRules FolderRulesOf(platform::FileSystem& fileSystem, const std::string& folder,
                          const std::vector<std::string>& names, bool listed) {
    const std::string cp932 = platform::Cp932FromUtf8(folder);
    const bool madeUpNumbers = !fileSystem.KeepsIdentity(cp932);
    FolderRules rules;
    rules.foldsCase = madeUpNumbers;
    if (listed) {
        const auto it = std::find_if(names.begin(), names.end(), HasLetter);
        if (it != names.end()) {
            const std::string flipped = FlipCase(*it);
            rules.foldsCase = std::find(names.begin(), names.end(), flipped) == names.end() &&
                              fileSystem.Exists(cp932 + platform::Cp932FromUtf8(flipped));
        }
    }
    rules.windowsNames = rules.foldsCase && madeUpNumbers;
    return rules;
}

bool FileSystemFolders::Read(std::string_view hostFolder) {
    if (hostFolder == m_folder && !m_folder.empty()) return m_listed;
    m_folder.assign(hostFolder);
    m_names.clear();
    std::vector<platform::DirectoryEntry> entries;
    m_listed = m_fileSystem.ListFolder(platform::Cp932FromUtf8(hostFolder), false, entries) == 0;
    m_names.reserve(entries.size());
    for (platform::DirectoryEntry& entry : entries) {
        std::string host;
        platform::Utf8FromCp932(entry.name, host);
        m_names.push_back(std::move(host));
    }
    return m_listed;
}

FolderRules FileSystemFolders::RulesOf(std::string_view hostFolder) {
    const bool listed = Read(hostFolder);
    return FolderRulesOf(m_fileSystem, m_folder, m_names, listed);
}

bool FileSystemFolders::ListNames(std::string_view hostFolder, std::vector<std::string>& names) {
    const bool listed = Read(hostFolder);
    names = std::move(m_names);
    m_names.clear();
    m_folder.clear();
    return listed;
}

}  // namespace morvanex::engine

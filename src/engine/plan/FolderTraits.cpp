#include "engine/plan/FolderTraits.h"

#include "platform/Codepage.h"

namespace morvanex::engine {

FolderRules FolderRulesOf(platform::FileSystem& fileSystem, const std::string& hostFolder) {
    const platform::FolderTraits traits = fileSystem.TraitsOf(platform::Cp932FromUtf8(hostFolder));
    return {traits.ignoresCase, traits.windowsNames};
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
    return FolderRulesOf(m_fileSystem, std::string(hostFolder));
}

bool FileSystemFolders::ListNames(std::string_view hostFolder, std::vector<std::string>& names) {
    const bool listed = Read(hostFolder);
    names = std::move(m_names);
    m_names.clear();
    m_folder.clear();
    return listed;
}

}  // namespace morvanex::engine

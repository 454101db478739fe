#include "engine/plan/FolderTraits.h"

#include "platform/Codepage.h"

namespace morvanex::engine {

FolderRules FolderRulesOf(platform::FileSystem& fileSystem, const std::string& hostFolder) {
    const platform::FolderTraits traits = fileSystem.TraitsOf(platform::Cp932FromUtf8(hostFolder));
    return {traits.ignoresCase, traits.windowsNames, traits.fileSystem == "fuse.fusefat",
            !traits.noReplaceMove};
}

FolderRules FileSystemFolders::RulesOf(std::string_view hostFolder) {
    return FolderRulesOf(m_fileSystem, std::string(hostFolder));
}

bool FileSystemFolders::ListNames(std::string_view hostFolder, std::vector<std::string>& names) {
    std::vector<platform::DirectoryEntry> entries;
    if (m_fileSystem.ListFolder(platform::Cp932FromUtf8(hostFolder), false, entries) != 0)
        return false;
    names.clear();
    names.reserve(entries.size());
    for (platform::DirectoryEntry& entry : entries) {
        std::string host;
        platform::Utf8FromCp932(entry.name, host);
        names.push_back(std::move(host));
    }
    return true;
}

}  // namespace morvanex::engine

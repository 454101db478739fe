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

void ListedNames::Keep(std::string hostFolder, PackedNames names) {
    m_folders.insert_or_assign(std::move(hostFolder), std::move(names));
}

bool ListedNames::Take(std::string_view hostFolder, PackedNames& names) {
    const auto it = m_folders.find(hostFolder);
    if (it == m_folders.end()) return false;
    names = std::move(it->second);
    m_folders.erase(it);
    return true;
}

bool FileSystemFolders::ListNames(std::string_view hostFolder, PackedNames& names) {
    if (m_listed != nullptr && m_listed->Take(hostFolder, names)) return true;
    std::string host;
    return m_fileSystem.ListNames(platform::Cp932FromUtf8(hostFolder), [&](std::string_view name) {
        platform::Utf8FromCp932(name, host);
        names.Add(host);
    }) == 0;
}

}  // namespace morvanex::engine

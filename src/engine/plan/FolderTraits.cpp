#include "engine/plan/FolderTraits.h"

#include "platform/Codepage.h"

namespace morvanex::engine {

FolderRules FolderRulesOf(platform::FileSystem& fileSystem, const std::string& hostFolder) {
    const platform::FolderTraits traits = fileSystem.TraitsOf(platform::Cp932FromUtf8(hostFolder));
    return {traits.ignoresCase, traits.windowsNames};
}

FolderRules FileSystemFolders::RulesOf(std::string_view hostFolder) {
    return FolderRulesOf(m_fileSystem, std::string(hostFolder));
}

bool FileSystemFolders::ListNames(std::string_view hostFolder, PackedNames& names) {
    std::string host;
    return m_fileSystem.ListNames(platform::Cp932FromUtf8(hostFolder), [&](std::string_view name) {
        platform::Utf8FromCp932(name, host);
        names.Add(host);
    }) == 0;
}

}  // namespace morvanex::engine

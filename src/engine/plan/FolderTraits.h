#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/plan/PlanValidator.h"
#include "platform/FileSystem.h"

namespace morvanex::engine {

// How a folder compares names, found without writing anything: a name of the folder with its
// ASCII letters in the other case is looked up; when it answers while the folder holds no such
// name, the folder folds case. A folder with no name to try is taken as folding case where the
// file system makes up its file numbers (FAT, exFAT, NTFS, FUSE): the check may then see a
// conflict that is none, never miss one. Folders that fold case this way (FAT, exFAT) also
// refuse the names Windows refuses. `names` is the folder's listing (host bytes).
FolderRules FolderRulesOf(platform::FileSystem& fileSystem, const std::string& folder,
                          const std::vector<std::string>& names, bool listed);

// The validator's view of the destination folders through the program's file system: each
// folder listed once (names only), its rules from FolderRulesOf.
class FileSystemFolders final : public FolderKnowledge {
  public:
    explicit FileSystemFolders(platform::FileSystem& fileSystem) : m_fileSystem(fileSystem) {}
    FolderRules RulesOf(std::string_view hostFolder) override;
    bool ListNames(std::string_view hostFolder, std::vector<std::string>& names) override;

  private:
    // The folder's listing, read once for both questions; the names go to the validator.
    bool Read(std::string_view hostFolder);

    platform::FileSystem& m_fileSystem;
    std::string m_folder;  // the folder read last (host bytes)
    bool m_listed = false;
    std::vector<std::string> m_names;
};

}  // namespace morvanex::engine

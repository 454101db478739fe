#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/plan/PlanValidator.h"
#include "platform/FileSystem.h"

namespace morvanex::engine {

// How a folder compares names and which names it refuses, as the platform's per-folder traits
// say (the one place that asks them).
FolderRules FolderRulesOf(platform::FileSystem& fileSystem, const std::string& hostFolder);

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

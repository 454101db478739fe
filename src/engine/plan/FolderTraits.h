#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "engine/plan/PlanValidator.h"
#include "platform/FileSystem.h"

namespace morvanex::engine {

// How a folder compares names and which names it refuses, as the platform's per-folder traits
// say (the one place that asks them).
FolderRules FolderRulesOf(platform::FileSystem& fileSystem, const std::string& hostFolder);

// The traits of the folder asked last, asked of the file system again only for another folder:
// runs and undos go folder by folder.
class LastFolderTraits {
  public:
    explicit LastFolderTraits(platform::FileSystem& fileSystem) : m_fileSystem(fileSystem) {}
    const platform::FolderTraits& Of(std::string_view folder) {
        if (!m_known || folder != m_folder) {
            m_traits = m_fileSystem.TraitsOf(folder);
            m_folder.assign(folder);
            m_known = true;
        }
        return m_traits;
    }

  private:
    platform::FileSystem& m_fileSystem;
    std::string m_folder;
    platform::FolderTraits m_traits;
    bool m_known = false;
};

// The names of the folders a run's listing read in full (host form, by host folder ending with
// "/"), kept for its plan check: the folder is not read a second time a moment later. Names made
// in between are not among them; the moves themselves never replace a file, so such a name still
// stops its target, only at its move rather than before the first.
class ListedNames {
  public:
    void Keep(std::string hostFolder, PackedNames names);
    // Hands the folder's names over (once); false when the folder was not kept.
    bool Take(std::string_view hostFolder, PackedNames& names);

  private:
    std::map<std::string, PackedNames, std::less<>> m_folders;
};

// The validator's view of the destination folders through the program's file system: each
// folder's names from the run's own listing where it kept them, else listed (names only) when the
// validator first needs them; its rules from FolderRulesOf.
class FileSystemFolders final : public FolderKnowledge {
  public:
    explicit FileSystemFolders(platform::FileSystem& fileSystem, ListedNames* listed = nullptr)
        : m_fileSystem(fileSystem), m_listed(listed) {}
    FolderRules RulesOf(std::string_view hostFolder) override;
    bool ListNames(std::string_view hostFolder, PackedNames& names) override;

  private:
    platform::FileSystem& m_fileSystem;
    ListedNames* m_listed;
};

}  // namespace morvanex::engine

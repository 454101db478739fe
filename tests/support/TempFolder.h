#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace morvanex::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end
// of the test. Paths given to and returned by it are host (UTF-8) paths.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, ending with "/".
    const std::string& Path() const { return m_path; }
    // Path() + relative.
    std::string operator/(std::string_view relative) const;
    // The same path as CP932, the form a FileSystem takes.
    std::string Cp932Path(std::string_view relative) const;

    // Creates a file (and the folders above it) with the given contents; returns its path.
    std::string CreateFile(std::string_view relative, std::string_view contents = {});
    std::string CreateFolder(std::string_view relative);
    void SetModificationTime(std::string_view relative, platform::Timestamp time);
    void SetMode(std::string_view relative, unsigned mode);
    // A symbolic link at `relative` pointing to `target` (which need not exist).
    void CreateSymlink(std::string_view target, std::string_view relative);
    platform::Timestamp ModificationTime(std::string_view relative) const;
    std::string ReadFile(std::string_view relative) const;
    bool Exists(std::string_view relative) const;
    // Removes everything in the folder; the folder stays.
    void Clear();

  private:
    std::string m_path;
};

// The same text as CP932, the form the core takes paths in.
std::string Cp932(std::string_view utf8);

}  // namespace morvanex::test

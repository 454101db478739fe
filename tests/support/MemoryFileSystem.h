#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/FileSystem.h"

namespace morvanex::test {

// A file system held in memory, for tests of logic that only needs a few files and folders:
// paths are CP932 texts, folders end with '/'. Good enough for settings and parsers; tests of
// real disk behaviour use PosixFileSystem on a TempFolder. Its `traits` are every folder's:
// with `ignoresCase` a file is found under any spelling of its name, stays under the one it
// was given, and a move never lands on a name taken in any case (not even the file's own, as on
// a camera card).
class MemoryFileSystem : public platform::FileSystem {
  public:
    struct File {
        std::string contents;
        platform::FileStatus status;
    };

    std::map<std::string, File> files;  // full path -> file
    std::set<std::string> folders;      // full paths ending with '/'
    std::vector<platform::Root> roots;
    std::string temporaryFolder = "/tmp/";
    int writeError = 0;  // when set, WriteFile fails with it
    platform::FolderTraits traits;

    void AddFile(const std::string& path, std::string contents = {});
    void AddFolder(const std::string& path);

    int ListFolder(std::string_view folder, bool withAttributes,
                   std::vector<platform::DirectoryEntry>& entries) override;
    int GetStatus(std::string_view path, platform::FileStatus& status) override;
    int GetIdentity(std::string_view path, platform::FileIdentity& identity) override;
    int GetAttributes(std::string_view path, std::uint8_t& attributes) override;
    int SetAttributes(std::string_view path, std::uint8_t attributes,
                      const platform::FileStatus* expected) override;
    int SetTimes(std::string_view path, platform::Timestamp creation,
                 platform::Timestamp modification, platform::Timestamp access,
                 const platform::FileStatus* expected) override;
    int RestoreTimes(std::string_view path, const platform::FileStatus& saved,
                     const platform::FileStatus* expected) override;
    int Move(std::string_view from, std::string_view to,
             const platform::FileStatus* expected) override;
    int Copy(std::string_view from, std::string_view to, bool* destinationFailed) override;
    int CreateFolder(std::string_view path) override;
    int DeleteFile(std::string_view path) override;
    bool CanEnter(std::string_view folder) override;
    bool Exists(std::string_view path) override;
    int ReadFirstBytes(std::string_view path, std::size_t count, std::string& bytes) override;
    int ReadBytesAt(std::string_view path, std::uint64_t offset, std::size_t count,
                    std::string& bytes) override;
    int WriteFile(std::string_view path, std::string_view bytes) override;
    std::unique_ptr<platform::OutputFile> OpenOutput(std::string_view path,
                                                     platform::OutputMode mode,
                                                     int& error) override;
    std::string TemporaryFolder() override { return temporaryFolder; }
    std::vector<platform::Root> Roots() override { return roots; }
    platform::FolderTraits TraitsOf(std::string_view) override { return traits; }

  private:
    // The file a path names, under any spelling where case is ignored; end() when none.
    std::map<std::string, File>::iterator Find(std::string_view path);
    // The file at `path` when it is still the one expected (0), else ENOENT or ESTALE.
    int Expected(std::string_view path, const platform::FileStatus* expected,
                 std::map<std::string, File>::iterator& file);
};

}  // namespace morvanex::test

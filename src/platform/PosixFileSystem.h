#pragma once

#include "platform/FileSystem.h"

namespace morvanex::platform {

// The file system of a POSIX host (UTF-8 names). Paths are converted at each system call; every
// host name has a CP932 form that converts back to exactly that name.
// Attributes: read-only is the absence of the owner's write bit; hidden is a name starting with
// "." or the stored flag; the archive, hidden and system flags are stored in the extended
// attribute "user.morvanex.attributes" where the file system allows it (a regular file without
// it counts as archive; a dot name's hidden flag is not stored, it comes with the name). Without
// user extended attributes the flags read as the defaults and setting others fails (ENOTSUP).
// The creation time is the birth time where the file system records one, else the modification
// time; it cannot be set. A folder's size is 0.
class PosixFileSystem : public FileSystem {
  public:
    int ListFolder(std::string_view folder, bool withAttributes,
                   std::vector<DirectoryEntry>& entries) override;
    int GetStatus(std::string_view path, FileStatus& status) override;
    int GetIdentity(std::string_view path, FileIdentity& identity) override;
    int GetAttributes(std::string_view path, std::uint8_t& attributes) override;
    int SetAttributes(std::string_view path, std::uint8_t attributes) override;
    int SetTimes(std::string_view path, Timestamp creation, Timestamp modification,
                 Timestamp access) override;
    int Move(std::string_view from, std::string_view to) override;
    int Copy(std::string_view from, std::string_view to) override;
    int CreateFolder(std::string_view path) override;
    int DeleteFile(std::string_view path) override;
    bool CanEnter(std::string_view folder) override;
    bool Exists(std::string_view path) override;
    int ReadFirstBytes(std::string_view path, std::size_t count, std::string& bytes) override;
    int WriteFile(std::string_view path, std::string_view bytes) override;
    std::unique_ptr<OutputFile> OpenOutput(std::string_view path, bool truncate,
                                           int& error) override;
    std::string TemporaryFolder() override;
    std::vector<Root> Roots() override;
};

}  // namespace morvanex::platform

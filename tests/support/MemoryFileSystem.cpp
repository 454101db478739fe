#include "support/MemoryFileSystem.h"

#include <cerrno>

#include "platform/Codepage.h"
#include "platform/Paths.h"

namespace morvanex::test {

namespace {

std::string FolderKey(std::string_view path) {
    return platform::WithTrailingSeparator(path);
}

class MemoryOutput final : public platform::OutputFile {
  public:
    MemoryOutput(MemoryFileSystem& fs, std::string path) : m_fs(fs), m_path(std::move(path)) {}
    int Append(std::string_view bytes) override {
        m_fs.files[m_path].contents.append(bytes);
        return 0;
    }

  private:
    MemoryFileSystem& m_fs;
    std::string m_path;
};

}  // namespace

std::map<std::string, MemoryFileSystem::File>::iterator MemoryFileSystem::Find(
    std::string_view path) {
    const auto exact = files.find(std::string(path));
    if (exact != files.end() || !traits.ignoresCase) return exact;
    for (auto it = files.begin(); it != files.end(); ++it) {
        if (platform::EqualNoCase(it->first, path)) return it;
    }
    return files.end();
}

int MemoryFileSystem::Expected(std::string_view path, const platform::FileStatus* expected,
                               std::map<std::string, File>::iterator& file) {
    file = Find(path);
    if (file == files.end()) return ENOENT;
    if (expected != nullptr &&
        !platform::IsSameEntry(*expected, file->second.status, traits.keepsIdentity)) {
        return ESTALE;
    }
    return 0;
}

void MemoryFileSystem::AddFile(const std::string& path, std::string contents) {
    File& file = files[path];
    file.status.size = static_cast<std::int64_t>(contents.size());
    file.status.attributes = platform::attr::kArchive;
    file.contents = std::move(contents);
}

void MemoryFileSystem::AddFolder(const std::string& path) {
    folders.insert(FolderKey(path));
}

int MemoryFileSystem::ListFolder(std::string_view folder, bool,
                                 std::vector<platform::DirectoryEntry>& entries) {
    const std::string key = FolderKey(folder);
    if (!folders.contains(key)) return ENOENT;
    const auto childOf = [&](const std::string& path) {
        return path.size() > key.size() && path.compare(0, key.size(), key) == 0 &&
               platform::DirectoryOf(platform::WithoutTrailingSeparator(path)) == key;
    };
    for (const auto& [path, file] : files) {
        if (childOf(path)) {
            entries.push_back({platform::FileNameOf(path), file.status.attributes, file.status});
        }
    }
    for (const auto& path : folders) {
        if (childOf(path)) {
            platform::FileStatus status;
            status.attributes = platform::attr::kDirectory;
            entries.push_back({platform::FileNameOf(platform::WithoutTrailingSeparator(path)),
                               platform::attr::kDirectory, status});
        }
    }
    return 0;
}

int MemoryFileSystem::GetStatus(std::string_view path, platform::FileStatus& status) {
    const auto it = Find(path);
    if (it == files.end()) return ENOENT;
    status = it->second.status;
    return 0;
}

int MemoryFileSystem::GetIdentity(std::string_view path, platform::FileIdentity& identity) {
    if (!Exists(path)) return ENOENT;
    identity = {1, std::hash<std::string>{}(FolderKey(path))};
    return 0;
}

int MemoryFileSystem::GetAttributes(std::string_view path, std::uint8_t& attributes) {
    platform::FileStatus status;
    if (const int error = GetStatus(path, status)) return error;
    attributes = status.attributes;
    return 0;
}

int MemoryFileSystem::SetAttributes(std::string_view path, std::uint8_t attributes,
                                    const platform::FileStatus* expected) {
    std::map<std::string, File>::iterator it;
    if (const int error = Expected(path, expected, it)) return error;
    it->second.status.attributes = attributes;
    return 0;
}

int MemoryFileSystem::SetTimes(std::string_view path, platform::Timestamp,
                               platform::Timestamp modification, platform::Timestamp access,
                               const platform::FileStatus* expected) {
    std::map<std::string, File>::iterator it;
    if (const int error = Expected(path, expected, it)) return error;
    it->second.status.modification = modification;
    it->second.status.access = access;
    return 0;
}

int MemoryFileSystem::RestoreTimes(std::string_view path, const platform::FileStatus& saved,
                                   const platform::FileStatus* expected) {
    std::map<std::string, File>::iterator it;
    if (const int error = Expected(path, expected, it)) return error;
    platform::FileStatus& status = it->second.status;
    status.modification = saved.modification;
    status.modificationNs = saved.modificationNs;
    status.access = saved.access;
    status.accessNs = saved.accessNs;
    return 0;
}

int MemoryFileSystem::Move(std::string_view from, std::string_view to,
                           const platform::FileStatus* expected) {
    std::map<std::string, File>::iterator it;
    if (const int error = Expected(from, expected, it)) return error;
    if (it->first == to) return 0;
    if (Exists(to)) return EEXIST;
    auto node = files.extract(it);
    node.key() = std::string(to);
    files.insert(std::move(node));
    return 0;
}

int MemoryFileSystem::Copy(std::string_view from, std::string_view to, bool* destinationFailed) {
    if (destinationFailed != nullptr) *destinationFailed = false;
    const auto it = Find(from);
    if (it == files.end()) return ENOENT;
    if (destinationFailed != nullptr) *destinationFailed = true;
    if (Exists(to)) return EEXIST;
    if (destinationFailed != nullptr) *destinationFailed = false;
    files.emplace(std::string(to), it->second);
    return 0;
}

int MemoryFileSystem::CreateFolder(std::string_view path) {
    if (Exists(path)) return EEXIST;
    folders.insert(FolderKey(path));
    return 0;
}

int MemoryFileSystem::DeleteFile(std::string_view path) {
    const auto it = Find(path);
    if (it == files.end()) return ENOENT;
    files.erase(it);
    return 0;
}

bool MemoryFileSystem::CanEnter(std::string_view folder) {
    return folders.contains(FolderKey(folder));
}

bool MemoryFileSystem::Exists(std::string_view path) {
    return Find(path) != files.end() || folders.contains(FolderKey(path));
}

int MemoryFileSystem::ReadFirstBytes(std::string_view path, std::size_t count, std::string& bytes) {
    if (folders.contains(FolderKey(path))) return EISDIR;
    const auto it = Find(path);
    if (it == files.end()) return ENOENT;
    bytes = it->second.contents.substr(0, count);
    return 0;
}

int MemoryFileSystem::ReadBytesAt(std::string_view path, std::uint64_t offset, std::size_t count,
                                  std::string& bytes) {
    bytes.clear();
    if (folders.contains(FolderKey(path))) return EISDIR;
    const auto it = files.find(std::string(path));
    if (it == files.end()) return ENOENT;
    const std::string& contents = it->second.contents;
    if (offset < contents.size()) bytes = contents.substr(static_cast<std::size_t>(offset), count);
    return 0;
}

int MemoryFileSystem::WriteFile(std::string_view path, std::string_view bytes) {
    if (writeError != 0) return writeError;
    AddFile(std::string(path), std::string(bytes));
    return 0;
}

std::unique_ptr<platform::OutputFile> MemoryFileSystem::OpenOutput(std::string_view path,
                                                                   platform::OutputMode mode,
                                                                   int& error) {
    error = 0;
    if (mode == platform::OutputMode::kNew && Exists(path)) {
        error = EEXIST;
        return nullptr;
    }
    if (!files.contains(std::string(path))) AddFile(std::string(path));
    return std::make_unique<MemoryOutput>(*this, std::string(path));
}

}  // namespace morvanex::test

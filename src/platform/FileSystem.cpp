#include "platform/FileSystem.h"

#include "platform/Paths.h"

namespace morvanex::platform {

namespace {

// Positioned reads of a file system that has no open files of its own: each read goes through
// the file system by path.
class PathInputFile final : public InputFile {
  public:
    PathInputFile(FileSystem& fileSystem, std::string_view path, std::uint64_t size)
        : m_fileSystem(fileSystem), m_path(path), m_size(size) {}

    std::uint64_t Size() const override { return m_size; }
    int ReadAt(std::uint64_t offset, std::size_t count, std::string& bytes) override {
        return m_fileSystem.ReadBytesAt(m_path, offset, count, bytes);
    }

  private:
    FileSystem& m_fileSystem;
    std::string m_path;
    std::uint64_t m_size;
};

}  // namespace

std::unique_ptr<InputFile> FileSystem::OpenInput(std::string_view path, int& error) {
    FileStatus status;
    if ((error = GetStatus(path, status)) != 0) return nullptr;
    if ((status.attributes & attr::kDirectory) != 0) {
        error = EISDIR;
        return nullptr;
    }
    if (status.link || status.size < 0) {
        error = EINVAL;
        return nullptr;
    }
    return std::make_unique<PathInputFile>(*this, path, static_cast<std::uint64_t>(status.size));
}

bool IsSameEntry(const FileStatus& listed, const FileStatus& found, bool keepsIdentity) {
    // A listing marks a link to a folder as a folder; a link is a kind of its own here.
    const bool folder = !listed.link && (listed.attributes & attr::kDirectory) != 0;
    if (listed.link != found.link) return false;
    if (!found.link && folder != ((found.attributes & attr::kDirectory) != 0)) return false;
    if (keepsIdentity && listed.identity != FileIdentity{}) {
        if (listed.identity != found.identity) return false;
        // An inode number freed by a deleted file is soon given to a new one: the birth tells
        // them apart where it is recorded, else the size and time below.
        if (listed.birth != 0 && found.birth != 0) return listed.birth == found.birth;
    }
    if (folder) return true;
    if (listed.size != found.size) return false;
    if (keepsIdentity) {
        return listed.modification == found.modification &&
               listed.modificationNs == found.modificationNs;
    }
    // Without identities (FAT and exFAT through FUSE) the time decides, as finely as the card
    // keeps it: the kernel may give a time to the nanosecond while it holds the file's status
    // and the card's own two-second one once it asks again.
    const Timestamp difference = found.modification - listed.modification;
    return difference <= kCardTimeSteps && difference >= -kCardTimeSteps;
}

int FileSystem::MoveIf(std::string_view from, std::string_view to,
                       const std::function<bool(const FileStatus&)>& isTheFile, FileStatus& found) {
    if (const int error = GetEntryStatus(from, found)) return error;
    if (!isTheFile(found)) return ESTALE;
    return Move(from, to, &found);
}

std::unique_ptr<FolderHandle> FileSystem::OpenFolder(std::string_view /*path*/,
                                                     bool /*createPrivate*/, int& error) {
    error = ENOTSUP;
    return nullptr;
}

int FileSystem::ListNames(std::string_view folder,
                          const std::function<void(std::string_view)>& each) {
    std::vector<DirectoryEntry> entries;
    if (const int error = ListFolder(folder, false, entries)) return error;
    for (const DirectoryEntry& entry : entries) each(entry.name);
    return 0;
}

int FileSystem::CanonicalPath(std::string_view path, std::string& canonical) {
    if (!IsAbsolutePath(path)) return EINVAL;
    canonical = LexicallyNormal(path);
    return 0;
}

}  // namespace morvanex::platform

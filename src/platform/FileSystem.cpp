#include "platform/FileSystem.h"

#include "platform/Paths.h"

namespace morvanex::platform {

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
    return listed.size == found.size && listed.modification == found.modification &&
           listed.modificationNs == found.modificationNs;
}

int FileSystem::CanonicalPath(std::string_view path, std::string& canonical) {
    if (!IsAbsolutePath(path)) return EINVAL;
    canonical = LexicallyNormal(path);
    return 0;
}

}  // namespace morvanex::platform

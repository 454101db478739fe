#include "support/TempFolder.h"

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/Codepage.h"

namespace morvanex::test {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "morvanex-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = pattern + "/";
}

TempFolder::~TempFolder() {
    // Read-only folders inside would stop the removal: give everything its write bit back.
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(m_path, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (!it->is_symlink()) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
    }
    fs::remove_all(m_path, ec);
}

std::string TempFolder::operator/(std::string_view relative) const {
    return m_path + std::string(relative);
}

std::string TempFolder::Cp932Path(std::string_view relative) const {
    return Cp932(*this / relative);
}

std::string TempFolder::CreateFile(std::string_view relative, std::string_view contents) {
    const fs::path path = *this / relative;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
    return path.string();
}

std::string TempFolder::CreateFolder(std::string_view relative) {
    const fs::path path = *this / relative;
    fs::create_directories(path);
    return path.string();
}

void TempFolder::SetModificationTime(std::string_view relative, platform::Timestamp time) {
    const std::string path = *this / relative;
    const timeval times[2] = {{static_cast<time_t>(time), 0}, {static_cast<time_t>(time), 0}};
    if (utimes(path.c_str(), times) != 0) throw std::runtime_error("utimes failed");
}

void TempFolder::SetMode(std::string_view relative, unsigned mode) {
    const std::string path = *this / relative;
    if (chmod(path.c_str(), static_cast<mode_t>(mode)) != 0)
        throw std::runtime_error("chmod failed");
}

void TempFolder::CreateSymlink(std::string_view target, std::string_view relative) {
    const std::string path = *this / relative;
    if (symlink(std::string(target).c_str(), path.c_str()) != 0) {
        throw std::runtime_error("symlink failed");
    }
}

platform::Timestamp TempFolder::ModificationTime(std::string_view relative) const {
    struct stat status {};
    if (stat((*this / relative).c_str(), &status) != 0) throw std::runtime_error("stat failed");
    return status.st_mtime;
}

std::string TempFolder::ReadFile(std::string_view relative) const {
    std::ifstream in(*this / relative, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool TempFolder::Exists(std::string_view relative) const {
    std::error_code ec;
    return fs::exists(fs::symlink_status(*this / relative, ec));
}

void TempFolder::Clear() {
    for (const auto& entry : fs::directory_iterator(m_path)) fs::remove_all(entry.path());
}

std::string Cp932(std::string_view utf8) {
    return platform::Cp932FromUtf8(utf8);
}

}  // namespace morvanex::test

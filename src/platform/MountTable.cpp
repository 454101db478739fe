#include "platform/MountTable.h"

#include <sys/sysmacros.h>

#include <charconv>
#include <vector>

namespace morvanex::platform {

namespace {

// The table writes blanks, tabs, newlines and backslashes in its fields as \ooo.
std::string Unescaped(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            int value = 0;
            bool octal = true;
            for (std::size_t d = i + 1; d <= i + 3; ++d) {
                if (field[d] < '0' || field[d] > '7') octal = false;
                value = value * 8 + (field[d] - '0');
            }
            if (octal && value < 256) {
                out += static_cast<char>(value);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    while (!line.empty()) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string_view::npos) break;
        line.remove_prefix(start);
        const std::size_t end = line.find(' ');
        fields.push_back(line.substr(0, end));
        line = end == std::string_view::npos ? std::string_view() : line.substr(end);
    }
    return fields;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

enum class Family {
    Unix,             // case-sensitive, keeps inode numbers
    CasefoldCapable,  // the same, but a folder may be made to ignore case
    Fat,
    Exfat,
    Ntfs,
    Unknown,  // a network or unknown file system: its names must be asked
};

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    for (const std::string_view candidate : names) {
        if (name == candidate) return true;
    }
    return false;
}

Family FamilyOf(std::string_view name) {
    if (OneOf(name, {"vfat", "msdos", "fat", "fusefat", "umsdos"})) return Family::Fat;
    if (OneOf(name, {"exfat", "exfat-fuse", "fuse-exfat"})) return Family::Exfat;
    if (OneOf(name, {"ntfs", "ntfs3", "ntfs-3g", "lowntfs-3g"})) return Family::Ntfs;
    if (OneOf(name, {"ext2", "ext3", "ext4", "f2fs", "tmpfs", "bcachefs"})) {
        return Family::CasefoldCapable;
    }
    if (OneOf(name, {"xfs", "btrfs", "zfs", "ramfs", "reiserfs", "nilfs2", "overlay", "squashfs",
                     "erofs", "jffs2", "ubifs"})) {
        return Family::Unix;
    }
    return Family::Unknown;
}

bool HasOption(std::string_view options, std::string_view option) {
    for (std::string_view rest = options; !rest.empty();) {
        const std::size_t comma = rest.find(',');
        if (rest.substr(0, comma) == option) return true;
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    return false;
}

}  // namespace

bool ParseMountInfoLine(std::string_view line, MountEntry& entry) {
    // id parent major:minor root mount-point options [optional fields...] - type source super
    const std::vector<std::string_view> fields = Fields(line);
    std::size_t dash = 6;
    while (dash < fields.size() && fields[dash] != "-") ++dash;
    if (fields.size() < 6 || dash + 3 > fields.size()) return false;
    const std::string_view device = fields[2];
    const std::size_t colon = device.find(':');
    unsigned major = 0;
    unsigned minor = 0;
    if (!ParseNumber(fields[0], entry.id) || colon == std::string_view::npos ||
        !ParseNumber(device.substr(0, colon), major) ||
        !ParseNumber(device.substr(colon + 1), minor)) {
        return false;
    }
    entry.device = makedev(major, minor);
    entry.mountPoint = Unescaped(fields[4]);
    entry.type = Unescaped(fields[dash + 1]);
    entry.source = Unescaped(fields[dash + 2]);
    entry.superOptions = dash + 3 < fields.size() ? Unescaped(fields[dash + 3]) : std::string();
    return true;
}

std::string VolumeFormat(std::string_view sector) {
    if (sector.size() < 512) return {};
    if (sector.substr(3, 8) == "NTFS    ") return "ntfs";
    if (sector.substr(3, 8) == "EXFAT   ") return "exfat";
    if (sector.substr(54, 5) == "FAT12" || sector.substr(54, 5) == "FAT16" ||
        sector.substr(82, 5) == "FAT32") {
        return "vfat";
    }
    return {};
}

MountTraits TraitsOfMount(const MountEntry& entry, std::string_view format) {
    const std::string_view type = entry.type;
    // FUSE names its driver after a period ("fuse.fusefat", "fuseblk.sshfs"), or not at all.
    const bool fuse = type == "fuse" || type == "fuseblk" || type.starts_with("fuse.") ||
                      type.starts_with("fuseblk.");
    std::string_view driver = type;
    if (fuse) {
        const std::size_t period = type.find('.');
        driver = period != std::string_view::npos ? type.substr(period + 1) : format;
    }
    MountTraits mount;
    FolderTraits& traits = mount.traits;
    traits.fileSystem = entry.type;
    if (fuse && type.find('.') == std::string_view::npos && !format.empty()) {
        traits.fileSystem += " (" + std::string(format) + ")";
    }
    const Family family = FamilyOf(driver);
    // FUSE drivers number what is looked up; the FAT, exFAT and NTFS drivers of the kernel
    // number files per mount.
    traits.keepsIdentity =
        !fuse && family != Family::Fat && family != Family::Exfat && family != Family::Ntfs;
    // FUSE passes the flag on only to drivers that know it (fusefat, exfat-fuse and ntfs-3g do
    // not), and NFS and SMB refuse it or cannot promise it.
    traits.noReplaceMove = !fuse && !OneOf(type, {"nfs", "nfs4", "cifs", "smb3"});
    traits.windowsNames =
        family == Family::Fat || family == Family::Exfat || family == Family::Ntfs;
    switch (family) {
        case Family::Fat:
        case Family::Exfat:
            traits.ignoresCase = true;
            break;
        case Family::Ntfs:
            // ntfs-3g and ntfs3 tell case apart as they are usually mounted; ntfs3 can be told
            // not to.
            traits.ignoresCase = type == "ntfs3" && HasOption(entry.superOptions, "nocase");
            break;
        case Family::CasefoldCapable:
            mount.casefoldFolders = true;
            break;
        case Family::Unix:
            break;
        case Family::Unknown:
            traits.ignoresCase = true;
            mount.caseUnknown = true;
            break;
    }
    return mount;
}

}  // namespace morvanex::platform

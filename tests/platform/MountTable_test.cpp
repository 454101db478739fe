#include "platform/MountTable.h"

#include <gtest/gtest.h>
#include <sys/sysmacros.h>

#include <string>

namespace morvanex::platform {
namespace {

// Lines as the kernel writes them, with the FUSE drivers as this machine mounts them (fusefat
// names itself, exfat-fuse and ntfs-3g do not) and the volume's format where the program must
// read it from the device.
TEST(MountTable, EachMountAnswersForItsFolders) {
    struct Row {
        const char* name;
        const char* line;  // after "id parent major:minor root mount-point options"
        const char* format;
        FolderTraits traits;
        bool casefoldFolders = false;
        bool caseUnknown = false;
    } rows[] = {
        {"unix/ext4", "shared:1 - ext4 /dev/sda1 rw", "", {"ext4", true, true, false, false}, true},
        {"unix/btrfs", "- btrfs /dev/sdb rw", "", {"btrfs", true, true, false, false}, false},
        {"card/fusefat",
         "- fuse.fusefat fusefat rw,user_id=0",
         "",
         {"fuse.fusefat", false, false, true, true}},
        {"card/exfat_fuse",
         "- fuseblk /dev/loop0 rw,default_permissions",
         "exfat",
         {"fuseblk (exfat)", false, false, true, true}},
        {"card/exfat_in_the_kernel",
         "- exfat /dev/sdb1 rw",
         "",
         {"exfat", false, true, true, true}},
        {"ntfs/ntfs_3g_tells_case_apart",
         "- fuse /tmp/img.ntfs rw,allow_other",
         "ntfs",
         {"fuse (ntfs)", false, false, true, false}},
        {"ntfs/ntfs3_nocase",
         "- ntfs3 /dev/sda2 rw,nocase",
         "",
         {"ntfs3", false, true, true, true}},
        // Nothing says whether these fold case: the folder is asked, and until it answers the
        // cautious answer stands.
        {"unknown/sshfs",
         "- fuse.sshfs u@host: rw",
         "",
         {"fuse.sshfs", false, false, false, true},
         false,
         true},
        {"unknown/nfs4",
         "- nfs4 server:/export rw",
         "",
         {"nfs4", true, false, false, true},
         false,
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MountEntry entry;
        ASSERT_TRUE(ParseMountInfoLine(std::string("36 25 8:1 / /mnt rw ") + row.line, entry));
        const MountTraits mount = TraitsOfMount(entry, row.format);
        EXPECT_EQ(mount.traits, row.traits);
        EXPECT_EQ(mount.casefoldFolders, row.casefoldFolders);
        EXPECT_EQ(mount.caseUnknown, row.caseUnknown);
    }
}

TEST(MountTable, LinesAreReadWithTheirEscapesAndNumbers) {
    MountEntry entry;
    ASSERT_TRUE(ParseMountInfoLine(
        "66 46 0:40 / /media/u/My\\040Card rw shared:7 - fuse.fusefat my\\134card rw", entry));
    EXPECT_EQ(entry.id, 66);
    EXPECT_EQ(entry.device, makedev(0, 40));
    EXPECT_EQ(entry.mountPoint, "/media/u/My Card");
    EXPECT_EQ(entry.type, "fuse.fusefat");
    EXPECT_EQ(entry.source, "my\\card");
    EXPECT_EQ(entry.superOptions, "rw");
    for (const char* broken :
         {"", "66 46 0:40 / /x rw", "66 46 0:40 / /x rw - ext4",
          "x 46 0:40 / /x rw - ext4 /dev/a rw", "66 46 040 / /x rw - ext4 a rw"}) {
        EXPECT_FALSE(ParseMountInfoLine(broken, entry)) << broken;
    }
}

}  // namespace
}  // namespace morvanex::platform

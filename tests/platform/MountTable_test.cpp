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
        const char* line;
        const char* format;
        FolderTraits traits;
        bool casefoldFolders, caseUnknown;
    } rows[] = {
        {"unix/ext4",
         "36 25 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro",
         "",
         {"ext4", true, true, false, false},
         true,
         false},
        {"unix/btrfs",
         "40 25 0:33 /@home /home rw shared:5 master:2 - btrfs /dev/sdb rw",
         "",
         {"btrfs", true, true, false, false},
         false,
         false},
        {"card/fusefat",
         "66 46 0:40 / /media/u/CARD rw,nosuid - fuse.fusefat fusefat rw,user_id=0,group_id=0",
         "",
         {"fuse.fusefat", false, false, true, true},
         false,
         false},
        {"card/exfat_fuse_read_from_the_device",
         "67 46 7:0 / /media/u/CARD rw - fuseblk /dev/loop0 rw,user_id=0,default_permissions",
         "exfat",
         {"fuseblk (exfat)", false, false, true, true},
         false,
         false},
        {"card/exfat_in_the_kernel",
         "70 25 8:17 / /media/u/CARD rw - exfat /dev/sdb1 rw",
         "",
         {"exfat", false, true, true, true},
         false,
         false},
        {"ntfs/ntfs_3g_tells_case_apart",
         "68 46 0:41 / /mnt/win rw - fuse /tmp/img.ntfs rw,user_id=0,allow_other",
         "ntfs",
         {"fuse (ntfs)", false, false, true, false},
         false,
         false},
        {"ntfs/ntfs3_nocase",
         "72 25 8:2 / /mnt/win rw - ntfs3 /dev/sda2 rw,nocase",
         "",
         {"ntfs3", false, true, true, true},
         false,
         false},
        // Nothing says whether these fold case: the folder is asked, and until it answers the
        // cautious answer stands.
        {"unknown/sshfs",
         "73 25 0:51 / /mnt/remote rw - fuse.sshfs u@host: rw,user_id=1000",
         "",
         {"fuse.sshfs", false, false, false, true},
         false,
         true},
        {"unknown/nfs4",
         "74 25 0:52 / /net rw - nfs4 server:/export rw,vers=4.2",
         "",
         {"nfs4", true, false, false, true},
         false,
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MountEntry entry;
        ASSERT_TRUE(ParseMountInfoLine(row.line, entry));
        const MountTraits mount = TraitsOfMount(entry, row.format);
        EXPECT_EQ(mount.traits.fileSystem, row.traits.fileSystem);
        EXPECT_EQ(mount.traits.keepsIdentity, row.traits.keepsIdentity);
        EXPECT_EQ(mount.traits.noReplaceMove, row.traits.noReplaceMove);
        EXPECT_EQ(mount.traits.windowsNames, row.traits.windowsNames);
        EXPECT_EQ(mount.traits.ignoresCase, row.traits.ignoresCase);
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

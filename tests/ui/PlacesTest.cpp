#include "ui/Places.h"

#include "TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace hozonix;
using namespace hozonix::ui;

namespace {

// A mount table as the kernel writes it: the system's own mounts, drives, shares and the desktop's GVfs.
const char* const kMountInfo =
    "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
    "23 22 0:21 / /proc rw,nosuid shared:12 - proc proc rw\n"
    "24 22 0:22 / /run rw,nosuid shared:2 - tmpfs tmpfs rw,size=1620k\n"
    "25 22 8:1 / /boot/efi rw,relatime shared:3 - vfat /dev/sda1 rw\n"
    "61 22 8:17 / /media/alice/USB\\040DISK rw,nosuid shared:30 - vfat /dev/sdb1 rw\n"
    "62 22 8:33 / /run/media/alice/Backup rw,nosuid shared:31 - ext4 /dev/sdc1 rw\n"
    "63 22 8:49 / /mnt/archive rw,relatime shared:32 - ext4 /dev/sdd1 rw\n"
    "64 22 0:50 / /mnt/scratch rw,relatime shared:33 - tmpfs tmpfs rw\n"
    "65 22 0:51 / /home/alice/nas rw,relatime shared:34 - cifs //nas/photos rw,vers=3.1.1\n"
    "66 22 0:52 / /srv/exports rw,relatime shared:35 - nfs4 fileserver:/export/home rw\n"
    "67 24 0:53 / /run/user/1000/gvfs rw,nosuid shared:36 - fuse.gvfsd-fuse gvfsd-fuse rw\n"
    "68 22 0:54 / /mnt master:7 - ext4 /dev/sde1 rw\n"
    "garbage line without the separator\n";

} // namespace

TEST(Places, MountTableFieldsAndEscapes) {
    const std::vector<MountEntry> mounts = ParseMountInfo(kMountInfo);
    ASSERT_EQ(mounts.size(), 12u);
    EXPECT_EQ(mounts[4], (MountEntry{"/media/alice/USB DISK", "vfat", "/dev/sdb1"}));
    EXPECT_EQ(mounts[8], (MountEntry{"/home/alice/nas", "cifs", "//nas/photos"}));
    // Optional fields ("master:7") before the separator are skipped.
    EXPECT_EQ(mounts[11], (MountEntry{"/mnt", "ext4", "/dev/sde1"}));
    EXPECT_EQ(ParseMountInfo("1 2 3:4 / /a\\134b\\011c rw - ext4 /dev/x rw\n")[0].mountPoint, "/a\\b\tc");
}

TEST(Places, ReadableNamesOfNetworkMounts) {
    struct Case {
        std::string in;
        std::string name;
    };
    const Case gvfs[] = {
        {"smb-share:server=nas,share=photos", "photos (nas)"},
        {"smb-share:domain=WORK,server=fs01,share=%E5%85%B1%E6%9C%89,user=bob", "共有 (fs01)"},
        {"sftp:host=backup.example.org,user=alice", "backup.example.org"},
        {"dav:host=cloud.example.org,ssl=true,prefix=%2Fremote.php%2Fwebdav", "webdav (cloud.example.org)"},
        {"afp-volume:host=mac.local,user=al,volume=Time", "Time (mac.local)"},
        {"nfs:host=fileserver,prefix=%2Fexport%2Fbackup", "backup (fileserver)"},
        {"ftp:host=ftp.example.org", "ftp.example.org"},
        {"plain folder", "plain folder"},
    };
    for (const Case& c : gvfs)
        EXPECT_EQ(GvfsMountName(c.in), c.name) << c.in;

    const Case sources[] = {
        {"//nas/photos", "photos (nas)"},
        {"//nas/photos/2024", "photos (nas)"},
        {"fileserver:/export/home", "home (fileserver)"},
        {"alice@backup.example.org:/srv/alice", "alice (backup.example.org)"},
        {"nas:/", "nas"},
    };
    for (const Case& c : sources)
        EXPECT_EQ(NetworkMountName({"/mnt/x", "cifs", c.in}), c.name) << c.in;
}

TEST(Places, HomeThenDrivesThenNetworkSharesFromTheMountTable) {
    test::TempFolder gvfs;
    std::filesystem::create_directory(gvfs / "smb-share:server=nas,share=music");
    std::filesystem::create_directory(gvfs / "sftp:host=backup.example.org,user=alice");

    PlaceSources sources{"/home/alice", "alice", kMountInfo, gvfs.Path()};
    const std::vector<Place> places = FindPlaces(sources);
    const std::vector<Place> expected = {
        {PlaceKind::Home, "ホーム", "/home/alice"},
        {PlaceKind::Drive, "/mnt", "/mnt"},
        {PlaceKind::Drive, "archive", "/mnt/archive"},
        {PlaceKind::Drive, "Backup", "/run/media/alice/Backup"},
        {PlaceKind::Drive, "USB DISK", "/media/alice/USB DISK"},
        {PlaceKind::Network, "backup.example.org", gvfs / "sftp:host=backup.example.org,user=alice"},
        {PlaceKind::Network, "home (fileserver)", "/srv/exports"},
        {PlaceKind::Network, "music (nas)", gvfs / "smb-share:server=nas,share=music"},
        {PlaceKind::Network, "photos (nas)", "/home/alice/nas"},
    };
    EXPECT_EQ(places, expected);

    // Another user's drives under /run/media are not this user's places; without GVfs there are no GVfs
    // shares; a file system in memory (/mnt/scratch) is never a place.
    sources.user = "bob";
    sources.gvfsFolder = gvfs / "missing";
    std::vector<std::string> paths;
    for (const Place& p : FindPlaces(sources))
        paths.push_back(p.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"/home/alice", "/mnt", "/mnt/archive", "/media/alice/USB DISK",
                                               "/srv/exports", "/home/alice/nas"}));
}

#include "shares/ShareAddress.h"

#include <gtest/gtest.h>

namespace hozonix::shares {
namespace {

TEST(ShareAddressTest, TypedAddressesNameTheShareAndTheFolderBelowIt) {
    auto unc = ParseShareAddress("\\\\nas\\photos\\2024 夏");
    ASSERT_TRUE(unc);
    EXPECT_EQ(unc->MountUri(), "smb://nas/photos");
    EXPECT_EQ(unc->Uri(), "smb://nas/photos/2024%20%E5%A4%8F");
    EXPECT_EQ(unc->ShareText(), "\\\\nas\\photos");

    auto url = ParseShareAddress("SMB://bob@nas:4450/my%20share/a/b/");
    ASSERT_TRUE(url);
    EXPECT_EQ(url->user, "bob");
    EXPECT_EQ(url->port, 4450);
    EXPECT_EQ(url->share, "my share");
    EXPECT_EQ(url->folder, "a/b");
    EXPECT_EQ(url->MountUri(), "smb://bob@nas:4450/my%20share");

    auto sftp = ParseShareAddress("sftp://me@host:2222/srv/backup");
    ASSERT_TRUE(sftp);
    EXPECT_EQ(sftp->MountUri(), "sftp://me@host:2222/");
    EXPECT_EQ(sftp->Uri(), "sftp://me@host:2222/srv/backup");
    EXPECT_EQ(ParseShareAddress("//nas:139/x")->port, 139);

    // Never taken as a local path, and never a way out of the share or a password in the settings file.
    EXPECT_TRUE(LooksLikeShareAddress("\\\\nas"));
    EXPECT_FALSE(LooksLikeShareAddress("/home/me/smb://x"));
    for (const char* bad : {"\\\\nas", "\\\\nas\\", "smb://nas", "smb:///share", "smb://nas:0/s",
                            "smb://nas:99999/s", "smb://u:pw@nas/s", "\\\\nas\\s\\..\\other",
                            "smb://nas/s/%2e%2e/x", "smb://nas/s/a%2Fb", "smb://nas/s/%zz"})
        EXPECT_FALSE(ParseShareAddress(bad)) << bad;
}

TEST(ShareAddressTest, AFolderInTheDesktopsShareFolderIsStoredAsItsShare) {
    const std::string gvfs = "/run/user/1000/gvfs";
    EXPECT_EQ(ShareAddressOfGvfsPath(gvfs + "/smb-share:server=nas,share=photos/2024", gvfs),
              "\\\\nas\\photos\\2024");
    EXPECT_EQ(
        ShareAddressOfGvfsPath(gvfs + "/smb-share:port=4450,server=127.0.0.1,share=my%20share", gvfs + "/"),
        "smb://127.0.0.1:4450/my%20share");
    EXPECT_EQ(ShareAddressOfGvfsPath(gvfs + "/sftp:host=srv,user=me/home/me", gvfs), "sftp://me@srv/home/me");
    // Each address reads back as the same share.
    auto back = ParseShareAddress(
        *ShareAddressOfGvfsPath(gvfs + "/smb-share:port=4450,server=h,share=a%20b/c d", gvfs));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Uri(), "smb://h:4450/a%20b/c%20d");

    EXPECT_FALSE(ShareAddressOfGvfsPath(gvfs, gvfs));
    EXPECT_FALSE(ShareAddressOfGvfsPath("/run/user/1000/gvfsother/smb-share:server=a,share=b", gvfs));
    EXPECT_FALSE(ShareAddressOfGvfsPath(gvfs + "/mtp:host=phone/DCIM", gvfs));
    EXPECT_FALSE(ShareAddressOfGvfsPath("/home/me", gvfs));
}

} // namespace
} // namespace hozonix::shares

// Runs that must know which destination they write to: a drive that is not mounted is refused, and a
// fast run is fast only onto the destination its profile's last complete run left.
#include "engine/DestinationDrive.h"
#include "engine/DestinationStamp.h"
#include "engine/EngineTexts.h"

#include "RunFixture.h"

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

using namespace hozonix;
using namespace hozonix::engine;
using namespace hozonix::test;

namespace {

constexpr int64_t Future = 4'000'000'000'000'000'000;

std::string RealPath(const std::string& path) {
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) != nullptr ? buf : path;
}

// A mountinfo line for a file system mounted at `point` (blanks escaped as the kernel does).
std::string MountLine(int id, const std::string& point) {
    std::string escaped;
    for (const char c : point)
        escaped += c == ' ' ? std::string("\\040") : std::string(1, c);
    return std::to_string(id) + " 1 8:1 / " + escaped + " rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
}

class DestinationTest : public RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        tables.fstab = dir / "fstab";
        tables.mountInfo = dir / "mountinfo";
        WriteFile(tables.fstab, "# static file system information\nUUID=1 / ext4 defaults 0 1\n");
        WriteFile(tables.mountInfo, MountLine(1, "/"));
        request.Mounts = tables;
    }
    MountTables tables;
};

TEST_F(DestinationTest, ADriveListedButNotMountedIsRefusedAndOneMountedIsNot) {
    const std::string drive = RealPath(dir / "my drive");
    mkdir(drive.c_str(), 0755);
    mkdir((drive + "/Backup").c_str(), 0755);
    WriteFile(tables.fstab, "UUID=1 / ext4 defaults 0 1\nLABEL=usb /media/x vfat noauto 0 0\n"
                            "LABEL=bak " +
                                std::string(drive).replace(drive.find(' '), 1, "\\040") +
                                " ext4 noauto,nofail 0 2\n");
    WriteFile(src + "/a.txt", "a");
    for (const std::string& folder : {drive, drive + "/Backup"}) {
        request.DestinationFolder = folder;
        EXPECT_EQ(Run(), 0);
        EXPECT_EQ(host.Texts("message"), Lines{texts::DriveNotMounted + folder});
        EXPECT_TRUE(result.DestinationMissing);
        EXPECT_EQ(ListFolder(drive), "Backup"); // nothing written, not even a stamp
        EXPECT_EQ(ListFolder(drive + "/Backup"), "");
        EXPECT_FALSE(PathExists(folder + "/" + OwnFolderName));
    }
    WriteFile(tables.mountInfo, MountLine(1, "/") + MountLine(2, drive));
    EXPECT_EQ(Run(), 1);
    EXPECT_FALSE(result.DestinationMissing);
    EXPECT_EQ(result.DestinationMount, drive);
}

TEST_F(DestinationTest, ADestinationWhoseDriveWentFromUnderItIsRefused) {
    const std::string usb = RealPath(dir / "usb");
    mkdir(usb.c_str(), 0755);
    request.DestinationFolder = usb;
    WriteFile(src + "/a.txt", "a");
    // The last complete run wrote onto a drive mounted at `usb`; now the folder lies on "/".
    request.LastRunMount = usb;
    request.LastRunToken = "0123456789abcdef0123456789abcdef";
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(host.Texts("message"), Lines{texts::DriveGone + usb});
    EXPECT_EQ(ListFolder(usb), "");
    EXPECT_FALSE(PathExists(usb + "/" + OwnFolderName));

    // A folder that holds that run's stamp is the same backup, wherever it lies now.
    const int fd = open(usb.c_str(), O_PATH | O_DIRECTORY);
    const std::string token = RenewStamp(fd, "");
    close(fd);
    ASSERT_FALSE(token.empty());
    request.LastRunToken = token;
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(result.DestinationMount, "/");
}

TEST_F(DestinationTest, AFastRunIsFastOnlyOntoTheDestinationItsLastCompleteRunLeft) {
    WriteFile(src + "/old.txt", "old");
    EXPECT_EQ(Run(), 1);
    const std::string first = result.RunToken;
    ASSERT_EQ(first.size(), 32u);
    EXPECT_NE(ReadFile(dst + "/" + OwnFolderName + "/" + StampFileName).find(first), std::string::npos);

    // Nothing changed and nothing written: the same token stays.
    request.LastRunToken = first;
    request.DateLimit = Future;
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(result.OtherDestination);
    EXPECT_EQ(result.RunToken, first);

    // Another drive at the same place (a new one, or the other of two used in turn) gets everything.
    rename(dst.c_str(), (dir / "first-drive").c_str());
    mkdir(dst.c_str(), 0755);
    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(result.OtherDestination);
    EXPECT_EQ(host.Texts("status").front(), texts::OtherDestination);
    const std::string second = result.RunToken;
    EXPECT_NE(second, first);

    // Back to the first drive: its stamp holds the first run's token, not the last one's.
    rename(dst.c_str(), (dir / "second-drive").c_str());
    rename((dir / "first-drive").c_str(), dst.c_str());
    request.LastRunToken = second;
    WriteFile(src + "/new.txt", "new");
    EXPECT_EQ(Run(), 1); // new.txt; old.txt was there
    EXPECT_TRUE(result.OtherDestination);

    // A run that did not complete leaves no token to remember.
    request.LastRunToken = result.RunToken;
    request.DateLimit = 0;
    host.onPending = [&](int) { host.RequestAbort(); };
    Run();
    EXPECT_EQ(result.RunToken, "");
}

} // namespace

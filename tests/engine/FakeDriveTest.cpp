// The fake drive that later tests use as an awkward destination: it must really behave like the drives
// it imitates, or those tests prove nothing.
#include "FakeDrive.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace hozonix::test;

namespace {

// A fresh backing folder mounted with `options`.
struct Mounted {
    explicit Mounted(std::vector<std::string> options)
        : drive(tmp / "backing", tmp / "drive", std::move(options)) {
        mkdir((tmp / "backing").c_str(), 0755);
        mkdir((tmp / "drive").c_str(), 0755);
        started = drive.Start(&whyNot);
    }
    std::string operator/(const std::string& name) const { return tmp / "drive" + "/" + name; }

    TempFolder tmp;
    FakeDrive drive;
    bool started = false;
    std::string whyNot;
};

int ErrorOf(int result) {
    return result < 0 ? errno : 0;
}

int OpenError(const std::string& path, int flags) {
    const int fd = open(path.c_str(), flags, 0644);
    if (fd < 0)
        return errno;
    close(fd);
    return 0;
}

TEST(FakeDriveTest, CoarseAndZeroTimes) {
    {
        Mounted fat({"--time-step=2000000000"});
        if (!fat.started)
            GTEST_SKIP() << fat.whyNot;
        WriteFile(fat / "f", "x");
        const timespec times[2] = {{3, 123456789}, {5, 987654321}};
        ASSERT_EQ(utimensat(AT_FDCWD, (fat / "f").c_str(), times, 0), 0) << strerror(errno);
        struct stat st {};
        ASSERT_EQ(stat((fat / "f").c_str(), &st), 0);
        EXPECT_EQ(st.st_atim.tv_sec, 2);
        EXPECT_EQ(st.st_atim.tv_nsec, 0);
        EXPECT_EQ(st.st_mtim.tv_sec, 4);
        EXPECT_EQ(st.st_mtim.tv_nsec, 0);
    }
    Mounted zero({"--times=zero"});
    ASSERT_TRUE(zero.started) << zero.whyNot;
    WriteFile(zero / "f", "x");
    const timespec times[2] = {{7, 0}, {7, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (zero / "f").c_str(), times, 0), 0) << strerror(errno);
    struct stat st {};
    ASSERT_EQ(stat((zero / "f").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 0);
    EXPECT_EQ(st.st_mtim.tv_nsec, 0);
}

TEST(FakeDriveTest, WindowsNamesNoLinksNoXattrs) {
    Mounted drive({"--case-blind", "--windows-names", "--no-links=EIO", "--no-xattrs"});
    if (!drive.started)
        GTEST_SKIP() << drive.whyNot;
    WriteFile(drive / "Readme.md", "text");
    EXPECT_EQ(ReadFile(drive.tmp / "backing/Readme.md"), "text");
    EXPECT_TRUE(PathExists(drive / "README.MD"));
    EXPECT_EQ(OpenError(drive / "readme.md", O_CREAT | O_EXCL | O_WRONLY), EEXIST);

    EXPECT_EQ(OpenError(drive / "a:b", O_CREAT | O_WRONLY), EINVAL);
    WriteFile(drive / "x.", "");
    EXPECT_TRUE(PathExists(drive.tmp / "backing/x"));
    EXPECT_FALSE(PathExists(drive.tmp / "backing/x."));

    EXPECT_EQ(ErrorOf(link((drive / "Readme.md").c_str(), (drive / "other").c_str())), EIO);
    EXPECT_EQ(ErrorOf(setxattr((drive / "Readme.md").c_str(), "user.test", "1", 1, 0)), ENOTSUP);
}

} // namespace

// A copy keeps what makes a file the same: its mode, owner, user attributes, ACL, holes and time, and
// nobody else can read it while it is written.
#include "engine/CopyFile.h"

#include "ChildProcess.h"
#include "RunFixture.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

using namespace hozonix;
using namespace hozonix::engine;
using namespace hozonix::test;

namespace {

constexpr int64_t Stamp = 1'650'000'000'123'456'789;
constexpr off_t SparseSize = 64 << 20;
constexpr char Acl[] = "system.posix_acl_access";

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// The value of the attribute `name`, or "-" when there is none.
std::string Attribute(const std::string& path, const char* name) {
    char value[512];
    const ssize_t n = lgetxattr(path.c_str(), name, value, sizeof value);
    return n < 0 ? "-" : std::string(value, static_cast<std::size_t>(n));
}

// 64 MiB with 64 KiB of data at the start and in the middle, holes elsewhere.
void MakeSparseFile(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path;
    std::string block(64 << 10, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>('a' + i % 251);
    for (const off_t at : {off_t{0}, SparseSize / 2})
        ASSERT_EQ(pwrite(fd, block.data(), block.size(), at), static_cast<ssize_t>(block.size()));
    ASSERT_EQ(ftruncate(fd, SparseSize), 0);
    close(fd);
}

// Where a file holds data and what: equal for two files with the same bytes and the same holes.
std::string DataMap(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::string map;
    for (off_t at = 0; fd >= 0 && (at = lseek(fd, at, SEEK_DATA)) >= 0;) {
        const off_t end = lseek(fd, at, SEEK_HOLE);
        if (end < at)
            return "unreadable";
        std::string bytes(static_cast<std::size_t>(end - at), '\0');
        if (pread(fd, bytes.data(), bytes.size(), at) != static_cast<ssize_t>(bytes.size()))
            bytes = "unreadable";
        map += std::to_string(at) + ":" + bytes;
        at = end;
    }
    if (fd >= 0)
        close(fd);
    return map;
}

// The mode of the named temporary file being written in `folder`; -1 when there is none.
int NamedTemporaryModeIn(const std::string& folder) {
    int mode = -1;
    DIR* d = opendir(folder.c_str());
    while (const dirent* e = readdir(d)) {
        struct stat st {};
        if (std::string(e->d_name).find(".hozonix-") != std::string::npos &&
            stat((folder + "/" + e->d_name).c_str(), &st) == 0)
            mode = static_cast<int>(st.st_mode & 07777);
    }
    closedir(d);
    return mode;
}

// True when this process holds an unnamed file of `folder` open ("<folder>/#<inode> (deleted)").
bool HoldsUnnamedFileIn(const std::string& folder) {
    bool held = false;
    DIR* d = opendir("/proc/self/fd");
    while (const dirent* e = readdir(d)) {
        char link[4096];
        const ssize_t n = readlink(("/proc/self/fd/" + std::string(e->d_name)).c_str(), link, sizeof link);
        held = held || (n > 0 && std::string(link, static_cast<std::size_t>(n)).rfind(folder + "/#", 0) == 0);
    }
    closedir(d);
    return held;
}

class MetadataTest : public RunFixture {
protected:
    // A file with a user attribute, an attribute only this machine's administrator may set, and an ACL.
    void MakeTaggedFile(const std::string& path) {
        WriteFile(path, "tagged");
        chmod(path.c_str(), 0640);
        if (setxattr(path.c_str(), "user.origin", "scanner", 7, 0) != 0)
            GTEST_SKIP() << "no user attributes on " << dir.Path();
        ASSERT_EQ(setxattr(path.c_str(), "trusted.note", "local", 5, 0), 0);
        if (std::system(("setfacl -m u:12345:r '" + path + "' 2>/dev/null").c_str()) != 0)
            GTEST_SKIP() << "no setfacl, or no ACLs on " << dir.Path();
    }
};

TEST_F(MetadataTest, ARunKeepsModeOwnerAttributesAclHolesAndTime) {
    if (geteuid() != 0)
        GTEST_SKIP() << "keeping the owner and setting trusted attributes need root";
    MakeFolder("secret");
    MakeFolder("open");
    chmod((src + "/secret").c_str(), 0700);
    chmod((src + "/open").c_str(), 0751);
    std::vector<std::string> files = {"secret/private.txt"};
    // Enough files that some are copied ahead on the second thread.
    for (int i = 0; i < 10; ++i)
        files.push_back("secret/p" + std::to_string(i));
    for (const std::string& f : files) {
        WriteFile(src + "/" + f, f);
        chmod((src + "/" + f).c_str(), 0600);
    }
    MakeSparseFile(src + "/secret/sparse.img");
    WriteFile(src + "/open/tool.sh", "#!/bin/sh\n");
    chmod((src + "/open/tool.sh").c_str(), 0755);
    MakeTaggedFile(src + "/open/tagged.txt");
    if (IsSkipped())
        return;
    WriteFile(src + "/open/owned", "theirs");
    ASSERT_EQ(chown((src + "/open/owned").c_str(), 12345, 12345), 0);
    chmod((src + "/open/owned").c_str(), 04750);
    files.insert(files.end(), {"secret/sparse.img", "open/tool.sh", "open/tagged.txt", "open/owned"});
    for (std::size_t i = 0; i < files.size(); ++i)
        SetWriteTime(src + "/" + files[i], Stamp + static_cast<int64_t>(i));

    ASSERT_EQ(Run(), static_cast<int>(files.size()));
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string copy = dst + "/" + files[i];
        EXPECT_EQ(ModeOf(copy), ModeOf(src + "/" + files[i])) << files[i];
        EXPECT_EQ(WriteTimeOf(copy), Stamp + static_cast<int64_t>(i)) << files[i];
    }
    EXPECT_EQ(ModeOf(dst + "/open/owned"), 04750u);
    struct stat owned {};
    ASSERT_EQ(stat((dst + "/open/owned").c_str(), &owned), 0);
    EXPECT_EQ(owned.st_uid, 12345u);
    EXPECT_EQ(owned.st_gid, 12345u);

    const std::string tagged = dst + "/open/tagged.txt";
    EXPECT_EQ(Attribute(tagged, "user.origin"), "scanner");
    EXPECT_EQ(Attribute(tagged, "trusted.note"), "-");
    EXPECT_NE(Attribute(tagged, Acl), "-");
    EXPECT_EQ(Attribute(tagged, Acl), Attribute(src + "/open/tagged.txt", Acl));
    EXPECT_EQ(Attribute(dst + "/open/tool.sh", Acl), "-");

    const std::string sparse = dst + "/secret/sparse.img";
    struct stat st {};
    ASSERT_EQ(stat(sparse.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, SparseSize);
    EXPECT_LE(st.st_blocks * 512, 1 << 20) << "the holes were filled in";
    EXPECT_TRUE(DataMap(sparse) == DataMap(src + "/secret/sparse.img"));

    EXPECT_EQ(ModeOf(dst + "/secret"), 0700u);
    EXPECT_EQ(ModeOf(dst + "/open"), 0751u);
}

TEST_F(MetadataTest, TheCopyIsPrivateUntilItHasItsName) {
    const std::string source = src + "/shared.bin";
    MakeFile(source, 3'000'000, 'm');
    chmod(source.c_str(), 0664); // wider than a new file gets under the usual umask
    // A new target is written into an unnamed file, which no other process can open; an existing one
    // into a named temporary file, readable by its owner alone until it has the target's name.
    for (const bool targetExists : {false, true}) {
        if (targetExists)
            WriteFile(dst + "/shared.bin", "previous");
        std::vector<int> modes;
        int unnamed = 0;
        host.onUpdate = [&](const RecordingHost::Call&) {
            modes.push_back(NamedTemporaryModeIn(dst));
            unnamed += HoldsUnnamedFileIn(dst) ? 1 : 0;
        };
        ASSERT_TRUE(CopyFileWithProgress(source, dst, 3'000'000, host));
        ASSERT_FALSE(modes.empty());
        const int expected = targetExists ? 0600 : -1;
        EXPECT_EQ(std::count(modes.begin(), modes.end(), expected), static_cast<long>(modes.size()))
            << "target exists: " << targetExists << ", first mode seen " << modes.front();
        EXPECT_EQ(unnamed, targetExists ? 0 : static_cast<int>(modes.size()));
        EXPECT_EQ(ModeOf(dst + "/shared.bin"), 0664u);
        EXPECT_EQ(ListFolder(dst), "shared.bin");
    }
}

TEST_F(MetadataTest, ASparseCopyCountsHolesAsDoneAndCanBeAborted) {
    const std::string source = src + "/sparse.img";
    MakeSparseFile(source);
    host.onPending = [&](int n) {
        if (n == 1)
            host.RequestAbort();
    };
    EXPECT_FALSE(CopyFileWithProgress(source, dst, SparseSize, host));
    EXPECT_EQ(ListFolder(dst), "");

    host.ClearAbortRequest();
    host.onPending = nullptr;
    host.calls.clear();
    ASSERT_TRUE(CopyFileWithProgress(source, dst, SparseSize, host));
    std::vector<int> positions;
    for (const RecordingHost::Call& c : host.Of("update"))
        positions.push_back(c.number);
    // One step for each block of data, then the hole up to the end.
    EXPECT_EQ(positions, (std::vector<int>{0, 50, 100}));
    EXPECT_EQ(host.Of("update").back().lower, "コピー済  67108.86 Kバイト/67108.86 Kバイト  100.0%");
    EXPECT_TRUE(DataMap(dst + "/sparse.img") == DataMap(source));
}

// A destination that keeps no extended attributes (a ramfs) gets the copy all the same, with its mode.
TEST_F(MetadataTest, ADestinationWithoutAttributesStillGetsTheCopy) {
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a ramfs needs root";
    MakeTaggedFile(src + "/tagged.txt");
    if (IsSkipped())
        return;
    SetWriteTime(src + "/tagged.txt", Stamp);
    const std::string mount = dir / "ram";
    mkdir(mount.c_str(), 0755);
    const int status = RunInChild([&] {
        if (unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("none", mount.c_str(), "ramfs", 0, nullptr) != 0)
            return 77;
        if (setxattr(mount.c_str(), "user.probe", "x", 1, 0) == 0)
            return 78;
        BackupRequest copy = request;
        copy.DestinationFolder = mount;
        RecordingHost quiet;
        PathList written, failed;
        if (RunBackup(copy, written, failed, quiet) != 1 || !failed.empty() ||
            !quiet.Texts("message").empty())
            return 2;
        const std::string target = mount + "/tagged.txt";
        if (ReadFile(target) != "tagged" || ModeOf(target) != 0640 || WriteTimeOf(target) != Stamp)
            return 3;
        return 0;
    });
    if (status == 77)
        GTEST_SKIP() << "no mount namespace or ramfs here";
    if (status == 78)
        GTEST_SKIP() << "this kernel's ramfs keeps user attributes";
    EXPECT_EQ(status, 0) << "2: the run failed or complained, 3: the copy is not the source's";
}

} // namespace

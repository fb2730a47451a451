// The settings file as it may be found on disk: changed behind the program's back, huge, a pipe or a
// device, read-only.

#include "base/AppError.h"
#include "base/AtomicFile.h"
#include "settings/IniFile.h"
#include "settings/ProfileList.h"

#include "ChildProcess.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace hozonix;
using hozonix::test::Nobody;
using hozonix::test::ReadFile;
using hozonix::test::RunInChild;
using hozonix::test::TempFolder;
using hozonix::test::WriteFile;

namespace {

class SettingsFileSafetyTest : public ::testing::Test {
protected:
    TempFolder dir;
    std::string path = dir / "hozonix.ini";

    // The message of the AppError `fn` raises, or "" when it raises none.
    template <typename Fn> static std::string ErrorOf(Fn fn) {
        try {
            fn();
        } catch (const AppError& e) {
            return e.what();
        }
        return "";
    }
};

TEST_F(SettingsFileSafetyTest, EveryChangeShowsToEveryLaterRead) {
    IniFile reader(path), writer(path);
    EXPECT_EQ(reader.ReadIniString("A", "k"), "");
    writer.WriteIniString("A", "k", "one");
    EXPECT_EQ(reader.ReadIniString("A", "k"), "one");
    // Two writes of the same length through another object, read at once: the stamp may not change
    // between them, the reader must still see the last.
    for (const char* value : {"two", "six", "ten"}) {
        writer.WriteIniString("A", "k", value);
        EXPECT_EQ(reader.ReadIniString("A", "k"), value);
    }
    // Edited in place by someone else, same size, same inode.
    WriteFile(path, "[A]\nk=red\n");
    EXPECT_EQ(reader.ReadIniString("a", "K"), "red");
    WriteFile(path, "[A]\nk=blu\n");
    EXPECT_EQ(reader.ReadIniString("A", "k"), "blu");
    // Written by another process.
    ASSERT_EQ(RunInChild([&] {
                  IniFile other(path);
                  other.WriteIniString("A", "k", "from child");
                  return 0;
              }),
              0);
    EXPECT_EQ(reader.ReadIniString("A", "k"), "from child");
    ASSERT_EQ(unlink(path.c_str()), 0);
    EXPECT_EQ(reader.ReadString("A", "k", "gone"), "gone");
}

TEST_F(SettingsFileSafetyTest, PaddedFileIsParsedOnceForTheWholeProfileList) {
    ProfileList list;
    for (int i = 1; i <= 20; ++i) {
        list.ProfileNames.push_back("P" + std::to_string(i));
        list.ProfileDetails.push_back("/src" + std::to_string(i) + ">>/dst>><<");
    }
    IniFile ini(path);
    SaveProfileList(ini, list);
    // Nearly the largest file accepted, nearly all of it empty lines: read 61 times over, this took
    // minutes; read once, well under a second.
    std::string padded = ReadFile(path) + std::string(kMaxTextFileBytes - 4096, '\n') + "[Tail]\nk=v\n";
    WriteFile(path, padded);
    const auto start = std::chrono::steady_clock::now();
    ProfileList loaded;
    LoadProfileList(ini, loaded);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(loaded.ProfileNames, list.ProfileNames);
    EXPECT_EQ(ini.ReadIniString("tail", "k"), "v");
    EXPECT_LT(seconds, 10.0);
}

TEST_F(SettingsFileSafetyTest, OversizedAndSpecialFilesAreRefusedWithoutBlocking) {
    // Over the limit: refused on reading and on writing, the file untouched.
    const std::string big = "[A]\nk=v\n" + std::string(kMaxTextFileBytes, ';');
    WriteFile(path, big);
    IniFile ini(path);
    std::string error = ErrorOf([&] { ini.ReadIniString("A", "k"); });
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("File too large"), std::string::npos) << error;
    EXPECT_NE(ErrorOf([&] { ini.WriteIniString("A", "k", "w"); }), "");
    EXPECT_EQ(ReadFile(path), big);

    // A pipe without a writer would block an ordinary open for ever; a device would be read for ever.
    const std::string fifo = dir / "fifo.ini", zero = dir / "zero.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
    for (const std::string& special : {fifo, zero}) {
        IniFile file(special);
        error = ErrorOf([&] { file.ReadIniInteger("A", "k"); });
        EXPECT_NE(error.find(special + ": Not a regular file"), std::string::npos) << error;
        EXPECT_NE(ErrorOf([&] { file.WriteIniInteger("A", "k", 1); }), "") << special;
        std::string bytes;
        EXPECT_EQ(ReadWholeFile(special, bytes), kNotRegularFile);
    }
    struct stat st {};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // Each kind of file has its own limit.
    std::string bytes;
    WriteFile(path, std::string(100, 'x'));
    EXPECT_EQ(ReadWholeFile(path, bytes, 99), EFBIG);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(ReadWholeFile(path, bytes, 100), 0);
    EXPECT_EQ(bytes.size(), 100u);
    EXPECT_EQ(ReadWholeFile(dir.Path(), bytes), EISDIR);
}

// Expects a write to the read-only file to fail with the platform's permission text and leave the file
// and folder as they were. Returns false on any difference, for use in a child process.
bool WriteIsRefused(const std::string& folder, const std::string& path) {
    const std::string before = ReadFile(path);
    IniFile ini(path);
    std::string error;
    try {
        ini.WriteIniString("A", "k", "changed");
    } catch (const AppError& e) {
        error = e.what();
    }
    std::string bytes;
    const bool untouched = ReadWholeFile(path, bytes) == 0 && bytes == before;
    bool noTemporary = true;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            noTemporary = noTemporary && std::string_view(e->d_name).find(".tmp") == std::string_view::npos;
        closedir(d);
    }
    return error == path + ": Permission denied" && untouched && noTemporary;
}

TEST_F(SettingsFileSafetyTest, ReadOnlyFileIsNeverReplaced) {
    WriteFile(path, "[A]\nk=v\n");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    // Whoever runs the test, root included: no write bit for the owner keeps the file.
    EXPECT_TRUE(WriteIsRefused(dir.Path(), path));
    EXPECT_EQ(IniFile(path).ReadIniString("A", "k"), "v");

    if (geteuid() != 0) {
        GTEST_SKIP() << "not root: the check as another user needs root to change user";
    }
    // As an unprivileged user in a folder it may write: the rename would succeed, the write must not.
    const std::string other = dir / "nobody.ini";
    WriteFile(other, "[A]\nk=v\n");
    ASSERT_EQ(chown(dir.Path().c_str(), Nobody, Nobody), 0);
    ASSERT_EQ(chown(path.c_str(), Nobody, Nobody), 0);
    ASSERT_EQ(chmod(other.c_str(), 0644), 0); // writable by root only
    const int status = RunInChild(
        [&] { return WriteIsRefused(dir.Path(), path) && WriteIsRefused(dir.Path(), other) ? 0 : 1; },
        Nobody);
    EXPECT_EQ(status, 0);
}

} // namespace

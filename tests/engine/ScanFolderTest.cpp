#include "engine/ScanFolder.h"

#include "EngineFiles.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace hozonix::engine;
using namespace hozonix::test;

namespace {

std::vector<std::string> Paths(const FileList& list) {
    std::vector<std::string> out;
    for (const FileEntry& e : list)
        out.push_back(e.path);
    return out;
}

class ScanFolderTest : public ::testing::Test {
protected:
    std::vector<std::string> Scan(const std::string& folder, int64_t limit = 0, bool recursive = true) {
        FileList list;
        ScanFolder(folder, list, recursive, limit);
        return Paths(list);
    }
    TempFolder dir;
};

TEST_F(ScanFolderTest, PostOrderAtEveryLevelWithOrWithoutTrailingSlash) {
    const std::string s = dir / "S";
    mkdir(s.c_str(), 0755);
    mkdir((s + "/sub").c_str(), 0755);
    mkdir((s + "/sub/deep").c_str(), 0755);
    mkdir((s + "/empty").c_str(), 0755);
    mkdir((s + "/empty/inner").c_str(), 0755);
    WriteFile(s + "/a.txt", "a");
    WriteFile(s + "/sub/b.txt", "bb");
    WriteFile(s + "/sub/deep/c.txt", "ccc");
    WriteFile(s + "/empty/inner/d.txt", "d");

    const std::vector<std::string> plain = Scan(s);
    ASSERT_EQ(plain.size(), 4u);
    auto pos = [&](const std::string& p) { return std::find(plain.begin(), plain.end(), p) - plain.begin(); };
    EXPECT_LT(pos(s + "/sub/deep/c.txt"), pos(s + "/sub/b.txt"));
    EXPECT_LT(pos(s + "/sub/b.txt"), pos(s + "/a.txt"));
    EXPECT_LT(pos(s + "/empty/inner/d.txt"), pos(s + "/a.txt"));
    EXPECT_EQ(plain.back(), s + "/a.txt");
    EXPECT_EQ(Scan(s + "/"), plain);

    EXPECT_EQ(Scan(s, 0, false), std::vector<std::string>{s + "/a.txt"});
    FileList sized;
    ScanFolder(s, sized, true, 0);
    for (const FileEntry& e : sized)
        EXPECT_EQ(e.size, SizeOf(e.path)) << e.path;

    // Appends to what the list already holds.
    FileList list;
    list.push_back({"/already/there", 1, 0});
    ScanFolder(s, list, true, 0);
    EXPECT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].path, "/already/there");
    EXPECT_TRUE(Scan(dir / "missing").empty());
}

TEST_F(ScanFolderTest, HiddenSpecialAndLoopingEntriesAreLeftOut) {
    const std::string s = dir / "S";
    mkdir(s.c_str(), 0755);
    mkdir((s + "/.hidden").c_str(), 0755);
    mkdir((s + "/real").c_str(), 0755);
    WriteFile(s + "/.dotfile", "x");
    WriteFile(s + "/.hidden/inside.txt", "x");
    WriteFile(s + "/real/r.txt", "x");
    WriteFile(s + "/kept.txt", "x");
    ASSERT_EQ(mkfifo((s + "/pipe").c_str(), 0644), 0);
    ASSERT_EQ(symlink("pipe", (s + "/link-to-pipe").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (s + "/dangling").c_str()), 0);
    ASSERT_EQ(symlink("kept.txt", (s + "/link-to-file").c_str()), 0);
    ASSERT_EQ(symlink("..", (s + "/real/up").c_str()), 0);  // a cycle through the parent
    ASSERT_EQ(symlink(".", (s + "/real/self").c_str()), 0); // and through itself
    ASSERT_EQ(symlink((dir / "T").c_str(), (s + "/outside").c_str()), 0);
    mkdir((dir / "T").c_str(), 0755);
    WriteFile(dir / "T/t.txt", "x");
    int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = s + "/sock";
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    std::copy(sockPath.begin(), sockPath.end(), addr.sun_path);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    std::vector<std::string> found = Scan(s); // a FIFO opened for reading would hang here
    close(sock);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{s + "/kept.txt", s + "/link-to-file", s + "/outside/t.txt",
                                               s + "/real/r.txt"}));
}

TEST_F(ScanFolderTest, DateLimitComparesAtFullResolution) {
    const std::string s = dir / "S";
    mkdir(s.c_str(), 0755);
    // An odd second after the files' change times, so that their write times alone decide.
    const int64_t base = 4'000'000'001'000'000'000;
    WriteFile(s + "/same.txt", "x");
    WriteFile(s + "/later-by-1ns.txt", "x");
    WriteFile(s + "/later-by-1s.txt", "x");
    WriteFile(s + "/earlier.txt", "x");
    SetWriteTime(s + "/same.txt", base);
    SetWriteTime(s + "/later-by-1ns.txt", base + 1);
    SetWriteTime(s + "/later-by-1s.txt", base + 1'000'000'000);
    SetWriteTime(s + "/earlier.txt", base - 1);

    std::vector<std::string> found = Scan(s, base);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{s + "/later-by-1ns.txt", s + "/later-by-1s.txt"}));
    EXPECT_EQ(Scan(s, 0).size(), 4u);

    FileList list;
    ScanFolder(s, list, false, base);
    for (const FileEntry& e : list)
        EXPECT_EQ(e.writeTime, WriteTimeOf(e.path));
}

TEST_F(ScanFolderTest, NamesAreKeptByteExact) {
    const std::string s = dir / "S";
    mkdir(s.c_str(), 0755);
    const std::string latin1 = s + "/caf\xe9 \xff.txt"; // not UTF-8
    const std::string japanese = s + "/日本語 ファイル.txt";
    const std::string upper = s + "/Name";
    const std::string lower = s + "/name";
    for (const std::string& p : {latin1, japanese})
        WriteFile(p, "x");
    mkdir(upper.c_str(), 0755);
    mkdir(lower.c_str(), 0755);
    WriteFile(upper + "/1", "x");
    WriteFile(lower + "/2", "x");
    std::vector<std::string> found = Scan(s);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{upper + "/1", latin1, lower + "/2", japanese}));
}

// One walk, the plain way: the order a tree shared out between threads must come out in.
void WalkInOrder(const std::string& folder, std::vector<std::pair<dev_t, ino_t>> walk,
                 std::vector<std::string>& out) {
    struct stat self {};
    DIR* d = opendir(folder.c_str());
    if (d == nullptr || stat(folder.c_str(), &self) != 0)
        return;
    walk.emplace_back(self.st_dev, self.st_ino);
    std::vector<std::string> own, subfolders;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        struct stat st {};
        if (name[0] == '.' || stat((folder + "/" + name).c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            subfolders.push_back(name);
        else if (S_ISREG(st.st_mode))
            own.push_back(folder + "/" + name);
    }
    closedir(d);
    for (const std::string& name : subfolders) {
        struct stat st {};
        stat((folder + "/" + name).c_str(), &st);
        if (std::find(walk.begin(), walk.end(), std::make_pair(st.st_dev, st.st_ino)) == walk.end())
            WalkInOrder(folder + "/" + name, walk, out);
    }
    out.insert(out.end(), own.begin(), own.end());
}

TEST_F(ScanFolderTest, TreesWalkedByTwoThreadsComeOutInTheOrderOfOneWalk) {
    // Few folders near the top, so the tree is cut a few levels down; files at every level; links to
    // folders inside, outside and above.
    const std::string s = dir / "S";
    mkdir(s.c_str(), 0755);
    mkdir((dir / "outside").c_str(), 0755);
    WriteFile(dir / "outside/o.txt", "o");
    std::vector<std::string> level{s};
    for (int depth = 0; depth < 5; ++depth) {
        std::vector<std::string> below;
        for (const std::string& folder : level) {
            for (int f = 0; f < 3; ++f)
                WriteFile(folder + "/f" + std::to_string(f), "x");
            for (int k = 0; k < (depth < 2 ? 2 : 3); ++k) {
                below.push_back(folder + "/d" + std::to_string(depth) + std::to_string(k));
                mkdir(below.back().c_str(), 0755);
            }
        }
        level = below;
    }
    ASSERT_EQ(symlink(s.c_str(), (s + "/d00/up").c_str()), 0);
    ASSERT_EQ(symlink((dir / "outside").c_str(), (s + "/d01/d11/out").c_str()), 0);
    ASSERT_EQ(symlink((s + "/d00/d10").c_str(), (s + "/d01/across").c_str()), 0);
    mkdir((s + "/d01/.hidden").c_str(), 0755);
    WriteFile(s + "/d01/.hidden/h", "x");
    // A folder whose listing takes several reads from the kernel.
    for (int i = 0; i < 1500; ++i)
        WriteFile(s + "/d00/d10/" + std::string(100, 'n') + std::to_string(i), "x");

    std::vector<std::string> expected;
    WalkInOrder(s, {}, expected);
    ASSERT_GT(expected.size(), 200u);
    EXPECT_EQ(Scan(s), expected);
    std::vector<std::string> part;
    WalkInOrder(s + "/d01", {}, part);
    EXPECT_EQ(Scan(s + "/d01/"), part);
}

TEST_F(ScanFolderTest, TheCallerIsAskedNowAndThenAndCanStopTheScan) {
    const std::string s = dir / "S";
    mkdir(s.c_str(), 0755);
    for (int f = 0; f < 4; ++f) {
        const std::string folder = s + "/f" + std::to_string(f);
        mkdir(folder.c_str(), 0755);
        for (int i = 0; i < 500; ++i)
            WriteFile(folder + "/" + std::to_string(i), "");
    }
    const std::thread::id caller = std::this_thread::get_id();
    for (const int stopAt : {0, 2}) {
        int asked = 0;
        bool elsewhere = false;
        ScanOptions options;
        options.pollInterval = std::chrono::milliseconds(0);
        options.keepGoing = [&] {
            elsewhere = elsewhere || std::this_thread::get_id() != caller;
            return stopAt == 0 || ++asked < stopAt;
        };
        FileList list;
        ScanFolder(s, list, options);
        EXPECT_FALSE(elsewhere);
        if (stopAt == 0)
            EXPECT_EQ(list.size(), 2000u);
        else
            EXPECT_LT(list.size(), 2000u);
        EXPECT_EQ(asked, stopAt);
    }
}

int64_t Now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts.tv_sec * 1'000'000'000LL + ts.tv_nsec;
}

TEST_F(ScanFolderTest, EverythingBelowAFolderMovedOrRenamedSinceTheLimitIsTaken) {
    // Old files in a tree a few levels deep, so that both the split of the top levels and the walk of a
    // subtree meet the moved folder.
    const std::string s = dir / "S";
    for (const char* folder : {"", "/p", "/p/x", "/p/x/d1", "/p/x/d1/d2", "/q", "/q/r"})
        mkdir((s + folder).c_str(), 0755);
    const std::string outside = dir / "Downloads";
    mkdir(outside.c_str(), 0755);
    mkdir((outside + "/photos").c_str(), 0755);
    for (const std::string& file :
         {s + "/p/f3", s + "/p/x/d1/d2/f1", s + "/q/f2", s + "/q/r/f4", outside + "/photos/img"}) {
        WriteFile(file, "old");
        SetWriteTime(file, 1'000'000'000'000'000'000);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // past the coarse clock's tick
    const int64_t limit = Now();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(rename((s + "/p/x").c_str(), (s + "/p/y").c_str()), 0);
    ASSERT_EQ(rename((outside + "/photos").c_str(), (s + "/q/r/photos").c_str()), 0);

    std::vector<std::string> found = Scan(s, limit);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{s + "/p/f3", s + "/p/y/d1/d2/f1", s + "/q/r/f4",
                                               s + "/q/r/photos/img"}));
}

TEST_F(ScanFolderTest, LinksThatLeadOutToAWholeSystemAreNotEntered) {
    const std::string s = dir / "S";
    for (const char* folder : {"", "/wine", "/wine/dosdevices", "/real"})
        mkdir((s + folder).c_str(), 0755);
    const std::string music = dir / "Music";
    mkdir(music.c_str(), 0755);
    WriteFile(music + "/song.mp3", "m");
    WriteFile(s + "/real/r.txt", "r");
    symlink("/", (s + "/wine/dosdevices/z:").c_str());
    symlink(dir.Path().c_str(), (s + "/up").c_str());
    symlink("/sys/kernel", (s + "/kernel").c_str());
    symlink("/proc/self", (s + "/me").c_str());
    symlink(music.c_str(), (s + "/music").c_str());

    FileList list;
    std::vector<std::string> links;
    ScanOptions options;
    options.linksNotEntered = &links;
    ScanFolder(s, list, options);
    std::vector<std::string> found = Paths(list);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{s + "/music/song.mp3", s + "/real/r.txt"}));
    std::sort(links.begin(), links.end());
    EXPECT_EQ(links,
              (std::vector<std::string>{s + "/kernel", s + "/me", s + "/up", s + "/wine/dosdevices/z:"}));
}

} // namespace

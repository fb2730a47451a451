// hozonix-run --verify as a real process: the differences with their reasons, and the exit status.
#include "RunnerTestFixture.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace hozonix::test {

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(RunnerTest, VerifyListsEachCopyThatDiffersAndExitsWithOne) {
    StoreProfile();
    WriteFile(src + "/a.txt", "same");
    WriteFile(src + "/b.txt", "bytes");
    ASSERT_EQ(Run({"--careful", "Docs"}).status, 0);

    ProcessResult r = Run({"--verify", "Docs"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "Docs: checked 2, differing 0")) << r.out;

    // Other bytes under the same size and time: only reading the copy tells.
    struct stat st {};
    ASSERT_EQ(stat((dst + "/b.txt").c_str(), &st), 0);
    WriteFile(dst + "/b.txt", "bytez");
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, (dst + "/b.txt").c_str(), times, 0), 0);
    r = Run({"--verify", "Docs"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Contains(r.out, "Differences (1):\n  " + src +
                                    "/b.txt (内容が異なります（サイズと更新日時は同じです）)\n"))
        << r.out;
    EXPECT_TRUE(Contains(r.out, "Docs: checked 2, differing 1")) << r.out;

    // A destination that is not there is no backup that matches.
    std::filesystem::remove_all(dst);
    r = Run({"--verify", "Docs"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(Contains(r.err, "コピー先のディレクトリが存在しません")) << r.err;
}

} // namespace hozonix::test

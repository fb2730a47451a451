// hozonix-run --restore as a real process, on a backup whose history is made by hand.

#include "engine/History.h"

#include "RunnerTestFixture.h"

#include <ctime>
#include <filesystem>

namespace hozonix::test {

namespace {

constexpr std::time_t Base = 1'700'000'000;

std::string LocalText(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
    return text;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

void Put(const std::string& path, const std::string& content, std::time_t time) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteFile(path, content);
    SetWriteTime(path, time);
}

} // namespace

TEST_F(RunnerTest, RestoreAsOfAMomentAndItsExitStatus) {
    StoreProfile();
    Put(dst + "/.hozonix/history/" + engine::HistoryRunName(Base + 1000) + "/docs/a.txt", "first",
        Base + 100);
    Put(dst + "/.hozonix/history/" + engine::HistoryRunName(Base + 2000) + "/docs/a.txt", "second",
        Base + 900);
    Put(dst + "/docs/a.txt", "latest", Base + 1900);
    Put(dst + "/docs/b.txt", "b", Base + 10);

    // As of a moment between the two runs, to the original place, by an absolute path.
    ProcessResult r = Run({"--restore", "docs", "--as-of", LocalText(Base + 1500), src + "/docs/a.txt"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(src + "/docs/a.txt"), "second");
    EXPECT_FALSE(PathExists(src + "/docs/b.txt"));
    EXPECT_TRUE(Contains(r.out, "Restored files (1):\n  " + src + "/docs/a.txt\n")) << r.out;

    // A date alone is the end of that day; another folder; a dry run there writes nothing.
    const std::string other = dir / "other";
    r = Run({"--restore=Docs", "--dry-run", "--to", other, "--as-of", LocalText(Base + 500).substr(0, 10)});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(PathExists(other));
    EXPECT_TRUE(Contains(r.out, "Docs: would restore 2")) << r.out;
    r = Run(
        {"--restore=Docs", "--to=" + other, "--as-of=" + LocalText(Base + 500).replace(10, 1, "T"), "docs"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(other + "/docs/a.txt"), "first");
    EXPECT_EQ(ReadFile(other + "/docs/b.txt"), "b");

    // The original place now holds an edit newer than the latest copy: nobody is asked, it stays.
    Put(src + "/docs/a.txt", "edited", Base + 5000);
    r = Run({"--restore", "Docs", "docs"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(ReadFile(src + "/docs/a.txt"), "edited");
    EXPECT_EQ(ReadFile(src + "/docs/b.txt"), "b");
    EXPECT_TRUE(Contains(r.out, "Skipped files (1):\n  " + src + "/docs/a.txt (")) << r.out;

    // Usage errors.
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--restore", "Nobody"},
                                                 {"--restore", "Docs", "--as-of", "2026-02-30"},
                                                 {"--restore", "Docs", "/elsewhere/a.txt"},
                                                 {"Docs", "--as-of", "2026-01-01"},
                                                 {"--restore", "Docs", "--all"}}) {
        r = Run(args);
        EXPECT_EQ(r.status, 2) << args.back() << "\n" << r.out;
    }
}

} // namespace hozonix::test

#include "runner/RunnerOptions.h"

#include <gtest/gtest.h>

#include <ctime>

namespace hozonix::runner {

TEST(RunnerOptions, RestoreTakesAMomentAFolderAndPaths) {
    const ParsedOptions p = ParseRunnerOptions(
        {"--restore", "Docs", "a/b.txt", "--as-of", "2026-12-09", "--to=/t", "-n", "/s/c"});
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.options.mode, RunnerOptions::Mode::Restore);
    EXPECT_EQ(p.options.restoreProfile, "Docs");
    EXPECT_EQ(p.options.restorePaths, (std::vector<std::string>{"a/b.txt", "/s/c"}));
    EXPECT_EQ(p.options.restoreTarget, "/t");
    EXPECT_TRUE(p.options.dryRun);

    // A date alone is the last moment of that day, local time; a minute its last second.
    std::tm next{};
    next.tm_year = 2026 - 1900;
    next.tm_mon = 11;
    next.tm_mday = 10;
    next.tm_isdst = -1;
    EXPECT_EQ(p.options.asOf, static_cast<int64_t>(mktime(&next)) * 1'000'000'000 - 1);
    EXPECT_EQ(ParseMoment("2026-12-09 21:16"), ParseMoment("2026-12-09T21:16:59"));
    EXPECT_LT(ParseMoment("2026-12-09 21:16:58"), ParseMoment("2026-12-09 21:16:59"));
    for (const char* wrong : {"2026-02-29", "2026-13-01", "2026-12-09 24:00", "2026-12-9",
                              "2026-12-09 21:16:5x", "2026/12/09", "2026-12-09_21:16"})
        EXPECT_FALSE(ParseMoment(wrong).has_value()) << wrong;
}

} // namespace hozonix::runner

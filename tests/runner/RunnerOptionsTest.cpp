#include "runner/RunnerOptions.h"

#include <gtest/gtest.h>

namespace hozonix::runner {

using Mode = RunnerOptions::Mode;

TEST(RunnerOptions, AcceptedCommandLines) {
    struct Case {
        std::vector<std::string> args;
        Mode mode;
        std::vector<std::string> profiles;
        bool careful, dryRun, quiet;
        std::optional<int64_t> threshold;
        std::string output, settings;
    };
    const Case cases[] = {
        {{"Docs"}, Mode::Run, {"Docs"}, false, false, false, {}, "", ""},
        {{"Docs", "--dry-run", "Photos"}, Mode::Run, {"Docs", "Photos"}, false, true, false, {}, "", ""},
        {{"-cnq", "-t", "5000000000", "A"}, Mode::Run, {"A"}, true, true, true, 5'000'000'000, "", ""},
        {{"--threshold=0", "--output", "/o", "--settings=/s.ini", "A"},
         Mode::Run,
         {"A"},
         false,
         false,
         false,
         0,
         "/o",
         "/s.ini"},
        {{"--all", "--careful"}, Mode::RunAll, {}, true, false, false, {}, "", ""},
        {{"-l", "-s", "x.ini"}, Mode::List, {}, false, false, false, {}, "", "x.ini"},
        {{"--", "-odd name"}, Mode::Run, {"-odd name"}, false, false, false, {}, "", ""},
        {{"--help", "--bogus"}, Mode::Help, {}, false, false, false, {}, "", ""},
        {{"-V"}, Mode::Version, {}, false, false, false, {}, "", ""},
    };
    for (const Case& c : cases) {
        const ParsedOptions p = ParseRunnerOptions(c.args);
        SCOPED_TRACE(c.args.front());
        ASSERT_EQ(p.error, "");
        EXPECT_EQ(p.options.mode, c.mode);
        EXPECT_EQ(p.options.profiles, c.profiles);
        EXPECT_EQ(p.options.careful, c.careful);
        EXPECT_EQ(p.options.dryRun, c.dryRun);
        EXPECT_EQ(p.options.quiet, c.quiet);
        EXPECT_EQ(p.options.threshold, c.threshold);
        EXPECT_EQ(p.options.outputFolder, c.output);
        EXPECT_EQ(p.options.settingsFile, c.settings);
    }
}

TEST(RunnerOptions, UsageErrors) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "no profile given: name one or more profiles, or use --all or --list"},
        {{"--careful"}, "no profile given: name one or more profiles, or use --all or --list"},
        {{"--all", "Docs"}, "give either profile names or --all, not both"},
        {{"--list", "Docs"}, "--list takes no profile names and no --all"},
        {{"--frobnicate", "Docs"}, "unknown option: --frobnicate"},
        {{"-x", "Docs"}, "unknown option: -x"},
        {{"Docs", "--threshold"}, "option needs a value: --threshold"},
        {{"Docs", "-t"}, "option needs a value: -t"},
        {{"-t", "-5", "Docs"}, "the threshold must be a number of bytes: '-5'"},
        {{"-t", "99999999999999999999", "Docs"},
         "the threshold must be a number of bytes: '99999999999999999999'"},
        {{"--settings=", "Docs"}, "--settings needs a folder or file name"},
        {{"Docs", ""}, "an empty profile name was given"},
        {{"--verify", "--list"}, "--verify takes profile names or --all, not --list"},
        {{"--verify", "--careful", "Docs"},
         "--verify only reads: it takes no --careful, --dry-run, --keep-going, --threshold or --output"},
    };
    for (const auto& [args, error] : cases)
        EXPECT_EQ(ParseRunnerOptions(args).error, error);
    const ParsedOptions verify = ParseRunnerOptions({"--all", "--verify"});
    EXPECT_EQ(verify.error, "");
    EXPECT_TRUE(verify.options.verify);
    EXPECT_EQ(verify.options.mode, Mode::RunAll);
}

} // namespace hozonix::runner

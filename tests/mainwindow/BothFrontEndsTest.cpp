// One scenario through the desktop window and through hozonix-run: both run a stored profile the same
// way, so they leave the same record of it in the settings file.
#include "MainWindowFixture.h"

#include "RunnerProcess.h"

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

using namespace hozonix;
using namespace hozonix::test;

namespace {

// The sections that record runs, with the moments and the destination stamps' tokens put as
// placeholders: those are the only values two runs may differ in.
std::string RunRecords(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream kept;
    bool keep = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.starts_with("["))
            keep =
                line == "[LAST_UpDateTime]" || line == "[HOZONIX_LastRun]" || line == "[HOZONIX_Destination]";
        if (keep)
            kept << line << "\n";
    }
    std::string text =
        std::regex_replace(kept.str(), std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)"), "<time>");
    text = std::regex_replace(text, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)"), "<instant>");
    text = std::regex_replace(text, std::regex(R"([0-9a-f]{16,})"), "<token>");
    return text;
}

} // namespace

TEST_F(MainWindowTest, TheWindowAndTheRunnerLeaveTheSameRecordOfTheSameRuns) {
    namespace fs = std::filesystem;
    StoreProfiles({"Docs", "Ärger", "docs2"});
    const std::string runnerSettings = dir / "runner/hozonix.ini";
    fs::create_directories(dir / "runner");
    fs::create_directories(dir / "run");
    fs::copy_file(ini.Path(), runnerSettings);
    const auto prepare = [&] {
        for (const char* folder : {"src0", "src1", "src2", "dst0", "dst1", "dst2"}) {
            fs::remove_all(dir / folder);
            fs::create_directories(dir / folder);
        }
        WriteFile(dir / "src0/a.txt", "a");
        WriteFile(dir / "src2/b.txt", "b");
    };

    prepare();
    mainwindow::MainWindowServices s = Services();
    s.RunBackup = [](const engine::BackupRequest& r, engine::PathList& u, engine::PathList& f,
                     engine::RunHost& h,
                     engine::BackupResult& result) { return engine::RunBackup(r, u, f, h, &result); };
    s.Now = [] { return std::time(nullptr); };
    Open(std::move(s));
    // Names as a person may type them: letter case aside, each names one profile.
    for (const char* name : {"DOCS", "äRGER", "Docs2"})
        window->RunChosenProfile(name);
    ASSERT_TRUE(messages.shown.empty()) << LastMessage();

    prepare();
    const ProcessResult r = RunRunner({"--settings", runnerSettings, "DOCS", "äRGER", "Docs2"}, dir / "run");
    ASSERT_EQ(r.status, 0) << r.err;

    const std::string window = RunRecords(ini.Path());
    EXPECT_NE(window.find("Docs=<time>"), std::string::npos) << window;
    EXPECT_EQ(window.find("Ärger=<time>"), std::string::npos) << window; // it wrote nothing
    EXPECT_EQ(window, RunRecords(runnerSettings));
}

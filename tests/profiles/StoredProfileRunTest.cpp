// The run of one stored profile with a scripted host: what is stored after which kind of run.

#include "profiles/StoredProfileRun.h"

#include "settings/HistorySettings.h"
#include "settings/IniFile.h"
#include "settings/LastRunRecord.h"
#include "settings/StoredDateTime.h"
#include "settings/StoredNames.h"

#include "RecordingHost.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace hozonix::profiles {

namespace {

using test::ReadFile;
using test::WriteFile;

class ProfileRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        mkdir(src.c_str(), 0755);
        mkdir(dst.c_str(), 0755);
        list.ProfileNames = {"Docs"};
        list.ProfileDetails = {src + ">>" + dst + ">><<"};
        WriteFile(src + "/a.txt", "a");
        WriteFile(src + "/b.txt", "b");
    }

    ProfileOutcome Run(const RunChoices& choices) {
        ProfileOutcome outcome;
        RunStoredProfile(settings, list, 0, choices, host, outcome, Start);
        return outcome;
    }
    static RunChoices Careful(bool dryRun = false, std::optional<int64_t> threshold = std::nullopt) {
        RunChoices choices;
        choices.careful = true;
        choices.dryRun = dryRun;
        choices.threshold = threshold;
        return choices;
    }
    std::string Stored() const { return settings.ReadIniString(LastRunSection, "Docs"); }

    static constexpr std::time_t Start = 1'700'000'000;
    test::TempFolder dir;
    std::string src = dir / "src";
    std::string dst = dir / "dst";
    IniFile settings{dir / "settings.ini"};
    ProfileList list;
    test::RecordingHost host;
};

} // namespace

TEST_F(ProfileRunTest, StartTimeIsStoredOnlyAfterACompleteRunThatWrote) {
    ProfileOutcome o = Run({});
    EXPECT_EQ(o.updated.size(), 2u);
    EXPECT_TRUE(o.storedTime);
    EXPECT_EQ(Stored(), FormatStoredDateTime(Start));

    // Stopped by a signal after the first file: the files it never reached must stay due.
    settings.WriteString(LastRunSection, "Docs", "2000/01/01 00:00:00");
    WriteFile(src + "/a.txt", "a2");
    WriteFile(src + "/b.txt", "b2");
    host.onPending = [&](int) {
        if (ReadFile(dst + "/b.txt") == "b2" || ReadFile(dst + "/a.txt") == "a2")
            host.RequestAbort();
    };
    o = Run(Careful());
    EXPECT_EQ(o.updated.size(), 1u);
    EXPECT_TRUE(o.figures.Stopped);
    EXPECT_FALSE(o.storedTime);
    EXPECT_EQ(Stored(), "2000/01/01 00:00:00");
    host.onPending = nullptr;

    // A dry run finds the file left over but stores nothing; the real run then does.
    o = Run(Careful(true));
    EXPECT_EQ(o.updated.size(), 1u);
    EXPECT_FALSE(o.storedTime);
    EXPECT_EQ(Stored(), "2000/01/01 00:00:00");
    o = Run(Careful());
    EXPECT_EQ(o.updated.size(), 1u);
    EXPECT_EQ(Stored(), FormatStoredDateTime(Start));

    // A run that had nothing to write keeps the stored time.
    settings.WriteString(LastRunSection, "Docs", "2001/01/01 00:00:00");
    o = Run(Careful());
    EXPECT_EQ(o.updated.size(), 0u);
    EXPECT_EQ(Stored(), "2001/01/01 00:00:00");
}

TEST_F(ProfileRunTest, ThresholdComesFromTheSettingsUnlessGiven) {
    struct Case {
        int stored;
        std::optional<int64_t> given;
        bool parked;
    };
    const Case cases[] = {{10, std::nullopt, true}, {10, 0, false}, {0, 1, true}, {0, std::nullopt, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        settings.WriteInteger(MainWindowSection, ThresholdKey, c.stored);
        WriteFile(src + "/big.txt", "a text of more than ten bytes");
        WriteFile(dst + "/big.txt", "old");
        std::remove((dst + "/big.~TMP").c_str());
        ASSERT_EQ(utimensat(AT_FDCWD, (dst + "/big.txt").c_str(),
                            std::array<timespec, 2>{timespec{0, UTIME_OMIT}, timespec{1, 0}}.data(), 0),
                  0);
        Run(Careful(false, c.given));
        EXPECT_EQ(test::PathExists(dst + "/big.~TMP"), c.parked);
        EXPECT_EQ(ReadFile(dst + "/big.txt"), "a text of more than ten bytes");
    }
}

TEST_F(ProfileRunTest, TheStoredHistoryChoiceKeepsTheReplacedCopyUnderTheRunsStart) {
    StoreHistoryChoice(settings, "Docs", {true, 36500, 2}); // the run started long ago
    WriteFile(dst + "/a.txt", "old");
    ASSERT_EQ(utimensat(AT_FDCWD, (dst + "/a.txt").c_str(),
                        std::array<timespec, 2>{timespec{0, UTIME_OMIT}, timespec{1, 0}}.data(), 0),
              0);
    RunChoices choices = Careful();
    engine::BackupRequest seen;
    choices.runBackup = [&](const engine::BackupRequest& r, engine::PathList& u, engine::PathList& f,
                            engine::RunHost& h, engine::BackupResult& result) {
        seen = r;
        return engine::RunBackup(r, u, f, h, &result);
    };
    Run(choices);
    EXPECT_EQ(seen.History.days, 36500);
    EXPECT_EQ(seen.History.versions, 2);
    EXPECT_EQ(ReadFile(dst + "/.hozonix/history/" + engine::HistoryRunName(Start) + "/a.txt"), "old");
}

TEST(FindProfileTest, ExactNameFirstThenTheOnlyOneWithoutRegardToCaseAndNeverAGuess) {
    const std::vector<std::string> names = {"Photos", "photos", "Ärger", "Документы"};
    std::vector<std::string> ambiguous;
    EXPECT_EQ(FindProfile(names, "photos", &ambiguous), 1);
    EXPECT_EQ(FindProfile(names, "ärger"), 2);
    EXPECT_EQ(FindProfile(names, "ДОКУМЕНТЫ"), 3);
    EXPECT_TRUE(ambiguous.empty());
    EXPECT_EQ(FindProfile(names, "PHOTOS", &ambiguous), -1);
    EXPECT_EQ(ambiguous, (std::vector<std::string>{"Photos", "photos"}));
    EXPECT_EQ(FindProfile(names, "Music"), -1);
}

} // namespace hozonix::profiles

// The last-run record beside "LAST_UpDateTime": an instant no change of time zone moves, and the
// destination of the last complete run, tied to the profile's folders.
#include "settings/LastRunRecord.h"
#include "settings/IniFile.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace hozonix;
using namespace hozonix::test;

namespace {

void SetZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
}

class LastRunRecordTest : public ::testing::Test {
protected:
    void TearDown() override {
        unsetenv("TZ");
        tzset();
    }
    TempFolder dir;
    IniFile ini{dir / "settings.ini"};
};

TEST_F(LastRunRecordTest, TheInstantOutlivesAMoveWestAndTheAutumnHourThatComesTwice) {
    struct Case {
        const char* before;
        const char* after;
        std::time_t start;
    } cases[] = {
        {"Asia/Tokyo", "America/Los_Angeles", 1'796'800'000},
        // 01:30 of 1 November 2026 comes twice in New York: one text for two moments.
        {"America/New_York", "America/New_York", 1'793'511'000},
        {"America/New_York", "America/New_York", 1'793'514'600},
    };
    std::vector<std::string> texts;
    for (const Case& c : cases) {
        SetZone(c.before);
        StoreLastRunTime(ini, "Docs", c.start);
        texts.push_back(ini.ReadIniString(LastRunSection, "Docs"));
        SetZone(c.after);
        const LastRun last = ReadLastRun(ini, "docs", "/src", "/dst");
        EXPECT_EQ(last.text, texts.back());
        ASSERT_TRUE(last.instant.has_value()) << c.start;
        EXPECT_EQ(ChooseDateLimit(last, false, c.start + 3600).limit, int64_t{c.start} * 1'000'000'000);
        EXPECT_EQ(ChooseDateLimit(last, true, c.start + 3600).limit, 0);
    }
    // Read as local text alone, the first is a later moment, which would pass over the files changed
    // in between, and the other two cannot both be right.
    SetZone("America/Los_Angeles");
    EXPECT_GT(ChooseDateLimit(texts[0], false, cases[0].start + 86400).limit,
              int64_t{cases[0].start} * 1'000'000'000);
    EXPECT_EQ(texts[1], texts[2]);

    // A text written by another hand, without the instant, is read as it always was.
    ini.WriteIniString(LastRunSection, "Docs", "2026/01/02 03:04:05");
    const LastRun edited = ReadLastRun(ini, "Docs", "/src", "/dst");
    EXPECT_FALSE(edited.instant.has_value());
    EXPECT_EQ(ChooseDateLimit(edited, false, 1'900'000'000).limit,
              ChooseDateLimit("2026/01/02 03:04:05", false, 1'900'000'000).limit);
}

TEST_F(LastRunRecordTest, TheDestinationRecordHoldsOnlyForTheFoldersItWasMadeFor) {
    StoreLastDestination(ini, "Docs", "/home/u/Docs", "/media/usb/Backup", "0123abcd", "/media/usb");
    LastRun last = ReadLastRun(ini, "DOCS", "/home/u/Docs", "/media/usb/Backup");
    EXPECT_EQ(last.token, "0123abcd");
    EXPECT_EQ(last.mount, "/media/usb");
    for (const auto& [source, destination] :
         {std::pair{"/home/u/Docs", "/media/usb/Other"}, std::pair{"/home/u/Photos", "/media/usb/Backup"},
          std::pair{"/home/u/Docs/media/usb", "/Backup"}}) {
        last = ReadLastRun(ini, "Docs", source, destination);
        EXPECT_EQ(last.token, "") << source << " " << destination;
        EXPECT_EQ(last.mount, "");
    }
}

} // namespace

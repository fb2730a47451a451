// A run through the real engine from the window's button.
#include "MainWindowFixture.h"

#include "mainwindow/ProfileCheckList.h"
#include "settings/StoredDateTime.h"

#include <QProgressBar>
#include <QToolButton>

#include <utime.h>

using namespace hozonix;
using namespace hozonix::test;

TEST_F(MainWindowTest, TheButtonRunsTheRealEngineAndAFastRunAfterItWritesOnlyWhatChanged) {
    for (const char* folder : {"src0/sub", "dst0"})
        ASSERT_EQ(CreateFolderTree(dir / folder), 0);
    WriteFile(dir / "src0/a.txt", "a");
    WriteFile(dir / "src0/sub/b.txt", "bb");
    WriteFile(dir / "src0/c.bak", "excluded");
    StoreProfiles({"A"});
    ui::MainWindowServices s(ini, profiles, services);
    Open(std::move(s));

    window->RunButton()->click();
    EXPECT_EQ(ReadFile(dir / "dst0/sub/b.txt"), "bb");
    EXPECT_FALSE(PathExists(dir / "dst0/c.bak"));
    EXPECT_EQ(Caption(), "A < 2 ファイルを更新>");
    EXPECT_EQ(Status(), "2ファイルを更新しました");
    EXPECT_EQ(window->ProgressBar()->value(), 100);
    const std::string stored = ini.ReadIniString("LAST_UpDateTime", "A");
    ASSERT_TRUE(ParseStoredDateTime(stored).has_value());

    // A file changed after the stored start time is the only one written by the next fast run.
    WriteFile(dir / "src0/a.txt", "new");
    utimbuf later{*ParseStoredDateTime(stored) + 60, *ParseStoredDateTime(stored) + 60};
    ASSERT_EQ(utime((dir / "src0/a.txt").c_str(), &later), 0);
    window->RunButton()->click();
    EXPECT_EQ(window->UpdatedFiles(), std::vector<std::string>{dir / "src0/a.txt"});
    EXPECT_EQ(ReadFile(dir / "dst0/a.txt"), "new");
    ASSERT_NE(services.ProcessDialog().Dialog(), nullptr);
    EXPECT_FALSE(services.ProcessDialog().Dialog()->isVisible());
}

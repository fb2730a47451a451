// Start-up of the whole program, and a run through the real engine from the window's button.
#include "HozonixApplication.h"
#include "MainWindowFixture.h"
#include "ProfileWizardDialog.h"

#include "ProfileCheckList.h"
#include "StoredDateTime.h"

#include <QProgressBar>
#include <QToolButton>

#include <utime.h>

using namespace hozonix;
using namespace hozonix::test;

TEST(HozonixApplicationTest, StartsWithTheDataFolderOfTheProgramsName) {
    TempFolder dir;
    ScriptedMessageBox messages;
    {
        // No profile is stored yet: the wizard opens before the window is shown.
        int wizardRuns = 0;
        ui::HozonixApplication app(
            {"/opt/x/Other.bin", dir / "config", &messages, [&](ui::ProfileWizardDialog& w) {
                 ++wizardRuns;
                 EXPECT_TRUE(w.windowTitle().toStdString() == "バックアップウイザード");
                 return static_cast<int>(QDialog::Rejected);
             }});
        ASSERT_TRUE(app.Start());
        EXPECT_EQ(wizardRuns, 1);
        ASSERT_NE(app.Window(), nullptr);
        EXPECT_FALSE(app.Window()->isVisible());
        EXPECT_EQ(app.Paths().SettingsFilePath, dir / "config/Korimaru/Other/Other.ini");
        EXPECT_TRUE(PathExists(dir / "config/Korimaru/Other/DIC"));
        EXPECT_TRUE(PathExists(dir / "config/Korimaru/Other/TEMP"));
        EXPECT_TRUE(messages.shown.empty());
    }
    // The window stored its state at the end.
    EXPECT_NE(ReadFile(dir / "config/Korimaru/Other/Other.ini").find("LAST_INDEX=-1"), std::string::npos);
}

TEST(HozonixApplicationTest, ADataFolderThatCannotBeMadeIsToldOnceAndEndsTheProgram) {
    TempFolder dir;
    WriteFile(dir / "config", "a file where the folder should be");
    ScriptedMessageBox messages;
    ui::HozonixApplication app({"/usr/bin/hozonix", dir / "config", &messages, {}});
    EXPECT_FALSE(app.Start());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "INIフォルダー" + dir / "config/Korimaru/hozonix" +
                                          ">\r\nの作成に失敗しました(x.x)\r\nプログラムを中止します");
    ASSERT_NE(app.Window(), nullptr);
    EXPECT_FALSE(app.Window()->isVisible());
}

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

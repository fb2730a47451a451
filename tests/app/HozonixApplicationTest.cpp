// Start-up of the whole program.
#include "app/HozonixApplication.h"
#include "about/ProgramInfo.h"
#include "mainwindow/MainWindow.h"
#include "wizard/ProfileWizardDialog.h"

#include "ScriptedMessageBox.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

using namespace hozonix;
using namespace hozonix::test;

TEST(HozonixApplicationTest, StartsWithTheDataFolderOfTheProgramsName) {
    TempFolder dir;
    ScriptedMessageBox messages;
    {
        // No profile is stored yet: the wizard opens before the window is shown.
        int wizardRuns = 0;
        app::HozonixApplication app(
            {"/opt/x/Other.bin", dir / "config", &messages, [&](wizard::ProfileWizardDialog& w) {
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
    app::HozonixApplication app({"/usr/bin/hozonix", dir / "config", &messages, {}});
    EXPECT_FALSE(app.Start());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "INIフォルダー" + dir / "config/Korimaru/hozonix" +
                                          ">\r\nの作成に失敗しました(x.x)\r\nプログラムを中止します");
    ASSERT_NE(app.Window(), nullptr);
    EXPECT_FALSE(app.Window()->isVisible());
}

TEST(HozonixApplicationTest, TheReadmeIsPutIntoTheDataFolderAtTheFirstStartOnly) {
    TempFolder dir;
    ScriptedMessageBox messages;
    auto start = [&] {
        app::HozonixApplication app(
            {"/usr/bin/hozonix", dir / "config", &messages,
             [](wizard::ProfileWizardDialog&) { return static_cast<int>(QDialog::Rejected); }});
        EXPECT_TRUE(app.Start());
    };
    start();
    const std::string readme = dir / "config/Korimaru/hozonix/Readme.TXT";
    EXPECT_EQ(ReadFile(readme), about::ShippedReadmeText());

    WriteFile(readme, "メモを書き足しました");
    start();
    EXPECT_EQ(ReadFile(readme), "メモを書き足しました");
    EXPECT_TRUE(messages.shown.empty());
}

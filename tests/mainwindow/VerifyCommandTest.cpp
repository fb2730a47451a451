// The Tool menu's check of the selected profile's backup, through the real engine.
#include "MainWindowFixture.h"

#include "mainwindow/ProfileCheckList.h"
#include "settings/DataFolder.h"

#include <QAction>
#include <QMenuBar>

using namespace hozonix;
using namespace hozonix::test;

TEST_F(MainWindowTest, VerifyListsTheSelectedProfilesDifferencesOrSaysThatEveryCopyMatches) {
    for (const char* folder : {"src0", "dst0"})
        ASSERT_EQ(CreateFolderTree(dir / folder), 0);
    WriteFile(dir / "src0/a.txt", "a");
    WriteFile(dir / "src0/b.txt", "b");
    WriteFile(dir / "dst0/a.txt", "a");
    StoreProfiles({"A", "B"});
    Open(mainwindow::MainWindowServices(ini, profiles, services));

    window->Profiles()->Select(-1);
    window->VerifyItem()->trigger();
    EXPECT_EQ(LastMessage(), "検証する保存プロファイルを選択してください");

    window->Profiles()->Select(0);
    window->VerifyItem()->trigger();
    ui::MessageListDialog* list = services.MessageList().Dialog();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->windowTitle(), "検証結果");
    EXPECT_EQ(list->Lines(),
              (std::vector<std::string>{
                  "保存プロファイル「A」： 2 ファイルを照合し、1 ファイルがバックアップと異なります",
                  dir / "src0/b.txt （コピーがありません）"}));
    ASSERT_NE(services.ProcessDialog().Dialog(), nullptr);
    EXPECT_FALSE(services.ProcessDialog().Dialog()->isVisible());
    EXPECT_TRUE(window->menuBar()->isEnabled());

    WriteFile(dir / "dst0/b.txt", "b");
    window->VerifyItem()->trigger();
    EXPECT_EQ(LastMessage(), "すべてのファイルがバックアップと一致しました（2 ファイル）");
}

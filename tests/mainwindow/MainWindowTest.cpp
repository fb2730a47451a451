// Creation, reload, the controls, the copy mode, the recovery threshold and closing.
#include "MainWindowFixture.h"

#include "mainwindow/ProfileCheckList.h"
#include "ui/ColumnMenu.h"

#include <QTest>
#include <QToolButton>

using namespace hozonix;
using namespace hozonix::test;

namespace {

const std::string kFastStatusPrefix = "前回バックアップした ";
const std::string kNoTimeStatus = "前回バックアップした日時より以降に作成、もしくは更新されたファイルのみ";

} // namespace

TEST_F(MainWindowTest, WithoutProfilesTheWizardOpensBeforeTheWindowIsShownAndNothingRuns) {
    bool shownWhenAsked = true;
    wizard.onOpen = [&] { shownWhenAsked = window != nullptr; };
    Open();
    EXPECT_EQ(wizard.calls, std::vector<std::string>{"new"});
    EXPECT_FALSE(shownWhenAsked);
    EXPECT_FALSE(window->RunMenuButton()->isEnabled());
    EXPECT_EQ(window->RunButton()->text(), "");
    window->RunButton()->click();
    EXPECT_TRUE(requests.empty());
}

TEST_F(MainWindowTest, TheStartUpWizardsProfileIsShownAfterItsOk) {
    wizard.answers = {{true, "最初", Detail(0)}};
    Open();
    EXPECT_EQ(window->Profiles()->Names(), std::vector<std::string>{"最初"});
    EXPECT_EQ(window->RunCaption(), "最初");
}

TEST_F(MainWindowTest, ReloadSelectsTheStoredIndexWithinTheList) {
    struct Case {
        const char* stored; // nullptr: key absent
        int selected;
        std::string caption;
    } cases[] = {{nullptr, 0, "A"}, {"1", 1, "B"}, {"5", 2, "C"}, {"-1", -1, ""}};
    for (const Case& c : cases) {
        StoreProfiles({"A", "B", "C"});
        ini.EraseSection("fmFileSave");
        if (c.stored != nullptr)
            ini.WriteIniString("fmFileSave", "LAST_INDEX", c.stored);
        Open();
        EXPECT_EQ(window->Profiles()->Selected(), c.selected) << c.stored;
        EXPECT_EQ(window->RunCaption(), c.caption) << c.stored;
        EXPECT_EQ(window->RunMenu()->Items().size(), 3u);
        EXPECT_TRUE(wizard.calls.empty());
        window.reset();
    }
}

TEST_F(MainWindowTest, ReloadStatusNamesTheStoredTimeInFastModeOnly) {
    StoreProfiles({"A", "B"});
    ini.WriteIniString("LAST_UpDateTime", "A", "2026/12/01 10:20:30");
    Open();
    EXPECT_EQ(Status(),
              kFastStatusPrefix + "2026/12/01 10:20:30 より以降に作成、もしくは更新されたファイルのみ");

    window->CarefulModeItem()->trigger();
    window->ReloadProfileList();
    EXPECT_EQ(Status(), kNoTimeStatus);

    window->FastModeItem()->trigger();
    ini.WriteIniInteger("fmFileSave", "LAST_INDEX", 1);
    window->ReloadProfileList();
    EXPECT_EQ(Status(), kNoTimeStatus);
}

TEST_F(MainWindowTest, CopyModeSwitchesColourAndCaptionAndIsStoredButNotRead) {
    StoreProfiles({"A"});
    ini.WriteIniInteger("fmFileSave", "COPY_MODE", 1);
    Open();
    EXPECT_EQ(window->CopyModeColour(), QColor(166, 202, 240));
    window->CarefulModeItem()->trigger();
    EXPECT_EQ(window->CopyModeColour(), QColor(255, 255, 0));
    EXPECT_EQ(Caption(), "Hozonix は丁寧モードで作動中(対象ファイルを全てスキャン)です、"
                         "動作を早くするにはツール→コピーモード→高速をクリック");
    window.reset();
    EXPECT_EQ(ini.ReadIniInteger("fmFileSave", "COPY_MODE"), 1);

    Open();
    EXPECT_EQ(window->Mode(), mainwindow::CopyMode::Fast);
    window->CarefulModeItem()->trigger();
    window->FastModeItem()->trigger();
    EXPECT_EQ(Caption(), "Hozonix");
    EXPECT_EQ(window->CopyModeColour(), QColor(166, 202, 240));
    window.reset();
    EXPECT_EQ(ini.ReadIniInteger("fmFileSave", "COPY_MODE"), 0);
}

TEST_F(MainWindowTest, ThresholdMarksItsItemAndAChoiceIsWrittenAtOnce) {
    StoreProfiles({"A"});
    struct Case {
        const char* stored;
        int expected;
        QAction* (mainwindow::MainWindow::*bold)() const; // nullptr: no item bold
    } cases[] = {{nullptr, 0, &mainwindow::MainWindow::NoRecoveryItem},
                 {"10000000", 10000000, &mainwindow::MainWindow::Recovery10MBItem},
                 {"5000000", 5000000, nullptr}};
    for (const Case& c : cases) {
        ini.EraseSection("fmFileSave");
        if (c.stored != nullptr)
            ini.WriteIniString("fmFileSave", "BACKUP_TEMP_SIZE", c.stored);
        Open();
        EXPECT_EQ(window->RecoveryThreshold(), c.expected);
        for (QAction* a :
             {window->NoRecoveryItem(), window->Recovery1MBItem(), window->Recovery10MBItem(),
              window->Recovery20MBItem(), window->Recovery50MBItem(), window->Recovery100MBItem()})
            EXPECT_EQ(a->font().bold(), c.bold != nullptr && a == ((*window).*c.bold)())
                << a->text().toStdString();
        window->RunButton()->click();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(requests.back().RecoveryThreshold, c.expected);
        window.reset();
    }

    Open();
    window->Recovery50MBItem()->trigger();
    EXPECT_EQ(ini.ReadIniInteger("fmFileSave", "BACKUP_TEMP_SIZE"), 50000000);
    EXPECT_EQ(window->RecoveryThreshold(), 50000000);
    // The bold mark stays where creation put it.
    EXPECT_FALSE(window->Recovery50MBItem()->font().bold());
    window->RunButton()->click();
    EXPECT_EQ(requests.back().RecoveryThreshold, 50000000);
}

TEST_F(MainWindowTest, ClosingStoresPlacementSelectionAndMode) {
    StoreProfiles({"A", "B", "C"});
    Open();
    window->Profiles()->Select(2);
    window->move(300, 200);
    window->resize(640, 420);
    bool closed = false;
    window->SetClosedHandler([&] { closed = true; });
    window->CloseButton()->click();
    EXPECT_TRUE(closed);
    window.reset();
    EXPECT_EQ(ini.ReadIniString("LAST_Position", "fmFileSave"), "300,200,640,420");
    EXPECT_EQ(ini.ReadIniInteger("fmFileSave", "LAST_INDEX"), 2);

    Open();
    window->Profiles()->Select(-1);
    window.reset();
    EXPECT_EQ(ini.ReadIniInteger("fmFileSave", "LAST_INDEX"), -1);
}

TEST_F(MainWindowTest, ResultButtonsSayWhenThereIsNothingToShowAndOtherwiseShowTheList) {
    StoreProfiles({"A"});
    Open();
    window->ShowWrittenFiles();
    window->ShowFailedFiles();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text, "直前に更新したファイルはありません");
    EXPECT_EQ(messages.shown[1].text, "直前に更新に失敗したファイルはありません");
    EXPECT_EQ(services.MessageList().Dialog(), nullptr);

    runs = {{{"/s/a", "/s/b"}, {"/s/c"}, "", nullptr}};
    window->RunButton()->click();
    window->WrittenListButton()->click();
    ASSERT_NE(services.MessageList().Dialog(), nullptr);
    EXPECT_EQ(services.MessageList().Dialog()->windowTitle(), "更新済みファイル一覧");
    EXPECT_EQ(services.MessageList().Dialog()->Lines(), (std::vector<std::string>{"/s/a", "/s/b"}));
    window->FailedListButton()->click();
    EXPECT_EQ(services.MessageList().Dialog()->windowTitle(), "更新に失敗したファイルの一覧");
    EXPECT_EQ(services.MessageList().Dialog()->Lines(), std::vector<std::string>{"/s/c"});
}

TEST_F(MainWindowTest, ASpaceRightAfterStartRunsNothing) {
    StoreProfiles({"A", "B"});
    ini.WriteIniString("fmFileSave", "SAVE_ALL", "A,B");
    Open();
    window->show();
    QApplication::setActiveWindow(window.get());
    QApplication::processEvents();
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus != nullptr ? focus : window.get(), Qt::Key_Space);
    QApplication::processEvents();
    EXPECT_TRUE(requests.empty()) << "focus on "
                                  << (focus != nullptr ? focus->objectName().toStdString() : "nothing");
}

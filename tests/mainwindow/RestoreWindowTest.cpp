// The Tool menu's restore window, on a real backup with a history made by hand.
#include "MainWindowFixture.h"

#include "engine/History.h"
#include "restore/RestoreWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>

using namespace hozonix;
using namespace hozonix::test;

namespace {

constexpr std::time_t Base = 1'700'000'000;

void Put(const std::string& path, const std::string& content, std::time_t time) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteFile(path, content);
    const timespec times[2] = {{0, UTIME_OMIT}, {time, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

} // namespace

TEST_F(MainWindowTest, TheRestoreWindowBringsBackTheVersionChosenAndAsksBeforeReplacingNewerFiles) {
    StoreProfiles({"A"});
    Put(dir / "dst0/.hozonix/history/" + engine::HistoryRunName(Base + 1000) + "/docs/a.txt", "first",
        Base + 100);
    Put(dir / "dst0/docs/a.txt", "latest", Base + 900);
    Put(dir / "dst0/docs/b.txt", "b", Base + 10);
    Open();
    QAction* item = window->findChild<QAction*>("Item_Restore");
    ASSERT_NE(item, nullptr);
    item->trigger();
    auto* restoring = window->findChild<restore::RestoreWindow*>();
    ASSERT_NE(restoring, nullptr);
    ASSERT_TRUE(restoring->isVisible());

    QTreeWidget* tree = restoring->Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1); // the program's own folder is not shown
    QTreeWidgetItem* docs = tree->topLevelItem(0);
    EXPECT_EQ(docs->text(0).toStdString(), "docs");
    docs->setExpanded(true);
    ASSERT_EQ(docs->childCount(), 2);
    QTreeWidgetItem* a = docs->child(0);
    tree->setCurrentItem(a);
    ASSERT_EQ(restoring->Versions()->topLevelItemCount(), 2);
    EXPECT_EQ(restoring->Versions()->topLevelItem(0)->text(0).toStdString(), "現在のコピー");

    // The earlier version chosen in the list sets the moment; to another folder.
    emit restoring->Versions()->itemClicked(restoring->Versions()->topLevelItem(1), 0);
    EXPECT_FALSE(restoring->LatestBox()->isChecked());
    a->setCheckState(0, Qt::Checked);
    EXPECT_EQ(restoring->TickedPaths(), std::vector<std::string>{"docs/a.txt"});
    restoring->OtherFolderButton()->setChecked(true);
    restoring->FolderField()->setText(QString::fromStdString(dir / "to"));
    restoring->RestoreButton()->click();
    EXPECT_EQ(ReadFile(dir / "to/docs/a.txt"), "first");
    EXPECT_FALSE(PathExists(dir / "to/docs/b.txt"));
    ASSERT_NE(services.MessageList().Dialog(), nullptr);
    EXPECT_TRUE(services.MessageList().Dialog()->isVisible());
    EXPECT_TRUE(window->menuBar()->isEnabled());

    // The latest copies to the original place, where a.txt was changed since: asked, answered no.
    Put(dir / "src0/docs/a.txt", "edited", Base + 5000);
    restoring->LatestBox()->setChecked(true);
    restoring->OriginalPlaceButton()->setChecked(true);
    docs->setCheckState(0, Qt::Checked);
    messages.answers.push_back(MessageButton::No);
    messages.shown.clear();
    restoring->RestoreButton()->click();
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.front().kind, MessageKind::Confirmation);
    EXPECT_EQ(ReadFile(dir / "src0/docs/a.txt"), "edited");
    EXPECT_EQ(ReadFile(dir / "src0/docs/b.txt"), "b");
}

TEST_F(MainWindowTest, ABackupOnAShareIsShownOnceConnectedAndLeftWhenAnotherProfileIsChosen) {
    ProfileList list;
    list.ProfileNames = {"Nas", "Local"};
    list.ProfileDetails = {dir / "src0" + ">>\\\\nas\\photos>><<",
                           dir / "src1" + ">>" + dir / "dst1" + ">><<"};
    SaveProfileList(ini, list);
    Put(dir / "mounted/docs/a.txt", "a", Base);
    std::vector<std::string> events;
    bool refuse = false;
    mainwindow::MainWindowServices s = Services();
    s.ConnectDestination = RecordingConnect(events, refuse, dir / "mounted");
    Open(std::move(s));
    window->findChild<QAction*>("Item_Restore")->trigger();
    auto* restoring = window->findChild<restore::RestoreWindow*>();
    ASSERT_NE(restoring, nullptr);
    restoring->Reload(0);
    QTreeWidget* tree = restoring->Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1); // every file as one entry until connected
    ASSERT_FALSE(restoring->ConnectButton()->isHidden());

    restoring->ConnectButton()->click();
    EXPECT_EQ(events, std::vector<std::string>{"connect \\\\nas\\photos"});
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0).toStdString(), "docs");
    EXPECT_TRUE(restoring->ConnectButton()->isHidden());
    tree->topLevelItem(0)->setExpanded(true);
    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    EXPECT_EQ(restoring->Versions()->topLevelItemCount(), 1);

    restoring->ProfileChoice()->setCurrentIndex(1);
    EXPECT_EQ(events, (std::vector<std::string>{"connect \\\\nas\\photos", "disconnect", "gone"}));

    refuse = true;
    restoring->ProfileChoice()->setCurrentIndex(0);
    restoring->ConnectButton()->click();
    EXPECT_EQ(LastMessage(), "共有フォルダ \\\\nas\\photos に接続できません");
    EXPECT_FALSE(restoring->ConnectButton()->isHidden());
    EXPECT_TRUE(restoring->isEnabled());
}

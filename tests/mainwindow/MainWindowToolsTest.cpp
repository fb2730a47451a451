// The Help menu and the network entries of the Tool menu, wired to their services.
#include "MainWindowFixture.h"

#include "about/DesktopOpener.h"
#include "mainwindow/HistoryDialog.h"

#include "ScriptedNetProvider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

using namespace hozonix;
using namespace hozonix::test;

namespace {

class RecordingOpener : public about::DesktopOpener {
public:
    void Open(const std::string& target) override { opened.push_back(target); }
    std::vector<std::string> opened;
};

} // namespace

TEST_F(MainWindowTest, HelpAndSettingsItemsOpenTheirFiles) {
    StoreProfiles({"A"});
    RecordingOpener opener;
    mainwindow::MainWindowServices s = Services();
    s.Opener = &opener;
    s.DataFolder = dir / "data/";
    Open(std::move(s));
    window->HomePageItem()->trigger();
    window->SettingsFileItem()->trigger();
    window->ReadmeItem()->trigger();
    ASSERT_EQ(opener.opened.size(), 3u);
    EXPECT_EQ(opener.opened[1], ini.Path());
    EXPECT_EQ(opener.opened[2], dir / "data/Readme.TXT");
    EXPECT_NE(opener.opened[0].find("http"), std::string::npos);

    window->AboutItem()->trigger();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, MessageKind::Information);
    EXPECT_EQ(messages.shown[0].text.rfind("Hozonix\r\n\r\n バージョン: ", 0), 0u);
}

TEST_F(MainWindowTest, NetworkItemsShowTheirListsAndOpenTheirDialogs) {
    StoreProfiles({"A"});
    ScriptedNetProvider network;
    netinfo::NetResource share;
    share.RemoteName = "smb://SERVER/share";
    share.Provider = "SMB";
    network.levels[""] = {0, {{0, {share}}}, 0};
    std::vector<std::string> folderTitles;
    std::string loginCaption;
    mainwindow::MainWindowServices s = Services();
    s.Network = &network;
    s.HostName = [] { return std::string("pc1"); };
    s.Resolve = [](const std::string& name) { return netinfo::HostLookup{0, name + ".lan", "192.0.2.7"}; };
    s.SelectFolder = [&](const std::string& title, const std::string&, const QPoint&) {
        folderTitles.push_back(title);
        return std::string();
    };
    s.ShowLoginDialog = [&](QDialog& d) { loginCaption = d.windowTitle().toStdString(); };
    Open(std::move(s));

    window->NetworkListItem()->trigger();
    ui::MessageListDialog* list = services.MessageList().Dialog();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->windowTitle(), "ネットワーク情報");
    EXPECT_EQ(list->Lines(),
              (std::vector<std::string>{"RemoteName:smb://SERVER/share, Provider:SMB", "--- Enum end ---"}));

    window->HostAddressItem()->trigger();
    EXPECT_EQ(list->windowTitle(), "このマシンのIPアドレス");
    EXPECT_EQ(list->Lines(), (std::vector<std::string>{"HOSTNAME = pc1.lan", "Local IP = 192.0.2.7"}));
    EXPECT_EQ(window->InfoLines(), list->Lines());

    window->LogOnItem()->trigger();
    EXPECT_EQ(folderTitles, std::vector<std::string>{"ネットワークリソースにログオンしてください"});
    window->LoginTestItem()->trigger();
    EXPECT_EQ(loginCaption, "ログイン画面");
    EXPECT_TRUE(messages.shown.empty());
}

namespace {

double MeanAlpha(const QIcon& icon, QIcon::Mode mode) {
    const QImage image = icon.pixmap(QSize(24, 24), mode).toImage().convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            sum += qAlpha(image.pixel(x, y));
    }
    return sum / (255.0 * image.width() * image.height());
}

} // namespace

TEST_F(MainWindowTest, TheFirstMessageListKeepsClearOfTheToolBarWhoseIconsShowWhatIsDisabled) {
    StoreProfiles({"A"});
    mainwindow::MainWindowServices s = Services();
    s.HostName = [] { return std::string("pc1"); };
    s.Resolve = [](const std::string& name) { return netinfo::HostLookup{0, name, "192.0.2.7"}; };
    Open(std::move(s));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    window->HostAddressItem()->trigger();
    ui::MessageListDialog* list = services.MessageList().Dialog();
    ASSERT_NE(list, nullptr);
    QApplication::setActiveWindow(list);
    ASSERT_TRUE(list->PlacementRestored());
    const QRect bar(window->ToolBar()->mapToGlobal(QPoint(0, 0)), window->ToolBar()->size());
    EXPECT_FALSE(list->frameGeometry().intersects(bar));
    EXPECT_FALSE(list->frameGeometry().intersects(window->frameGeometry()));
    EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(list->frameGeometry()));

    // Each icon of the tool bar shows its disabled state faded against its normal one.
    for (QToolButton* button : {window->RunMenuButton(), window->WrittenListButton(),
                                window->FailedListButton(), window->NewProfileButton()}) {
        const double normal = MeanAlpha(button->icon(), QIcon::Normal);
        EXPECT_GT(normal, 0.05) << button->objectName().toStdString();
        EXPECT_LT(MeanAlpha(button->icon(), QIcon::Disabled), normal * 0.4)
            << button->objectName().toStdString();
    }
}

TEST_F(MainWindowTest, HistoryItemStoresTheChoiceOfEachProfileOnOk) {
    StoreProfiles({"A", "B"});
    mainwindow::MainWindowServices s = Services();
    int shown = 0;
    s.ShowHistoryDialog = [&](QDialog& d) {
        auto& dialog = dynamic_cast<mainwindow::HistoryDialog&>(d);
        dialog.Profile()->setCurrentIndex(0);
        if (++shown == 1) {
            EXPECT_FALSE(dialog.Days()->isEnabled()); // off until ticked
            dialog.Keep()->setChecked(true);
            dialog.Days()->setValue(7);
            dialog.Profile()->setCurrentIndex(1);
            EXPECT_FALSE(dialog.Keep()->isChecked()); // B's own choice
            dialog.Keep()->setChecked(true);
            dialog.Versions()->setValue(3);
            dialog.Profile()->setCurrentIndex(0);
            EXPECT_EQ(dialog.Days()->value(), 7); // A's edit survives the switch
            dialog.accept();
        } else {
            EXPECT_TRUE(dialog.Keep()->isChecked());
            dialog.Keep()->setChecked(false);
            dialog.reject();
        }
    };
    Open(std::move(s));
    window->HistoryItem()->trigger();
    EXPECT_EQ(ini.ReadIniString("HOZONIX_History", "A"), "1,7,10");
    EXPECT_EQ(ini.ReadIniString("HOZONIX_History", "B"), "1,30,3");
    window->HistoryItem()->trigger(); // cancelled: nothing stored
    EXPECT_EQ(ini.ReadIniString("HOZONIX_History", "A"), "1,7,10");
    EXPECT_EQ(shown, 2);
}

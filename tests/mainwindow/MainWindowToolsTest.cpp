// The Help menu and the network entries of the Tool menu, wired to their services.
#include "MainWindowFixture.h"

#include "netinfo/DesktopOpener.h"

#include "ScriptedNetProvider.h"

using namespace hozonix;
using namespace hozonix::test;

namespace {

class RecordingOpener : public netinfo::DesktopOpener {
public:
    void Open(const std::string& target) override { opened.push_back(target); }
    std::vector<std::string> opened;
};

} // namespace

TEST_F(MainWindowTest, HelpAndSettingsItemsOpenTheirFiles) {
    StoreProfiles({"A"});
    RecordingOpener opener;
    ui::MainWindowServices s = Services();
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
    ui::MainWindowServices s = Services();
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

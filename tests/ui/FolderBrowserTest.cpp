#include "ui/FolderBrowser.h"

#include "TempFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

using namespace hozonix;
using namespace hozonix::ui;

TEST(FolderBrowser, PlacementCentresAtTheEdgeAndKeepsTheBrowserOnTheScreen) {
    struct Case {
        int x, y;
        ScreenPoint expected;
    } cases[] = {
        {100, 120, {100, 120}},
        {0, 300, {342, 174}}, // x at the left edge: centred, (1024-340)/2 and (768-420)/2
        {500, 0, {342, 174}},
        {1000, 700, {684, 348}}, // near the bottom-right corner: moved left and up
        {-50, -10, {0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BrowserPosition(c.x, c.y, 1024, 768, 340, 420), c.expected) << c.x << "," << c.y;
    // Larger than the screen: placed at 0 on that axis; centring truncates toward zero.
    EXPECT_EQ(BrowserPosition(300, 300, 800, 600, 900, 300), (ScreenPoint{0, 300}));
    EXPECT_EQ(BrowserPosition(0, 0, 801, 601, 900, 300), (ScreenPoint{0, 150}));
}

TEST(FolderBrowser, TitleStatusLineAndPreselection) {
    test::TempFolder dir;
    std::filesystem::create_directories(dir / "a/b");
    FolderBrowserDialog dialog("コピー元のフォルダ", dir / "a/b");
    EXPECT_EQ(dialog.TitleLabel->text().toStdString(), "コピー元のフォルダ");
    EXPECT_EQ(dialog.SelectedFolder(), dir / "a/b");
    EXPECT_EQ(dialog.StatusLine->text().toStdString(), dir / "a/b");
    EXPECT_TRUE(dialog.Buttons->button(QDialogButtonBox::Ok)->isEnabled());

    // The root keeps its separator; other folders have none at the end.
    auto* model = dialog.Tree->model();
    dialog.Tree->setCurrentIndex(dialog.Tree->rootIndex().isValid() ? dialog.Tree->rootIndex()
                                                                    : model->index(0, 0));
    EXPECT_EQ(dialog.SelectedFolder(), "/");
    EXPECT_EQ(dialog.StatusLine->text().toStdString(), "/");
}

TEST(FolderBrowser, ShortOrMissingInitialFoldersSelectNothing) {
    for (const char* initial : {"", "/", "/no/such/folder/here"}) {
        FolderBrowserDialog dialog("t", initial);
        EXPECT_EQ(dialog.SelectedFolder(), "") << initial;
        EXPECT_FALSE(dialog.Buttons->button(QDialogButtonBox::Ok)->isEnabled()) << initial;
    }
}

TEST(FolderBrowser, OtherWindowsAreDisabledWhileItIsOpen) {
    test::TempFolder dir;
    QWidget mainWindow;
    mainWindow.show();
    QWidget alreadyDisabled;
    alreadyDisabled.setEnabled(false);
    alreadyDisabled.show();

    bool seen = false;
    bool mainEnabledDuring = true;
    QPoint placedAt;
    QTimer::singleShot(0, [&] {
        auto* browser = dynamic_cast<FolderBrowserDialog*>(QApplication::activeModalWidget());
        if (browser == nullptr)
            return;
        seen = true;
        mainEnabledDuring = mainWindow.isEnabled();
        placedAt = browser->pos();
        browser->accept();
    });
    QtFolderBrowser browser;
    std::optional<std::string> chosen = browser.Browse("t", dir.Path(), 40, 50);

    ASSERT_TRUE(seen);
    EXPECT_FALSE(mainEnabledDuring);
    EXPECT_EQ(placedAt, QPoint(40, 50));
    EXPECT_EQ(chosen, dir.Path());
    EXPECT_TRUE(mainWindow.isEnabled());
    EXPECT_FALSE(alreadyDisabled.isEnabled());
}

namespace {

QFileSystemModel& ModelOf(const FolderBrowserDialog& dialog) {
    return *static_cast<QFileSystemModel*>(dialog.Tree->model());
}

QModelIndex IndexOf(const FolderBrowserDialog& dialog, const std::string& path) {
    return ModelOf(dialog).index(QString::fromStdString(path));
}

} // namespace

TEST(FolderBrowser, OpensAtTheFieldsFolderElseItsNearestParentElseHome) {
    test::TempFolder home;
    std::filesystem::create_directories(home / "docs/2024");
    const PlaceSources sources{home.Path(), "u", "", ""};
    struct Case {
        std::string initial;
        std::string start;
        bool selected;
    } cases[] = {
        {"", home.Path(), false},
        {"/", home.Path(), false},
        {home / "docs/2024", home / "docs/2024", true},
        {home / "docs/gone/deeper", home / "docs", false},
    };
    for (const Case& c : cases) {
        FolderBrowserDialog dialog("t", c.initial, sources);
        EXPECT_EQ(dialog.StartFolder(), c.start) << c.initial;
        EXPECT_EQ(dialog.SelectedFolder(), c.selected ? c.start : "") << c.initial;
        EXPECT_EQ(dialog.Buttons->button(QDialogButtonBox::Ok)->isEnabled(), c.selected) << c.initial;
        // Shown open: the start folder's parents are expanded, and so is the folder itself when nothing
        // is chosen yet, so that its subfolders are in view.
        const QModelIndex start = IndexOf(dialog, c.start);
        ASSERT_TRUE(start.isValid()) << c.initial;
        EXPECT_TRUE(dialog.Tree->isExpanded(start.parent())) << c.initial;
        EXPECT_EQ(dialog.Tree->isExpanded(start), !c.selected) << c.initial;
    }
}

TEST(FolderBrowser, PlacesBesideTheTreeOpenTheirFolder) {
    test::TempFolder home;
    std::filesystem::create_directories(home / "docs");
    const std::string mounts = "61 22 8:17 / /media/u/USB rw - vfat /dev/sdb1 rw\n"
                               "65 22 0:51 / /srv/nas rw - cifs //nas/photos rw\n";
    FolderBrowserDialog dialog("t", "", {home.Path(), "u", mounts, ""});

    ASSERT_EQ(dialog.PlacesList->count(), 3);
    const char* names[] = {"ホーム", "USB", "photos (nas)"};
    const std::string paths[] = {home.Path(), "/media/u/USB", "/srv/nas"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(dialog.PlacesList->item(i)->text().toStdString(), names[i]);
        EXPECT_EQ(dialog.PlacesList->item(i)->toolTip().toStdString(), paths[i]);
    }
    EXPECT_EQ(dialog.PlacesList->currentRow(), -1);

    // Choosing a place selects its folder, ready for OK.
    dialog.Tree->setCurrentIndex(IndexOf(dialog, home / "docs"));
    emit dialog.PlacesList->itemClicked(dialog.PlacesList->item(0));
    EXPECT_EQ(dialog.SelectedFolder(), home.Path());
    EXPECT_EQ(dialog.StatusLine->text().toStdString(), home.Path());
    EXPECT_TRUE(dialog.Buttons->button(QDialogButtonBox::Ok)->isEnabled());
}

TEST(FolderBrowser, HiddenFoldersAreShownOnlyWhenAsked) {
    test::TempFolder home;
    std::filesystem::create_directories(home / "docs");
    std::filesystem::create_directories(home / ".config");
    FolderBrowserDialog dialog("t", "", {home.Path(), "u", "", ""});
    QFileSystemModel& model = ModelOf(dialog);
    const QModelIndex folder = IndexOf(dialog, home.Path());
    auto names = [&] {
        std::vector<std::string> shown;
        for (int row = 0; row < model.rowCount(folder); ++row)
            shown.push_back(model.fileName(model.index(row, 0, folder)).toStdString());
        std::sort(shown.begin(), shown.end());
        return shown;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.rowCount(folder) > 0; }, 5000));
    EXPECT_EQ(names(), std::vector<std::string>{"docs"});

    dialog.ShowHidden->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.rowCount(folder) > 1; }, 5000));
    EXPECT_EQ(names(), (std::vector<std::string>{".config", "docs"}));

    dialog.ShowHidden->setChecked(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.rowCount(folder) == 1; }, 5000));
    EXPECT_EQ(names(), std::vector<std::string>{"docs"});
}

TEST(FolderBrowser, AShareFoundOnTheNetworkOrTypedIsConnectedAndOpened) {
    test::TempFolder home;
    std::filesystem::create_directories(home / "mnt/photos/2024");
    FolderBrowserDialog dialog("t", "", {home.Path(), "u", "", ""});
    std::vector<std::string> connected;
    std::vector<std::string> told;
    NetworkAccess network;
    network.connect = [&](const std::string& address) -> std::string {
        connected.push_back(address);
        if (address.find("nas") == std::string::npos)
            throw std::runtime_error("共有フォルダ \\\\other\\x に接続できません");
        return home / "mnt/photos/2024";
    };
    network.discover = [] { return std::vector<NetworkAccess::Share>{{"photos (nas)", "smb://nas/photos"}}; };
    network.tell = [&](const std::string& text) { told.push_back(text); };
    dialog.SetNetwork(network);

    // The network place lists what the network offers; choosing a share connects it and opens it.
    QListWidgetItem* place = dialog.PlacesList->item(dialog.PlacesList->count() - 1);
    ASSERT_EQ(place->text().toStdString(), "ネットワーク");
    emit dialog.PlacesList->itemClicked(place);
    QListWidgetItem* share = dialog.PlacesList->item(dialog.PlacesList->count() - 1);
    ASSERT_NE(share, place);
    EXPECT_EQ(share->text().trimmed().toStdString(), "photos (nas)");
    emit dialog.PlacesList->itemClicked(share);
    EXPECT_EQ(connected, std::vector<std::string>{"smb://nas/photos"});
    EXPECT_EQ(dialog.SelectedFolder(), home / "mnt/photos/2024");
    // A second visit lists the network anew, not twice.
    emit dialog.PlacesList->itemClicked(place);
    EXPECT_EQ(dialog.PlacesList->count(), 3);

    // A typed address that cannot be connected is told, and the tree stays where it was.
    dialog.AddressField->setText(QStringLiteral("\\\\other\\x"));
    dialog.GoButton->click();
    EXPECT_EQ(connected.back(), "\\\\other\\x");
    EXPECT_EQ(told, std::vector<std::string>{"共有フォルダ \\\\other\\x に接続できません"});
    EXPECT_EQ(dialog.SelectedFolder(), home / "mnt/photos/2024");
    // A local folder typed there is opened as it is.
    dialog.AddressField->setText(QString::fromStdString(home / "mnt"));
    dialog.GoButton->click();
    EXPECT_EQ(dialog.SelectedFolder(), home / "mnt");
}

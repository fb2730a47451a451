#include "ui/ScreenPlacement.h"
#include "settings/IniFile.h"
#include "ui/MessageListDialog.h"
#include "ui/Pickers.h"

#include "ScriptedMessageBox.h"
#include "ScriptedPickers.h"
#include "TempFolder.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace hozonix;
using namespace hozonix::ui;

TEST(ScreenPlacement, AWindowIsMovedAndShrunkOntoTheScreen) {
    const QRect screen(0, 0, 1280, 1024);
    struct Case {
        QRect frame;
        QRect fitted;
    } cases[] = {
        {{100, 100, 600, 400}, {100, 100, 600, 400}},  // already on it
        {{1000, 900, 600, 400}, {680, 624, 600, 400}}, // past the right and bottom edges
        {{-300, -50, 600, 400}, {0, 0, 600, 400}},     // a monitor to the left that is gone
        {{2200, 100, 600, 400}, {680, 100, 600, 400}}, // one to the right that is gone
        {{10, 10, 1500, 1100}, {0, 0, 1280, 1024}},    // larger than the screen
    };
    for (const Case& c : cases)
        EXPECT_EQ(FittedInto(c.frame, screen), c.fitted) << c.frame.x() << "," << c.frame.y();
    // A second monitor: its own coordinates.
    EXPECT_EQ(FittedInto({3000, 100, 600, 400}, QRect(1280, 0, 1920, 1080)), QRect(2600, 100, 600, 400));
}

TEST(ScreenPlacement, TheListOpensBesideTheMainWindowNeverOverItsToolBar) {
    const QRect screen(0, 0, 1280, 1024);
    const QSize list(600, 320);
    struct Case {
        QRect main;
        QRect placed;
    } cases[] = {
        {{20, 50, 640, 420}, {664, 50, 600, 320}},    // room to the right: level with the main window
        {{620, 50, 640, 420}, {16, 50, 600, 320}},    // to the left
        {{300, 50, 640, 420}, {300, 474, 600, 320}},  // below
        {{300, 600, 640, 420}, {300, 276, 600, 320}}, // above
        {{300, 250, 900, 700}, {300, 0, 600, 246}},   // nowhere whole: the side with most room, lower
    };
    for (const Case& c : cases) {
        const QRect keepClear(c.main.topLeft(), QSize(c.main.width(), 60));
        const QRect placed = PlaceBeside(list, c.main, keepClear, screen);
        EXPECT_EQ(placed, c.placed) << c.main.x() << "," << c.main.y();
        EXPECT_FALSE(placed.intersects(keepClear));
        EXPECT_TRUE(screen.contains(placed));
    }
    // A main window that fills the screen: over its list, below its menu and tool bar.
    const QRect full(0, 0, 1280, 1024);
    const QRect bar(0, 0, 1280, 70);
    const QRect placed = PlaceBeside(list, full, bar, screen);
    EXPECT_FALSE(placed.intersects(bar));
    EXPECT_TRUE(screen.contains(placed));
    EXPECT_EQ(placed.size(), list);
}

namespace {

class FirstPlacement : public ::testing::Test {
protected:
    test::TempFolder dir;
    IniFile ini{dir / "h.ini"};
    test::ScriptedMessageBox messages;
    test::ScriptedFileDialogs files;
    test::ScriptedFolderBrowser folders;
    Pickers pickers{files, folders};
    MessageListOwner owner{ini, messages, pickers, FallbackRect(1024, 768)};
    QMainWindow main;
    QToolBar* bar = main.addToolBar("ToolBar1");

    MessageListDialog& ShowAndActivate() {
        owner.ShowMessageList("このマシンのIPアドレス", {"HOSTNAME = pc1", "Local IP = 192.168.1.20"});
        MessageListDialog& dlg = *owner.Dialog();
        QApplication::setActiveWindow(&dlg);
        EXPECT_TRUE(dlg.PlacementRestored());
        return dlg;
    }
    QRect BarOnScreen() const { return QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size()); }
};

} // namespace

TEST_F(FirstPlacement, WithNothingStoredTheListKeepsClearOfTheMainWindowsToolBar) {
    bar->addWidget(new QToolButton);
    main.move(100, 0); // where the fallback puts the main window: at the top
    main.resize(628, 420);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    owner.SetMainWindow(&main, bar);

    MessageListDialog& dlg = ShowAndActivate();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_FALSE(dlg.frameGeometry().intersects(BarOnScreen()))
        << dlg.x() << "," << dlg.y() << " " << dlg.width() << "x" << dlg.height();
    EXPECT_TRUE(area.contains(dlg.frameGeometry()));
    EXPECT_FALSE(dlg.frameGeometry().intersects(main.frameGeometry()));
}

TEST_F(FirstPlacement, AStoredPlacementWinsButIsBroughtOntoTheScreen) {
    main.show();
    owner.SetMainWindow(&main, bar);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    // Stored on a monitor to the right that is no longer there.
    ini.WriteIniString("LAST_Position", "ErrListDlg", std::to_string(area.right() + 200) + ",40,500,300");
    MessageListDialog& dlg = ShowAndActivate();
    EXPECT_EQ(dlg.size(), QSize(500, 300));
    EXPECT_EQ(dlg.frameGeometry().right(), area.right());
    EXPECT_EQ(dlg.frameGeometry().top(), 40);
}

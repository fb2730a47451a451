#include "ui/FolderBrowser.h"

#include "TempFolder.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>

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

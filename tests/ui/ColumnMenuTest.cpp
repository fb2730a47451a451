#include "ui/ColumnMenu.h"

#include <QAction>
#include <QTest>

#include <gtest/gtest.h>

using namespace hozonix::ui;

TEST(ColumnMenuTest, ANewColumnStartsWhenTheCounterPassesTheColumnSize) {
    struct Case {
        int size;
        int count;
        std::vector<int> columns;
    } cases[] = {
        {10, 3, {0, 0, 0}},
        {10, 20, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        // After a break the counter restarts at 0 with that item, so later columns hold one more.
        {2, 8, {0, 0, 1, 1, 1, 2, 2, 2}},
        {0, 4, {0, 0, 0, 0}},
        {10, 0, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PopupColumnsOf(c.size, c.count), c.columns) << c.size << " " << c.count;
}

TEST(ColumnMenuTest, FillReplacesTheItemsAndKeepsCaptionsAsGiven) {
    ColumnMenu menu;
    std::vector<std::string> clicked;
    auto onClick = [&](QAction* a) { clicked.push_back(ColumnMenu::CaptionOf(a)); };
    std::vector<std::string> names;
    for (int i = 1; i <= 12; ++i)
        names.push_back("P" + std::to_string(i));
    FillPopupMenu(10, menu, names, onClick);
    EXPECT_EQ(menu.Items().size(), 12u);
    EXPECT_EQ(menu.ColumnCount(), 2);
    EXPECT_EQ(menu.ColumnOf(9), 0);
    EXPECT_EQ(menu.ColumnOf(10), 1);

    FillPopupMenu(10, menu, {"Work & Mail", "写真"}, onClick);
    ASSERT_EQ(menu.Items().size(), 2u);
    EXPECT_EQ(menu.ColumnCount(), 1);
    menu.Items()[0]->trigger();
    menu.Items()[1]->trigger();
    EXPECT_EQ(clicked, (std::vector<std::string>{"Work & Mail", "写真"}));
}

TEST(ColumnMenuTest, ArrowKeysWalkTheColumnsAndWrap) {
    // Two columns: items 0 to 9, and 10 to 13 (the counter passes 10 at the eleventh item).
    const std::vector<int> columns = PopupColumnsOf(10, 14);
    struct Case {
        int from;
        int key;
        int to;
    } cases[] = {
        {-1, Qt::Key_Down, 0},  {-1, Qt::Key_Right, 0}, {-1, Qt::Key_End, 13},
        {0, Qt::Key_Down, 1},   {8, Qt::Key_Down, 9},   {9, Qt::Key_Down, 0}, // down wraps in the column
        {0, Qt::Key_Up, 9},     {11, Qt::Key_Up, 10},   {10, Qt::Key_Up, 13},
        {1, Qt::Key_Right, 11}, {11, Qt::Key_Left, 1}, // the same row next door
        {7, Qt::Key_Right, 13},                        // a shorter column: its last
        {13, Qt::Key_Right, 3}, {3, Qt::Key_Left, 13}, // round to the first column
        {5, Qt::Key_Home, 0},   {5, Qt::Key_End, 13},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NextMenuItem(columns, c.from, c.key), c.to) << c.from << " key " << c.key;
    EXPECT_EQ(NextMenuItem({}, -1, Qt::Key_Down), -1);
    EXPECT_EQ(NextMenuItem({0, 0, 0}, 1, Qt::Key_Right), 1); // one column: left and right stay
}

TEST(ColumnMenuTest, TheOpenMenuIsChosenFromWithTheKeyboard) {
    ColumnMenu menu;
    std::vector<std::string> names;
    for (int i = 1; i <= 12; ++i)
        names.push_back("P" + std::to_string(i));
    std::vector<std::string> clicked;
    FillPopupMenu(10, menu, names, [&](QAction* a) { clicked.push_back(ColumnMenu::CaptionOf(a)); });

    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    EXPECT_EQ(menu.CurrentIndex(), -1);
    QTest::keyClick(&menu, Qt::Key_Down);
    QTest::keyClick(&menu, Qt::Key_Down);
    QTest::keyClick(&menu, Qt::Key_Right);
    EXPECT_EQ(menu.CurrentIndex(), 11);
    QTest::keyClick(&menu, Qt::Key_Return);
    EXPECT_EQ(clicked, std::vector<std::string>{"P12"});
    EXPECT_FALSE(menu.isVisible());

    // Opened again, nothing is highlighted until a key or the mouse says so; Esc closes without a choice.
    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    EXPECT_EQ(menu.CurrentIndex(), -1);
    QTest::keyClick(&menu, Qt::Key_End);
    QTest::keyClick(&menu, Qt::Key_Up);
    EXPECT_EQ(menu.CurrentIndex(), 10);
    QTest::keyClick(&menu, Qt::Key_Escape);
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(clicked.size(), 1u);
}

TEST(ColumnMenuTest, ItemsStandLeftAlignedInColumnsAndTheMouseChoosesToo) {
    ColumnMenu menu;
    std::vector<std::string> clicked;
    FillPopupMenu(2, menu, {"短い", "ずっと長いプロファイル名", "C", "D"},
                  [&](QAction* a) { clicked.push_back(ColumnMenu::CaptionOf(a)); });
    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    // Items of one column share their left edge and width, as menu items do; the next column stands
    // to the right of the widest, one row per item.
    const QRect a = menu.ItemRect(0), b = menu.ItemRect(1), c = menu.ItemRect(2);
    EXPECT_EQ(a.left(), b.left());
    EXPECT_EQ(a.width(), b.width());
    EXPECT_EQ(b.top(), a.bottom() + 1);
    EXPECT_GT(c.left(), b.right());
    EXPECT_EQ(c.top(), a.top());

    QWidget* panel = menu.childAt(menu.ItemRect(2).center());
    ASSERT_NE(panel, nullptr);
    QTest::mouseMove(panel, panel->mapFrom(&menu, menu.ItemRect(2).center()));
    EXPECT_EQ(menu.CurrentIndex(), 2);
    QTest::mouseClick(panel, Qt::LeftButton, {}, panel->mapFrom(&menu, menu.ItemRect(2).center()));
    EXPECT_EQ(clicked, std::vector<std::string>{"C"});
}

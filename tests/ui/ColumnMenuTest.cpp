#include "ui/ColumnMenu.h"

#include <QAction>

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

// The list report's layout and callbacks, generated straight into a page store.

#include "preview/ListReport.h"

#include "TextRecorder.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace hozonix::printing {
namespace {

using report::PageStore;

struct Generated {
    ListReportState state;
    ListReport form{state, {}};
    PageStore store;

    explicit Generated(int lines, int lastPageTotal = 1) {
        for (int i = 0; i < lines; ++i)
            state.ReportLines << QStringLiteral("行%1 ファイル").arg(i);
        state.LastPageTotal = lastPageTotal;
        form.Report().SetTitle(QStringLiteral("更新済みファイル一覧"));
        form.Report().SetClock([] { return QDateTime(QDate(2026, 12, 8), QTime(9, 5)); });
        form.Report().Generate(store, false);
    }
    // The texts of one page that are list lines, in drawing order.
    std::vector<test::DrawnText> Rows(int page) const {
        std::vector<test::DrawnText> rows;
        for (const auto& t : test::TextsOnPage(store.Page(page))) {
            if (t.text.startsWith(QStringLiteral("行")))
                rows.push_back(t);
        }
        return rows;
    }
};

TEST(ListReportGenerationTest, ThreeLinesGiveThreeRowsInOrder) {
    Generated g(3);
    ASSERT_EQ(g.store.PageCount(), 1);
    const auto rows = g.Rows(1);
    ASSERT_EQ(rows.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[i].text, QStringLiteral("行%1 ファイル").arg(i));
        EXPECT_NEAR(rows[i].origin.x(), 100, 1); // left margin, 10 mm
    }
    EXPECT_NEAR(rows[1].origin.y() - rows[0].origin.y(), 71, 0.5); // rows of 7.1 mm
    EXPECT_NEAR(rows[2].origin.y() - rows[1].origin.y(), 71, 0.5);
    // The last call found the cursor at the end: it answered no and left the caption alone.
    EXPECT_EQ(g.form.LineLabel()->caption, QStringLiteral("行2 ファイル"));
    EXPECT_EQ(g.form.RowCursor(), 4);
    QStringList texts;
    for (const auto& t : test::TextsOnPage(g.store.Page(1)))
        texts << t.text;
    EXPECT_TRUE(texts.contains(QStringLiteral("更新済みファイル一覧")));
    EXPECT_TRUE(texts.contains(QStringLiteral("2026/12/08 09:05")));

    bool more = true;
    g.form.NeedData(g.form.Report(), more);
    EXPECT_FALSE(more);
    EXPECT_EQ(g.form.LineLabel()->caption, QStringLiteral("行2 ファイル"));
}

TEST(ListReportGenerationTest, RowsFillTheLeftColumnThenTheRightThenTheNextPage) {
    // Under the title band 36 rows fit a column; under the page label of later pages 38.
    Generated g(80);
    ASSERT_EQ(g.store.PageCount(), 2);
    const auto first = g.Rows(1), second = g.Rows(2);
    ASSERT_EQ(first.size(), 72u);
    ASSERT_EQ(second.size(), 8u);
    EXPECT_NEAR(first[35].origin.x(), 100, 1);
    EXPECT_NEAR(first[36].origin.x(), 1070, 1); // right column: 10 mm + 93 mm + a 4 mm gap
    EXPECT_NEAR(first[36].origin.y(), first[0].origin.y(), 0.5);
    EXPECT_GT(first[35].origin.y(), first[34].origin.y());
    EXPECT_EQ(first[36].text, QStringLiteral("行36 ファイル"));
    EXPECT_EQ(second[0].text, QStringLiteral("行72 ファイル"));
    EXPECT_NEAR(second[0].origin.x(), 100, 1);
    // No title band on page 2, only the page label: its rows start higher up.
    EXPECT_LT(second[0].origin.y(), first[0].origin.y() - 100);
}

TEST(ListReportGenerationTest, EveryPageCarriesItsNumberAndTheRealCount) {
    // Whatever total the preview received last, every page says where it stands among all the pages.
    for (int lastTotal : {1, 7}) {
        Generated g(200, lastTotal);
        ASSERT_EQ(g.store.PageCount(), 3);
        QStringList labels;
        for (int page = 1; page <= g.store.PageCount(); ++page) {
            for (const auto& t : test::TextsOnPage(g.store.Page(page))) {
                if (t.text.contains(QStringLiteral("／")))
                    labels << QString::number(page) + ":" + t.text;
            }
        }
        EXPECT_EQ(labels, (QStringList{QStringLiteral("1:1／3"), QStringLiteral("2:2／3"),
                                       QStringLiteral("3:3／3")}));
    }
}

} // namespace
} // namespace hozonix::printing

// The dialog's choices as they show on generated pages.

#include "ListForm.h"
#include "ReSizeDialogOpener.h"
#include "ReSize_Dlg.h"
#include "ScriptedMessageBox.h"
#include "TextRecorder.h"

#include <QLineEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <map>

using namespace hozonix;
using namespace hozonix::printing;

namespace {

struct PageShape {
    int pages = 0;
    QSizeF paperMm;
    double firstRowX = 0;
    double firstRowY = 0;
    double rowPitch = 0;
    int rowsInFirstColumnOfPage2 = 0;
};

// Where the rows landed, in tenths of a millimetre.
PageShape ShapeOf(const report::PageStore& store) {
    PageShape shape;
    shape.pages = store.PageCount();
    shape.paperMm = report::PageSizeMm(store.Setup());
    std::vector<test::DrawnText> rows;
    std::map<double, int> page2Columns;
    for (int p = 1; p <= store.PageCount(); ++p) {
        for (const auto& t : test::TextsOnPage(store.Page(p))) {
            if (!t.text.startsWith(QStringLiteral("行")))
                continue;
            if (p == 1)
                rows.push_back(t);
            if (p == 2)
                ++page2Columns[t.origin.x()];
        }
    }
    if (rows.size() >= 2) {
        shape.firstRowX = rows[0].origin.x();
        shape.firstRowY = rows[0].origin.y();
        shape.rowPitch = rows[1].origin.y() - rows[0].origin.y();
    }
    if (!page2Columns.empty())
        shape.rowsInFirstColumnOfPage2 = page2Columns.begin()->second;
    return shape;
}

struct ReSizePagesTest : ::testing::Test {
    ReSizePagesTest() {
        for (int i = 0; i < 300; ++i)
            form.lines << QStringLiteral("行%1").arg(i);
    }

    PageShape Generate() {
        report::PageStore store;
        form.report.Generate(store, false);
        return ShapeOf(store);
    }

    bool Open(std::function<void(TReSizeDlg&)> user) {
        opener.SetShowModal([user](TReSizeDlg& d) {
            user(d);
            d.OK_BtnClick();
            return d.result();
        });
        return opener.OpenPageLayout(nullptr, form.report);
    }

    test::ListForm form;
    ReportDefinition definition;
    test::ScriptedMessageBox messages;
    ReSizeDialogOpener opener{definition, messages};
};

TEST_F(ReSizePagesTest, MarginsAndDetailHeightMoveTheRows) {
    const PageShape before = Generate();
    ASSERT_EQ(before.firstRowX, 100);
    ASSERT_NEAR(before.rowPitch, 71, 0.01);
    ASSERT_EQ(before.rowsInFirstColumnOfPage2, 39);

    ASSERT_TRUE(Open([](TReSizeDlg& d) {
        d.topMG_Edit->setText("24.5"); // rounds to 24
        d.botomMG_Edit->setText("20");
        d.LeftMG_Edit->setText("30");
        d.Height_Edit->setText("10");
    }));
    const PageShape after = Generate();
    EXPECT_EQ(after.firstRowX, 300);
    EXPECT_NEAR(after.rowPitch, 100, 0.01);
    // Below a 24 mm top margin and the 16.7 mm title band.
    EXPECT_GT(after.firstRowY, 240 + 167);
    EXPECT_LT(after.firstRowY, 240 + 167 + 100);
    // (297 - 24 - 20) mm hold 25 rows of 10 mm.
    EXPECT_EQ(after.rowsInFirstColumnOfPage2, 25);
    EXPECT_GT(after.pages, before.pages);
    EXPECT_EQ(after.paperMm, before.paperMm);
}

TEST_F(ReSizePagesTest, LandscapeTurnsThePages) {
    ASSERT_TRUE(Open([](TReSizeDlg& d) { d.Landscape_Radio->setChecked(true); }));
    const PageShape turned = Generate();
    EXPECT_EQ(turned.paperMm, QSizeF(297, 210));
    // (210 - 20) mm hold 26 rows of 7.1 mm.
    EXPECT_EQ(turned.rowsInFirstColumnOfPage2, 26);
}

} // namespace

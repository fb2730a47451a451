// The dialog's choices as they show on generated pages.

#include "preview/PageLayoutDialog.h"
#include "preview/PageLayoutDialogOpener.h"

#include "SampleListReport.h"
#include "ScriptedMessageBox.h"
#include "TextRecorder.h"

#include <QLineEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

using namespace hozonix;
using namespace hozonix::preview;

namespace {

// Where the rows of the first column landed on pages 1 and 2, in tenths of a millimetre.
struct PageShape {
    QSizeF paperMm;
    double firstRowX = 0, firstRowY = 0, rowPitch = 0;
    int rowsPerColumn = 0; // on page 2, below no title band
};

PageShape Generate(test::SampleListReport& form) {
    report::PageStore store;
    form.report.Generate(store, false);
    PageShape shape{report::PageSizeMm(store.Setup())};
    std::vector<QPointF> page1;
    for (const auto& t : test::TextsOnPage(store.Page(1))) {
        if (t.text.startsWith(QStringLiteral("行")))
            page1.push_back(t.origin);
    }
    shape.firstRowX = page1.at(0).x();
    shape.firstRowY = page1.at(0).y();
    shape.rowPitch = page1.at(1).y() - page1.at(0).y();
    for (const auto& t : test::TextsOnPage(store.Page(2)))
        shape.rowsPerColumn += t.origin.x() == shape.firstRowX ? 1 : 0;
    return shape;
}

TEST(PageLayoutPagesTest, MarginsDetailHeightAndOrientationReshapeThePages) {
    test::SampleListReport form;
    for (int i = 0; i < 300; ++i)
        form.lines << QStringLiteral("行%1").arg(i);
    ASSERT_EQ(Generate(form).rowsPerColumn, 39);

    ReportDefinition definition;
    test::ScriptedMessageBox messages;
    PageLayoutDialogOpener opener(definition, messages);
    opener.SetShowModal([](PageLayoutDialog& d) {
        d.TopMarginEdit()->setText("24.5"); // rounds to 24
        d.BottomMarginEdit()->setText("20");
        d.LeftMarginEdit()->setText("30");
        d.DetailHeightEdit()->setText("10");
        d.LandscapeRadio()->setChecked(true);
        d.ApplyAndClose();
        return d.result();
    });
    ASSERT_TRUE(opener.OpenPageLayout(nullptr, form.report));

    const PageShape after = Generate(form);
    EXPECT_EQ(after.paperMm, QSizeF(297, 210));
    EXPECT_EQ(after.firstRowX, 300);
    EXPECT_NEAR(after.rowPitch, 100, 0.01);
    // Below the 24 mm top margin and the 16.7 mm title band.
    EXPECT_GT(after.firstRowY, 240 + 167);
    EXPECT_LT(after.firstRowY, 240 + 167 + 100);
    // (210 - 24 - 20) mm hold 16 rows of 10 mm.
    EXPECT_EQ(after.rowsPerColumn, 16);
}

} // namespace

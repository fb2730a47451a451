#include "preview/PageLayoutDialog.h"
#include "preview/PageLayoutDialogOpener.h"
#include "report/Report.h"

#include "ScriptedMessageBox.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace hozonix;
using namespace hozonix::preview;

namespace {

// A report laid out like the list report: A4 portrait, 10 mm margins, two columns, 7.1 mm rows.
struct PageLayoutDialogTest : ::testing::Test {
    PageLayoutDialogTest() {
        report.SetMargins(10, 10, 10, 10);
        report.SetColumns(2);
        report.AddDetailBand("Detail").height = 7.1;
    }

    // Opens the dialog; `user` acts on the shown dialog and closes it through a button handler.
    bool Open(std::function<void(PageLayoutDialog&)> user) {
        opener.SetShowModal([user](PageLayoutDialog& dialog) {
            dialog.show();
            user(dialog);
            return dialog.result();
        });
        return opener.OpenPageLayout(&preview, report);
    }

    // Replaces the field's text as typed and confirms it with Enter.
    static void Type(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    QWidget preview;
    report::Report report{"Report1"};
    ReportDefinition definition;
    test::ScriptedMessageBox messages;
    PageLayoutDialogOpener opener{definition, messages};
};

TEST_F(PageLayoutDialogTest, OpeningShowsTheReportValuesInTheNarrowedWindow) {
    report.SetMargins(12, 8.26, 15, 5);
    QStringList shown;
    EXPECT_FALSE(Open([&](PageLayoutDialog& d) {
        for (QLineEdit* e : {d.TopMarginEdit(), d.LeftMarginEdit(), d.RightMarginEdit(), d.BottomMarginEdit(),
                             d.DetailHeightEdit()})
            shown << e->text();
        EXPECT_FALSE(d.IsLoading());
        EXPECT_FALSE(d.ColumnPanel()->isVisible() || d.LabelArea()->isVisible());
        EXPECT_EQ(d.width(), PageLayoutDialog::kMarginAreaWidth);
        d.CloseWithoutApplying();
    }));
    EXPECT_EQ(shown, QStringList({"12.0", "15.0", "5.0", "8.3", "7.1"}));
    EXPECT_EQ(opener.Dialog()->parentWidget(), &preview);
}

TEST_F(PageLayoutDialogTest, OrientationComesFromTheRecordNotTheReport) {
    // The preview's own orientation button turned the report; the dialog shows and applies portrait.
    report.SetOrientation(report::Orientation::Landscape);
    bool portraitShown = false;
    EXPECT_TRUE(Open([&](PageLayoutDialog& d) {
        portraitShown = d.PortraitRadio()->isChecked();
        d.ApplyAndClose();
    }));
    EXPECT_TRUE(portraitShown);
    EXPECT_EQ(report.GetOrientation(), report::Orientation::Portrait);

    // Choosing landscape turns the report at once and is kept for the next opening.
    Open([&](PageLayoutDialog& d) {
        d.LandscapeRadio()->click();
        EXPECT_EQ(report.GetOrientation(), report::Orientation::Landscape);
        d.CloseWithoutApplying();
    });
    EXPECT_EQ(definition.Orientation, 1);
}

TEST_F(PageLayoutDialogTest, LiveChangesApplyAtOnceAndRewriteTheFields) {
    QStringList fields;
    EXPECT_FALSE(Open([&](PageLayoutDialog& d) {
        // The top margin and the detail height wait for a live change or OK.
        Type(d.TopMarginEdit(), "12.5");
        Type(d.DetailHeightEdit(), "9");
        EXPECT_EQ(report.Setup().topMargin, 10);
        Type(d.LeftMarginEdit(), "15");
        EXPECT_EQ(report.Setup().leftMargin, 15);
        fields << d.TopMarginEdit()->text() << d.LeftMarginEdit()->text() << d.DetailHeightEdit()->text();
        d.CloseWithoutApplying();
    }));
    // The typed detail height stays in its field, but only OK or Save would apply it.
    EXPECT_EQ(fields, QStringList({"12.0", "15.0", "9.0"}));
    // Cancel keeps what was applied live.
    EXPECT_EQ(report.Setup().topMargin, 12);
    EXPECT_EQ(report.Setup().leftMargin, 15);
    EXPECT_DOUBLE_EQ(report.BandHeight("Detail"), 7.1);
}

TEST_F(PageLayoutDialogTest, OkAppliesMarginsAndDetailHeightButNoEmptyColumnCount) {
    EXPECT_TRUE(Open([](PageLayoutDialog& d) {
        d.TopMarginEdit()->setText("13.5");
        d.BottomMarginEdit()->setText("12.5");
        d.LeftMarginEdit()->setText("12.34");
        d.DetailHeightEdit()->setText("12");
        d.ColumnsEdit()->setText("0");
        d.ApplyAndClose();
    }));
    const report::PageSetup& setup = report.Setup();
    EXPECT_EQ(setup.topMargin, 14);
    EXPECT_EQ(setup.bottomMargin, 12);
    EXPECT_DOUBLE_EQ(setup.leftMargin, 12.34);
    EXPECT_DOUBLE_EQ(report.BandHeight("Detail"), 12);
    EXPECT_EQ(definition.Columns, 0);
    EXPECT_EQ(setup.columns, 2);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PageLayoutDialogTest, StoreStopsSilentlyAtTheFirstBadField) {
    for (int bad = 0; bad < 5; ++bad) {
        SCOPED_TRACE(bad);
        ReportDefinition record;
        record.TopMargin = record.LeftMargin = record.RightMargin = record.BottomMargin =
            record.DetailHeight = 99;
        // No report: Store then only reads the fields, and the orientation click applies nothing.
        PageLayoutDialog dialog(record, messages);
        dialog.Load();
        dialog.LandscapeRadio()->click();
        QLineEdit* edits[] = {dialog.TopMarginEdit(), dialog.LeftMarginEdit(), dialog.RightMarginEdit(),
                              dialog.BottomMarginEdit(), dialog.DetailHeightEdit()};
        for (int i = 0; i < 5; ++i)
            edits[i]->setText(i == bad ? "1O" : QString::number(i + 1));
        EXPECT_FALSE(dialog.Store());
        const double stored[] = {record.TopMargin, record.LeftMargin, record.RightMargin, record.BottomMargin,
                                 record.DetailHeight};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(stored[i], i < bad ? i + 1 : 99) << i;
        EXPECT_EQ(record.Orientation, 0);
        EXPECT_TRUE(record.LayoutChosen);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PageLayoutDialogTest, SaveAsksWithTheTitleAndKeepsThePaperSource) {
    report.Printer().paperSource = 4;
    for (const std::string title : {"", "更新したファイル"}) {
        messages.shown.clear();
        definition.Title = title;
        definition.PaperSource = 0;
        EXPECT_TRUE(Open([](PageLayoutDialog& d) {
            d.TopMarginEdit()->setText("20");
            d.SaveAndClose();
        }));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, title + "の余白設定を更新しますか？");
        EXPECT_EQ(messages.shown[0].kind, MessageKind::Information);
        EXPECT_EQ(messages.shown[0].buttons, unsigned(YesButton | NoButton));
        EXPECT_EQ(definition.PaperSource, 4);
        EXPECT_EQ(report.Setup().topMargin, 20);
    }
}

TEST_F(PageLayoutDialogTest, NothingIsAppliedWhileLoadingOrAfterClosing) {
    PageLayoutDialog dialog(definition, messages);
    dialog.SetReport(&report);
    // Before the first load the handlers stay quiet.
    dialog.LeftMarginEdit()->setText("33");
    dialog.LeftMarginChanged();
    EXPECT_EQ(report.Setup().leftMargin, 10);

    // The orientation choice set by Load is not a change of the user's.
    definition.Orientation = 1;
    dialog.Load();
    EXPECT_EQ(report.GetOrientation(), report::Orientation::Portrait);

    // A value half typed as the window closes stays unapplied when the field then loses focus.
    dialog.show();
    QTest::keyClicks(dialog.LeftMarginEdit(), "4");
    dialog.CloseWithoutApplying();
    emit dialog.LeftMarginEdit()->editingFinished();
    EXPECT_EQ(report.Setup().leftMargin, 10);
}

} // namespace

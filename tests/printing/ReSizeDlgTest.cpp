#include "ReSizeDialogOpener.h"
#include "ReSize_Dlg.h"
#include "Report.h"
#include "ScriptedMessageBox.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace hozonix;
using namespace hozonix::printing;

namespace {

// A report laid out like the list report: A4 portrait, 10 mm margins, two columns, 7.1 mm rows.
struct ReSizeDlgTest : ::testing::Test {
    ReSizeDlgTest() {
        report.SetMargins(10, 10, 10, 10);
        report.SetColumns(2);
        report.AddDetailBand("Detail").height = 7.1;
    }

    // Opens the dialog; `user` acts on the shown dialog and closes it through a button handler.
    bool Open(std::function<void(TReSizeDlg&)> user) {
        opener.SetShowModal([user](TReSizeDlg& dialog) {
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
    ReSizeDialogOpener opener{definition, messages};
};

TEST_F(ReSizeDlgTest, OpeningShowsTheReportValuesInTheNarrowedWindow) {
    report.SetMargins(12, 8.26, 15, 5);
    QStringList shown;
    EXPECT_FALSE(Open([&](TReSizeDlg& d) {
        for (QLineEdit* e : {d.topMG_Edit, d.LeftMG_Edit, d.RightMG_Edit, d.botomMG_Edit, d.Height_Edit})
            shown << e->text();
        EXPECT_FALSE(d.IsLoading());
        EXPECT_FALSE(d.Column_Panel->isVisible() || d.Label_Area->isVisible());
        EXPECT_EQ(d.width(), TReSizeDlg::kMarginAreaWidth);
        d.Close_BtnClick();
    }));
    EXPECT_EQ(shown, QStringList({"12.0", "15.0", "5.0", "8.3", "7.1"}));
    EXPECT_EQ(opener.Dialog()->parentWidget(), &preview);
}

TEST_F(ReSizeDlgTest, OrientationComesFromTheRecordNotTheReport) {
    // The preview's own orientation button turned the report; the dialog shows and applies portrait.
    report.SetOrientation(report::Orientation::Landscape);
    bool portraitShown = false;
    EXPECT_TRUE(Open([&](TReSizeDlg& d) {
        portraitShown = d.Portrait_Radio->isChecked();
        d.OK_BtnClick();
    }));
    EXPECT_TRUE(portraitShown);
    EXPECT_EQ(report.GetOrientation(), report::Orientation::Portrait);

    // Choosing landscape turns the report at once and is kept for the next opening.
    Open([&](TReSizeDlg& d) {
        d.Landscape_Radio->click();
        EXPECT_EQ(report.GetOrientation(), report::Orientation::Landscape);
        d.Close_BtnClick();
    });
    EXPECT_EQ(definition.Orientation, 1);
}

TEST_F(ReSizeDlgTest, LiveChangesApplyAtOnceAndRewriteTheFields) {
    QStringList fields;
    EXPECT_FALSE(Open([&](TReSizeDlg& d) {
        // The top margin and the detail height wait for a live change or OK.
        Type(d.topMG_Edit, "12.5");
        Type(d.Height_Edit, "9");
        EXPECT_EQ(report.Setup().topMargin, 10);
        Type(d.LeftMG_Edit, "15");
        EXPECT_EQ(report.Setup().leftMargin, 15);
        fields << d.topMG_Edit->text() << d.LeftMG_Edit->text() << d.Height_Edit->text();
        d.Close_BtnClick();
    }));
    // The typed detail height stays in its field, but only OK or Save would apply it.
    EXPECT_EQ(fields, QStringList({"12.0", "15.0", "9.0"}));
    // Cancel keeps what was applied live.
    EXPECT_EQ(report.Setup().topMargin, 12);
    EXPECT_EQ(report.Setup().leftMargin, 15);
    EXPECT_DOUBLE_EQ(report.BandHeight("Detail"), 7.1);
}

TEST_F(ReSizeDlgTest, OkAppliesMarginsAndDetailHeightButNoEmptyColumnCount) {
    EXPECT_TRUE(Open([](TReSizeDlg& d) {
        d.topMG_Edit->setText("13.5");
        d.botomMG_Edit->setText("12.5");
        d.LeftMG_Edit->setText("12.34");
        d.Height_Edit->setText("12");
        d.Columns_Edit->setText("0");
        d.OK_BtnClick();
    }));
    const report::PageSetup& setup = report.Setup();
    EXPECT_EQ(setup.topMargin, 14);
    EXPECT_EQ(setup.bottomMargin, 12);
    EXPECT_DOUBLE_EQ(setup.leftMargin, 12.34);
    EXPECT_DOUBLE_EQ(report.BandHeight("Detail"), 12);
    EXPECT_EQ(definition.COLUMNS, 0);
    EXPECT_EQ(setup.columns, 2);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ReSizeDlgTest, StoreStopsSilentlyAtTheFirstBadField) {
    for (int bad = 0; bad < 5; ++bad) {
        SCOPED_TRACE(bad);
        ReportDefinition record;
        record.MG_TOP = record.MG_LEFT = record.MG_RIGHT = record.MG_BOTOM = record.DETAIL_HEIGHT = 99;
        // No report: Store then only reads the fields, and the orientation click applies nothing.
        TReSizeDlg dialog(record, messages);
        dialog.Load();
        dialog.Landscape_Radio->click();
        QLineEdit* edits[] = {dialog.topMG_Edit, dialog.LeftMG_Edit, dialog.RightMG_Edit, dialog.botomMG_Edit,
                              dialog.Height_Edit};
        for (int i = 0; i < 5; ++i)
            edits[i]->setText(i == bad ? "1O" : QString::number(i + 1));
        EXPECT_FALSE(dialog.Store());
        const double stored[] = {record.MG_TOP, record.MG_LEFT, record.MG_RIGHT, record.MG_BOTOM,
                                 record.DETAIL_HEIGHT};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(stored[i], i < bad ? i + 1 : 99) << i;
        EXPECT_EQ(record.Orientation, 0);
        EXPECT_TRUE(record.CK_RESIZE);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ReSizeDlgTest, SaveAsksWithTheTitleAndKeepsThePaperSource) {
    report.Printer().paperSource = 4;
    for (const std::string title : {"", "更新したファイル"}) {
        messages.shown.clear();
        definition.TITLE = title;
        definition.OUTPUTBIN_NO = 0;
        EXPECT_TRUE(Open([](TReSizeDlg& d) {
            d.topMG_Edit->setText("20");
            d.Save_BtnClick();
        }));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, title + "の余白設定を更新しますか？");
        EXPECT_EQ(messages.shown[0].buttons, unsigned(YesButton | NoButton));
        EXPECT_EQ(definition.OUTPUTBIN_NO, 4);
        EXPECT_EQ(report.Setup().topMargin, 20);
    }
}

TEST_F(ReSizeDlgTest, NothingIsAppliedWhileLoadingOrAfterClosing) {
    TReSizeDlg dialog(definition, messages);
    dialog.SetReport(&report);
    // Before the first load the handlers stay quiet.
    dialog.LeftMG_Edit->setText("33");
    dialog.LeftMG_EditChange();
    EXPECT_EQ(report.Setup().leftMargin, 10);

    // The orientation choice set by Load is not a change of the user's.
    definition.Orientation = 1;
    dialog.Load();
    EXPECT_EQ(report.GetOrientation(), report::Orientation::Portrait);

    // A value half typed as the window closes stays unapplied when the field then loses focus.
    dialog.show();
    QTest::keyClicks(dialog.LeftMG_Edit, "4");
    dialog.Close_BtnClick();
    emit dialog.LeftMG_Edit->editingFinished();
    EXPECT_EQ(report.Setup().leftMargin, 10);
}

} // namespace

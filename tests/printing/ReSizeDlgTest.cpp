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
using hozonix::test::ScriptedMessageBox;

namespace {

// A report laid out like the list report: A4 portrait, 10 mm margins, two columns, 7.1 mm rows.
struct ReSizeFixture : ::testing::Test {
    ReSizeFixture() {
        report.SetMargins(10, 10, 10, 10);
        report.SetColumns(2);
        report.AddTitleBand("TitleBand1").height = 16.7;
        report.AddDetailBand("Detail").height = 7.1;
    }

    // Opens the dialog; `user` plays the user on the shown dialog and returns how it was closed.
    bool Open(std::function<int(TReSizeDlg&)> user) {
        opener.SetShowModal([user](TReSizeDlg& dialog) {
            dialog.show();
            return user(dialog);
        });
        return opener.OpenPageLayout(&preview, report);
    }

    // Replaces the field's text as typed and confirms it with Enter.
    static void Type(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    QWidget preview;
    report::Report report{"Report1"};
    ReportDefinition definition;
    ScriptedMessageBox messages;
    ReSizeDialogOpener opener{definition, messages};
};

using ReSizeDlgTest = ReSizeFixture;

TEST_F(ReSizeDlgTest, OpeningShowsTheReportValuesInTheNarrowedWindow) {
    report.SetMargins(12, 8.26, 15, 5);
    QStringList shown;
    bool loading = true;
    bool columnsVisible = true;
    int width = 0;
    EXPECT_FALSE(Open([&](TReSizeDlg& d) {
        for (QLineEdit* e : {d.topMG_Edit, d.LeftMG_Edit, d.RightMG_Edit, d.botomMG_Edit, d.Height_Edit})
            shown << e->text();
        loading = d.IsLoading();
        columnsVisible = d.Column_Panel->isVisible() || d.Label_Area->isVisible();
        width = d.width();
        d.Close_BtnClick();
        return d.result();
    }));
    EXPECT_EQ(shown, QStringList({"12.0", "15.0", "5.0", "8.3", "7.1"}));
    EXPECT_FALSE(loading);
    EXPECT_FALSE(columnsVisible);
    EXPECT_EQ(width, TReSizeDlg::kMarginAreaWidth);

    // The same dialog comes back, owned by the preview window.
    TReSizeDlg* first = opener.Dialog();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->parentWidget(), &preview);
    EXPECT_EQ(first->windowTitle(), "印刷設定");
    Open([](TReSizeDlg& d) {
        d.Close_BtnClick();
        return d.result();
    });
    EXPECT_EQ(opener.Dialog(), first);
}

TEST_F(ReSizeDlgTest, OrientationComesFromTheRecordNotTheReport) {
    // The preview's own orientation button turned the report.
    report.SetOrientation(report::Orientation::Landscape);
    bool portraitShown = false;
    EXPECT_TRUE(Open([&](TReSizeDlg& d) {
        portraitShown = d.Portrait_Radio->isChecked();
        d.OK_BtnClick();
        return d.result();
    }));
    EXPECT_TRUE(portraitShown);
    EXPECT_EQ(report.GetOrientation(), report::Orientation::Portrait);

    // Choosing landscape here is remembered for the next opening, and turns the report at once.
    report::Orientation whileOpen = report::Orientation::Portrait;
    Open([&](TReSizeDlg& d) {
        d.Landscape_Radio->click();
        whileOpen = report.GetOrientation();
        d.Close_BtnClick();
        return d.result();
    });
    EXPECT_EQ(whileOpen, report::Orientation::Landscape);
    EXPECT_EQ(definition.Orientation, 1);
    report.SetOrientation(report::Orientation::Portrait);
    bool landscapeShown = false;
    Open([&](TReSizeDlg& d) {
        landscapeShown = d.Landscape_Radio->isChecked();
        d.Close_BtnClick();
        return d.result();
    });
    EXPECT_TRUE(landscapeShown);
}

TEST_F(ReSizeDlgTest, LiveChangesApplyAtOnceAndRewriteTheFields) {
    double leftWhileOpen = 0;
    double topBeforeLiveChange = 0;
    QStringList fields;
    EXPECT_FALSE(Open([&](TReSizeDlg& d) {
        // The top margin and the detail height wait for a live change or OK.
        Type(d.topMG_Edit, "12.5");
        Type(d.Height_Edit, "9");
        topBeforeLiveChange = report.Setup().topMargin;
        Type(d.LeftMG_Edit, "15");
        leftWhileOpen = report.Setup().leftMargin;
        fields << d.topMG_Edit->text() << d.LeftMG_Edit->text() << d.Height_Edit->text();
        d.Close_BtnClick();
        return d.result();
    }));
    EXPECT_EQ(topBeforeLiveChange, 10);
    EXPECT_EQ(leftWhileOpen, 15);
    EXPECT_EQ(fields, QStringList({"12.0", "15.0", "9.0"}));
    // Cancel keeps what was applied live; the detail height never reached the report.
    EXPECT_EQ(report.Setup().topMargin, 12);
    EXPECT_EQ(report.Setup().leftMargin, 15);
    EXPECT_DOUBLE_EQ(report.BandHeight("Detail"), 7.1);
}

TEST_F(ReSizeDlgTest, OkAppliesMarginsAndDetailHeight) {
    EXPECT_TRUE(Open([](TReSizeDlg& d) {
        d.topMG_Edit->setText("13.5");
        d.botomMG_Edit->setText("12.5");
        d.LeftMG_Edit->setText("12.34");
        d.RightMG_Edit->setText("8");
        d.Height_Edit->setText("12");
        d.OK_BtnClick();
        return d.result();
    }));
    const report::PageSetup& setup = report.Setup();
    EXPECT_EQ(setup.topMargin, 14);
    EXPECT_EQ(setup.bottomMargin, 12);
    EXPECT_DOUBLE_EQ(setup.leftMargin, 12.34);
    EXPECT_DOUBLE_EQ(setup.rightMargin, 8);
    EXPECT_DOUBLE_EQ(report.BandHeight("Detail"), 12);
    EXPECT_TRUE(definition.CK_RESIZE);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ReSizeDlgTest, StoreStopsSilentlyAtTheFirstBadField) {
    const double before = 99;
    for (int bad = 0; bad < 5; ++bad) {
        SCOPED_TRACE(bad);
        ReportDefinition record;
        record.MG_TOP = record.MG_LEFT = record.MG_RIGHT = record.MG_BOTOM = record.DETAIL_HEIGHT = before;
        record.Orientation = 0;
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
            EXPECT_EQ(stored[i], i < bad ? i + 1 : before) << i;
        EXPECT_EQ(record.Orientation, 0);
        EXPECT_TRUE(record.CK_RESIZE);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ReSizeDlgTest, SaveAsksWithTheTitleAndKeepsThePaperSource) {
    struct Case {
        std::string title;
        MessageButton answer;
    } cases[] = {{"", MessageButton::Yes}, {"更新したファイル", MessageButton::No}};
    report.Printer().paperSource = 4;
    for (const Case& c : cases) {
        messages.shown.clear();
        messages.answers = {c.answer};
        definition.TITLE = c.title;
        definition.OUTPUTBIN_NO = 0;
        EXPECT_TRUE(Open([](TReSizeDlg& d) {
            d.topMG_Edit->setText("20");
            d.Save_BtnClick();
            return d.result();
        }));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, c.title + "の余白設定を更新しますか？");
        EXPECT_EQ(messages.shown[0].kind, MessageKind::Plain);
        EXPECT_EQ(messages.shown[0].buttons, unsigned(YesButton | NoButton));
        EXPECT_EQ(definition.OUTPUTBIN_NO, 4);
        EXPECT_EQ(report.Setup().topMargin, 20);
    }
}

TEST_F(ReSizeDlgTest, ColumnCountBelowOneIsNotApplied) {
    // A stopped store on a fresh record leaves COLUMNS at 0.
    EXPECT_TRUE(Open([](TReSizeDlg& d) {
        d.topMG_Edit->setText("x");
        d.OK_BtnClick();
        return d.result();
    }));
    EXPECT_EQ(definition.COLUMNS, 0);
    EXPECT_EQ(report.Setup().columns, 2);

    Open([](TReSizeDlg& d) {
        d.Columns_Edit->setText("3");
        d.Columns_EditChange();
        d.Close_BtnClick();
        return d.result();
    });
    EXPECT_EQ(report.Setup().columns, 3);
}

TEST_F(ReSizeDlgTest, NothingIsAppliedWhileLoadingOrAfterClosing) {
    TReSizeDlg dialog(definition, messages);
    dialog.SetReport(&report);
    dialog.SetDetailHeight(7.1);
    // Before the first load the handlers stay quiet.
    dialog.LeftMG_Edit->setText("33");
    dialog.LeftMG_EditChange();
    EXPECT_EQ(report.Setup().leftMargin, 10);

    // The orientation choice set by Load is not a change of the user's.
    definition.Orientation = 1;
    dialog.Load();
    EXPECT_EQ(report.GetOrientation(), report::Orientation::Portrait);
    EXPECT_TRUE(dialog.Landscape_Radio->isChecked());

    // A typed value left in a field as the window closes stays unapplied.
    dialog.show();
    QTest::keyClicks(dialog.LeftMG_Edit, "4");
    dialog.Close_BtnClick();
    emit dialog.LeftMG_Edit->editingFinished();
    EXPECT_EQ(report.Setup().leftMargin, 10);
}

TEST_F(ReSizeDlgTest, TypedDetailHeightSurvivesALiveChange) {
    EXPECT_TRUE(Open([](TReSizeDlg& d) {
        d.Height_Edit->setText("11");
        Type(d.RightMG_Edit, "6");
        d.OK_BtnClick();
        return d.result();
    }));
    EXPECT_DOUBLE_EQ(report.BandHeight("Detail"), 11);
    EXPECT_DOUBLE_EQ(report.Setup().rightMargin, 6);
}

TEST_F(ReSizeDlgTest, ARefusedLayoutIsReportedNotThrownThroughTheWindow) {
    bool shownWhileOpen = false;
    Open([&](TReSizeDlg& d) {
        report.onNeedData = [&](report::Report&, bool& more) {
            more = false;
            // A generation is running: the report refuses any change.
            d.RightMG_Edit->setText("6");
            d.RightMG_EditChange();
            shownWhileOpen = !messages.shown.empty();
        };
        report::PageStore store;
        report.Generate(store, false);
        d.Close_BtnClick();
        return d.result();
    });
    EXPECT_TRUE(shownWhileOpen);
    EXPECT_EQ(report.Setup().rightMargin, 10);
}

} // namespace

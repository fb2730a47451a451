// The preview window's states: waiting, ready, closing, and what it reads and writes in the settings file.

#include "PrevFormTestFixture.h"

#include <QMenu>
#include <QSlider>
#include <QSpinBox>

namespace hozonix::printing {
namespace {

using test::NumberedLines;

class PrevFormStateTest : public test::PrevFormTest {};

std::vector<QToolButton*> PageTools(TPrevForm& w) {
    return {w.ReSize_Btn, w.ToWidth_Btn, w.ToFit_Btn, w.Layout_Btn, w.Size_Btn, w.Title_Btn, w.Print_Btn};
}

TEST_F(PrevFormStateTest, WaitsForTheFirstPageThenIsReady) {
    TPrevForm waiting(Services());
    EXPECT_EQ(waiting.windowTitle(), QStringLiteral("レポート"));
    EXPECT_EQ(waiting.StatusText(), QStringLiteral("印刷の準備中です...そのままお待ち下さい"));
    for (QToolButton* tool : PageTools(waiting))
        EXPECT_FALSE(tool->isEnabled()) << tool->objectName().toStdString();
    waiting.show();
    EXPECT_FALSE(waiting.Close_Btn->isEnabled());
    waiting.hide();

    Then([&] {
        TPrevForm& w = Window();
        for (QToolButton* tool : PageTools(w))
            EXPECT_TRUE(tool->isEnabled()) << tool->objectName().toStdString();
        EXPECT_TRUE(w.Close_Btn->isEnabled());
        EXPECT_TRUE(w.Label_Btn->isEnabled()); // two columns
        EXPECT_EQ(w.StatusText(), QStringLiteral("印刷できます"));
        EXPECT_EQ(w.windowTitle(), QStringLiteral("失敗一覧"));
        EXPECT_EQ(w.Page_SpinEdit->maximum(), 3);
        EXPECT_EQ(w.FirstPage_Edit->maximum(), 3);
        EXPECT_EQ(w.LastPage_Edit->maximum(), 3);
        EXPECT_EQ(w.Preview1->Zoom(), 70);
        CloseWindow();
    });
    PrintWithSteps("失敗一覧", NumberedLines(160));
}

TEST_F(PrevFormStateTest, SettingDlgOffStartsWithTheSettingPanel) {
    struct Case {
        const char* stored; // nullptr: no key
        bool ticked;
    } cases[] = {{"OFF", false}, {"ON", true}, {"off", true}, {"", true}, {nullptr, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(none)");
        settings.EraseSection("PRINTER");
        if (c.stored != nullptr)
            settings.WriteIniString("PRINTER", "Setting_Dlg", c.stored);
        TPrevForm w(Services());
        EXPECT_EQ(w.Print_Dlg->isChecked(), c.ticked);
        EXPECT_EQ(w.Setting_Panel->isHidden(), c.ticked);
        w.Print_Dlg->trigger(); // the toggle shows the panel exactly when unticked
        EXPECT_EQ(w.Setting_Panel->isHidden(), !c.ticked);
    }
}

TEST_F(PrevFormStateTest, ClosingWritesTheThreeSettingsAndEndsTheWait) {
    Then([&] {
        Window().Layout_Btn->click(); // landscape; waits until the window closes
    });
    Then([&] {
        EXPECT_EQ(Store()->Setup().orientation, report::Orientation::Landscape);
        Window().Print_Dlg->trigger();
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(5));
    EXPECT_EQ(settings.ReadIniInteger("SYSTEM", "RP_Orientation"), 1);
    EXPECT_EQ(settings.ReadIniString("SYSTEM", "RP_PaperSize"), "A4");
    EXPECT_EQ(settings.ReadIniString("PRINTER", "Setting_Dlg"), "OFF");
    EXPECT_EQ(state.LastPageTotal, 1);
    EXPECT_EQ(state.LabelSkipCount, 0);
    EXPECT_EQ(state.LabelsSkipped, 0);
}

TEST_F(PrevFormStateTest, ClosingWhileGeneratingAsksFirst) {
    // Yes keeps the window open; once the pages are there, closing hides it.
    messages.answers = {MessageButton::Yes};
    Then([&] { CloseWindow(); }, [&] { return Generating() && Printing().PrevForm()->isVisible(); });
    Then([&] {
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].kind, MessageKind::Confirmation);
        EXPECT_EQ(messages.shown[0].text,
                  "終了準備中です\r\nしばらくしてからもう一度印刷を試みる場合は[はい]\r\n"
                  "中止する場合は[いいえ]");
        EXPECT_TRUE(Window().isVisible());
        EXPECT_EQ(Store()->PageCount(), 6);
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(400));
    EXPECT_FALSE(Window().isVisible());

    // No hides the window and stops the generation; the print returns.
    messages.answers = {MessageButton::No};
    Then([&] { CloseWindow(); }, [&] { return Generating() && Printing().PrevForm()->isVisible(); });
    PrintWithSteps("一覧", NumberedLines(400));
    EXPECT_FALSE(Window().isVisible());
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(Printing().ListReportForm(), nullptr);
}

} // namespace
} // namespace hozonix::printing

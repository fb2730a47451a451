// The preview window's states: waiting, ready, closing, and what it reads and writes in the settings file.

#include "PreviewWindowTestFixture.h"

#include <QMenu>
#include <QSlider>
#include <QSpinBox>

namespace hozonix::preview {
namespace {

using test::NumberedLines;

class PreviewWindowStateTest : public test::PreviewWindowTest {};

std::vector<QToolButton*> PageTools(PreviewWindow& w) {
    return {w.PageLayoutButton(), w.FitWidthButton(), w.FitPageButton(), w.OrientationButton(),
            w.PaperButton(),      w.TitleButton(),    w.PrintButton()};
}

TEST_F(PreviewWindowStateTest, WaitsForTheFirstPageThenIsReady) {
    PreviewWindow waiting(Services());
    EXPECT_EQ(waiting.windowTitle(), QStringLiteral("レポート"));
    EXPECT_EQ(waiting.StatusText(), QStringLiteral("印刷の準備中です...そのままお待ち下さい"));
    for (QToolButton* tool : PageTools(waiting))
        EXPECT_FALSE(tool->isEnabled()) << tool->objectName().toStdString();
    waiting.show();
    EXPECT_FALSE(waiting.CloseButton()->isEnabled());
    waiting.hide();

    Then([&] {
        PreviewWindow& w = Window();
        for (QToolButton* tool : PageTools(w))
            EXPECT_TRUE(tool->isEnabled()) << tool->objectName().toStdString();
        EXPECT_TRUE(w.CloseButton()->isEnabled());
        EXPECT_TRUE(w.LabelSkipButton()->isEnabled()); // two columns
        EXPECT_EQ(w.StatusText(), QStringLiteral("印刷できます"));
        EXPECT_EQ(w.windowTitle(), QStringLiteral("失敗一覧"));
        EXPECT_EQ(w.PageSpin()->maximum(), 3);
        // The print range is not held to the pages of the moment (a generation starts with one).
        EXPECT_GT(w.FirstPageSpin()->maximum(), 3);
        EXPECT_GT(w.LastPageSpin()->maximum(), 3);
        EXPECT_EQ(w.Preview()->Zoom(), 70);
        CloseWindow();
    });
    PrintWithSteps("失敗一覧", NumberedLines(160));
}

TEST_F(PreviewWindowStateTest, PrintThroughDialogOffStartsWithThePrintSettingsPanel) {
    struct Case {
        const char* stored; // nullptr: no key
        bool ticked;
    } cases[] = {{"OFF", false}, {"ON", true}, {"off", true}, {"", true}, {nullptr, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(none)");
        settings.EraseSection("PRINTER");
        if (c.stored != nullptr)
            settings.WriteIniString("PRINTER", "Setting_Dlg", c.stored);
        PreviewWindow w(Services());
        EXPECT_EQ(w.PrintThroughDialogItem()->isChecked(), c.ticked);
        EXPECT_EQ(w.PrintSettingsPanel()->isHidden(), c.ticked);
        w.PrintThroughDialogItem()->trigger(); // the toggle shows the panel exactly when unticked
        EXPECT_EQ(w.PrintSettingsPanel()->isHidden(), !c.ticked);
    }
}

TEST_F(PreviewWindowStateTest, ClosingWritesTheThreeSettingsAndEndsTheWait) {
    Then([&] {
        Window().OrientationButton()->click(); // landscape; waits until the window closes
    });
    Then([&] {
        EXPECT_EQ(Store()->Setup().orientation, report::Orientation::Landscape);
        Window().PrintThroughDialogItem()->trigger();
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

TEST_F(PreviewWindowStateTest, ClosingWhileGeneratingAsksFirst) {
    // Yes keeps the window open; once the pages are there, closing hides it.
    messages.answers = {MessageButton::Yes};
    Then([&] { CloseWindow(); }, [&] { return Generating() && Printing().Window()->isVisible(); });
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
    Then([&] { CloseWindow(); }, [&] { return Generating() && Printing().Window()->isVisible(); });
    PrintWithSteps("一覧", NumberedLines(400));
    EXPECT_FALSE(Window().isVisible());
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(Printing().CurrentListReport(), nullptr);
}

} // namespace
} // namespace hozonix::preview

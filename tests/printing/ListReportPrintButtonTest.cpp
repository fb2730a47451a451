// The message list's print button through the list report and the preview window, with the print's wait
// ended by closing the window.

#include "MessageListDialog.h"
#include "PrevFormTestFixture.h"

#include <QPlainTextEdit>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

namespace hozonix::printing {
namespace {

using test::NumberedLines;

class ListReportPrintButtonTest : public test::PrevFormTest {};

TEST_F(ListReportPrintButtonTest, PrintButtonPrintsTheEditedLinesUnderTheDialogsTitle) {
    ui::MessageListOwner owner(settings, messages, pickers, fallback);
    owner.ShowMessageList("更新済みファイル一覧", {"a.txt", "b.txt"});
    ui::MessageListDialog* dialog = owner.Dialog();
    EXPECT_FALSE(dialog->PrintButton()->isEnabled());
    owner.SetPrintHandler(Printing().PrintHandler());
    EXPECT_TRUE(dialog->PrintButton()->isEnabled());
    dialog->TextBox()->setPlainText("a.txt\nb2.txt\nc.txt\n");

    QStringList shownLines;
    Then([&] {
        EXPECT_EQ(Window().windowTitle(), QStringLiteral("更新済みファイル一覧"));
        EXPECT_EQ(Window().Page_SpinEdit->value(), 1);
        EXPECT_EQ(Store()->PageCount(), 1);
        shownLines = state.ReportLines;
        ASSERT_NE(Printing().ListReportForm(), nullptr);
        EXPECT_EQ(state.CurrentReport, &Printing().ListReportForm()->Report1);
        CloseWindow();
    });
    Arm();
    dialog->PrintButton()->click(); // returns once the window has closed
    EXPECT_EQ(shownLines, (QStringList{"a.txt", "b2.txt", "c.txt"}));
    EXPECT_EQ(Printing().ListReportForm(), nullptr);
    EXPECT_EQ(state.CurrentReport, nullptr); // the form is gone, and so is the reference
    EXPECT_FALSE(Window().isVisible());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ListReportPrintButtonTest, SecondPrintReusesTheWindowAtPageOneWithItsSettings) {
    Then([&] {
        EXPECT_EQ(Window().Page_SpinEdit->maximum(), 2);
        EXPECT_EQ(state.LastPageTotal, 2);
        Window().Page_SpinEdit->setValue(2);
        EXPECT_EQ(Window().Preview1->PageNumber(), 2);
        EXPECT_EQ(Window().FirstPage_Edit->value(), 2);
        Window().Zoom_TrackBar->setValue(120);
        Window().Print_BK->setChecked(true);
        CloseWindow();
    });
    PrintWithSteps("一回目", NumberedLines(100));
    EXPECT_EQ(state.LastPageTotal, 1);
    TPrevForm* first = &Window();

    Then([&] {
        EXPECT_EQ(&Window(), first);
        EXPECT_EQ(Window().Page_SpinEdit->value(), 1);
        EXPECT_EQ(Window().Preview1->PageNumber(), 1);
        EXPECT_EQ(Window().Zoom_TrackBar->value(), 120);
        EXPECT_EQ(Window().lb_Zoom->text(), "120%");
        EXPECT_EQ(Window().Preview1->Zoom(), 120);
        EXPECT_TRUE(Window().Print_BK->isChecked());
        EXPECT_EQ(Window().windowTitle(), QStringLiteral("二回目"));
        CloseWindow();
    });
    PrintWithSteps("二回目", NumberedLines(3));
}

TEST_F(ListReportPrintButtonTest, PressingPrintAgainDuringAPreviewKeepsTheReportInUse) {
    Then([&] {
        TListReportForm* form = Printing().ListReportForm();
        Printing().PrintList("別の一覧", {"x"});
        EXPECT_EQ(Printing().ListReportForm(), form);
        EXPECT_TRUE(Window().isVisible());
        EXPECT_EQ(state.ReportLines, QStringList{"first"});
        CloseWindow();
    });
    PrintWithSteps("一覧", {"first"});
    EXPECT_EQ(Printing().ListReportForm(), nullptr);
}

TEST_F(ListReportPrintButtonTest, EmptyListShowsNoPageAndTheWindowStillCloses) {
    Then(
        [&] {
            EXPECT_EQ(Store()->PageCount(), 0);
            EXPECT_TRUE(Window().Close_Btn->isEnabled());
            EXPECT_FALSE(Window().Print_Btn->isEnabled());
            EXPECT_EQ(Window().StatusText(), QStringLiteral("印刷するページがありません"));
            CloseWindow();
        },
        [&] { return Ready(); });
    PrintWithSteps("空の一覧", {});
    EXPECT_FALSE(Window().isVisible());
}

TEST_F(ListReportPrintButtonTest, WindowPlacementIsRestoredAtCreationAndStoredAtTheEnd) {
    settings.WriteIniString("LAST_Position", "PrevForm", "30,40,700,500");
    Then([&] {
        EXPECT_EQ(Window().pos(), QPoint(30, 40));
        EXPECT_EQ(Window().size(), QSize(700, 500));
        Window().move(50, 60);
        CloseWindow();
    });
    PrintWithSteps("一覧", {"a"});
    printing.reset();
    EXPECT_EQ(settings.ReadIniString("LAST_Position", "PrevForm"), "50,60,700,500");
}

} // namespace
} // namespace hozonix::printing

// The message list's print button through the list report and the preview window, with the print's wait
// ended by closing the window.

#include "ui/MessageListDialog.h"

#include "PreviewWindowTestFixture.h"

#include <QPlainTextEdit>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

namespace hozonix::preview {
namespace {

using test::NumberedLines;

class ListReportPrintButtonTest : public test::PreviewWindowTest {};

TEST_F(ListReportPrintButtonTest, PrintButtonPrintsTheEditedLinesUnderTheDialogsTitle) {
    ui::MessageListOwner owner(settings, messages, pickers, fallback);
    owner.ShowMessageList("更新済みファイル一覧", {"a.txt", "b.txt"});
    ui::MessageListDialog* dialog = owner.Dialog();
    EXPECT_FALSE(dialog->PrintButton()->isEnabled());
    owner.SetPrintHandler(Printing().PrintHandler());
    EXPECT_TRUE(dialog->PrintButton()->isEnabled());
    dialog->TextBox()->setPlainText("a.txt\nb2.txt\nc.txt\n");

    engine::PathList shownLines;
    Then([&] {
        EXPECT_EQ(Window().windowTitle(), QStringLiteral("更新済みファイル一覧"));
        EXPECT_EQ(Window().PageSpin()->value(), 1);
        EXPECT_EQ(Store()->PageCount(), 1);
        shownLines = state.ReportLines;
        ASSERT_NE(Printing().CurrentListReport(), nullptr);
        EXPECT_EQ(state.CurrentReport, &Printing().CurrentListReport()->Report());
        CloseWindow();
    });
    Arm();
    dialog->PrintButton()->click(); // returns once the window has closed
    EXPECT_EQ(shownLines, (engine::PathList{"a.txt", "b2.txt", "c.txt"}));
    EXPECT_EQ(Printing().CurrentListReport(), nullptr);
    EXPECT_EQ(state.CurrentReport, nullptr); // the form is gone, and so is the reference
    EXPECT_FALSE(Window().isVisible());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ListReportPrintButtonTest, SecondPrintReusesTheWindowAtPageOneWithItsSettings) {
    Then([&] {
        EXPECT_EQ(Window().PageSpin()->maximum(), 2);
        EXPECT_EQ(state.LastPageTotal, 2);
        Window().PageSpin()->setValue(2);
        EXPECT_EQ(Window().Preview()->PageNumber(), 2);
        EXPECT_EQ(Window().FirstPageSpin()->value(), 2);
        Window().ZoomSlider()->setValue(120);
        Window().BackgroundPrintItem()->setChecked(true);
        CloseWindow();
    });
    PrintWithSteps("一回目", NumberedLines(100));
    EXPECT_EQ(state.LastPageTotal, 1);
    PreviewWindow* first = &Window();

    Then([&] {
        EXPECT_EQ(&Window(), first);
        EXPECT_EQ(Window().PageSpin()->value(), 1);
        EXPECT_EQ(Window().Preview()->PageNumber(), 1);
        EXPECT_EQ(Window().ZoomSlider()->value(), 120);
        EXPECT_EQ(Window().ZoomLabel()->text(), "120%");
        EXPECT_EQ(Window().Preview()->Zoom(), 120);
        EXPECT_TRUE(Window().BackgroundPrintItem()->isChecked());
        EXPECT_EQ(Window().windowTitle(), QStringLiteral("二回目"));
        CloseWindow();
    });
    PrintWithSteps("二回目", NumberedLines(3));
}

TEST_F(ListReportPrintButtonTest, ThePagesAreKeptInThePageFolderUntilThePrintEnds) {
    test::TempFolder pages;
    pageFolder = pages.Path();
    Then([&] {
        EXPECT_EQ(test::OpenFilesIn(pages.Path()), 1);
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(100));
    EXPECT_EQ(test::OpenFilesIn(pages.Path()), 0);
}

TEST_F(ListReportPrintButtonTest, PressingPrintAgainDuringAPreviewKeepsTheReportInUse) {
    Then([&] {
        ListReport* form = Printing().CurrentListReport();
        Printing().PrintList("別の一覧", {"x"});
        EXPECT_EQ(Printing().CurrentListReport(), form);
        EXPECT_TRUE(Window().isVisible());
        EXPECT_EQ(state.ReportLines, engine::PathList{"first"});
        CloseWindow();
    });
    PrintWithSteps("一覧", {"first"});
    EXPECT_EQ(Printing().CurrentListReport(), nullptr);
}

TEST_F(ListReportPrintButtonTest, EmptyListShowsNoPageAndTheWindowStillCloses) {
    Then(
        [&] {
            EXPECT_EQ(Store()->PageCount(), 0);
            EXPECT_TRUE(Window().CloseButton()->isEnabled());
            EXPECT_FALSE(Window().PrintButton()->isEnabled());
            EXPECT_EQ(Window().StatusText(), QStringLiteral("印刷するページがありません"));
            CloseWindow();
        },
        [&] { return Ready(); });
    PrintWithSteps("空の一覧", {});
    EXPECT_FALSE(Window().isVisible());
}

TEST_F(ListReportPrintButtonTest, WindowPlacementIsRestoredAtCreationAndStoredAtTheEnd) {
    settings.WriteIniString("LAST_Position", "PrevForm", "30,40,700,500");
    QSize shown;
    Then([&] {
        // Restored, then grown as far as the page at its zoom needs and the screen allows.
        const QRect screen = Window().screen()->availableGeometry();
        EXPECT_TRUE(screen.contains(Window().frameGeometry()));
        EXPECT_EQ(Window().x(), 30);
        EXPECT_GE(Window().width(), 700);
        EXPECT_GE(Window().height(), 500);
        Window().move(50, 60);
        shown = Window().size();
        CloseWindow();
    });
    PrintWithSteps("一覧", {"a"});
    printing.reset();
    EXPECT_EQ(settings.ReadIniString("LAST_Position", "PrevForm"),
              "50,60," + std::to_string(shown.width()) + "," + std::to_string(shown.height()));
}

} // namespace
} // namespace hozonix::preview

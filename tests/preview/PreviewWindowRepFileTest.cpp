// Saving the shown pages as a ".REP" file and opening it again, through the preview window's menu.

#include "PageImages.h"
#include "PdfText.h"
#include "PreviewWindowTestFixture.h"

#include <QMenu>
#include <QSpinBox>
#include <QTimer>

#include <sys/stat.h>

namespace hozonix::preview {
namespace {

using test::NumberedLines;

class PreviewWindowRepFileTest : public test::PreviewWindowTest {
protected:
    std::vector<QImage> Images() {
        std::vector<QImage> images;
        for (int page = 1; page <= Store()->PageCount(); ++page)
            images.push_back(test::RenderForComparison(*Store(), page));
        return images;
    }
};

TEST_F(PreviewWindowRepFileTest, SavedPagesOpenAgainAndBadFilesAreRefused) {
    const std::string saved = dir / "一覧.REP";
    std::vector<QImage> savedImages;
    Then([&] {
        fileDialogs.answers = {saved};
        Window().SaveReportItem()->trigger();
        ASSERT_EQ(fileDialogs.calls.size(), 1u);
        EXPECT_EQ(fileDialogs.calls[0].kind, ui::FileDialogKind::Save);
        EXPECT_EQ(fileDialogs.calls[0].settings.Title, "レポートを保存");
        EXPECT_EQ(fileDialogs.calls[0].settings.DefaultExt, "REP");
        EXPECT_EQ(fileDialogs.calls[0].settings.Filter, "レポート (*.REP)|*.REP");
        ASSERT_TRUE(test::PathExists(saved));
        savedImages = Images();
        dialogs.inputAnswers = {QStringLiteral("別の題")};
        Window().TitleButton()->click(); // other pages in the window
    });
    Then([&] {
        ASSERT_EQ(Store()->PageCount(), 2);
        EXPECT_NE(Images()[0], savedImages[0]);
        Window().PageSpin()->setValue(2);
        fileDialogs.answers = {saved};
        Window().OpenReportItem()->trigger();
        EXPECT_EQ(fileDialogs.calls.back().kind, ui::FileDialogKind::Open);
        EXPECT_EQ(fileDialogs.calls.back().settings.Title, "レポートを開く");
        EXPECT_EQ(fileDialogs.calls.back().settings.Filter, "レポート (*.REP)|*.REP");
        EXPECT_EQ(Window().PageSpin()->value(), 1); // shown again from the first page
        EXPECT_EQ(Images(), savedImages);

        // A foreign file, a damaged one and a pipe are refused with a message each and leave the pages as
        // they are; a cancelled dialog does nothing.
        const std::string foreign = dir / "foreign.REP", damaged = dir / "damaged.REP",
                          pipe = dir / "pipe.REP";
        test::WriteFile(foreign, "%PDF-1.4 not a report");
        std::string bytes = test::ReadFile(saved);
        bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x55);
        test::WriteFile(damaged, bytes);
        ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
        fileDialogs.answers = {foreign, damaged, pipe, std::nullopt};
        for (int i = 0; i < 4; ++i)
            Window().OpenReportItem()->trigger();
        EXPECT_EQ(Images(), savedImages);
        const std::string head = "レポートファイルを読み込めません\r\n";
        ASSERT_EQ(messages.shown.size(), 3u);
        EXPECT_EQ(messages.shown[0].text, head + foreign + "\r\nレポートファイルではありません");
        EXPECT_EQ(messages.shown[1].text, head + damaged + "\r\nレポートファイルが壊れています");
        EXPECT_EQ(messages.shown[2].text, head + pipe + "\r\n通常のファイルではありません");
        EXPECT_EQ(messages.shown[0].kind, MessageKind::Plain);
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(100));
}

// A file is read off the window's thread: the window handles its events meanwhile, takes no command and
// cannot be closed, and shows the file's pages at the end.
TEST_F(PreviewWindowRepFileTest, AFileIsReadWhileTheWindowHandlesItsEvents) {
    const std::string saved = dir / "一覧.REP";
    bool handledWhileReading = false;
    Then([&] {
        fileDialogs.answers = {saved};
        Window().SaveReportItem()->trigger();
        const int pages = Store()->PageCount();
        QTimer::singleShot(0, &Window(), [&] {
            handledWhileReading = !Window().isEnabled();
            Window().close();
        });
        fileDialogs.answers = {saved};
        Window().OpenReportItem()->trigger();
        EXPECT_TRUE(handledWhileReading);
        EXPECT_TRUE(Window().isVisible());
        EXPECT_TRUE(Window().isEnabled());
        EXPECT_EQ(Store()->PageCount(), pages);
        CloseWindow();
    });
    PrintWithSteps("一覧", NumberedLines(3000));
}

TEST_F(PreviewWindowRepFileTest, PrintingAnOpenedFilePrintsItsPages) {
    const std::string saved = dir / "一覧.REP", pdf = dir / "一覧.pdf";
    Then([&] {
        fileDialogs.answers = {saved};
        Window().SaveReportItem()->trigger();
        dialogs.inputAnswers = {QStringLiteral("別の題")};
        Window().TitleButton()->click();
    });
    Then([&] {
        fileDialogs.answers = {saved};
        Window().OpenReportItem()->trigger();
        Window().PrintButton()->click(); // to the printer
        dialogs.printSettings.pdfFile = pdf;
        Window().PrintButton()->click(); // to a PDF file
        EXPECT_EQ(dialogs.printSettings.shownPrinter, "Alpha");
        EXPECT_EQ(Window().StatusText(), QStringLiteral("1～2ページを PDF ファイルに書き出しました: ") +
                                             QString::fromStdString(pdf));
        CloseWindow();
    });
    PrintWithSteps("元の題", NumberedLines(100));
    ASSERT_EQ(recordingJob.jobs.size(), 1u);
    EXPECT_EQ(recordingJob.jobs[0].pageCount, 2);
    ASSERT_EQ(test::PdfPages(pdf), 2);
    const QString first = test::PdfText(pdf, 1);
    EXPECT_TRUE(first.contains(QStringLiteral("元の題"))) << first.toStdString();
    EXPECT_FALSE(first.contains(QStringLiteral("別の題")));
    EXPECT_TRUE(test::PdfText(pdf, 2).contains(QStringLiteral("報告099.txt")));
}

} // namespace
} // namespace hozonix::preview

// Printing from the preview window to a private print server whose PDF queue writes each job to a file:
// the printer and tray chosen in printer setup, the pages and copies of the print dialog and the paper
// reach the job.

#include "preview/PrinterSetupDialog.h"
#include "printers/CupsPrinterPlatform.h"
#include "report/CupsPrintJob.h"

#include "CupsTestServer.h"
#include "PdfText.h"
#include "PreviewWindowTestFixture.h"

#include <QComboBox>

#include <fstream>

namespace hozonix::preview {
namespace {

using test::NumberedLines;
using test::PdfPages;
using test::PdfText;

class PreviewWindowCupsPrintTest : public test::PreviewWindowTest {
protected:
    void SetUp() override {
        try {
            server = std::make_unique<test::CupsTestServer>();
            server->AddQueue("Office", "drv:///sample.drv/generic.ppd");
            server->AddQueue("pdfq", "lsb/usr/cupsfilters/Fuji_Xerox-DocuPrint_CM305_df-PDF.ppd");
            server->SetDefault("Office");
        } catch (const std::exception& e) {
            FAIL() << e.what();
        }
        platformInUse = &cupsPlatform;
        job = &cupsJob;
    }
    void TearDown() override {
        printing.reset();
        info.reset();
        server.reset();
    }
    std::string ErrorLog() const { return test::ReadFile(server->Folder() + "/log/error_log"); }

    std::unique_ptr<test::CupsTestServer> server;
    printing::CupsPrinterPlatform cupsPlatform;
    report::CupsPrintJob cupsJob;
};

TEST_F(PreviewWindowCupsPrintTest, PageRangeCopiesPaperAndTrayReachThePrintServer) {
    dialogs.printerSetup = [&] {
        PrinterSetupDialog setup(Info());
        setup.Load();
        setup.PrinterCombo()->setCurrentIndex(setup.PrinterCombo()->findText("pdfq"));
        emit setup.PrinterCombo()->activated(setup.PrinterCombo()->currentIndex());
        const int tray = setup.BinCombo()->findText("手差し");
        if (tray < 0)
            return false;
        setup.BinCombo()->setCurrentIndex(tray);
        setup.Apply();
        return true;
    };
    std::string out;
    Then([&] { Window().PrinterSetupButton()->click(); });
    Then([&] {
        ASSERT_EQ(Store()->PageCount(), 2);
        EXPECT_EQ(definition.PrinterIndex, 1);
        dialogs.printSettings.edit = [](report::PrinterSettings& s) {
            s.firstPage = 2;
            s.lastPage = 2;
            s.copies = 2;
        };
        Window().ManualFeedItem()->setChecked(
            false); // ticked with the kept source; the tray, not manual feed
        Window().PrintButton()->click();
        ASSERT_TRUE(messages.shown.empty()) << messages.shown[0].text;
        ASSERT_TRUE(server->WaitForJobs()) << ErrorLog();
        out = server->OutputPath("pdfq");
        CloseWindow();
    });
    const std::vector<std::string> lines = NumberedLines(100);
    PrintWithSteps("更新済みファイル一覧", lines);
    ASSERT_FALSE(out.empty());

    EXPECT_EQ(PdfPages(out), 2); // page 2, twice
    for (int page : {1, 2}) {
        const QString text = PdfText(out, page);
        EXPECT_TRUE(text.contains(QString::fromStdString(lines[72]))) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromStdString(lines[99])));
        EXPECT_FALSE(text.contains(QString::fromStdString(lines[71])));
        EXPECT_FALSE(text.contains(QStringLiteral("更新済みファイル一覧"))); // the title is on page 1
    }
    const std::string log = ErrorLog();
    EXPECT_NE(log.find("InputSlot=BypassTray"), std::string::npos);
    EXPECT_NE(log.find("PageSize=A4"), std::string::npos);
}

// A printer without trays (a PDF queue) chosen after one with trays: no tray to ask for, and the job
// goes to the printer the dialog shows, on automatic feed, through the print dialog as well.
TEST_F(PreviewWindowCupsPrintTest, APrinterWithoutTraysCanBeChosenAndPrintedTo) {
    server->AddQueue("plain", "lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd");
    const auto choose = [&](const char* queue, const char* tray) {
        dialogs.printerSetup = [&, queue, tray] {
            PrinterSetupDialog setup(Info());
            setup.Load();
            setup.PrinterCombo()->setCurrentIndex(setup.PrinterCombo()->findText(queue));
            emit setup.PrinterCombo()->activated(setup.PrinterCombo()->currentIndex());
            if (tray != nullptr)
                setup.BinCombo()->setCurrentIndex(setup.BinCombo()->findText(tray));
            setup.Apply();
            return true;
        };
        Window().PrinterSetupButton()->click();
    };
    int manualFeed = 0;
    Then([&] { choose("pdfq", "手差し"); });
    Then([&] {
        manualFeed = state.CurrentReport->Printer().paperSource;
        EXPECT_NE(manualFeed, report::kSourceAuto);
        choose("plain", nullptr);
    });
    Then([&] {
        EXPECT_TRUE(messages.shown.empty()) << messages.shown[0].text;
        EXPECT_EQ(state.CurrentReport->Printer().paperSource, report::kSourceAuto);
        Window().PrintButton()->click();
        EXPECT_TRUE(messages.shown.empty()) << messages.shown[0].text;
        ASSERT_TRUE(server->WaitForJobs()) << ErrorLog();
        EXPECT_GT(test::ReadFile(server->OutputPath("plain")).size(), 0u);
        EXPECT_FALSE(std::ifstream(server->OutputPath("pdfq")).good()); // nothing went to the previous one
        // A PDF file through the same dialog.
        dialogs.printSettings.pdfFile = dir / "一覧.pdf";
        Window().PrintButton()->click();
        dialogs.printSettings.pdfFile.clear();
        EXPECT_TRUE(messages.shown.empty()) << messages.shown[0].text;
        EXPECT_EQ(PdfPages(dir / "一覧.pdf"), 1);
    });
    // And back to the printer with trays, on the tray chosen there.
    Then([&] { choose("pdfq", "手差し"); });
    Then([&] {
        EXPECT_EQ(state.CurrentReport->Printer().paperSource, manualFeed);
        Window().PrintButton()->click();
        EXPECT_TRUE(messages.shown.empty()) << messages.shown[0].text;
        ASSERT_TRUE(server->WaitForJobs()) << ErrorLog();
        EXPECT_GT(test::ReadFile(server->OutputPath("pdfq")).size(), 0u);
        CloseWindow();
    });
    PrintWithSteps("更新済みファイル一覧", NumberedLines(10));
}

} // namespace
} // namespace hozonix::preview

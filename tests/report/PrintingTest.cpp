#include "base/AppError.h"
#include "report/CupsPrintJob.h"
#include "report/PdfOutput.h"
#include "report/PrintProgressWindow.h"
#include "report/PrintSettingsWindow.h"
#include "report/ReportPrinting.h"

#include "CupsTestServer.h"
#include "PdfText.h"
#include "SampleListReport.h"
#include "TempFolder.h"

#include <QSignalSpy>
#include <QSpinBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace hozonix;
using namespace hozonix::report;
using hozonix::test::PdfPages;
using hozonix::test::PdfText;
using hozonix::test::RunTool;
using hozonix::test::TempFolder;

namespace {

// Keeps what it was given; can hold the submitting thread until the test lets it go.
class ScriptedJob : public PrintJob {
public:
    int Submit(const std::string& pdfPath, const PrintJobOptions& options) override {
        if (hold)
            release.get_future().wait();
        submitThread = std::this_thread::get_id();
        this->options = options;
        pdf = test::ReadFile(pdfPath);
        path = pdfPath;
        if (!refuse.empty())
            throw AppError(refuse);
        return 42;
    }
    PrintJobOptions options;
    std::string pdf, path, refuse;
    bool hold = false;
    std::promise<void> release;
    std::thread::id submitThread;
};

QStringList Lines(int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("行%1 日本語の一覧").arg(i, 3, 10, QLatin1Char('0'));
    return lines;
}

TEST(PrintingTest, JobOptionsFollowThePrinterSettings) {
    test::SampleListReport form;
    form.lines = Lines(300); // 3 pages of A3
    form.report.SetPaperSize(8);
    struct Case {
        int first, last, copies, source, upper;
        int expectFirst, expectLast, expectCopies;
        std::string expectSource;
    } cases[] = {
        {1, 0, 1, kSourceAuto, 1, 1, 3, 1, "auto"},     {2, 2, 2, kSourceManual, 1, 2, 2, 2, "manual"},
        {0, 9, 0, kSourceCassette, 1, 1, 3, 1, "main"}, {1, 0, 1, kSourceUpper, 1, 1, 3, 1, "top"},
        {1, 0, 1, kSourceUpper, 3, 1, 3, 1, "middle"}, // printer setup replaced "Upper"
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expectSource);
        form.report.Printer() = {c.first, c.last, c.copies, c.source, 2};
        form.report.PaperSources().SetUpperSource(c.upper);
        PageStore store;
        form.report.Generate(store, false);
        PrintRouting routing;
        routing.printerName = [](int index) { return "queue" + std::to_string(index); };
        const PrintJobOptions o = JobOptionsFor(store, routing);
        EXPECT_EQ(o.printerName, "queue2");
        EXPECT_EQ(o.firstPage, c.expectFirst);
        EXPECT_EQ(o.lastPage, c.expectLast);
        EXPECT_EQ(o.pageCount, 3);
        EXPECT_EQ(o.copies, c.expectCopies);
        EXPECT_EQ(o.mediaSource, c.expectSource);
        EXPECT_EQ(o.mediaWidthMm, 297);
        EXPECT_EQ(o.mediaHeightMm, 420);
    }
    // A printer's own tray number goes through the caller's mapping.
    form.report.PaperSources().SetUpperSource(257);
    form.report.Printer().paperSource = kSourceUpper;
    PageStore store;
    form.report.Generate(store, false);
    PrintRouting routing;
    routing.mediaSource = [](int number) { return number == 257 ? std::string("tray-2") : std::string(); };
    EXPECT_EQ(JobOptionsFor(store, routing).mediaSource, "tray-2");
    EXPECT_EQ(JobOptionsFor(store, routing).printerName, "");

    form.report.Printer().firstPage = 4;
    PageStore beyond;
    form.report.Generate(beyond, false);
    EXPECT_THROW(JobOptionsFor(beyond, routing), AppError);
    EXPECT_THROW(JobOptionsFor(PageStore(), routing), AppError);
}

TEST(PrintingTest, TwoPageReportBecomesATwoPagePdf) {
    test::SampleListReport form;
    form.report.SetTitle(QStringLiteral("更新したファイル"));
    form.lines = Lines(100);
    ScriptedJob job;
    PrintRouting routing{&job, {}, {}, "一覧", {}};
    form.report.Print(routing);

    ASSERT_EQ(job.pdf.substr(0, 5), "%PDF-");
    EXPECT_FALSE(test::PathExists(job.path)); // the temporary PDF is gone after submitting
    TempFolder dir;
    const std::string pdf = dir / "out.pdf";
    test::WriteFile(pdf, job.pdf);
    EXPECT_EQ(PdfPages(pdf), 2);
    EXPECT_TRUE(RunTool("pdfinfo", {QString::fromStdString(pdf)}).contains("(A4)"));
    const QString page1 = PdfText(pdf, 1), page2 = PdfText(pdf, 2);
    for (int i = 0; i < 100; ++i) {
        const QString line = form.lines[i].normalized(QString::NormalizationForm_KC);
        EXPECT_EQ(page1.contains(line), i < 72) << i;
        EXPECT_EQ(page2.contains(line), i >= 72) << i;
    }
    EXPECT_TRUE(page1.contains(QStringLiteral("更新したファイル")));
    EXPECT_FALSE(page2.contains(QStringLiteral("更新したファイル")));
}

TEST(PrintingTest, BackgroundPrintRunsOnAWorkerAndKeepsTheReportBusy) {
    test::SampleListReport form;
    form.lines = Lines(10);
    ScriptedJob job;
    job.hold = true;
    QSignalSpy finished(&form.report, &Report::backgroundPrintFinished);
    form.report.PrintInBackground(PrintRouting{&job, {}, {}, "bg", {}});

    EXPECT_FALSE(form.report.IsFree());
    EXPECT_THROW(form.report.SetTitle("x"), AppError);
    EXPECT_THROW(form.report.PrintInBackground(PrintRouting{&job, {}, {}, "again", {}}), AppError);
    job.release.set_value();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(finished.at(0).at(0).toString(), QString());
    EXPECT_TRUE(form.report.IsFree());
    EXPECT_NE(job.submitThread, std::this_thread::get_id());
    EXPECT_EQ(job.pdf.substr(0, 5), "%PDF-");

    ScriptedJob refusing;
    refusing.refuse = "プリンタが止まっています";
    form.report.PrintInBackground(PrintRouting{&refusing, {}, {}, "bg", {}});
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(finished.at(1).at(0).toString(), QStringLiteral("プリンタが止まっています"));
}

class RecordedProgress : public PrintProgress {
public:
    void Show() override { calls.push_back("show"); }
    void PageGenerated(int n) override { calls.push_back(std::to_string(n)); }
    void Hide() override { calls.push_back("hide"); }
    std::vector<std::string> calls;
};

TEST(PrintingTest, ForegroundPrintShowsProgressAndAlwaysHidesIt) {
    test::SampleListReport form;
    form.lines = Lines(100);
    ScriptedJob job;
    RecordedProgress progress;
    form.report.Print(PrintRouting{&job, {}, {}, "p", {}}, &progress);
    EXPECT_EQ(progress.calls, (std::vector<std::string>{"show", "1", "2", "hide"}));

    job.refuse = "紙がありません";
    progress.calls.clear();
    EXPECT_THROW(form.report.Print(PrintRouting{&job, {}, {}, "p", {}}, &progress), AppError);
    EXPECT_EQ(progress.calls.back(), "hide");

    PrintProgressWindow window;
    window.Show();
    window.PageGenerated(3);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.Text().contains("3"));
    window.Hide();
    EXPECT_FALSE(window.isVisible());
}

TEST(PrintingTest, PrintSettingsWindowEditsPagesAndCopies) {
    PrintSettingsWindow window;
    PrinterSettings settings{2, 5, 3, kSourceManual, 1};
    PrintDestination destination{"Office", {}};
    window.Load(settings, destination);
    EXPECT_EQ(window.firstPage->value(), 2);
    EXPECT_EQ(window.lastPage->value(), 5);
    EXPECT_EQ(window.copies->value(), 3);
    window.lastPage->setValue(1); // before the first page: to the end
    window.copies->setValue(4);
    window.Store(settings, destination);
    EXPECT_EQ(settings.lastPage, 0);
    EXPECT_EQ(settings.copies, 4);
    EXPECT_EQ(settings.paperSource, kSourceManual);

    // Through the report: OK applies the fields, Cancel keeps the settings and sets the tag.
    Report report("r");
    QTimer::singleShot(0, [&] {
        window.copies->setValue(7);
        window.accept();
    });
    EXPECT_TRUE(report.ShowPrinterSettingsDialog(window, destination));
    EXPECT_EQ(report.Printer().copies, 7);
    EXPECT_EQ(report.Tag(), 0);
    QTimer::singleShot(0, [&] {
        window.copies->setValue(9);
        window.reject();
    });
    EXPECT_FALSE(report.ShowPrinterSettingsDialog(window, destination));
    EXPECT_EQ(report.Printer().copies, 7);
    EXPECT_EQ(report.Tag(), 1);
}

TEST(PrintingTest, MediaNames) {
    EXPECT_EQ(MediaName(210, 297), "iso_a4_210x297mm");
    EXPECT_EQ(MediaName(297, 210), "iso_a4_210x297mm");
    EXPECT_EQ(MediaName(257, 364), "jis_b4_257x364mm");
    EXPECT_EQ(MediaName(100, 123), "custom_100x123mm_100x123mm");
}

// The real path: a private print server whose PDF queue writes the job to a file.
TEST(PrintingTest, PrintServerReceivesTheJobWithItsOptions) {
    std::unique_ptr<test::CupsTestServer> server;
    try {
        server = std::make_unique<test::CupsTestServer>();
    } catch (const std::exception& e) {
        GTEST_SKIP() << e.what();
    }
    ASSERT_NO_THROW(server->AddQueue("pdfq", "lsb/usr/cupsfilters/Fuji_Xerox-DocuPrint_CM305_df-PDF.ppd"));

    test::SampleListReport form;
    form.report.SetTitle(QStringLiteral("失敗したファイル"));
    form.lines = Lines(200); // 3 pages
    form.report.Printer().firstPage = 2;
    form.report.Printer().lastPage = 3;
    form.report.Printer().copies = 2;
    form.report.Printer().paperSource = kSourceManual;
    CupsPrintJob job(server->Address());
    PrintRouting routing{&job,
                         [](int) { return std::string("pdfq"); },
                         [](int number) { return number == 4 ? std::string("bypass-tray") : std::string(); },
                         "hozonix-test",
                         {}};
    PageStore store;
    form.report.Generate(store, false);
    const int id = PrintPages(store, routing).job;
    ASSERT_GT(id, 0);
    ASSERT_TRUE(server->WaitForJob(id)) << server->ErrorLog();

    const std::string out = server->OutputPath("pdfq");
    EXPECT_EQ(PdfPages(out), 4); // pages 2 and 3, twice
    const QString first = PdfText(out, 1), second = PdfText(out, 2), third = PdfText(out, 3);
    EXPECT_TRUE(first.contains(form.lines[72])) << first.toStdString();
    EXPECT_FALSE(first.contains(form.lines[0]));
    // Uncollated copies: 2, 2, 3, 3.
    EXPECT_TRUE(second.contains(form.lines[72]));
    EXPECT_TRUE(third.contains(form.lines[150]));
    EXPECT_FALSE(third.contains(form.lines[72]));
    const std::string log = server->ErrorLog();
    EXPECT_NE(log.find("InputSlot=BypassTray"), std::string::npos);
    EXPECT_NE(log.find("PageSize=A4"), std::string::npos);
}

} // namespace

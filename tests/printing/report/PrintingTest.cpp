#include "AppError.h"
#include "CupsPrintJob.h"
#include "CupsServer.h"
#include "ListForm.h"
#include "PdfOutput.h"
#include "ReportPrinting.h"
#include "TempFolder.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <future>
#include <thread>

using namespace hozonix;
using namespace hozonix::report;
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

QString RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString PdfText(const std::string& path, int page) {
    const QString n = QString::number(page);
    return RunTool("pdftotext", {"-f", n, "-l", n, QString::fromStdString(path), "-"})
        .normalized(QString::NormalizationForm_KC);
}

int PdfPages(const std::string& path) {
    const QString info = RunTool("pdfinfo", {QString::fromStdString(path)});
    const auto match = QRegularExpression("Pages:\\s+(\\d+)").match(info);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

TEST(PrintingTest, JobOptionsFollowThePrinterSettings) {
    test::ListForm form;
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
    test::ListForm form;
    form.report.SetTitle(QStringLiteral("更新したファイル"));
    form.lines = Lines(100);
    ScriptedJob job;
    PrintRouting routing{&job, {}, {}, "一覧"};
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
    test::ListForm form;
    form.lines = Lines(10);
    ScriptedJob job;
    job.hold = true;
    QSignalSpy finished(&form.report, &Report::backgroundPrintFinished);
    form.report.PrintInBackground(PrintRouting{&job, {}, {}, "bg"});

    EXPECT_FALSE(form.report.IsFree());
    EXPECT_THROW(form.report.SetTitle("x"), AppError);
    EXPECT_THROW(form.report.PrintInBackground(PrintRouting{&job, {}, {}, "again"}), AppError);
    job.release.set_value();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(finished.at(0).at(0).toString(), QString());
    EXPECT_TRUE(form.report.IsFree());
    EXPECT_NE(job.submitThread, std::this_thread::get_id());
    EXPECT_EQ(job.pdf.substr(0, 5), "%PDF-");

    ScriptedJob refusing;
    refusing.refuse = "プリンタが止まっています";
    form.report.PrintInBackground(PrintRouting{&refusing, {}, {}, "bg"});
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(finished.at(1).at(0).toString(), QStringLiteral("プリンタが止まっています"));
}

class ScriptedSettingsDialog : public PrintSettingsDialog {
public:
    bool Edit(PrinterSettings& s) override {
        s.copies = 5;
        return accept;
    }
    bool accept = true;
};

TEST(PrintingTest, PrinterSettingsDialogSetsTheTag) {
    Report report("r");
    ScriptedSettingsDialog dialog;
    dialog.accept = false;
    EXPECT_FALSE(report.ShowPrinterSettingsDialog(dialog));
    EXPECT_EQ(report.Tag(), 1);
    EXPECT_EQ(report.Printer().copies, 1);
    dialog.accept = true;
    EXPECT_TRUE(report.ShowPrinterSettingsDialog(dialog));
    EXPECT_EQ(report.Tag(), 0);
    EXPECT_EQ(report.Printer().copies, 5);
}

TEST(PrintingTest, MediaNames) {
    EXPECT_EQ(MediaName(210, 297), "iso_a4_210x297mm");
    EXPECT_EQ(MediaName(297, 210), "iso_a4_210x297mm");
    EXPECT_EQ(MediaName(257, 364), "jis_b4_257x364mm");
    EXPECT_EQ(MediaName(100, 123), "custom_100x123mm_100x123mm");
}

// The real path: a private print server whose PDF queue writes the job to a file.
TEST(PrintingTest, PrintServerReceivesTheJobWithItsOptions) {
    test::CupsServer server;
    if (!server.Running())
        GTEST_SKIP() << server.Failure();
    ASSERT_TRUE(server.AddQueue("pdfq", "lsb/usr/cupsfilters/Fuji_Xerox-DocuPrint_CM305_df-PDF.ppd"));

    test::ListForm form;
    form.report.SetTitle(QStringLiteral("失敗したファイル"));
    form.lines = Lines(200); // 3 pages
    form.report.Printer().firstPage = 2;
    form.report.Printer().lastPage = 3;
    form.report.Printer().copies = 2;
    form.report.Printer().paperSource = kSourceManual;
    CupsPrintJob job(server.Address());
    PrintRouting routing{&job, [](int) { return std::string("pdfq"); },
                         [](int number) { return number == 4 ? std::string("bypass-tray") : std::string(); },
                         "hozonix-test"};
    PageStore store;
    form.report.Generate(store, false);
    const int id = PrintPages(store, routing);
    ASSERT_GT(id, 0);
    ASSERT_TRUE(server.WaitForJob(id)) << server.ErrorLog();

    const std::string out = server.OutputOf("pdfq");
    EXPECT_EQ(PdfPages(out), 4); // pages 2 and 3, twice
    const QString first = PdfText(out, 1), second = PdfText(out, 2), third = PdfText(out, 3);
    EXPECT_TRUE(first.contains(form.lines[72])) << first.toStdString();
    EXPECT_FALSE(first.contains(form.lines[0]));
    // Uncollated copies: 2, 2, 3, 3.
    EXPECT_TRUE(second.contains(form.lines[72]));
    EXPECT_TRUE(third.contains(form.lines[150]));
    EXPECT_FALSE(third.contains(form.lines[72]));
    const std::string log = server.ErrorLog();
    EXPECT_NE(log.find("InputSlot=BypassTray"), std::string::npos);
    EXPECT_NE(log.find("PageSize=A4"), std::string::npos);
}

} // namespace

#include "preview/ListReportPrinting.h"

#include "preview/PreviewWindow.h"
#include "printers/PrinterInfo.h"
#include "ui/QtWindowGeometry.h"

#include <QEventLoop>

#include <malloc.h>

namespace hozonix::preview {

ListReportPrinting::ListReportPrinting(PreviewServices services) : s_(services) {}

ListReportPrinting::~ListReportPrinting() = default;

std::function<void(const std::string&, const engine::PathList&)> ListReportPrinting::PrintHandler() {
    return [this](const std::string& title, const engine::PathList& lines) { PrintList(title, lines); };
}

void ListReportPrinting::PrintList(const std::string& title, const engine::PathList& lines) {
    // A second press while a list is still in the preview would destroy the report the first press is
    // still waiting in: bring that preview forward instead.
    if (listReport_) {
        if (window_ && window_->isVisible()) {
            window_->raise();
            window_->activateWindow();
        }
        return;
    }
    struct DestroyListReport {
        std::unique_ptr<ListReport>& form;
        engine::PathList& lines; // a million lines are megabytes: not kept past the print
        ~DestroyListReport() {
            form.reset();
            lines.clear();
            // The copy of the lines went through the heap in blocks: give that room back to the system.
            malloc_trim(0);
        }
    } destroyListReport{listReport_, s_.state.ReportLines};
    listReport_ =
        std::make_unique<ListReport>(s_.state, [this](report::PageStore& store) { ShowPreview(store); });

    s_.state.ReportLines = lines;
    report::Report& report = listReport_->Report();
    report.SetTitle(QString::fromStdString(title));
    report.SetPageFolder(s_.pageFolder);
    StartOnSelectedPrinter(report);
    s_.state.CurrentReport = &report;
    report.Preview();

    // A background print started from the preview still generates from this form.
    while (!report.IsFree()) {
        QEventLoop loop;
        QObject::connect(&report, &report::Report::backgroundPrintFinished, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void ListReportPrinting::StartOnSelectedPrinter(report::Report& report) {
    // The paper menu and the printer information show the selected printer: the report prints there.
    int index = -1;
    try {
        index = s_.printerInfo.GetIndex();
    } catch (const AppError&) {
        // No printer, or the print server cannot be asked: the default printer, as at the start.
    }
    report.Printer().printerIndex = index;
    const std::optional<PrinterChoice>& chosen = s_.state.ChosenPrinter;
    if (chosen && chosen->printerIndex == index) {
        report.Printer().paperSource = chosen->paperSource;
        report.PaperSources().SetUpperSource(chosen->upperSource);
    }
}

void ListReportPrinting::ShowPreview(report::PageStore& store) {
    if (!window_) {
        window_ = std::make_unique<PreviewWindow>(s_);
        ui::QtWindowGeometry geometry(*window_, PreviewWindow::PlacementKey);
        RestoreWindowPlacement(s_.settings, geometry, s_.fallback);
    }
    window_->ShowOn(store);
}

void ListReportPrinting::ClosePreview() {
    if (window_ && window_->isVisible())
        window_->close();
}

} // namespace hozonix::preview

#pragma once
// The list report: the lines of ReportLines as rows of two newspaper columns on A4 paper, under a title
// block with the date and time, the report title and the page label "n／N"; later pages carry the page
// label alone. A line too long for its column wraps, and its row grows. The form lives for one press of
// the print button.

#include "preview/ListReportState.h"
#include "report/Report.h"

#include <functional>

namespace hozonix::preview {

class ListReport {
public:
    // `showPreview` opens the preview window on a new page store (ListReportPrinting::ShowPreview).
    ListReport(ListReportState& state, std::function<void(report::PageStore&)> showPreview);
    ListReport(const ListReport&) = delete;
    ListReport& operator=(const ListReport&) = delete;

    report::Report& Report() { return report_; }
    // The label of a detail row, which holds the line being printed.
    report::ReportLabel* LineLabel() const { return lineLabel_; }

    // The report's events: before generating, for each row, for the page label, and with the pages made.
    void BeforePrint(report::Report& report, bool& printReport);
    void NeedData(report::Report& report, bool& moreData);
    void PrintPageLabel(report::ReportLabel& label, QString& text);
    void OpenPreview(report::PageStore& store);

    // The index of the next line to hand to a detail row.
    int RowCursor() const { return cursor_; }

private:
    ListReportState& state_;
    std::function<void(report::PageStore&)> showPreview_;
    int cursor_ = 0;

    report::Report report_{"Report1"};
    report::Band* titleBand_;
    report::SystemField* dateTimeField_;
    report::SystemField* titleField_;
    report::ReportLabel* pageLabel_;
    report::Band* pageHeaderBand_;
    report::Band* detailBand_;
    report::ReportLabel* lineLabel_;
};

} // namespace hozonix::preview

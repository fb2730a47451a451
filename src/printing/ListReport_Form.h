#pragma once
// The list report: the lines of ReportLines as rows of two newspaper columns on A4 paper, under a title
// block with the date and time, the report title and the page label. The form lives for one press of
// the print button.

#include "ListReportState.h"
#include "Report.h"

#include <functional>

namespace hozonix::printing {

class TListReportForm {
public:
    // `showPreview` opens the preview window on a new page store (ShowPreview).
    TListReportForm(ListReportState& state, std::function<void(report::PageStore&)> showPreview);
    TListReportForm(const TListReportForm&) = delete;
    TListReportForm& operator=(const TListReportForm&) = delete;

    report::Report Report1{"Report1"};
    report::Band* TitleBand1;
    report::SystemField* SysData1;
    report::SystemField* SysData2;
    report::ReportLabel* PAGE_COUNT;
    report::Band* Detail;
    report::ReportLabel* Data_Label;

    void ListReportFormBeforePrint(report::Report& sender, bool& printReport);
    void ListReportFormNeedData(report::Report& sender, bool& moreData);
    void PAGE_COUNTPrint(report::ReportLabel& sender, QString& text);
    void Report1Preview(report::PageStore& sender);

    // The index of the next line to hand to a detail row.
    int RowCursor() const { return cursor_; }

private:
    ListReportState& state_;
    std::function<void(report::PageStore&)> showPreview_;
    int cursor_ = 0;
};

} // namespace hozonix::printing

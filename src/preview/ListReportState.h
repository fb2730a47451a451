#pragma once
// The printing state the print button, the list report and the preview window share for the whole
// program run. One instance, created at start and handed to each of them.

#include "report/Report.h"

#include <QPointer>
#include <QStringList>

namespace hozonix::printing {

struct ListReportState {
    // The lines of the list being printed, one detail row each.
    QStringList ReportLines;
    // The report the preview window acts on. It empties itself when the report goes, so a hidden preview
    // window never reaches a report that no longer exists.
    QPointer<report::Report> CurrentReport;
    // The page count the preview last received; the list report prints it as the total.
    int LastPageTotal = 1;
    // The label-skip request made in the preview window; the list report does not read them.
    int LabelSkipCount = 0;
    int LabelsSkipped = 1;
};

} // namespace hozonix::printing

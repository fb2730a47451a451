#pragma once
// The printing state the print button, the list report and the preview window share for the whole
// program run. One instance, created at start and handed to each of them.

#include "engine/PathList.h"
#include "report/Report.h"

#include <QPointer>
#include <QStringList>

#include <optional>

namespace hozonix::preview {

// What printer setup chose: the printer (an index among the visible printers), the paper source and the
// printer's tray number that "Upper" stands for.
struct PrinterChoice {
    int printerIndex = -1;
    int paperSource = report::kSourceAuto;
    int upperSource = 1;
};

struct ListReportState {
    // The lines of the list being printed, one detail row each, kept compact: a list can hold a million.
    engine::PathList ReportLines;
    // The report the preview window acts on. It empties itself when the report goes, so a hidden preview
    // window never reaches a report that no longer exists.
    QPointer<report::Report> CurrentReport;
    // The page count the preview last received.
    int LastPageTotal = 1;
    // The last choice of printer setup in this session; every later report starts with it while that
    // printer stays selected.
    std::optional<PrinterChoice> ChosenPrinter;
    // The label-skip request made in the preview window; the list report does not read them.
    int LabelSkipCount = 0;
    int LabelsSkipped = 1;
};

} // namespace hozonix::preview

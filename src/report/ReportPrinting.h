#pragma once
// Printing stored pages: they become one PDF, which a print job submits with the printer settings of
// the store as job options.

#include "report/PageStore.h"
#include "report/PrintJob.h"

#include <functional>
#include <string>

namespace hozonix::report {

struct PrintRouting {
    PrintJob* job = nullptr;
    // The printer of a printer index; without it, or when it answers "", the default printer.
    std::function<std::string(int printerIndex)> printerName;
    // The media-source keyword of a printer source number; without it StandardMediaSource.
    std::function<std::string(int printerSourceNumber)> mediaSource;
    std::string title;
};

// The usual keyword of the fixed printer source numbers (1 "top", 4 "manual", 7 "auto" ...), or "" for
// a number without one, which leaves the choice to the printer.
std::string StandardMediaSource(int printerSourceNumber);

// The job options for printing the store. Raises AppError when the store holds no page or the page
// range selects none.
PrintJobOptions JobOptionsFor(const PageStore& store, const PrintRouting& routing);

// Prints the store's pages; returns the job number. Raises AppError.
int PrintPages(const PageStore& store, const PrintRouting& routing);

// The printer-settings dialog: edits first and last page and copies; false when cancelled.
class PrintSettingsDialog {
public:
    virtual ~PrintSettingsDialog() = default;
    virtual bool Edit(PrinterSettings& settings) = 0;
};

} // namespace hozonix::report

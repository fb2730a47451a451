#pragma once
// Printing stored pages: they become one PDF, which a print job submits with the printer settings of
// the store as job options, or which is written to a file of the user's choice instead.

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
    // Not empty: the selected pages go to this PDF file instead of a printer.
    std::string pdfFile;
};

// What a print sent, so that the user sees it: the pages (a range past the last page comes out cut to
// it), the copies, and the job or the file.
struct PrintResult {
    int job = 0; // the print server's job number; 0 for a PDF file
    int firstPage = 0;
    int lastPage = 0;
    int copies = 0;
    std::string pdfFile;
};

// The usual keyword of the fixed printer source numbers (1 "top", 4 "manual", 7 "auto" ...), or "" for
// a number without one, which leaves the choice to the printer.
std::string StandardMediaSource(int printerSourceNumber);

// The job options for printing the store. Raises AppError when the store holds no page or the page
// range selects none.
PrintJobOptions JobOptionsFor(const PageStore& store, const PrintRouting& routing);

// Prints the store's pages, or writes them to the routing's PDF file. Raises AppError.
PrintResult PrintPages(const PageStore& store, const PrintRouting& routing);

// Where the printer-settings dialog sends a print: it shows the printer, and the user may choose a PDF
// file instead.
struct PrintDestination {
    std::string printerName; // "" when there is none
    std::string pdfFile;     // "" for the printer
};

// The printer-settings dialog: edits first and last page and copies, shows the printer the print goes to
// and lets the user write a PDF file instead; false when cancelled.
class PrintSettingsDialog {
public:
    virtual ~PrintSettingsDialog() = default;
    virtual bool Edit(PrinterSettings& settings, PrintDestination& destination) = 0;
};

} // namespace hozonix::report

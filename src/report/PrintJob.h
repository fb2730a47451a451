#pragma once
// Hands a finished PDF to the print server as one job.

#include <string>

namespace hozonix::report {

struct PrintJobOptions {
    std::string printerName; // empty: the server's default printer
    std::string title;
    int copies = 1;
    int firstPage = 1; // the pages of the document to print, from 1
    int lastPage = 1;
    int pageCount = 1;         // pages in the document
    double mediaWidthMm = 210; // the sheet, portrait
    double mediaHeightMm = 297;
    std::string mediaSource; // a media-source keyword ("auto", "manual", "tray-1" ...), empty: printer's
};

class PrintJob {
public:
    virtual ~PrintJob() = default;
    // Submits the file; returns the job's number. Raises AppError when the job is refused.
    virtual int Submit(const std::string& pdfPath, const PrintJobOptions& options) = 0;
};

} // namespace hozonix::report

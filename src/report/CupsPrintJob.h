#pragma once
// Submits print jobs to a CUPS server.

#include "report/PrintJob.h"

#include <string>

namespace hozonix::report {

class CupsPrintJob : public PrintJob {
public:
    // `server` is "host:port"; empty means the server the environment and client settings name.
    explicit CupsPrintJob(std::string server = {});

    int Submit(const std::string& pdfPath, const PrintJobOptions& options) override;

private:
    std::string server_;
};

// The media option of a sheet: its standard self-describing name (for example "iso_a4_210x297mm").
std::string MediaName(double widthMm, double heightMm);

} // namespace hozonix::report

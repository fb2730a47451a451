#pragma once
// Where a print from the preview window goes: the report's printer index names a printer of the
// printer information (-1: the system's default printer), and each printer source number becomes that
// printer's media-source keyword. Everything is looked up at once, on the user-interface thread, so that
// a background print does not ask the printing system from its worker thread.

#include "report/ReportPrinting.h"

#include <string>

namespace hozonix::printing {
class PrinterInfo;
}

namespace hozonix::preview {

report::PrintRouting PrintRoutingFor(printing::PrinterInfo& info, report::PrintJob& job, int printerIndex,
                                     const std::string& title);

} // namespace hozonix::preview

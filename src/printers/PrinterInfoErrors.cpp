#include "printers/PrinterInfoErrors.h"

namespace hozonix::printing {

void PrinterInfoAssert(bool condition, std::source_location where) {
    if (condition)
        return;
    throw AssertionFailedError("アサートの? (PrinterInfo, line " + std::to_string(where.line()) + ")");
}

} // namespace hozonix::printing

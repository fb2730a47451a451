#include "report/PaperSourceTable.h"

namespace hozonix::report {

PaperSourceTable::PaperSourceTable() : numbers_{1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 14} {}

int PaperSourceTable::PrinterSourceNumber(int paperSource) const {
    if (paperSource < 0 || paperSource >= static_cast<int>(numbers_.size()))
        return numbers_[kSourceAuto];
    return numbers_[static_cast<std::size_t>(paperSource)];
}

} // namespace hozonix::report

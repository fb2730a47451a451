#include "printers/AllPrintersInfo.h"

namespace hozonix::printing {

AllPrintersInfo::AllPrintersInfo(PrinterPlatform& platform) : records_(platform.EnumeratePrinters()) {}

bool AllPrintersInfo::equals(const AllPrintersInfo& other) const {
    if (records_.size() != other.records_.size())
        return false;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (records_[i].name != other.records_[i].name ||
            records_[i].attributes != other.records_[i].attributes)
            return false;
    }
    return true;
}

} // namespace hozonix::printing

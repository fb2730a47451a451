#pragma once
// A snapshot of the installed printers: names and attribute bits, in the printing system's order.

#include "printers/PrinterPlatform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hozonix::printing {

class AllPrintersInfo {
public:
    // Enumerates the printers now; a failure of the printing system leaves as an AppError.
    explicit AllPrintersInfo(PrinterPlatform& platform);
    explicit AllPrintersInfo(std::vector<PrinterRecord> records) : records_(std::move(records)) {}

    int Count() const { return static_cast<int>(records_.size()); }
    const std::string& Name(int i) const { return records_.at(static_cast<std::size_t>(i)).name; }
    std::uint32_t Attributes(int i) const { return records_.at(static_cast<std::size_t>(i)).attributes; }
    bool IsHidden(int i) const { return (Attributes(i) & kPrinterAttributeHidden) != 0; }

    // Same count and, position by position, the same names (exactly) and attributes.
    bool equals(const AllPrintersInfo& other) const;

private:
    std::vector<PrinterRecord> records_;
};

} // namespace hozonix::printing

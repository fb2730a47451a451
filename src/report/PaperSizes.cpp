#include "report/PaperSizes.h"

#include "printers/MediaMapping.h"

namespace hozonix::report {

// The sheets are those of the printer information's media table, so that a paper picked from a printer's
// list comes out at the size the printer reported.
std::optional<SheetSize> SheetSizeOfPaper(int code) {
    if (code == kPaperDefault)
        code = kPaperA4;
    const auto size = printing::PaperSizeOfCode(code);
    if (!size)
        return std::nullopt;
    return SheetSize{size->width / 100.0, size->length / 100.0};
}

} // namespace hozonix::report

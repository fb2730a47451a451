#include "preview/PreviewPrintRouting.h"

#include "printers/PrinterInfo.h"

#include <map>

namespace hozonix::preview {

namespace {

// The printer at a position among the visible printers; -1 is the default printer, else the first.
std::string PrinterNameAt(const std::vector<printing::PrinterRecord>& printers, int index) {
    std::vector<const printing::PrinterRecord*> visible;
    for (const printing::PrinterRecord& p : printers) {
        if ((p.attributes & printing::kPrinterAttributeHidden) == 0)
            visible.push_back(&p);
    }
    if (index >= 0)
        return static_cast<std::size_t>(index) < visible.size()
                   ? visible[static_cast<std::size_t>(index)]->name
                   : std::string();
    for (const printing::PrinterRecord* p : visible) {
        if (p->attributes & printing::kPrinterAttributeDefault)
            return p->name;
    }
    return visible.empty() ? std::string() : visible.front()->name;
}

} // namespace

report::PrintRouting PrintRoutingFor(printing::PrinterInfo& info, report::PrintJob& job, int printerIndex,
                                     const std::string& title) {
    printing::PrinterPlatform& platform = info.Platform();
    const std::string printer = PrinterNameAt(platform.PrinterList(), printerIndex);
    std::map<int, std::string> keywords;
    if (!printer.empty()) {
        for (const printing::BinEntry& bin : platform.Bins(printer)) {
            if (!bin.keyword.empty())
                keywords.emplace(bin.number, bin.keyword);
        }
    }
    report::PrintRouting routing;
    routing.job = &job;
    routing.title = title;
    routing.printerName = [printer](int) { return printer; };
    routing.mediaSource = [keywords](int number) {
        const auto it = keywords.find(number);
        return it != keywords.end() ? it->second : report::StandardMediaSource(number);
    };
    return routing;
}

} // namespace hozonix::preview

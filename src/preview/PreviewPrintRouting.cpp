#include "preview/PreviewPrintRouting.h"

#include "printers/PrinterInfo.h"

#include <map>

namespace hozonix::printing {

namespace {

// The printer at a position among the visible printers; -1 is the default printer, else the first.
std::string PrinterNameAt(const std::vector<PrinterRecord>& printers, int index) {
    std::vector<const PrinterRecord*> visible;
    for (const PrinterRecord& p : printers) {
        if ((p.attributes & kPrinterAttributeHidden) == 0)
            visible.push_back(&p);
    }
    if (index >= 0)
        return static_cast<std::size_t>(index) < visible.size()
                   ? visible[static_cast<std::size_t>(index)]->name
                   : std::string();
    for (const PrinterRecord* p : visible) {
        if (p->attributes & kPrinterAttributeDefault)
            return p->name;
    }
    return visible.empty() ? std::string() : visible.front()->name;
}

} // namespace

report::PrintRouting PrintRoutingFor(PrinterInfo& info, report::PrintJob& job, int printerIndex,
                                     const std::string& title) {
    PrinterPlatform& platform = info.Platform();
    const std::string printer = PrinterNameAt(platform.PrinterList(), printerIndex);
    std::map<int, std::string> keywords;
    if (!printer.empty()) {
        for (const BinEntry& bin : platform.Bins(printer)) {
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

} // namespace hozonix::printing

#pragma once
// The text of the "current printer information" message: paper, paper source, the report definition's
// name, title and number, and the printer indexes of the definition and of the printer information.

#include <string>

namespace hozonix::preview {

struct ReportDefinition;

struct PrinterMessageFacts {
    int paperCode = 0;
    int paperSource = 0;
    int printerIndex = -1; // of the printer information
};

std::string PrinterInformationText(const PrinterMessageFacts& facts, const ReportDefinition& definition);

} // namespace hozonix::preview

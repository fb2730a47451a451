#include "preview/PrinterInformationText.h"

#include "preview/ReportDefinition.h"
#include "printers/PaperNames.h"

namespace hozonix::preview {

std::string PrinterInformationText(const PrinterMessageFacts& facts, const ReportDefinition& definition) {
    const std::string lines[] = {
        "用紙サイズ = " + printing::PaperNameFromCode(facts.paperCode),
        "給紙元の番号 = " + std::to_string(facts.paperSource),
        "給紙元 = " + printing::BinNameFromValue(facts.paperSource) +
            " / 設定値 = " + printing::BinNameFromValue(definition.PaperSource),
        "レポート名 = " + definition.Name,
        "タイトル = " + definition.Title,
        "番号 = " + std::to_string(definition.Number),
        "プリンター番号 = " + std::to_string(definition.PrinterIndex) +
            " PirinteIndex = " + std::to_string(facts.printerIndex),
    };
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty())
            text += "\r\n";
        text += line;
    }
    return text;
}

} // namespace hozonix::preview

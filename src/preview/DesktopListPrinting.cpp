#include "preview/DesktopListPrinting.h"

#include "preview/ListReportDesktop.h"
#include "preview/PageLayoutDialog.h"
#include "preview/PageLayoutDialogOpener.h"
#include "preview/PollingPrinterWatch.h"
#include "preview/ReportDefinition.h"
#include "printers/CupsPrinterPlatform.h"
#include "printers/PrinterInfo.h"

namespace hozonix::printing {

struct DesktopListPrinting::Stack {
    Stack(IniFile& settings, MessageBoxService& messages, ui::Pickers& pickers, const Rect& fallback)
        : info(platform, &watch), layout(definition, messages),
          desktop(settings, messages, pickers, info, definition, &layout, fallback) {}

    CupsPrinterPlatform platform;
    PollingPrinterWatch watch;
    PrinterInfo info;
    ReportDefinition definition;
    PageLayoutDialogOpener layout;
    ListReportDesktop desktop;
};

DesktopListPrinting::DesktopListPrinting(IniFile& settings, MessageBoxService& messages, ui::Pickers& pickers,
                                         const Rect& fallback)
    : settings_(settings), messages_(messages), pickers_(pickers), fallback_(fallback) {}

DesktopListPrinting::~DesktopListPrinting() = default;

DesktopListPrinting::Stack& DesktopListPrinting::Printing() {
    if (!stack_)
        stack_ = std::make_unique<Stack>(settings_, messages_, pickers_, fallback_);
    return *stack_;
}

ui::MessageListDialog::PrintHandler DesktopListPrinting::PrintHandler() {
    return [this](const std::string& title, const engine::PathList& lines) {
        Printing().desktop.Printing().PrintHandler()(title, lines);
    };
}

void DesktopListPrinting::ClosePreview() {
    if (stack_)
        stack_->desktop.Printing().ClosePreview();
}

} // namespace hozonix::printing

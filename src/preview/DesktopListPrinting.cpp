#include "preview/DesktopListPrinting.h"

#include "preview/ListReportDesktop.h"
#include "preview/PageLayoutDialog.h"
#include "preview/PageLayoutDialogOpener.h"
#include "preview/PollingPrinterWatch.h"
#include "preview/ReportDefinition.h"
#include "printers/CupsPrinterPlatform.h"
#include "printers/PrinterInfo.h"

namespace hozonix::preview {

struct DesktopListPrinting::Stack {
    Stack(IniFile& settings, MessageBoxService& messages, ui::Pickers& pickers, const Rect& fallback,
          const std::string& pageFolder)
        : info(platform, &watch), layout(definition, messages),
          desktop(settings, messages, pickers, info, definition, &layout, fallback, pageFolder) {}

    printing::CupsPrinterPlatform platform;
    PollingPrinterWatch watch;
    printing::PrinterInfo info;
    ReportDefinition definition;
    PageLayoutDialogOpener layout;
    ListReportDesktop desktop;
};

DesktopListPrinting::DesktopListPrinting(IniFile& settings, MessageBoxService& messages, ui::Pickers& pickers,
                                         const Rect& fallback, std::string pageFolder)
    : settings_(settings), messages_(messages), pickers_(pickers), fallback_(fallback),
      pageFolder_(std::move(pageFolder)) {}

DesktopListPrinting::~DesktopListPrinting() = default;

DesktopListPrinting::Stack& DesktopListPrinting::Printing() {
    if (!stack_)
        stack_ = std::make_unique<Stack>(settings_, messages_, pickers_, fallback_, pageFolder_);
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

} // namespace hozonix::preview

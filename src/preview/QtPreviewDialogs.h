#pragma once
// The preview window's modal dialogs in the desktop program: Qt's input box, the printer setup dialog and
// the report engine's printer-settings window.

#include "preview/PreviewServices.h"
#include "report/PrintSettingsWindow.h"

#include <memory>

namespace hozonix::printing {

class QtPreviewDialogs : public PreviewDialogs {
public:
    explicit QtPreviewDialogs(PrinterInfo& info) : info_(info) {}

    bool InputQuery(const QString& caption, const QString& prompt, QString& value) override;
    bool PrinterSetup() override;
    report::PrintSettingsDialog& PrintSettings() override;

private:
    PrinterInfo& info_;
    std::unique_ptr<report::PrintSettingsWindow> printSettings_;
};

} // namespace hozonix::printing

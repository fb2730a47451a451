#pragma once
// The preview window's modal dialogs in the desktop program: Qt's input box, the printer setup dialog and
// the report engine's printer-settings window, which asks for a PDF file through the shared save dialog.

#include "preview/PreviewServices.h"
#include "report/PrintSettingsWindow.h"

#include <memory>

namespace hozonix::preview {

class QtPreviewDialogs : public PreviewDialogs {
public:
    QtPreviewDialogs(printing::PrinterInfo& info, ui::Pickers& pickers) : info_(info), pickers_(pickers) {}

    bool InputQuery(const QString& caption, const QString& prompt, QString& value) override;
    bool PrinterSetup() override;
    report::PrintSettingsDialog& PrintSettings() override;

private:
    printing::PrinterInfo& info_;
    ui::Pickers& pickers_;
    std::unique_ptr<report::PrintSettingsWindow> printSettings_;
};

} // namespace hozonix::preview

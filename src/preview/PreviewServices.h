#pragma once
// What the preview window works with, handed in by whoever creates it: the settings file, the message
// boxes, the shared file dialogs, the printer information, the report definition, the shared printing
// state, its own modal dialogs, the print job and, optionally, the page layout dialog.

#include "preview/ListReportState.h"
#include "settings/WindowPlacement.h"

#include <QString>

#include <string>

namespace hozonix {
class IniFile;
class MessageBoxService;
} // namespace hozonix

namespace hozonix::ui {
class Pickers;
}

namespace hozonix::report {
class PrintJob;
class PrintProgress;
class PrintSettingsDialog;
} // namespace hozonix::report

namespace hozonix::printing {
class PrinterInfo;
}

namespace hozonix::preview {

class PageLayoutOpener;
struct ReportDefinition;

// The modal dialogs the preview window opens, so that tests answer them from a script.
class PreviewDialogs {
public:
    virtual ~PreviewDialogs() = default;
    // An input box: true when confirmed; `value` holds the starting text and receives the answer, and is
    // left as it was when the box is cancelled.
    virtual bool InputQuery(const QString& caption, const QString& prompt, QString& value) = 0;
    // The printer setup dialog; true when the user confirmed and the choice was applied.
    virtual bool PrinterSetup() = 0;
    // The report engine's printer-settings dialog.
    virtual report::PrintSettingsDialog& PrintSettings() = 0;
};

struct PreviewServices {
    IniFile& settings;
    MessageBoxService& messages;
    ui::Pickers& pickers;
    printing::PrinterInfo& printerInfo;
    ReportDefinition& definition;
    ListReportState& state;
    PreviewDialogs& dialogs;
    report::PrintJob& printJob;
    report::PrintProgress* progress = nullptr; // shown during a foreground print
    PageLayoutOpener* pageLayout = nullptr;    // none: the page layout button does nothing
    Rect fallback;
    std::string pageFolder = {}; // where the pages of a print are kept; none: the system's temporary folder
};

} // namespace hozonix::preview

#pragma once
// Printing of message lists in the desktop program. The printer information, the report definition, the
// page layout dialog and the preview are made on the first press of a print button, so that starting
// the program never waits for the print server and no printer watch runs for a user who never prints.

#include "settings/WindowPlacement.h"
#include "ui/MessageListDialog.h"

#include <memory>
#include <string>

namespace hozonix {
class IniFile;
class MessageBoxService;
} // namespace hozonix

namespace hozonix::ui {
class Pickers;
}

namespace hozonix::preview {

class DesktopListPrinting {
public:
    // A print keeps its pages in `pageFolder` (the data folder's "TEMP"); none: the system's temporary
    // folder.
    DesktopListPrinting(IniFile& settings, MessageBoxService& messages, ui::Pickers& pickers,
                        const Rect& fallback, std::string pageFolder = {});
    ~DesktopListPrinting();
    DesktopListPrinting(const DesktopListPrinting&) = delete;
    DesktopListPrinting& operator=(const DesktopListPrinting&) = delete;

    // The handler for MessageListOwner::SetPrintHandler.
    ui::MessageListDialog::PrintHandler PrintHandler();
    // Closes an open preview, so that a print waiting for it returns before the program leaves its
    // event loop.
    void ClosePreview();

private:
    struct Stack;
    Stack& Printing();

    IniFile& settings_;
    MessageBoxService& messages_;
    ui::Pickers& pickers_;
    Rect fallback_;
    std::string pageFolder_;
    std::unique_ptr<Stack> stack_;
};

} // namespace hozonix::preview

#pragma once
// The process-wide windows and services of the desktop program, owned in one place and handed to the
// windows that need them: the shared pickers, the one processing dialog and the one message list.
// Create it after the QApplication and the settings file, destroy it before them; the dialogs store
// their placement as it is destroyed.

#include "ui/FolderBrowser.h"
#include "ui/MessageListDialog.h"
#include "ui/Pickers.h"
#include "ui/ProcessingDialog.h"
#include "ui/QtFileDialogs.h"

namespace hozonix::ui {

class UiServices {
public:
    UiServices(IniFile& settings, MessageBoxService& messages, const Rect& fallback)
        : messages_(messages), fallback_(fallback), pickers_(fileDialogs_, folderBrowser_),
          processDialog_(settings, messages, fallback), messageList_(settings, messages, pickers_, fallback) {
    }
    UiServices(const UiServices&) = delete;
    UiServices& operator=(const UiServices&) = delete;

    MessageBoxService& Messages() { return messages_; }
    const Rect& Fallback() const { return fallback_; }
    Pickers& FilePickers() { return pickers_; }
    ProcessingDialogOwner& ProcessDialog() { return processDialog_; }
    MessageListOwner& MessageList() { return messageList_; }

private:
    MessageBoxService& messages_;
    Rect fallback_;
    QtFileDialogs fileDialogs_;
    QtFolderBrowser folderBrowser_;
    Pickers pickers_;
    ProcessingDialogOwner processDialog_;
    MessageListOwner messageList_;
};

} // namespace hozonix::ui

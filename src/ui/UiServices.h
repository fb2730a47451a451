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
#include "ui/ShareLoginDialog.h"

namespace hozonix::ui {

class UiServices {
public:
    UiServices(IniFile& settings, MessageBoxService& messages, const Rect& fallback)
        : messages_(messages), fallback_(fallback), pickers_(fileDialogs_, folderBrowser_),
          processDialog_(settings, messages, fallback), messageList_(settings, messages, pickers_, fallback),
          sharePrompt_(messages) {
        folderBrowser_.SetNetwork(BrowserNetwork());
    }
    UiServices(const UiServices&) = delete;
    UiServices& operator=(const UiServices&) = delete;

    MessageBoxService& Messages() { return messages_; }
    const Rect& Fallback() const { return fallback_; }
    Pickers& FilePickers() { return pickers_; }
    ProcessingDialogOwner& ProcessDialog() { return processDialog_; }
    MessageListOwner& MessageList() { return messageList_; }
    // Asks a share's log-on when a run or a browse connects one.
    shares::CredentialPrompt& SharePrompt() { return sharePrompt_; }
    // What the folder browser's network place lists; none: the place is not shown.
    void SetNetworkDiscovery(std::function<std::vector<NetworkAccess::Share>()> discover) {
        discover_ = std::move(discover);
        folderBrowser_.SetNetwork(BrowserNetwork());
    }

private:
    NetworkAccess BrowserNetwork();

    MessageBoxService& messages_;
    Rect fallback_;
    QtFileDialogs fileDialogs_;
    QtFolderBrowser folderBrowser_;
    Pickers pickers_;
    ProcessingDialogOwner processDialog_;
    MessageListOwner messageList_;
    QtSharePrompt sharePrompt_;
    std::function<std::vector<NetworkAccess::Share>()> discover_;
};

} // namespace hozonix::ui

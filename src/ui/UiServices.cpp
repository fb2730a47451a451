#include "ui/UiServices.h"

#include "base/MessageBoxService.h"
#include "shares/ShareConnection.h"

namespace hozonix::ui {

NetworkAccess UiServices::BrowserNetwork() {
    NetworkAccess network;
    network.connect = [this](const std::string& typed) {
        const std::optional<shares::ShareAddress> address = shares::ParseShareAddress(typed);
        if (!address)
            throw shares::ShareConnectError("ネットワークアドレスが正しくありません: " + typed);
        std::unique_ptr<shares::ConnectedShare> share = shares::ConnectShare(*address, &sharePrompt_);
        // Browsing into a share logs the person on to it; it stays connected as a file manager leaves it.
        share->Keep();
        return share->LocalFolder();
    };
    network.discover = discover_;
    network.tell = [this](const std::string& text) { messages_.ShowMessage(text); };
    return network;
}

} // namespace hozonix::ui

#include "netinfo/NetCommands.h"

#include "netinfo/EnumNetResources.h"

#include <QCursor>

namespace hozonix::netinfo {

void ShowNetworkList(NetResourceProvider& provider, MessageBoxService& messages,
                     std::vector<std::string>& infoLines, const ShowMessageListFn& showMessageList) {
    infoLines.clear();
    if (EnumNetResources(provider, messages, infoLines, nullptr))
        infoLines.push_back(EnumEndLine);
    showMessageList(NetworkListTitle, infoLines);
}

void ShowHostAddress(std::vector<std::string>& infoLines, const ShowMessageListFn& showMessageList,
                     const std::string& hostName, const HostResolver& resolve) {
    infoLines = HostInfoLines(hostName, resolve);
    showMessageList(HostAddressTitle, infoLines);
}

void BrowseToLogOn(const SelectFolderFn& selectFolder) {
    // The chosen folder is not used: getting connected on the way is the point.
    selectFolder(LogOnTitle, "", QCursor::pos());
}

} // namespace hozonix::netinfo

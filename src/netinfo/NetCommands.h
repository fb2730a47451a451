#pragma once
// The network commands of the Tool menu. The main window passes in what they show through: the message
// list dialog, the message boxes and the folder browser.

#include "netinfo/HostInfo.h"

#include <QPoint>

#include <functional>
#include <string>
#include <vector>

namespace hozonix {
class MessageBoxService;
}

namespace hozonix::netinfo {

class NetResourceProvider;

using ShowMessageListFn =
    std::function<void(const std::string& title, const std::vector<std::string>& lines)>;
using SelectFolderFn = std::function<std::string(const std::string& title, const std::string& initialFolder,
                                                 const QPoint& position)>;

inline constexpr const char* NetworkListTitle = "ネットワーク情報";
inline constexpr const char* HostAddressTitle = "このマシンのIPアドレス";
inline constexpr const char* LogOnTitle = "ネットワークリソースにログオンしてください";

// Lists the whole network into `infoLines` (emptied first), adds the end line when the listing ran to its
// end, and shows the lines, also after a failure.
void ShowNetworkList(NetResourceProvider& provider, MessageBoxService& messages,
                     std::vector<std::string>& infoLines, const ShowMessageListFn& showMessageList);

// Shows this machine's host name and first IPv4 address.
void ShowHostAddress(std::vector<std::string>& infoLines, const ShowMessageListFn& showMessageList,
                     const std::string& hostName = LocalHostName(),
                     const HostResolver& resolve = ResolveHost);

// Opens the folder browser at the mouse position; browsing into a share is what logs the user on to it.
void BrowseToLogOn(const SelectFolderFn& selectFolder);

} // namespace hozonix::netinfo

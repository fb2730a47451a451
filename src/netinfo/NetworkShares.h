#pragma once
// The shares the network offers, for a folder browser's network place: every share below the servers of
// a network tree, and the servers that are places of their own (SFTP, WebDAV). Nothing is shown while
// walking: a level that cannot be opened is left out.

#include "netinfo/NetResource.h"

#include <string>
#include <vector>

namespace hozonix::netinfo {

struct NetworkShare {
    std::string Name;    // "photos (nas.local)", "nas.local (SFTP)"
    std::string Address; // "smb://nas.local/photos", "sftp://nas.local/"
};

// Each address once, in the order the tree gives them.
std::vector<NetworkShare> ListNetworkShares(NetResourceProvider& provider);

} // namespace hozonix::netinfo

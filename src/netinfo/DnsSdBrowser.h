#pragma once
// File servers announced over DNS-SD (mDNS), looked up through the local Avahi daemon: SMB, SFTP and
// WebDAV services.

#include "netinfo/NetworkServer.h"

#include <optional>
#include <vector>

namespace hozonix::netinfo {

struct DnsSdOptions {
    // Longest wait for the browse and the look-ups of what it found together.
    int TimeoutMs = 2000;
};

// One server per announced _smb._tcp, _sftp-ssh._tcp, _webdav._tcp and _webdavs._tcp service:
// "smb://host[:port]/", "sftp://[user@]host[:port]/", "dav[s]://[user@]host[:port]/path/" (the user and
// path from the service's "u" and "path" entries). Nothing when no Avahi daemon answers.
std::optional<std::vector<NetworkServer>> BrowseDnsSdServers(const DnsSdOptions& options = {});

} // namespace hozonix::netinfo

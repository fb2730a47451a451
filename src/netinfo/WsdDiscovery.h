#pragma once
// Computers that answer WS-Discovery (Windows machines, and Samba servers running a WSD daemon), found by
// a probe to the IPv4 multicast group and named by asking each for its metadata.

#include "netinfo/NetworkServer.h"

#include <optional>
#include <string>
#include <vector>

namespace hozonix::netinfo {

struct WsdOptions {
    // Probe only through this interface ("eth0"); empty: every IPv4 interface that is up and multicasts.
    std::string Interface;
    // Where the probe goes.
    std::string Group = "239.255.255.250";
    int Port = 3702;
    // How long answers are collected after the probe.
    int WaitMs = 1500;
    // Longest wait for one computer's name, and for all of them together.
    int HttpTimeoutMs = 1000;
    int HttpTotalMs = 2000;
};

// One smb:// server per answering computer: "smb://NAME/" with the computer name from its metadata, or by
// address when the name cannot be had. Nothing when no interface could send the probe.
std::optional<std::vector<NetworkServer>> DiscoverWsdComputers(const WsdOptions& options = {});

} // namespace hozonix::netinfo

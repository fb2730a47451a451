#pragma once
// A server that one of the network's discovery services announced: what the network tree shows as a
// server entry and what a folder browser offers as a network place.

#include <string>

namespace hozonix::netinfo {

inline constexpr const char* DnsSdProviderName = "DNS-SD";
inline constexpr const char* WsdProviderName = "WSD";

struct NetworkServer {
    // What the network calls it: a DNS-SD service name, a computer name or a NetBIOS name.
    std::string Name;
    // Where it is, by host name: "smb://nas.local:4450/", "sftp://alice@nas.local/",
    // "davs://nas.local/dav/", "smb://NAS/".
    std::string Address;
    // The same address with the host's numeric address ("smb://192.168.1.5:4450/"), when the discovery
    // told it; empty otherwise. For a machine that cannot look the name up (a .local name without
    // mDNS look-ups, a computer name without NetBIOS).
    std::string NumericAddress;
    // "DNS-SD", "WSD" or "SMB".
    std::string Provider;
};

// scheme://[user@]host[:port]/[path/]: an IPv6 host goes in brackets, the port is left out when it is 0
// or `defaultPort`, user and path are percent-encoded, and the address always ends in "/".
std::string ServerUrl(const std::string& scheme, const std::string& host, int port, int defaultPort,
                      const std::string& user = "", const std::string& path = "");

// The host of an address made by ServerUrl (or "smb://NAME"), decoded and without brackets.
std::string UrlHost(const std::string& url);

} // namespace hozonix::netinfo

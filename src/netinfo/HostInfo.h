#pragma once
// This machine's host name and first IPv4 address as lines of text.

#include <functional>
#include <string>
#include <vector>

namespace hozonix::netinfo {

struct HostLookup {
    int Error = 0;            // 0, or a getaddrinfo error code
    std::string OfficialName; // the canonical name; empty when the resolver gave none
    std::string FirstIPv4;    // dotted decimal; empty when the name has no IPv4 address
};

using HostResolver = std::function<HostLookup(const std::string& hostName)>;

// getaddrinfo for IPv4 with the canonical name, first address in dotted decimal form.
HostLookup ResolveHost(const std::string& hostName);

// This machine's host name (gethostname); empty when it cannot be read.
std::string LocalHostName();

// "HOSTNAME = " + official name, "Local IP = " + first IPv4 address. When the name cannot be resolved
// or has no IPv4 address, the second line says so in place of the address.
std::vector<std::string> HostInfoLines(const std::string& hostName,
                                       const HostResolver& resolve = ResolveHost);

} // namespace hozonix::netinfo

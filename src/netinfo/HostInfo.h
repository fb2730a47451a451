#pragma once
// This machine's host name and address as lines of text. When the name resolves to a loopback address
// (Debian maps the host name to 127.0.1.1), the address shown is that of the interface that carries the
// default route, IPv4 first, which is the one other machines reach this one at.

#include <functional>
#include <string>
#include <string_view>
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

struct InterfaceAddress {
    std::string interfaceName;
    bool ipv6 = false;
    std::string address; // text form
};

// The address of the interface that carries the default route, from the texts of /proc/net/route and
// /proc/net/ipv6_route and the interfaces' addresses: the IPv4 default route with the lowest metric
// first, else the IPv6 one (a global address, not a link-local one). Empty when there is none.
std::string DefaultRouteAddress(std::string_view ipv4Routes, std::string_view ipv6Routes,
                                const std::vector<InterfaceAddress>& addresses);
// The same for this machine.
std::string ThisMachinesRouteAddress();

using RouteAddressFn = std::function<std::string()>;

// "HOSTNAME = " + official name, "Local IP = " + first IPv4 address, or the default route's address
// when that is a loopback address. When the name cannot be resolved or has no IPv4 address, the second
// line says so in place of the address.
std::vector<std::string> HostInfoLines(const std::string& hostName, const HostResolver& resolve = ResolveHost,
                                       const RouteAddressFn& routeAddress = ThisMachinesRouteAddress);

} // namespace hozonix::netinfo

#include "netinfo/HostInfo.h"

#include "base/AtomicFile.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/route.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <limits>
#include <sstream>

namespace hozonix::netinfo {

namespace {

// Which columns of a route table hold the destination, the prefix (or mask), the metric, the flags and
// the interface; how many columns a line has at least, the metric's base and whether a header comes first.
struct RouteColumns {
    int destination, prefix, metric, flags, interface, count, metricBase;
    bool header;
};

// The interface of the usable default route with the lowest metric in a route table.

std::string DefaultRouteInterface(std::string_view table, const RouteColumns& c) {
    std::istringstream lines{std::string(table)};
    std::string line;
    std::string best;
    unsigned long bestMetric = std::numeric_limits<unsigned long>::max();
    bool first = true;
    while (std::getline(lines, line)) {
        if (first && c.header) {
            first = false;
            continue;
        }
        first = false;
        std::istringstream words(line);
        std::vector<std::string> f;
        for (std::string w; words >> w;)
            f.push_back(w);
        if (static_cast<int>(f.size()) < c.count)
            continue;
        const bool everywhere = f[c.destination].find_first_not_of('0') == std::string::npos &&
                                f[c.prefix].find_first_not_of('0') == std::string::npos;
        const unsigned long flags = std::strtoul(f[c.flags].c_str(), nullptr, 16);
        if (!everywhere || (flags & RTF_UP) == 0 || (flags & RTF_REJECT) != 0 || f[c.interface] == "lo")
            continue;
        const unsigned long metric = std::strtoul(f[c.metric].c_str(), nullptr, c.metricBase);
        if (best.empty() || metric < bestMetric) {
            best = f[c.interface];
            bestMetric = metric;
        }
    }
    return best;
}

bool IsLinkLocal(const std::string& ipv6) {
    return ipv6.size() >= 4 && (ipv6.compare(0, 4, "fe80") == 0 || ipv6.compare(0, 4, "FE80") == 0);
}

} // namespace

std::string DefaultRouteAddress(std::string_view ipv4Routes, std::string_view ipv6Routes,
                                const std::vector<InterfaceAddress>& addresses) {
    // /proc/net/route: Iface Destination Gateway Flags RefCnt Use Metric Mask ..., one header line.
    const std::string v4 = DefaultRouteInterface(ipv4Routes, {1, 7, 6, 3, 0, 8, 10, true});
    if (!v4.empty()) {
        for (const InterfaceAddress& a : addresses) {
            if (!a.ipv6 && a.interfaceName == v4)
                return a.address;
        }
    }
    // /proc/net/ipv6_route: destination prefix source prefix next-hop metric refs use flags interface.
    const std::string v6 = DefaultRouteInterface(ipv6Routes, {0, 1, 5, 8, 9, 10, 16, false});
    if (!v6.empty()) {
        for (const InterfaceAddress& a : addresses) {
            if (a.ipv6 && a.interfaceName == v6 && !IsLinkLocal(a.address))
                return a.address;
        }
    }
    return {};
}

std::string ThisMachinesRouteAddress() {
    std::string ipv4Routes;
    std::string ipv6Routes;
    ReadWholeFile("/proc/net/route", ipv4Routes);
    ReadWholeFile("/proc/net/ipv6_route", ipv6Routes);
    std::vector<InterfaceAddress> addresses;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) == 0) {
        for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
            if (a->ifa_addr == nullptr || a->ifa_name == nullptr)
                continue;
            char text[INET6_ADDRSTRLEN] = {};
            if (a->ifa_addr->sa_family == AF_INET) {
                const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
                if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr)
                    addresses.push_back({a->ifa_name, false, text});
            } else if (a->ifa_addr->sa_family == AF_INET6) {
                const auto* in = reinterpret_cast<const sockaddr_in6*>(a->ifa_addr);
                if (inet_ntop(AF_INET6, &in->sin6_addr, text, sizeof text) != nullptr)
                    addresses.push_back({a->ifa_name, true, text});
            }
        }
        freeifaddrs(list);
    }
    return DefaultRouteAddress(ipv4Routes, ipv6Routes, addresses);
}

HostLookup ResolveHost(const std::string& hostName) {
    HostLookup result;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* list = nullptr;
    result.Error = getaddrinfo(hostName.c_str(), nullptr, &hints, &list);
    if (result.Error != 0)
        return result;
    if (list->ai_canonname != nullptr)
        result.OfficialName = list->ai_canonname;
    for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
        if (a->ai_family != AF_INET || a->ai_addr == nullptr)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) {
            result.FirstIPv4 = text;
            break;
        }
    }
    freeaddrinfo(list);
    return result;
}

std::string LocalHostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

std::vector<std::string> HostInfoLines(const std::string& hostName, const HostResolver& resolve,
                                       const RouteAddressFn& routeAddress) {
    HostLookup found = resolve(hostName);
    std::vector<std::string> lines;
    // The name is known but has only other kinds of address.
    if (found.Error == EAI_NODATA || found.Error == EAI_ADDRFAMILY) {
        found.Error = 0;
        found.FirstIPv4.clear();
    }
    if (found.Error != 0) {
        lines.push_back("HOSTNAME = " + hostName);
        lines.push_back("Local IP = (名前を解決できません: " + std::string(gai_strerror(found.Error)) + ")");
        return lines;
    }
    lines.push_back("HOSTNAME = " + (found.OfficialName.empty() ? hostName : found.OfficialName));
    if (found.FirstIPv4.rfind("127.", 0) == 0 && routeAddress) {
        if (std::string reached = routeAddress(); !reached.empty())
            found.FirstIPv4 = reached;
    }
    if (found.FirstIPv4.empty())
        lines.push_back("Local IP = (IPv4 アドレスがありません)");
    else
        lines.push_back("Local IP = " + found.FirstIPv4);
    return lines;
}

} // namespace hozonix::netinfo

#include "netinfo/HostInfo.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hozonix::netinfo {

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

std::vector<std::string> HostInfoLines(const std::string& hostName, const HostResolver& resolve) {
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
    if (found.FirstIPv4.empty())
        lines.push_back("Local IP = (IPv4 アドレスがありません)");
    else
        lines.push_back("Local IP = " + found.FirstIPv4);
    return lines;
}

} // namespace hozonix::netinfo

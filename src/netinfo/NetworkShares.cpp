#include "netinfo/NetworkShares.h"

#include "base/TextCoding.h"
#include "netinfo/NetworkServer.h"

#include <set>

namespace hozonix::netinfo {

namespace {

constexpr int PrintType = 2;

std::string LastName(std::string address) {
    while (!address.empty() && address.back() == '/')
        address.pop_back();
    const size_t slash = address.rfind('/');
    std::string name = slash == std::string::npos ? address : address.substr(slash + 1);
    return PercentDecoded(name);
}

std::string SchemeOf(const std::string& address) {
    const size_t colon = address.find("://");
    std::string scheme = colon == std::string::npos ? "" : address.substr(0, colon);
    for (char& c : scheme)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return scheme;
}

void Walk(NetResourceProvider& provider, const NetResource* parent, int depth, std::set<std::string>& seen,
          std::vector<NetworkShare>& out) {
    std::unique_ptr<NetEnumeration> level;
    if (depth > 4 || provider.Open(parent, level) != 0 || !level)
        return;
    for (;;) {
        std::vector<NetResource> entries;
        if (level->Next(entries) != 0 || entries.empty())
            break;
        for (const NetResource& r : entries) {
            const std::string address = r.RemoteName.value_or("");
            if (r.Usage & ResourceUsageContainer) {
                Walk(provider, &r, depth + 1, seen, out);
                continue;
            }
            const bool server = r.DisplayType == ResourceDisplayServer;
            // An SMB server is reached through its shares (listed below its first announcement); a printer
            // is no place to back up to.
            if (address.find("://") == std::string::npos || r.Type == PrintType ||
                (server && SchemeOf(address) == "SMB") || !seen.insert(address).second)
                continue;
            const std::string host = UrlHost(address);
            out.push_back(
                {server ? host + " (" + SchemeOf(address) + ")" : LastName(address) + " (" + host + ")",
                 address});
        }
    }
    level->Close();
}

} // namespace

std::vector<NetworkShare> ListNetworkShares(NetResourceProvider& provider) {
    std::set<std::string> seen;
    std::vector<NetworkShare> out;
    Walk(provider, nullptr, 0, seen, out);
    return out;
}

} // namespace hozonix::netinfo

#include "netinfo/DnsSdBrowser.h"

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/address.h>
#include <avahi-common/malloc.h>
#include <avahi-common/simple-watch.h>

#include <net/if.h>

#include <chrono>
#include <cstring>
#include <set>

namespace hozonix::netinfo {

namespace {

using Clock = std::chrono::steady_clock;

struct ServiceType {
    const char* Type;
    const char* Scheme;
    int DefaultPort;
};

constexpr ServiceType ServiceTypes[] = {
    {"_smb._tcp", "smb", 445},
    {"_sftp-ssh._tcp", "sftp", 22},
    {"_webdav._tcp", "dav", 80},
    {"_webdavs._tcp", "davs", 443},
};

// More services than this are not a network of file servers but a flood.
constexpr size_t MaxServices = 256;

struct Browse {
    AvahiClient* Client = nullptr;
    std::set<AvahiServiceBrowser*> Browsing; // until they have reported all they know for now
    std::set<std::string> Seen;              // a service is seen once per interface and protocol
    int Resolving = 0;
    std::vector<NetworkServer> Found;
};

std::string TxtValue(AvahiStringList* txt, const char* key) {
    AvahiStringList* item = avahi_string_list_find(txt, key);
    char* name = nullptr;
    char* value = nullptr;
    std::string result;
    if (item != nullptr && avahi_string_list_get_pair(item, &name, &value, nullptr) == 0 && value != nullptr)
        result = value;
    avahi_free(name);
    avahi_free(value);
    return result;
}

bool UsableHostName(const char* name) {
    size_t length = std::strlen(name);
    return length > 0 && length < 256 && name[0] != '.' && name[0] != '-' &&
           std::strspn(name, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_.") == length;
}

void Resolved(AvahiServiceResolver* resolver, AvahiIfIndex interface, AvahiProtocol, AvahiResolverEvent event,
              const char* name, const char* type, const char*, const char* hostName,
              const AvahiAddress* address, uint16_t port, AvahiStringList* txt, AvahiLookupResultFlags,
              void* data) {
    auto* browse = static_cast<Browse*>(data);
    --browse->Resolving;
    const ServiceType* kind = nullptr;
    for (const ServiceType& t : ServiceTypes) {
        if (std::strcmp(t.Type, type) == 0)
            kind = &t;
    }
    if (event == AVAHI_RESOLVER_FOUND && kind != nullptr && address != nullptr) {
        char numeric[AVAHI_ADDRESS_STR_MAX + IF_NAMESIZE + 1] = "";
        avahi_address_snprint(numeric, AVAHI_ADDRESS_STR_MAX, address);
        // A link-local IPv6 address is only reachable through the interface it was seen on.
        char interfaceName[IF_NAMESIZE] = "";
        if (address->proto == AVAHI_PROTO_INET6 && std::strncmp(numeric, "fe80:", 5) == 0 &&
            if_indextoname(static_cast<unsigned>(interface), interfaceName) != nullptr) {
            std::strcat(numeric, "%");
            std::strcat(numeric, interfaceName);
        }
        const std::string user = std::strcmp(kind->Scheme, "smb") == 0 ? "" : TxtValue(txt, "u");
        const std::string path = std::strncmp(kind->Scheme, "dav", 3) == 0 ? TxtValue(txt, "path") : "";
        const std::string host = hostName != nullptr && UsableHostName(hostName) ? hostName : numeric;
        browse->Found.push_back({name != nullptr ? name : host,
                                 ServerUrl(kind->Scheme, host, port, kind->DefaultPort, user, path),
                                 ServerUrl(kind->Scheme, numeric, port, kind->DefaultPort, user, path),
                                 DnsSdProviderName});
    }
    avahi_service_resolver_free(resolver);
}

void Browsed(AvahiServiceBrowser* browser, AvahiIfIndex interface, AvahiProtocol protocol,
             AvahiBrowserEvent event, const char* name, const char* type, const char* domain,
             AvahiLookupResultFlags, void* data) {
    auto* browse = static_cast<Browse*>(data);
    switch (event) {
    case AVAHI_BROWSER_NEW: {
        std::string key = std::string(name) + '\n' + type + '\n' + domain;
        if (browse->Seen.size() >= MaxServices || !browse->Seen.insert(key).second)
            return;
        if (avahi_service_resolver_new(browse->Client, interface, protocol, name, type, domain,
                                       AVAHI_PROTO_UNSPEC, static_cast<AvahiLookupFlags>(0), Resolved,
                                       browse) != nullptr)
            ++browse->Resolving;
        return;
    }
    case AVAHI_BROWSER_ALL_FOR_NOW:
    case AVAHI_BROWSER_FAILURE:
        browse->Browsing.erase(browser);
        return;
    case AVAHI_BROWSER_REMOVE:
    case AVAHI_BROWSER_CACHE_EXHAUSTED:
        return;
    }
}

} // namespace

std::optional<std::vector<NetworkServer>> BrowseDnsSdServers(const DnsSdOptions& options) {
    AvahiSimplePoll* poll = avahi_simple_poll_new();
    if (poll == nullptr)
        return std::nullopt;
    Browse browse;
    int error = 0;
    browse.Client = avahi_client_new(avahi_simple_poll_get(poll), static_cast<AvahiClientFlags>(0), nullptr,
                                     nullptr, &error);
    if (browse.Client == nullptr) {
        avahi_simple_poll_free(poll);
        return std::nullopt;
    }
    for (const ServiceType& t : ServiceTypes) {
        if (AvahiServiceBrowser* b =
                avahi_service_browser_new(browse.Client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, t.Type, nullptr,
                                          static_cast<AvahiLookupFlags>(0), Browsed, &browse))
            browse.Browsing.insert(b);
    }

    const auto deadline = Clock::now() + std::chrono::milliseconds(options.TimeoutMs);
    while (!browse.Browsing.empty() || browse.Resolving > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || avahi_client_get_state(browse.Client) == AVAHI_CLIENT_FAILURE ||
            avahi_simple_poll_iterate(poll, static_cast<int>(left)) != 0)
            break;
    }
    // Frees the browsers and the resolvers still at work as well.
    avahi_client_free(browse.Client);
    avahi_simple_poll_free(poll);
    return std::move(browse.Found);
}

} // namespace hozonix::netinfo

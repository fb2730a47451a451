#include "netinfo/NetworkServer.h"

#include "base/TextCoding.h"

#include <arpa/inet.h>

#include <cstring>

namespace hozonix::netinfo {

namespace {

// Percent-encodes all but unreserved characters and those in `keep`.
std::string Encode(const std::string& text, const char* keep) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '.' || c == '_' || c == '~' || (c != 0 && std::strchr(keep, c) != nullptr);
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string HostPart(const std::string& host) {
    in6_addr ipv6{};
    if (inet_pton(AF_INET6, host.substr(0, host.find('%')).c_str(), &ipv6) != 1)
        return Encode(host, "");
    // The colons stay, and a zone ("fe80::1%eth0") gets its '%' encoded.
    return "[" + Encode(host, ":") + "]";
}

} // namespace

std::string ServerUrl(const std::string& scheme, const std::string& host, int port, int defaultPort,
                      const std::string& user, const std::string& path) {
    std::string url = scheme + "://";
    if (!user.empty())
        url += Encode(user, "") + "@";
    url += HostPart(host);
    if (port > 0 && port != defaultPort)
        url += ":" + std::to_string(port);
    std::string p = path.empty() || path[0] != '/' ? "/" + path : path;
    if (p.back() != '/')
        p += '/';
    return url + Encode(p, "/");
}

std::string UrlHost(const std::string& url) {
    size_t start = url.find("://");
    start = start == std::string::npos ? 0 : start + 3;
    size_t end = url.find('/', start);
    std::string authority = url.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (size_t at = authority.rfind('@'); at != std::string::npos)
        authority.erase(0, at + 1);
    if (!authority.empty() && authority[0] == '[') {
        size_t close = authority.find(']');
        return PercentDecoded(
            authority.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    }
    if (size_t colon = authority.find(':'); colon != std::string::npos)
        authority.erase(colon);
    return PercentDecoded(authority);
}

} // namespace hozonix::netinfo

#pragma once
// The network browsing service as the listing sees it: an entry of the network tree and a provider that
// opens, walks and closes one level of that tree. libsmbclient implements it for the program; tests
// implement it with a script.

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hozonix::netinfo {

// Usage bits of an entry.
inline constexpr int ResourceUsageConnectable = 1;
inline constexpr int ResourceUsageContainer = 2;

// What an entry is, for showing it.
inline constexpr int ResourceDisplayGeneric = 0;
inline constexpr int ResourceDisplayDomain = 1;
inline constexpr int ResourceDisplayServer = 2;
inline constexpr int ResourceDisplayShare = 3;
inline constexpr int ResourceDisplayNetwork = 6; // a provider: the top of its own tree

// Result codes of the provider besides 0 (success) and errno values.
inline constexpr int NoMoreItems = 259;
inline constexpr int MoreData = 234;

struct NetResource {
    int Scope = 0;
    int Type = 0;
    int DisplayType = 0;
    int Usage = 0;
    std::optional<std::string> LocalName;
    std::optional<std::string> RemoteName;
    std::optional<std::string> Comment;
    std::optional<std::string> Provider;
};

// One open level of the network tree.
class NetEnumeration {
public:
    virtual ~NetEnumeration() = default;
    // Appends the next entries and returns 0, or returns NoMoreItems when the level is exhausted, or
    // another code for a failure.
    virtual int Next(std::vector<NetResource>& entries) = 0;
    // Returns 0 or the code of the failure. Called exactly once.
    virtual int Close() = 0;
};

class NetResourceProvider {
public:
    virtual ~NetResourceProvider() = default;
    // Opens the level below `parent` (nullptr: the root of the whole network). Returns 0 and sets `out`,
    // or the code of the failure.
    virtual int Open(const NetResource* parent, std::unique_ptr<NetEnumeration>& out) = 0;
};

} // namespace hozonix::netinfo

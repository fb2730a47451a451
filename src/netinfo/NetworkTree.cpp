#include "netinfo/NetworkTree.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <future>

namespace hozonix::netinfo {

namespace {

constexpr int ScopeGlobalNet = 2;

// A level whose entries are known when it is opened.
class ListedLevel : public NetEnumeration {
public:
    explicit ListedLevel(std::vector<NetResource> entries) : entries_(std::move(entries)) {}
    int Next(std::vector<NetResource>& entries) override {
        if (done_ || entries_.empty())
            return NoMoreItems;
        done_ = true;
        entries.insert(entries.end(), entries_.begin(), entries_.end());
        return 0;
    }
    int Close() override { return 0; }

private:
    std::vector<NetResource> entries_;
    bool done_ = false;
};

// Another provider's level, each entry changed on its way through.
class MappedLevel : public NetEnumeration {
public:
    MappedLevel(std::unique_ptr<NetEnumeration> inner, std::function<void(NetResource&)> change)
        : inner_(std::move(inner)), change_(std::move(change)) {}
    int Next(std::vector<NetResource>& entries) override {
        const size_t first = entries.size();
        int code = inner_->Next(entries);
        for (size_t i = first; i < entries.size(); ++i)
            change_(entries[i]);
        return code;
    }
    int Close() override { return inner_->Close(); }

private:
    std::unique_ptr<NetEnumeration> inner_;
    std::function<void(NetResource&)> change_;
};

// Opens, reads and closes one level; the first failure's code.
int ReadAll(NetResourceProvider& provider, const NetResource* parent, std::vector<NetResource>& entries) {
    std::unique_ptr<NetEnumeration> level;
    int code = provider.Open(parent, level);
    if (code != 0 || !level)
        return code != 0 ? code : EIO;
    for (;;) {
        const size_t before = entries.size();
        code = level->Next(entries);
        if (code == NoMoreItems)
            code = 0;
        if (code != 0 || entries.size() == before)
            break;
    }
    int closeCode = level->Close();
    return code != 0 ? code : closeCode;
}

bool IsSmb(const std::string& address) {
    return address.rfind("smb://", 0) == 0;
}

bool IsNumeric(const std::string& host) {
    unsigned char buffer[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
           inet_pton(AF_INET6, host.substr(0, host.find('%')).c_str(), buffer) == 1;
}

std::string WithoutTrailingSlash(std::string url) {
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    return url;
}

// The host's numeric address (from either address) and its name up to the first dot, in lower case.
std::pair<std::string, std::string> HostKeyOf(const std::string& address, const std::string& numericAddress) {
    std::string numeric = numericAddress.empty() ? "" : UrlHost(numericAddress);
    std::string host = UrlHost(address);
    if (IsNumeric(host))
        return {numeric.empty() ? host : numeric, ""};
    std::string name = host.substr(0, host.find('.'));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return {numeric, name};
}

SmbOptions AnonymousOptions(SmbOptions smb) {
    smb.Credentials = nullptr;
    return smb;
}

} // namespace

NetworkTree::NetworkTree(NetworkTreeOptions options)
    : options_(std::move(options)), smb_(options_.Smb), anonymous_(AnonymousOptions(options_.Smb)) {}

NetworkTree::~NetworkTree() = default;

int NetworkTree::Discover() {
    providers_.clear();
    servers_.clear();
    claimed_.clear();
    reachAt_.clear();
    // The services wait for answers from the network: side by side, the longest wait is the whole wait.
    auto dnsSd = std::async(std::launch::async, [o = options_.DnsSd] { return BrowseDnsSdServers(o); });
    auto wsd = std::async(std::launch::async, [o = options_.Wsd] { return DiscoverWsdComputers(o); });
    std::vector<NetResource> workgroups;
    const int smbCode = ReadAll(smb_, nullptr, workgroups);

    std::pair<const char*, std::optional<std::vector<NetworkServer>>> found[] = {
        {DnsSdProviderName, dnsSd.get()}, {WsdProviderName, wsd.get()}};
    for (auto& [name, servers] : found) {
        if (!servers)
            continue;
        std::sort(servers->begin(), servers->end(),
                  [](const NetworkServer& a, const NetworkServer& b) { return a.Address < b.Address; });
        std::vector<NetResource> entries;
        for (const NetworkServer& s : *servers)
            entries.push_back(ServerEntry(s));
        providers_.emplace_back(name, std::move(entries));
    }
    if (smbCode == 0)
        providers_.emplace_back(SmbProviderName, std::move(workgroups));
    if (providers_.empty())
        return smbCode != 0 ? smbCode : ENOENT;
    return 0;
}

bool NetworkTree::Claim(const HostKey& key) {
    for (HostKey& c : claimed_) {
        if ((!key.Numeric.empty() && key.Numeric == c.Numeric) || (!key.Name.empty() && key.Name == c.Name)) {
            // What one service knew of the host helps to recognise it from the next.
            if (c.Numeric.empty())
                c.Numeric = key.Numeric;
            if (c.Name.empty())
                c.Name = key.Name;
            return false;
        }
    }
    claimed_.push_back(key);
    return true;
}

NetResource NetworkTree::ServerEntry(const NetworkServer& server) {
    NetResource r;
    r.Scope = ScopeGlobalNet;
    r.DisplayType = ResourceDisplayServer;
    r.Usage = ResourceUsageConnectable;
    r.RemoteName = server.Address;
    r.Comment = server.Name;
    r.Provider = server.Provider;
    if (IsSmb(server.Address)) {
        auto [numeric, name] = HostKeyOf(server.Address, server.NumericAddress);
        if (!Claim({numeric, name}))
            return r;
        r.Usage |= ResourceUsageContainer;
        reachAt_[server.Address] = server.NumericAddress.empty() ? server.Address : server.NumericAddress;
    }
    servers_.push_back(server);
    return r;
}

void NetworkTree::AdoptSmbServer(NetResource& entry) {
    if (entry.DisplayType != ResourceDisplayServer || !entry.RemoteName)
        return;
    auto [numeric, name] = HostKeyOf(*entry.RemoteName, "");
    if (!Claim({numeric, name})) {
        entry.Usage &= ~ResourceUsageContainer;
        return;
    }
    const std::string host = UrlHost(*entry.RemoteName);
    servers_.push_back({host, ServerUrl("smb", host, 0, 445), "", SmbProviderName});
}

int NetworkTree::Open(const NetResource* parent, std::unique_ptr<NetEnumeration>& out) {
    if (parent == nullptr) {
        if (int code = Discover(); code != 0)
            return code;
        std::vector<NetResource> tops;
        for (const auto& [name, entries] : providers_) {
            NetResource r;
            r.Scope = ScopeGlobalNet;
            r.DisplayType = ResourceDisplayNetwork;
            r.Usage = ResourceUsageContainer;
            r.RemoteName = name;
            r.Provider = name;
            tops.push_back(std::move(r));
        }
        out = std::make_unique<ListedLevel>(std::move(tops));
        return 0;
    }
    if (parent->DisplayType == ResourceDisplayNetwork) {
        for (const auto& [name, entries] : providers_) {
            if (parent->RemoteName == name) {
                out = std::make_unique<ListedLevel>(entries);
                return 0;
            }
        }
        return ENOENT;
    }
    if (parent->DisplayType == ResourceDisplayDomain) {
        std::unique_ptr<NetEnumeration> inner;
        if (int code = smb_.Open(parent, inner); code != 0)
            return code;
        out = std::make_unique<MappedLevel>(std::move(inner), [this](NetResource& r) { AdoptSmbServer(r); });
        return 0;
    }
    return OpenShares(*parent, out);
}

int NetworkTree::OpenShares(const NetResource& server, std::unique_ptr<NetEnumeration>& out) {
    const std::string name = server.RemoteName.value_or("");
    auto known = reachAt_.find(name);
    NetResource target = server;
    target.RemoteName = known != reachAt_.end() ? known->second : name;
    int code = anonymous_.Open(&target, out);
    if ((code == EACCES || code == EPERM) && options_.Smb.Credentials)
        code = smb_.Open(&target, out);
    if (code != 0 || *target.RemoteName == name)
        return code;
    // The shares are named below the server's name, not below the address it was reached at.
    const std::string from = WithoutTrailingSlash(*target.RemoteName) + "/";
    const std::string to = WithoutTrailingSlash(name) + "/";
    out = std::make_unique<MappedLevel>(std::move(out), [from, to](NetResource& r) {
        if (r.RemoteName && r.RemoteName->rfind(from, 0) == 0)
            r.RemoteName = to + r.RemoteName->substr(from.size());
    });
    return 0;
}

std::vector<NetworkServer> NetworkTree::FindServers() {
    if (Discover() != 0)
        return {};
    for (const auto& [name, entries] : providers_) {
        if (name != std::string(SmbProviderName))
            continue;
        // Opening a workgroup adopts its servers.
        for (const NetResource& workgroup : entries) {
            std::vector<NetResource> servers;
            if (workgroup.DisplayType == ResourceDisplayDomain)
                ReadAll(*this, &workgroup, servers);
        }
    }
    return servers_;
}

std::vector<NetworkServer> FindNetworkServers(const NetworkTreeOptions& options) {
    NetworkTree tree(options);
    return tree.FindServers();
}

} // namespace hozonix::netinfo

#pragma once
// The whole network as the Tool menu's network list shows it. The root holds one container per discovery
// service that answers, in this order:
//   "DNS-SD"  servers announced over mDNS through the local Avahi daemon (SMB, SFTP, WebDAV),
//   "WSD"     computers that answer WS-Discovery,
//   "SMB"     the SMB1 browse list: workgroups, then their servers (where the client configuration
//             allows NT1: libsmbclient's protocol choice holds for the whole process, so the tree
//             cannot turn SMB1 on for browsing alone),
// each with the provider's name as both its remote and provider name. A service that does not answer
// (no Avahi daemon, no interface to probe through, no SMB1 browse master) is left out; only when none
// answers does the root fail, with the SMB1 browse's code.
//
// Every SMB server is a container of its shares, listed over SMB2/3 by libsmbclient: anonymously first,
// then with SmbOptions::Credentials. A server that several services announce (the same numeric address
// or the same host name) is descended into once, below the first service; the others show it as a leaf.
// SFTP and WebDAV servers are leaves. Servers are reached by the numeric address their service gave,
// and named by host name ("smb://nas.local/", "smb://NAS/" and their shares "smb://NAS/data").
//
// Discovery runs when the root is opened, the services side by side, within a few seconds; listing a
// silent server waits SmbOptions::TimeoutMs at most.

#include "netinfo/DnsSdBrowser.h"
#include "netinfo/NetResource.h"
#include "netinfo/NetworkServer.h"
#include "netinfo/SmbNetResourceProvider.h"
#include "netinfo/WsdDiscovery.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace hozonix::netinfo {

struct NetworkTreeOptions {
    // Share listing and SMB1 browsing: timeout, client configuration, credentials.
    SmbOptions Smb;
    DnsSdOptions DnsSd;
    WsdOptions Wsd;
};

class NetworkTree : public NetResourceProvider {
public:
    explicit NetworkTree(NetworkTreeOptions options = {});
    ~NetworkTree() override;
    NetworkTree(const NetworkTree&) = delete;
    NetworkTree& operator=(const NetworkTree&) = delete;

    int Open(const NetResource* parent, std::unique_ptr<NetEnumeration>& out) override;

    // Discovers afresh and returns every server found, as FindNetworkServers describes.
    std::vector<NetworkServer> FindServers();

private:
    struct HostKey {
        std::string Numeric; // numeric address, when known
        std::string Name;    // host name up to its first dot, lower case, unless numeric
    };

    int Discover();
    NetResource ServerEntry(const NetworkServer& server);
    bool Claim(const HostKey& key);
    void AdoptSmbServer(NetResource& entry);
    int OpenShares(const NetResource& server, std::unique_ptr<NetEnumeration>& out);

    NetworkTreeOptions options_;
    SmbNetResourceProvider smb_;       // the SMB1 browse list, and shares with credentials
    SmbNetResourceProvider anonymous_; // shares, tried first

    // Of the last root opening: each answering service's entries, the servers found, the hosts already
    // descended into, and where each SMB server is reached.
    std::vector<std::pair<std::string, std::vector<NetResource>>> providers_;
    std::vector<NetworkServer> servers_;
    std::vector<HostKey> claimed_;
    std::map<std::string, std::string> reachAt_;
};

// The servers of the whole network for a folder browser's network place: those of DNS-SD and of
// WS-Discovery, each sorted by address, then those of the SMB1 browse list. An SMB server that several
// services announce is given once (by the first); SFTP and WebDAV servers once per announcement. Empty
// when no service answers. Takes a few seconds (see NetworkTree): run it off the GUI thread.
//   Name      "NAS", "nas" (service, computer or NetBIOS name)
//   Address   "smb://nas.local:4450/", "sftp://alice@nas.local/", "davs://nas.local/dav/", "smb://NAS/"
//   NumericAddress  the same by IP address when known ("smb://192.168.1.5:4450/"); prefer it to connect
//   Provider  "DNS-SD", "WSD" or "SMB"
std::vector<NetworkServer> FindNetworkServers(const NetworkTreeOptions& options = {});

} // namespace hozonix::netinfo

#pragma once
// What the discovery tests talk to, all inside a private network namespace so that no announcement or
// probe reaches a real network: a link with an address and multicast, a D-Bus system bus with an Avahi
// daemon that announces the test's services, and a WS-Discovery daemon.

#include <csignal>
#include <memory>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

typedef struct AvahiSimplePoll AvahiSimplePoll;
typedef struct AvahiClient AvahiClient;

namespace hozonix::test {

// The link: one end of a veth pair inside the namespace, with an address, and multicast routed to it.
inline constexpr const char* LinkName = "hz1";
inline constexpr const char* LinkAddress = "10.77.0.1";
// An address of the namespace where nothing listens: connections to it are refused at once.
inline constexpr const char* IdleAddress = "10.77.0.3";

// Moves this process into new network and mount namespaces and sets up the link; the machine's run-time
// folder and Avahi services are replaced by empty ones there. Call it while the process has one thread.
// False, with the reason, when it cannot.
bool EnterPrivateNetwork(std::string& why);

// A program the test started, stopped (by `stopSignal`, then SIGKILL) and reaped by the destructor.
class Daemon {
public:
    Daemon(const std::vector<std::string>& argv, const std::string& logFile, int stopSignal = SIGTERM);
    ~Daemon();
    Daemon(const Daemon&) = delete;
    Daemon& operator=(const Daemon&) = delete;
    bool Running() const;

private:
    pid_t pid_ = -1;
    int stopSignal_;
};

struct AnnouncedService {
    std::string Name;
    std::string Type; // "_smb._tcp"
    int Port = 0;
    std::string Host; // empty: the daemon's own host
    std::vector<std::string> Txt;
};

// dbus-daemon as the system bus (DBUS_SYSTEM_BUS_ADDRESS is set for this process) and avahi-daemon with
// the host name "hozonixtest" on the link. Throws std::runtime_error when they do not come up. libdbus
// reads the bus address once per process: a later peer must use the same folder.
class AvahiPeer {
public:
    static constexpr const char* HostName = "hozonixtest.local";

    explicit AvahiPeer(const std::string& folder);
    ~AvahiPeer();
    AvahiPeer(const AvahiPeer&) = delete;
    AvahiPeer& operator=(const AvahiPeer&) = delete;

    // Announces the services, and the addresses of their other hosts ({"name.local", "10.77.0.3"}), and
    // waits until all are established.
    void Announce(const std::vector<AnnouncedService>& services,
                  const std::vector<std::pair<std::string, std::string>>& hosts);

private:
    void Start();
    void Stop();

    std::string folder_;
    std::unique_ptr<Daemon> bus_;
    std::unique_ptr<Daemon> avahi_;
    AvahiSimplePoll* poll_ = nullptr;
    AvahiClient* client_ = nullptr;
};

// wsdd on the link, answering as the computer `name` of `workgroup`. Throws std::runtime_error when it does
// not come up.
class WsddPeer {
public:
    WsddPeer(const std::string& folder, const std::string& name, const std::string& workgroup);

private:
    std::unique_ptr<Daemon> wsdd_;
};

// The programs the peers need, or why they cannot run.
bool DiscoveryPeersAvailable(std::string& why);

} // namespace hozonix::test

#include "netinfo/WsdDiscovery.h"

#include "netinfo/WsdMessages.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <set>

namespace hozonix::netinfo {

namespace {

using Clock = std::chrono::steady_clock;

// More answers than this are not a network of computers but a flood.
constexpr size_t MaxComputers = 256;
constexpr size_t MaxHttpResponse = 256 * 1024;

int MillisecondsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0)
            close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_;
};

// The addresses of the interfaces a probe goes out through.
std::vector<in_addr> ProbeSources(const std::string& interfaceName) {
    std::vector<in_addr> sources;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return sources;
    for (const ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET || (i->ifa_flags & IFF_UP) == 0 ||
            (i->ifa_flags & IFF_MULTICAST) == 0 || (i->ifa_flags & IFF_LOOPBACK) != 0)
            continue;
        if (!interfaceName.empty() && interfaceName != i->ifa_name)
            continue;
        sources.push_back(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr);
    }
    freeifaddrs(list);
    return sources;
}

// Sends `message` to the group through every source; true when it went out through one at least.
bool SendToGroup(int fd, const std::vector<in_addr>& sources, const sockaddr_in& group,
                 const std::string& message) {
    bool sent = false;
    for (const in_addr& source : sources) {
        if (setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &source, sizeof source) != 0)
            continue;
        sent = sendto(fd, message.data(), message.size(), 0, reinterpret_cast<const sockaddr*>(&group),
                      sizeof group) == static_cast<ssize_t>(message.size()) ||
               sent;
    }
    return sent;
}

struct Computer {
    std::string Endpoint;
    std::string Sender; // the address its answer came from
    std::vector<std::string> XAddrs;
    bool ResolveSent = false;
};

// Posts `body` and returns the whole response, or nothing on a failure or timeout.
std::optional<std::string> HttpPost(const wsd::HttpAddress& to, const std::string& body,
                                    Clock::time_point deadline) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(to.Port));
    if (inet_pton(AF_INET, to.Host.c_str(), &address.sin_addr) != 1)
        return std::nullopt;
    Socket s(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (s.Fd() < 0)
        return std::nullopt;
    if (connect(s.Fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        errno != EINPROGRESS)
        return std::nullopt;

    std::string request =
        "POST " + to.Path + " HTTP/1.1\r\nHost: " + to.Host + ":" + std::to_string(to.Port) +
        "\r\nContent-Type: application/soap+xml\r\nContent-Length: " + std::to_string(body.size()) +
        "\r\nConnection: close\r\n\r\n" + body;
    size_t written = 0;
    std::string response;
    char buffer[8192];
    for (;;) {
        pollfd p{s.Fd(), static_cast<short>(written < request.size() ? POLLOUT : POLLIN), 0};
        int left = MillisecondsLeft(deadline);
        if (left == 0 || poll(&p, 1, left) <= 0)
            return std::nullopt;
        if (written < request.size()) {
            ssize_t n = send(s.Fd(), request.data() + written, request.size() - written, MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return std::nullopt;
            written += n > 0 ? static_cast<size_t>(n) : 0;
            continue;
        }
        ssize_t n = recv(s.Fd(), buffer, sizeof buffer, 0);
        if (n == 0)
            return response;
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return std::nullopt;
        }
        response.append(buffer, static_cast<size_t>(n));
        if (response.size() > MaxHttpResponse)
            return std::nullopt;
        // A server may keep the connection open after a body of known length.
        if (wsd::ReadHttpBody(response, false))
            return response;
    }
}

// The computer's name from its metadata, asked at the first transport address we can reach.
std::optional<std::string> AskName(const Computer& c, const WsdOptions& options, Clock::time_point allDone) {
    for (const std::string& xaddr : c.XAddrs) {
        std::optional<wsd::HttpAddress> to = wsd::ReadHttpAddress(xaddr);
        if (!to)
            continue;
        auto deadline = std::min(allDone, Clock::now() + std::chrono::milliseconds(options.HttpTimeoutMs));
        std::optional<std::string> response =
            HttpPost(*to, wsd::GetMessage(wsd::NewMessageId(), c.Endpoint), deadline);
        std::optional<std::string> body = response ? wsd::ReadHttpBody(*response) : std::nullopt;
        return body ? wsd::ReadComputerName(*body) : std::nullopt;
    }
    return std::nullopt;
}

// The numeric address to reach the computer at: its first usable transport address, else the sender.
std::string HostAddress(const Computer& c) {
    for (const std::string& xaddr : c.XAddrs) {
        if (std::optional<wsd::HttpAddress> a = wsd::ReadHttpAddress(xaddr))
            return a->Host;
    }
    return c.Sender;
}

} // namespace

std::optional<std::vector<NetworkServer>> DiscoverWsdComputers(const WsdOptions& options) {
    std::vector<in_addr> sources = ProbeSources(options.Interface);
    sockaddr_in group{};
    group.sin_family = AF_INET;
    group.sin_port = htons(static_cast<uint16_t>(options.Port));
    if (sources.empty() || inet_pton(AF_INET, options.Group.c_str(), &group.sin_addr) != 1)
        return std::nullopt;
    Socket s(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_in any{};
    any.sin_family = AF_INET;
    unsigned char ttl = 1;
    if (s.Fd() < 0 || bind(s.Fd(), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0 ||
        setsockopt(s.Fd(), IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0)
        return std::nullopt;

    const std::string probeId = wsd::NewMessageId();
    const std::string probe = wsd::ProbeMessage(probeId);
    if (!SendToGroup(s.Fd(), sources, group, probe))
        return std::nullopt;
    std::set<std::string> sentIds = {probeId};
    std::vector<Computer> computers;
    std::map<std::string, size_t> byEndpoint;

    // UDP may lose the probe: it goes out once more a little later, under the same id.
    const auto start = Clock::now();
    const auto repeatAt = start + std::chrono::milliseconds(std::min(250, options.WaitMs / 4));
    const auto deadline = start + std::chrono::milliseconds(options.WaitMs);
    bool repeated = false;
    std::string buffer(wsd::MaxMessageSize + 1, '\0');
    for (int left; (left = MillisecondsLeft(deadline)) > 0;) {
        if (!repeated && Clock::now() >= repeatAt) {
            SendToGroup(s.Fd(), sources, group, probe);
            repeated = true;
        }
        pollfd p{s.Fd(), POLLIN, 0};
        int wait = repeated ? left : std::max(1, MillisecondsLeft(repeatAt));
        if (poll(&p, 1, wait) <= 0)
            continue;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        ssize_t n = recvfrom(s.Fd(), buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                             &fromLength);
        if (n <= 0 || static_cast<size_t>(n) > wsd::MaxMessageSize)
            continue;
        std::optional<wsd::Answer> answer =
            wsd::ReadAnswer(std::string_view(buffer.data(), static_cast<size_t>(n)));
        if (!answer || sentIds.count(answer->RelatesTo) == 0)
            continue;
        const bool toProbe = answer->RelatesTo == probeId;
        for (wsd::Match& m : answer->Matches) {
            auto known = byEndpoint.find(m.Endpoint);
            if (known == byEndpoint.end()) {
                // Printers and other devices answer the probe too.
                if (!toProbe || !m.Computer || computers.size() >= MaxComputers)
                    continue;
                char sender[INET_ADDRSTRLEN] = "";
                inet_ntop(AF_INET, &from.sin_addr, sender, sizeof sender);
                known = byEndpoint.emplace(m.Endpoint, computers.size()).first;
                computers.push_back({m.Endpoint, sender, {}, false});
            }
            Computer& c = computers[known->second];
            if (c.XAddrs.empty())
                c.XAddrs = std::move(m.XAddrs);
            if (c.XAddrs.empty() && !c.ResolveSent) {
                // Without transport addresses in its match, a computer tells them when resolved.
                const std::string resolveId = wsd::NewMessageId();
                c.ResolveSent =
                    SendToGroup(s.Fd(), sources, group, wsd::ResolveMessage(resolveId, c.Endpoint));
                sentIds.insert(resolveId);
            }
        }
    }

    std::vector<NetworkServer> servers;
    const auto namesDone = Clock::now() + std::chrono::milliseconds(options.HttpTotalMs);
    for (const Computer& c : computers) {
        const std::string address = HostAddress(c);
        std::optional<std::string> name = AskName(c, options, namesDone);
        const std::string host = name.value_or(address);
        servers.push_back(
            {host, ServerUrl("smb", host, 0, 445), ServerUrl("smb", address, 0, 445), WsdProviderName});
    }
    return servers;
}

} // namespace hozonix::netinfo

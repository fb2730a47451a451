#include "DiscoveryPeers.h"

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/address.h>
#include <avahi-common/error.h>
#include <avahi-common/simple-watch.h>
#include <avahi-common/strlst.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace hozonix::test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* IpPath = "/usr/sbin/ip";
constexpr const char* DbusDaemonPath = "/usr/bin/dbus-daemon";
constexpr const char* AvahiDaemonPath = "/usr/sbin/avahi-daemon";
constexpr const char* PythonPath = "/usr/bin/python3";
constexpr const char* WsddPath = "/usr/sbin/wsdd";
constexpr int WsddHttpPort = 5357;

pid_t Spawn(const std::vector<std::string>& argv, const std::string& logFile) {
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& a : args)
        argp.push_back(a.data());
    argp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool Run(const std::vector<std::string>& argv) {
    return Wait(Spawn(argv, "/dev/null")) == 0;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool Accepts(const char* address, int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, address, &a.sin_addr);
    bool ok = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    if (fd >= 0)
        close(fd);
    return ok;
}

// Polls `ready` every 20 ms for up to ten seconds.
template <typename Ready> bool WaitUntil(Ready ready) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!ready()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

} // namespace

bool DiscoveryPeersAvailable(std::string& why) {
    for (const char* program : {IpPath, DbusDaemonPath, AvahiDaemonPath, PythonPath, WsddPath}) {
        if (access(program, X_OK) != 0) {
            why = std::string(program) + " is missing (packages iproute2 dbus-daemon avahi-daemon wsdd)";
            return false;
        }
    }
    return true;
}

bool EnterPrivateNetwork(std::string& why) {
    if (geteuid() != 0) {
        why = "a private network namespace needs root";
        return false;
    }
    if (unshare(CLONE_NEWNET | CLONE_NEWNS) != 0) {
        why = std::string("no private network namespace: ") + std::strerror(errno);
        return false;
    }
    // avahi-daemon keeps its pid file and socket under /run and announces what /etc/avahi/services holds:
    // both are empty scratch space here.
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", "/run", "tmpfs", 0, "mode=0755") != 0 ||
        (fs::is_directory("/etc/avahi/services") &&
         mount("tmpfs", "/etc/avahi/services", "tmpfs", 0, "mode=0755") != 0)) {
        why = std::string("no private /run: ") + std::strerror(errno);
        return false;
    }
    const std::vector<std::vector<std::string>> commands = {
        {IpPath, "link", "set", "lo", "up"},
        {IpPath, "link", "add", LinkName, "type", "veth", "peer", "name", "hz2"},
        {IpPath, "addr", "add", std::string(LinkAddress) + "/24", "dev", LinkName},
        {IpPath, "link", "set", LinkName, "up"},
        {IpPath, "link", "set", "hz2", "up"},
        {IpPath, "route", "add", "224.0.0.0/4", "dev", LinkName},
        // On the loopback, which neither multicasts nor is announced.
        {IpPath, "addr", "add", std::string(IdleAddress) + "/32", "dev", "lo"},
    };
    for (const auto& command : commands) {
        if (access(IpPath, X_OK) != 0 || !Run(command)) {
            why = "cannot set up the private link: " + command[1] + " " + command[2] + " " + command[3];
            return false;
        }
    }
    return true;
}

Daemon::Daemon(const std::vector<std::string>& argv, const std::string& logFile, int stopSignal)
    : pid_(Spawn(argv, logFile)), stopSignal_(stopSignal) {}

Daemon::~Daemon() {
    kill(pid_, stopSignal_);
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    while (waitpid(pid_, nullptr, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(pid_, SIGKILL);
            Wait(pid_);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool Daemon::Running() const {
    return waitpid(pid_, nullptr, WNOHANG) == 0;
}

AvahiPeer::AvahiPeer(const std::string& folder) : folder_(folder) {
    try {
        Start();
    } catch (...) {
        Stop();
        throw;
    }
}

AvahiPeer::~AvahiPeer() {
    Stop();
}

void AvahiPeer::Start() {
    const std::string& folder = folder_;
    const std::string bus = folder + "/bus";
    // Left by an earlier daemon in the same folder.
    fs::remove(bus);
    WriteText(folder + "/bus.conf",
              "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
              " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
              "<busconfig><type>system</type><listen>unix:path=" +
                  bus +
                  "</listen><auth>EXTERNAL</auth>"
                  "<policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
                  "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/></policy></busconfig>\n");
    WriteText(folder + "/avahi-daemon.conf",
              std::string("[server]\nhost-name=hozonixtest\ndomain-name=local\n"
                          "use-ipv4=yes\nuse-ipv6=no\nallow-interfaces=") +
                  LinkName +
                  "\nenable-dbus=yes\n"
                  "[wide-area]\nenable-wide-area=no\n"
                  "[publish]\npublish-hinfo=no\npublish-workstation=no\n");
    bus_ = std::make_unique<Daemon>(std::vector<std::string>{DbusDaemonPath, "--nofork", "--nopidfile",
                                                             "--config-file=" + folder + "/bus.conf"},
                                    folder + "/dbus.log");
    if (!WaitUntil([&] { return fs::exists(bus); }))
        throw std::runtime_error("dbus-daemon did not come up:\n" + ReadText(folder + "/dbus.log"));
    setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + bus).c_str(), 1);

    avahi_ = std::make_unique<Daemon>(
        std::vector<std::string>{AvahiDaemonPath, "-f", folder + "/avahi-daemon.conf", "--no-drop-root",
                                 "--no-chroot", "--no-rlimits"},
        folder + "/avahi.log");
    poll_ = avahi_simple_poll_new();
    // The daemon answers once it is on the bus, and takes entries once it owns its host name.
    bool running = WaitUntil([&] {
        if (client_ == nullptr) {
            int error = 0;
            client_ = avahi_client_new(avahi_simple_poll_get(poll_), static_cast<AvahiClientFlags>(0),
                                       nullptr, nullptr, &error);
            return false;
        }
        avahi_simple_poll_iterate(poll_, 20);
        return avahi_client_get_state(client_) == AVAHI_CLIENT_S_RUNNING;
    });
    if (!running)
        throw std::runtime_error("avahi-daemon did not come up:\n" + ReadText(folder + "/avahi.log"));
}

void AvahiPeer::Stop() {
    if (client_ != nullptr)
        avahi_client_free(client_);
    client_ = nullptr;
    if (poll_ != nullptr)
        avahi_simple_poll_free(poll_);
    poll_ = nullptr;
    avahi_.reset();
    bus_.reset();
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

void AvahiPeer::Announce(const std::vector<AnnouncedService>& services,
                         const std::vector<std::pair<std::string, std::string>>& hosts) {
    AvahiEntryGroupState state = AVAHI_ENTRY_GROUP_UNCOMMITED;
    AvahiEntryGroup* group = avahi_entry_group_new(
        client_,
        [](AvahiEntryGroup*, AvahiEntryGroupState s, void* data) {
            *static_cast<AvahiEntryGroupState*>(data) = s;
        },
        &state);
    if (group == nullptr)
        throw std::runtime_error("no entry group: " +
                                 std::string(avahi_strerror(avahi_client_errno(client_))));
    int rc = 0;
    for (const auto& [name, address] : hosts) {
        AvahiAddress a;
        avahi_address_parse(address.c_str(), AVAHI_PROTO_INET, &a);
        // The daemon's own reverse entries would clash with this host's.
        if (rc == 0)
            rc = avahi_entry_group_add_address(group, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET,
                                               AVAHI_PUBLISH_NO_REVERSE, name.c_str(), &a);
    }
    for (const AnnouncedService& s : services) {
        AvahiStringList* txt = nullptr;
        for (const std::string& t : s.Txt)
            txt = avahi_string_list_add(txt, t.c_str());
        if (rc == 0)
            rc = avahi_entry_group_add_service_strlst(
                group, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET, static_cast<AvahiPublishFlags>(0), s.Name.c_str(),
                s.Type.c_str(), nullptr, s.Host.empty() ? nullptr : s.Host.c_str(),
                static_cast<uint16_t>(s.Port), txt);
        avahi_string_list_free(txt);
    }
    if (rc == 0)
        rc = avahi_entry_group_commit(group);
    if (rc != 0)
        throw std::runtime_error("cannot announce: " + std::string(avahi_strerror(rc)));
    bool established = WaitUntil([&] {
        avahi_simple_poll_iterate(poll_, 20);
        return state == AVAHI_ENTRY_GROUP_ESTABLISHED || state == AVAHI_ENTRY_GROUP_COLLISION ||
               state == AVAHI_ENTRY_GROUP_FAILURE;
    });
    if (!established || state != AVAHI_ENTRY_GROUP_ESTABLISHED)
        throw std::runtime_error("services not established:\n" + ReadText(folder_ + "/avahi.log"));
}

WsddPeer::WsddPeer(const std::string& folder, const std::string& name, const std::string& workgroup) {
    const std::string log = folder + "/wsdd.log";
    // Stopped gently, it says goodbye to the network for a second, which no one here listens to.
    wsdd_ = std::make_unique<Daemon>(
        std::vector<std::string>{PythonPath, WsddPath, "-i", LinkName, "-4", "-n", name, "-w", workgroup},
        log, SIGKILL);
    if (!WaitUntil([&] { return Accepts(LinkAddress, WsddHttpPort) || !wsdd_->Running(); }) ||
        !wsdd_->Running())
        throw std::runtime_error("wsdd did not come up:\n" + ReadText(log));
}

} // namespace hozonix::test

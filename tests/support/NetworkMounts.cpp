#include "NetworkMounts.h"

#include "base/AtomicFile.h"
#include "base/MountTable.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace hozonix::test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto StartTimeout = std::chrono::seconds(15);
constexpr const char* Sshd = "/usr/sbin/sshd";
constexpr const char* Sshfs = "/usr/bin/sshfs";
constexpr const char* SshKeygen = "/usr/bin/ssh-keygen";
constexpr const char* SftpServer = "/usr/lib/openssh/sftp-server";
constexpr const char* Rclone = "/usr/bin/rclone";
constexpr const char* DbusDaemon = "/usr/bin/dbus-daemon";
constexpr const char* DbusSend = "/usr/bin/dbus-send";
constexpr const char* Gvfsd = "/usr/libexec/gvfsd";
constexpr const char* GvfsdFuse = "/usr/libexec/gvfsd-fuse";
constexpr const char* Gio = "/usr/bin/gio";

void WriteText(const std::string& path, const std::string& text, mode_t mode = 0644) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out || chmod(path.c_str(), mode) != 0)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Executable(const char* path, std::string& why) {
    if (access(path, X_OK) == 0)
        return true;
    why = std::string(path) + " is not installed (scripts/install-deps.sh installs it)";
    return false;
}

bool CanMountFuse(std::string& why) {
    if (geteuid() != 0) {
        why = "mounting a FUSE file system here needs root";
        return false;
    }
    if (access("/dev/fuse", R_OK | W_OK) != 0) {
        why = std::string("no usable /dev/fuse: ") + std::strerror(errno);
        return false;
    }
    return true;
}

int FreeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    const bool ok = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0;
    if (fd >= 0)
        close(fd);
    if (!ok)
        throw std::runtime_error("no free port");
    return ntohs(a.sin_port);
}

bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    if (fd >= 0)
        close(fd);
    return ok;
}

std::vector<MountEntry> Mounts() {
    std::string text;
    ReadWholeFile("/proc/self/mountinfo", text);
    return ParseMountInfo(text);
}

// Detaches what is mounted at `mountPoint`: at once when nothing is open there, lazily otherwise.
void Detach(const std::string& mountPoint) {
    const auto mounted = [&] {
        const std::vector<MountEntry> mounts = Mounts();
        return std::any_of(mounts.begin(), mounts.end(),
                           [&](const MountEntry& m) { return m.mountPoint == mountPoint; });
    };
    for (int i = 0; i < 4 && mounted(); ++i) {
        if (umount2(mountPoint.c_str(), 0) != 0)
            umount2(mountPoint.c_str(), MNT_DETACH);
    }
}

// Waits until `mountPoint` shows as `fsType`; false when `pid` ended first or the time ran out.
bool WaitForMount(FixtureProcesses& processes, pid_t pid, const std::string& mountPoint,
                  const std::string& fsType) {
    const auto deadline = Clock::now() + StartTimeout;
    while (!IsMountedAs(mountPoint, fsType)) {
        if (!processes.Running(pid) || Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

struct ProcessInfo {
    pid_t parent = 0;
    bool zombie = false;
    bool marked = false;
};

std::map<pid_t, ProcessInfo> ProcessTable(const std::string& mark) {
    std::map<pid_t, ProcessInfo> table;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string stat = ReadText("/proc/" + name + "/stat");
        // pid (comm) state ppid ...: the name may hold blanks and parentheses, so look after the last ')'.
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(stat.substr(close + 1));
        std::string state;
        pid_t parent = 0;
        rest >> state >> parent;
        ProcessInfo info{parent, state == "Z", false};
        if (!info.zombie) {
            const std::string env = ReadText("/proc/" + name + "/environ");
            for (std::size_t at = 0; at < env.size() && !info.marked;) {
                const std::size_t end = std::min(env.find('\0', at), env.size());
                info.marked = env.compare(at, end - at, mark) == 0;
                at = end + 1;
            }
        }
        table[std::stoi(name)] = info;
    }
    return table;
}

// The processes that carry `mark` and everything below them.
std::set<pid_t> Marked(const std::string& mark) {
    const std::map<pid_t, ProcessInfo> table = ProcessTable(mark);
    std::set<pid_t> found;
    for (const auto& [pid, info] : table) {
        // Up the chain of parents to a marked one, if any.
        for (pid_t at = pid; at > 1;) {
            const auto it = table.find(at);
            if (it == table.end())
                break;
            if (it->second.marked || found.contains(at)) {
                found.insert(pid);
                break;
            }
            at = it->second.parent;
        }
    }
    return found;
}

bool IsRunning(pid_t pid) {
    const std::string stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

// "smb://HOST:PORT/SHARE/PATH" in parts: port "" when none, path "" or "/PATH".
struct SmbUrl {
    std::string host, port, share, path;
};

SmbUrl ParseSmbUrl(const std::string& url) {
    const std::string scheme = "smb://";
    if (url.rfind(scheme, 0) != 0)
        throw std::runtime_error("not an smb:// address: " + url);
    SmbUrl out;
    std::string rest = url.substr(scheme.size());
    const std::size_t slash = rest.find('/');
    std::string server = rest.substr(0, slash);
    rest = slash == std::string::npos ? "" : rest.substr(slash + 1);
    if (const std::size_t at = server.rfind('@'); at != std::string::npos)
        server = server.substr(at + 1);
    const std::size_t colon = server.rfind(':');
    out.host = server.substr(0, colon);
    out.port = colon == std::string::npos ? "" : server.substr(colon + 1);
    const std::size_t end = rest.find('/');
    out.share = rest.substr(0, end);
    out.path = end == std::string::npos ? "" : rest.substr(end);
    while (!out.path.empty() && out.path.back() == '/')
        out.path.pop_back();
    if (out.host.empty() || out.share.empty())
        throw std::runtime_error("no server or share in " + url);
    return out;
}

// The share's folder in the FUSE folder `gvfs`, "" while it does not show.
std::string ShareFolderOf(const std::string& gvfs, const SmbUrl& url) {
    // "smb-share:port=PORT,server=HOST,share=SHARE" (and user=, when the address names one).
    const auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        return text;
    };
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(gvfs, ec)) {
        const std::string name = lower(entry.path().filename());
        if (name.rfind("smb-share:", 0) != 0)
            continue;
        std::set<std::string> keys;
        std::istringstream fields(name.substr(std::strlen("smb-share:")));
        for (std::string field; std::getline(fields, field, ',');)
            keys.insert(field);
        if (keys.contains("server=" + lower(url.host)) && keys.contains("share=" + lower(url.share)) &&
            (url.port.empty() || keys.contains("port=" + url.port)))
            return entry.path();
    }
    return {};
}

} // namespace

bool IsMountedAs(const std::string& mountPoint, const std::string& fsType) {
    const std::vector<MountEntry> mounts = Mounts();
    return std::any_of(mounts.begin(), mounts.end(),
                       [&](const MountEntry& m) { return m.mountPoint == mountPoint && m.fsType == fsType; });
}

FixtureProcesses::FixtureProcesses(const std::string& kind) {
    // Helpers whose parent ends become this process's children, to be reaped here: PID 1 of this
    // sandbox reaps nobody.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    std::string pattern = "/tmp/hozonix-" + kind + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    char real[PATH_MAX];
    folder_ = realpath(pattern.c_str(), real) != nullptr ? real : pattern;
    mark_ = "HOZONIX_TEST_FIXTURE=" + folder_;
    fs::create_directories(folder_ + "/log");
}

FixtureProcesses::~FixtureProcesses() {
    StopAll();
    for (const MountEntry& m : Mounts()) {
        if (m.mountPoint.rfind(folder_ + "/", 0) == 0)
            Detach(m.mountPoint);
    }
    for (const MountEntry& m : Mounts()) {
        if (m.mountPoint.rfind(folder_ + "/", 0) == 0)
            return; // never remove files through a mount that stayed
    }
    std::error_code ec;
    fs::remove_all(folder_, ec);
}

pid_t FixtureProcesses::Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                              const std::string& logName, const std::string& input) {
    std::vector<std::string> all;
    const auto replaced = [&](const std::string& var) {
        const std::string name = var.substr(0, var.find('=') + 1);
        return std::any_of(env.begin(), env.end(),
                           [&](const std::string& e) { return e.rfind(name, 0) == 0; }) ||
               var.rfind("HOZONIX_TEST_FIXTURE=", 0) == 0;
    };
    for (char** e = environ; *e != nullptr; ++e) {
        if (!replaced(*e))
            all.emplace_back(*e);
    }
    all.insert(all.end(), env.begin(), env.end());
    all.push_back(mark_);
    std::vector<char*> envp;
    for (std::string& v : all)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& a : args)
        argp.push_back(a.data());
    argp.push_back(nullptr);

    // The input is in the pipe before the program starts: it fits, and a program that ends without
    // reading it cannot hit this process with SIGPIPE.
    int in[2];
    if (pipe2(in, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const bool written =
        input.empty() || write(in[1], input.data(), input.size()) == static_cast<ssize_t>(input.size());
    close(in[1]);
    if (!written) {
        close(in[0]);
        throw std::runtime_error("cannot pass the input of " + argv[0]);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    const std::string log = folder_ + "/log/" + logName + ".log";
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    if (rc != 0)
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
    return pid;
}

int FixtureProcesses::Run(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                          const std::string& logName, const std::string& input, int timeoutSeconds) {
    const pid_t pid = Start(argv, env, logName, input);
    const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(pid, &status, WNOHANG)) == 0 || (done < 0 && errno == EINTR)) {
        if (Clock::now() > deadline) {
            Stop(pid);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (done < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool FixtureProcesses::Running(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid)
        return false;
    return IsRunning(pid);
}

void FixtureProcesses::Stop(pid_t pid) {
    if (pid <= 0)
        return;
    for (const int signal : {SIGTERM, SIGKILL}) {
        kill(pid, signal);
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (Running(pid) && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!IsRunning(pid))
            break;
    }
    waitpid(pid, nullptr, WNOHANG);
}

void FixtureProcesses::StopAll() {
    std::set<pid_t> members = Marked(mark_);
    for (const int signal : {SIGTERM, SIGKILL}) {
        for (const pid_t pid : members) {
            if (IsRunning(pid))
                kill(pid, signal);
        }
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        for (;;) {
            for (const pid_t pid : members)
                waitpid(pid, nullptr, WNOHANG);
            // Started meanwhile on the fixture's behalf: theirs too.
            for (const pid_t pid : Marked(mark_)) {
                if (members.insert(pid).second)
                    kill(pid, signal);
            }
            if (std::none_of(members.begin(), members.end(), IsRunning) || Clock::now() > deadline)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (std::none_of(members.begin(), members.end(), IsRunning))
            break;
    }
    // Whatever ended below an ended parent is this process's child now.
    for (const pid_t pid : members)
        waitpid(pid, nullptr, WNOHANG);
}

std::string FixtureProcesses::Logs() const {
    std::string all;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder_ + "/log", ec))
        all += "== " + entry.path().filename().string() + "\n" + ReadText(entry.path());
    return all;
}

// sshfs

bool SshfsMount::Available(std::string& why) {
    return CanMountFuse(why) && Executable(Sshd, why) && Executable(Sshfs, why) &&
           Executable(SshKeygen, why) && Executable(SftpServer, why);
}

SshfsMount::SshfsMount(bool secondMount) : processes_("sshfs") {
    const std::string root = processes_.Folder();
    serverFolder_ = root + "/server";
    for (const char* sub : {"/server", "/etc", "/mnt1", "/mnt2"})
        fs::create_directories(root + sub);
    // sshd refuses to start without its privilege separation folder.
    mkdir("/run/sshd", 0755);
    for (const char* key : {"host_key", "user_key"}) {
        if (processes_.Run({SshKeygen, "-q", "-t", "ed25519", "-N", "", "-f", root + "/etc/" + key}, {},
                           "ssh-keygen") != 0)
            throw std::runtime_error("ssh-keygen failed:\n" + processes_.Logs());
    }
    fs::copy_file(root + "/etc/user_key.pub", root + "/etc/authorized_keys");
    port_ = FreeLoopbackPort();
    WriteText(root + "/etc/sshd_config", "Port " + std::to_string(port_) +
                                             "\n"
                                             "ListenAddress 127.0.0.1\n"
                                             "HostKey " +
                                             root +
                                             "/etc/host_key\n"
                                             "PidFile " +
                                             root +
                                             "/etc/sshd.pid\n"
                                             "AuthorizedKeysFile " +
                                             root +
                                             "/etc/authorized_keys\n"
                                             "PermitRootLogin prohibit-password\n"
                                             "PasswordAuthentication no\n"
                                             "KbdInteractiveAuthentication no\n"
                                             "UsePAM no\n"
                                             "StrictModes no\n"
                                             "Subsystem sftp " +
                                             SftpServer + "\n");
    WriteText(root + "/etc/ssh_config", "Host *\n"
                                        "IdentityFile " +
                                            root +
                                            "/etc/user_key\n"
                                            "IdentitiesOnly yes\n"
                                            "BatchMode yes\n"
                                            "StrictHostKeyChecking no\n"
                                            "UserKnownHostsFile /dev/null\n"
                                            "GlobalKnownHostsFile /dev/null\n"
                                            "LogLevel ERROR\n");
    sshd_ = processes_.Start({Sshd, "-D", "-e", "-f", root + "/etc/sshd_config"}, {}, "sshd");
    const auto deadline = Clock::now() + StartTimeout;
    while (!Accepts(port_)) {
        if (!processes_.Running(sshd_) || Clock::now() > deadline)
            throw std::runtime_error("sshd did not come up:\n" + processes_.Logs());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Mount(root + "/mnt1");
    if (secondMount)
        Mount(root + "/mnt2");
}

void SshfsMount::Mount(const std::string& mountPoint) {
    const std::string root = processes_.Folder();
    const pid_t pid = processes_.Start({Sshfs, "-f", "-F", root + "/etc/ssh_config", "-p",
                                        std::to_string(port_), "root@127.0.0.1:" + serverFolder_, mountPoint},
                                       {}, "sshfs");
    sshfs_.push_back(pid);
    mountPoints_.push_back(mountPoint);
    if (!WaitForMount(processes_, pid, mountPoint, "fuse.sshfs"))
        throw std::runtime_error("sshfs did not mount " + mountPoint + ":\n" + processes_.Logs());
}

void SshfsMount::Unmount() {
    for (std::size_t i = 0; i < sshfs_.size(); ++i) {
        Detach(mountPoints_[i]);
        processes_.Stop(sshfs_[i]);
    }
    sshfs_.clear();
}

SshfsMount::~SshfsMount() {
    Unmount();
    processes_.Stop(sshd_);
    processes_.StopAll();
}

// rclone

bool RcloneMount::Available(std::string& why) {
    return CanMountFuse(why) && Executable(Rclone, why);
}

RcloneMount::RcloneMount() : processes_("rclone") {
    const std::string root = processes_.Folder();
    remoteFolder_ = root + "/remote";
    mountPoint_ = root + "/mnt";
    for (const char* sub : {"/remote", "/mnt", "/cache", "/etc"})
        fs::create_directories(root + sub);
    WriteText(root + "/etc/rclone.conf", "[nas]\ntype = local\n");
    rclone_ =
        processes_.Start({Rclone, "mount", "--config", root + "/etc/rclone.conf", "--cache-dir",
                          root + "/cache", "--vfs-cache-mode", "writes", "nas:" + remoteFolder_, mountPoint_},
                         {"RCLONE_CONFIG=" + root + "/etc/rclone.conf"}, "rclone");
    if (!WaitForMount(processes_, rclone_, mountPoint_, "fuse.rclone"))
        throw std::runtime_error("rclone did not mount " + mountPoint_ + ":\n" + processes_.Logs());
}

void RcloneMount::Unmount() {
    if (rclone_ < 0)
        return;
    Detach(mountPoint_);
    // Once unmounted it uploads what it still holds, then ends.
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (processes_.Running(rclone_) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    processes_.Stop(rclone_);
    rclone_ = -1;
}

RcloneMount::~RcloneMount() {
    Unmount();
    processes_.StopAll();
}

// GVfs

bool GvfsSession::Available(std::string& why) {
    return CanMountFuse(why) && Executable(DbusDaemon, why) && Executable(DbusSend, why) &&
           Executable(Gvfsd, why) && Executable(GvfsdFuse, why) && Executable(Gio, why) &&
           Executable("/usr/libexec/gvfsd-smb", why);
}

GvfsSession::GvfsSession() : processes_("gvfs") {
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (bus != nullptr)
        oldBus_ = bus;
    if (runtime != nullptr)
        oldRuntimeDir_ = runtime;
    try {
        Start();
    } catch (...) {
        Stop();
        throw;
    }
}

GvfsSession::~GvfsSession() {
    Stop();
}

std::vector<std::string> GvfsSession::Environment() const {
    // HOME: the SMB client library reads its configuration from ~/.smb/smb.conf.
    return {"DBUS_SESSION_BUS_ADDRESS=" + busAddress_, "XDG_RUNTIME_DIR=" + runtimeDir_, "HOME=" + home_,
            "GIO_USE_VOLUME_MONITOR=unix"};
}

void GvfsSession::Start() {
    const std::string root = processes_.Folder();
    runtimeDir_ = root + "/run";
    home_ = root + "/home";
    for (const std::string& folder : {runtimeDir_ + "/gvfs", home_ + "/.smb", root + "/smb"})
        fs::create_directories(folder);
    chmod(runtimeDir_.c_str(), 0700);
    WriteText(home_ + "/.smb/smb.conf", "[global]\n"
                                        "workgroup = TESTGRP\n"
                                        "interfaces = 127.0.0.1\n"
                                        "bind interfaces only = yes\n"
                                        "name resolve order = lmhosts host\n"
                                        "disable netbios = yes\n"
                                        "lock directory = " +
                                            root +
                                            "/smb\n"
                                            "state directory = " +
                                            root +
                                            "/smb\n"
                                            "cache directory = " +
                                            root +
                                            "/smb\n"
                                            "private dir = " +
                                            root +
                                            "/smb\n"
                                            "ncalrpc dir = " +
                                            root + "/smb\n");
    busAddress_ = "unix:path=" + runtimeDir_ + "/bus";
    if (processes_.Run({DbusDaemon, "--session", "--fork", "--address=" + busAddress_, "--print-pid=1"},
                       Environment(), "dbus-daemon") != 0)
        throw std::runtime_error("dbus-daemon did not start:\n" + processes_.Logs());
    setenv("DBUS_SESSION_BUS_ADDRESS", busAddress_.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtimeDir_.c_str(), 1);

    gvfsd_ = processes_.Start({Gvfsd, "--no-fuse"}, Environment(), "gvfsd");
    // The FUSE folder asks the daemon for everything: it must be on the bus first.
    const auto deadline = Clock::now() + StartTimeout;
    for (;;) {
        const std::string answer = processes_.Folder() + "/log/name.log";
        std::remove(answer.c_str());
        if (processes_.Run({DbusSend, "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                            "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                            "string:org.gtk.vfs.Daemon"},
                           Environment(), "name") == 0 &&
            ReadText(answer).find("boolean true") != std::string::npos)
            break;
        if (!processes_.Running(gvfsd_) || Clock::now() > deadline)
            throw std::runtime_error("gvfsd did not come up:\n" + processes_.Logs());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    fuse_ = processes_.Start({GvfsdFuse, "-f", runtimeDir_ + "/gvfs"}, Environment(), "gvfsd-fuse");
    if (!WaitForMount(processes_, fuse_, runtimeDir_ + "/gvfs", "fuse.gvfsd-fuse"))
        throw std::runtime_error("gvfsd-fuse did not mount:\n" + processes_.Logs());
}

std::string GvfsSession::MountSmb(const std::string& url, const std::string& user,
                                  const std::string& password) {
    const SmbUrl parts = ParseSmbUrl(url);
    // gio asks for the user, the domain (empty: the client's workgroup) and the password.
    const int status =
        processes_.Run({Gio, "mount", url}, Environment(), "gio", user + "\n\n" + password + "\n");
    if (status == 0)
        mounted_.push_back(url);
    const auto deadline = Clock::now() + StartTimeout;
    for (;;) {
        const std::string folder = ShareFolderOf(runtimeDir_ + "/gvfs", parts);
        if (!folder.empty())
            return folder + parts.path;
        if (status != 0 || Clock::now() > deadline)
            throw std::runtime_error("gio mount " + url + " did not show the share in the FUSE folder:\n" +
                                     processes_.Logs());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void GvfsSession::Unmount(const std::string& url) {
    const SmbUrl parts = ParseSmbUrl(url);
    processes_.Run({Gio, "mount", "-u", url}, Environment(), "gio");
    std::erase(mounted_, url);
    const auto deadline = Clock::now() + StartTimeout;
    while (!ShareFolderOf(runtimeDir_ + "/gvfs", parts).empty() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

void GvfsSession::Stop() {
    for (const std::string& url : std::vector<std::string>(mounted_))
        Unmount(url);
    if (fuse_ > 0) {
        Detach(runtimeDir_ + "/gvfs");
        processes_.Stop(fuse_);
    }
    processes_.StopAll();
    if (oldBus_)
        setenv("DBUS_SESSION_BUS_ADDRESS", oldBus_->c_str(), 1);
    else
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    if (oldRuntimeDir_)
        setenv("XDG_RUNTIME_DIR", oldRuntimeDir_->c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}

} // namespace hozonix::test

#include "SambaServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <libsmbclient.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
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

constexpr const char* SmbdPath = "/usr/sbin/smbd";
constexpr const char* DcerpcdPath = "/usr/libexec/samba/samba-dcerpcd";

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

sockaddr_in Ipv4(const std::string& address, int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1)
        throw std::runtime_error("not an IPv4 address: " + address);
    return a;
}

int FreePort(const std::string& address) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = Ipv4(address, 0);
    socklen_t len = sizeof a;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        throw std::runtime_error("no free port");
    close(fd);
    return ntohs(a.sin_port);
}

bool Accepts(const std::string& address, int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = Ipv4(address, port);
    bool ok = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    if (fd >= 0)
        close(fd);
    return ok;
}

// A zombie has finished; only reaping is left.
bool IsRunning(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("State:", 0) == 0)
            return line.find('Z') == std::string::npos;
    }
    return false;
}

void ReapFinishedChildren() {
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
}

// Samba's helpers write a few files to the machine's own Samba folders whatever their configuration
// says. In a mount namespace of this process, those folders are empty scratch space instead. Without
// the right to make one, the files land in the real folders, which is harmless.
void HideMachineSambaFolders() {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return;
    for (const char* folder : {"/var/log/samba", "/run/samba", "/var/cache/samba", "/var/lib/samba"}) {
        if (fs::is_directory(folder))
            mount("tmpfs", folder, "tmpfs", 0, "mode=0755");
    }
}

// The first share listing makes samba-dcerpcd start its RPC helpers, which takes a second or more on a
// busy machine. Doing it here keeps that out of the tests' own timeouts.
bool WarmUp(const std::string& url, const std::string& clientConf) {
    SMBCCTX* ctx = smbc_new_context();
    if (ctx == nullptr)
        return false;
    smbc_setTimeout(ctx, 20000);
    // As the test user: a server may refuse to list its shares to guests.
    smbc_setFunctionAuthData(ctx, [](const char*, const char*, char*, int, char* user, int userLength,
                                     char* password, int passwordLength) {
        std::snprintf(user, static_cast<size_t>(userLength), "%s", SambaServer::User);
        std::snprintf(password, static_cast<size_t>(passwordLength), "%s", SambaServer::Password);
    });
    bool ok = smbc_init_context(ctx) != nullptr && smbc_setConfiguration(ctx, clientConf.c_str()) == 0;
    if (ok) {
        SMBCFILE* dir = smbc_getFunctionOpendir(ctx)(ctx, url.c_str());
        ok = dir != nullptr;
        if (ok)
            smbc_getFunctionClosedir(ctx)(ctx, dir);
    }
    smbc_free_context(ctx, 1);
    return ok;
}

} // namespace

std::vector<pid_t> ChildProcesses() {
    std::vector<pid_t> children;
    const std::string self = std::to_string(getpid());
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string stat = ReadText("/proc/" + name + "/stat");
        // pid (comm) state ppid ...: the name may hold blanks and parentheses, so look after the last ')'.
        size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(stat.substr(close + 1));
        std::string state;
        std::string ppid;
        rest >> state >> ppid;
        if (ppid == self)
            children.push_back(std::stoi(name));
    }
    return children;
}

std::string WritePrivateClientConfiguration(const std::string& folder) {
    for (const char* sub : {"client", "client/lock", "client/state", "client/cache", "client/private"})
        fs::create_directories(folder + "/" + sub);
    const std::string path = folder + "/client/smb.conf";
    WriteText(path, "[global]\n"
                    "workgroup = TESTGRP\n"
                    "interfaces = 127.0.0.1\n"
                    "bind interfaces only = yes\n"
                    "name resolve order = lmhosts\n"
                    "lock directory = " +
                        folder +
                        "/client/lock\n"
                        "state directory = " +
                        folder +
                        "/client/state\n"
                        "cache directory = " +
                        folder +
                        "/client/cache\n"
                        "private dir = " +
                        folder +
                        "/client/private\n"
                        "ncalrpc dir = " +
                        folder + "/client/ncalrpc\n");
    return path;
}

bool SambaServer::Available(std::string& why) {
    if (access(SmbdPath, X_OK) != 0 || access(DcerpcdPath, X_OK) != 0) {
        why = "smbd or samba-dcerpcd is not installed (scripts/install-deps.sh installs them)";
        return false;
    }
    if (geteuid() != 0) {
        why = "smbd needs root to switch users";
        return false;
    }
    return true;
}

SambaServer::SambaServer(std::string address, std::vector<int> extraPorts, std::string extraGlobal)
    : address_(std::move(address)), extraPorts_(std::move(extraPorts)), extraGlobal_(std::move(extraGlobal)) {
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    HideMachineSambaFolders();
    std::string pattern = "/tmp/hozonix-smb-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    try {
        Start();
    } catch (...) {
        Stop();
        throw;
    }
}

SambaServer::~SambaServer() {
    Stop();
}

std::string SambaServer::Url() const {
    return "smb://" + address_ + ":" + std::to_string(port_);
}

std::vector<std::string> SambaServer::Environment() const {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string v = *e;
        if (v.rfind("LD_PRELOAD=", 0) != 0 && v.rfind("NSS_WRAPPER_", 0) != 0)
            env.push_back(v);
    }
    // Test users without touching the machine's accounts.
    env.push_back("LD_PRELOAD=libnss_wrapper.so");
    env.push_back("NSS_WRAPPER_PASSWD=" + Path("etc/passwd"));
    env.push_back("NSS_WRAPPER_GROUP=" + Path("etc/group"));
    return env;
}

int SambaServer::Run(const std::vector<std::string>& argv, const std::string& input) {
    std::vector<std::string> env = Environment();
    std::vector<char*> envp;
    for (std::string& v : env)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& a : args)
        argp.push_back(a.data());
    argp.push_back(nullptr);

    int in[2];
    if (pipe2(in, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    const std::string log = Path("log/commands.log");
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    if (rc == 0 && !input.empty() && write(in[1], input.data(), input.size()) < 0)
        rc = errno;
    close(in[1]);
    if (rc != 0)
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void SambaServer::Start() {
    // Guests are mapped to "nobody", who must be able to pass through every parent folder.
    chmod(root_.c_str(), 0755);
    for (const char* sub : {"etc", "private", "lock", "state", "cache", "pid", "ncalrpc", "binddns", "log",
                            "share/public/docs", "share/private"})
        fs::create_directories(Path(sub));
    WriteText(Path("share/public/readme.txt"), "public\n");
    WriteText(Path("share/private/secret.txt"), "private\n");
    WriteText(Path("etc/passwd"), "root:x:0:0:root:/root:/bin/sh\n"
                                  "nobody:x:65534:65534:nobody:/nonexistent:/usr/sbin/nologin\n"
                                  "alice:x:4711:4711:alice:/nonexistent:/usr/sbin/nologin\n");
    WriteText(Path("etc/group"), "root:x:0:\nnogroup:x:65534:\nalice:x:4711:\n");
    if (chown(Path("share/private").c_str(), 4711, 4711) != 0)
        throw std::runtime_error("cannot hand the private share to alice");

    port_ = FreePort(address_);
    std::string ports = std::to_string(port_);
    for (int extra : extraPorts_)
        ports += " " + std::to_string(extra);
    const std::string conf = Path("etc/smb.conf");
    WriteText(conf, "[global]\n"
                    "workgroup = TESTGRP\n"
                    "netbios name = TESTSRV\n"
                    "server role = standalone server\n"
                    "interfaces = " +
                        address_ +
                        "\n"
                        "bind interfaces only = yes\n"
                        "smb ports = " +
                        ports +
                        "\n"
                        "disable netbios = yes\n"
                        "private dir = " +
                        Path("private") +
                        "\n"
                        "lock directory = " +
                        Path("lock") +
                        "\n"
                        "state directory = " +
                        Path("state") +
                        "\n"
                        "cache directory = " +
                        Path("cache") +
                        "\n"
                        "pid directory = " +
                        Path("pid") +
                        "\n"
                        "ncalrpc dir = " +
                        Path("ncalrpc") +
                        "\n"
                        "binddns dir = " +
                        Path("binddns") +
                        "\n"
                        "passdb backend = tdbsam:" +
                        Path("private/passdb.tdb") +
                        "\n"
                        "log file = " +
                        Path("log/log.%m") +
                        "\n"
                        "map to guest = Bad User\n"
                        "guest account = nobody\n"
                        "load printers = no\n"
                        "printcap name = /dev/null\n"
                        "disable spoolss = yes\n"
                        "rpc start on demand helpers = no\n"
                        "usershare path =\n" +
                        extraGlobal_ +
                        "\n[public]\n"
                        "path = " +
                        Path("share/public") +
                        "\n"
                        "comment = Guest share\n"
                        "guest ok = yes\n"
                        "read only = yes\n"
                        "\n[private]\n"
                        "path = " +
                        Path("share/private") +
                        "\n"
                        "comment = Password share\n"
                        "guest ok = no\n"
                        "read only = no\n"
                        "valid users = alice\n");
    clientConf_ = WritePrivateClientConfiguration(root_);

    if (Run({"/usr/bin/smbpasswd", "-c", conf, "-s", "-a", User},
            std::string(Password) + "\n" + Password + "\n") != 0)
        throw std::runtime_error("smbpasswd failed:\n" + Logs());
    if (Run({DcerpcdPath, "-D", "--libexec-rpcds", "--configfile=" + conf, "-l", Path("log")}, "") != 0)
        throw std::runtime_error("samba-dcerpcd failed:\n" + Logs());
    if (Run({SmbdPath, "-D", "--configfile=" + conf, "-l", Path("log")}, "") != 0)
        throw std::runtime_error("smbd failed:\n" + Logs());

    // The share listing needs the RPC pipe as well as the port.
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    while (!(Accepts(address_, port_) && fs::exists(Path("ncalrpc/np/srvsvc")))) {
        if (Clock::now() > deadline)
            throw std::runtime_error("smbd did not come up:\n" + Logs());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!WarmUp(Url(), clientConf_))
        throw std::runtime_error("smbd does not list its shares:\n" + Logs());
}

void SambaServer::Stop() {
    for (const char* name : {"smbd", "samba-dcerpcd"}) {
        std::string text = ReadText(Path("pid/" + std::string(name) + ".pid"));
        int pid = std::atoi(text.c_str());
        if (pid > 1)
            kill(pid, SIGTERM);
    }
    // The daemons and their helpers are this process's children: wait until all have gone, then force
    // the rest.
    for (int round = 0; round < 2; ++round) {
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        std::vector<pid_t> left;
        for (;;) {
            ReapFinishedChildren();
            left.clear();
            for (pid_t pid : ChildProcesses()) {
                if (IsRunning(pid))
                    left.push_back(pid);
            }
            if (left.empty() || Clock::now() > deadline)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (left.empty())
            break;
        for (pid_t pid : left)
            kill(pid, SIGKILL);
    }
    ReapFinishedChildren();
    std::error_code ec;
    fs::remove_all(root_, ec);
}

std::string SambaServer::Logs() const {
    std::string all;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(Path("log"), ec))
        all += "== " + entry.path().filename().string() + "\n" + ReadText(entry.path());
    return all;
}

} // namespace hozonix::test

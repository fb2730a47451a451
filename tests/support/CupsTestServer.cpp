#include "CupsTestServer.h"

#include <cups/cups.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace hozonix::test {

namespace fs = std::filesystem;

namespace {

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        throw std::runtime_error("socket failed");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        close(fd);
        throw std::runtime_error("cannot find a free port");
    }
    close(fd);
    return ntohs(addr.sin_port);
}

bool Answers(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

// The account the scheduler runs jobs as: "lp" when we are root, else ourselves.
struct Account {
    std::string user;
    std::string group;
    uid_t uid;
    gid_t gid;
};

Account JobAccount() {
    const passwd* pw = geteuid() == 0 ? getpwnam("lp") : getpwuid(geteuid());
    if (pw == nullptr)
        throw std::runtime_error("no account for print jobs");
    const group* gr = getgrgid(pw->pw_gid);
    return {pw->pw_name, gr != nullptr ? gr->gr_name : pw->pw_name, pw->pw_uid, pw->pw_gid};
}

// fork + exec, output to `logFd`; the child stops when this process dies.
int Spawn(const std::vector<std::string>& argv, int logFd, bool dieWithParent) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (dieWithParent) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent)
                _exit(1);
        }
        if (logFd >= 0) {
            dup2(logFd, STDOUT_FILENO);
            dup2(logFd, STDERR_FILENO);
        }
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

} // namespace

CupsTestServer::CupsTestServer() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/hozonix-cups-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    // Filters run as the job account and must reach the folders below.
    chmod(folder_.c_str(), 0755);
    for (const char* sub : {"ppd", "spool/tmp", "cache", "log", "state", "out"})
        fs::create_directories(folder_ + "/" + sub);
    const Account account = JobAccount();
    if (chown((folder_ + "/out").c_str(), account.uid, account.gid) != 0 && geteuid() == 0)
        throw std::runtime_error("cannot hand the output folder to the job account");

    const int port = FreePort();
    address_ = "127.0.0.1:" + std::to_string(port);
    WriteConfiguration(port);

    const int log =
        open((folder_ + "/log/cupsd.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    pid_ = Spawn({"/usr/sbin/cupsd", "-f", "-c", folder_ + "/cupsd.conf", "-s", folder_ + "/cups-files.conf"},
                 log, true);
    if (log >= 0)
        close(log);

    // Every client of this process and its children goes to the private server.
    for (const char* name : {"CUPS_SERVER", "CUPS_SERVERROOT", "PRINTER", "LPDEST"}) {
        if (const char* value = std::getenv(name))
            savedEnvironment_.emplace_back(name, value);
    }
    setenv("CUPS_SERVER", address_.c_str(), 1);
    setenv("CUPS_SERVERROOT", folder_.c_str(), 1);
    unsetenv("PRINTER");
    unsetenv("LPDEST");
    cupsSetServer(address_.c_str());

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Answers(port)) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            Stop();
            throw std::runtime_error("cupsd stopped at once; see its error log");
        }
        if (std::chrono::steady_clock::now() > deadline) {
            Stop();
            throw std::runtime_error("cupsd did not answer in time");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

CupsTestServer::~CupsTestServer() {
    Stop();
}

void CupsTestServer::Stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
    }
    // Later clients of this process must not reach for a server that is gone.
    unsetenv("CUPS_SERVER");
    unsetenv("CUPS_SERVERROOT");
    for (const auto& [name, value] : savedEnvironment_)
        setenv(name.c_str(), value.c_str(), 1);
    savedEnvironment_.clear();
    cupsSetServer(nullptr);
    if (!folder_.empty()) {
        std::error_code ec;
        fs::remove_all(folder_, ec);
        folder_.clear();
    }
}

void CupsTestServer::WriteConfiguration(int port) const {
    const Account account = JobAccount();
    const std::string& d = folder_;
    std::ofstream files(d + "/cups-files.conf");
    files << "ServerRoot " << d << "\nServerBin /usr/lib/cups\nStateDir " << d << "/state\nCacheDir " << d
          << "/cache\nRequestRoot " << d << "/spool\nTempDir " << d << "/spool/tmp\nAccessLog " << d
          << "/log/access_log\nErrorLog " << d << "/log/error_log\nPageLog " << d
          << "/log/page_log\nPrintcap " << d << "/printcap\nFileDevice Yes\nUser " << account.user
          << "\nGroup "
          << account.group
          // The system group must differ from the job group.
          << "\nSystemGroup " << (account.group == "root" ? "sys" : "root") << "\n";
    std::ofstream conf(d + "/cupsd.conf");
    conf << "LogLevel debug\nListen 127.0.0.1:" << port << "\nListen " << d
         << "/cups.sock\nBrowsing No\nBrowseLocalProtocols none\nWebInterface No\nDefaultAuthType None\n"
            "JobRetryLimit 0\nErrorPolicy abort-job\n"
            "<Location />\n  Order allow,deny\n  Allow localhost\n</Location>\n"
            "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
    if (!files || !conf)
        throw std::runtime_error("cannot write the print server's configuration");
}

int CupsTestServer::Run(const std::vector<std::string>& argv, std::string* output) const {
    const std::string logPath = folder_ + "/log/command.out";
    const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int pid = Spawn(argv, log, false);
    if (log >= 0)
        close(log);
    int status = 0;
    waitpid(pid, &status, 0);
    if (output != nullptr) {
        std::ifstream in(logPath);
        output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

void Require(const CupsTestServer& server, const std::vector<std::string>& argv) {
    std::string output;
    if (server.Run(argv, &output) != 0)
        throw std::runtime_error(argv[0] + " failed: " + output);
}

} // namespace

void CupsTestServer::AddQueue(const std::string& name, const std::string& model,
                              const std::vector<std::string>& options) {
    std::vector<std::string> argv{"lpadmin", "-p", name, "-E", "-v", "file://" + OutputPath(name),
                                  "-m",      model};
    argv.insert(argv.end(), options.begin(), options.end());
    Require(*this, argv);
}

void CupsTestServer::SetDefault(const std::string& name) {
    Require(*this, {"lpadmin", "-d", name});
}

void CupsTestServer::Reject(const std::string& name) {
    Require(*this, {"cupsreject", name});
}

void CupsTestServer::Accept(const std::string& name) {
    Require(*this, {"cupsaccept", name});
}

void CupsTestServer::RemoveQueue(const std::string& name) {
    Require(*this, {"lpadmin", "-x", name});
}

bool CupsTestServer::WaitForJobs(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        cups_job_t* jobs = nullptr;
        const int active = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ACTIVE);
        cupsFreeJobs(active, jobs);
        if (active <= 0)
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool CupsTestServer::WaitForJob(int id, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        cups_job_t* jobs = nullptr;
        const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
        int state = 0;
        for (int i = 0; i < count; ++i) {
            if (jobs[i].id == id)
                state = jobs[i].state;
        }
        cupsFreeJobs(count, jobs);
        if (state >= IPP_JSTATE_CANCELED)
            return state == IPP_JSTATE_COMPLETED;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::string CupsTestServer::ErrorLog() const {
    std::ifstream in(folder_ + "/log/error_log");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace hozonix::test

#include "CupsServer.h"

#include <cups/cups.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace hozonix::test {

namespace {

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    close(fd);
    return port;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

} // namespace

CupsServer::CupsServer() {
    if (access("/usr/sbin/cupsd", X_OK) != 0) {
        failure_ = "cupsd is not installed";
        return;
    }
    std::string pattern = "/tmp/hozonix-cups-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        failure_ = "mkdtemp failed";
        return;
    }
    folder_ = pattern;
    // Filters run as the server's user and must reach the folder.
    chmod(folder_.c_str(), 0755);
    for (const char* sub : {"ppd", "spool", "spool/tmp", "cache", "log", "state", "out"})
        mkdir((folder_ + "/" + sub).c_str(), 0755);
    const bool root = geteuid() == 0;
    std::string user = "lp", group = "lp";
    if (root) {
        if (const passwd* lp = getpwnam("lp"))
            chown((folder_ + "/out").c_str(), lp->pw_uid, lp->pw_gid);
    } else {
        const passwd* me = getpwuid(geteuid());
        user = me != nullptr ? me->pw_name : "nobody";
        const struct group* g = getgrgid(getegid());
        group = g != nullptr ? g->gr_name : std::to_string(getegid());
    }
    port_ = FreePort();
    const std::string& d = folder_;
    WriteText(d + "/cups-files.conf",
              "ServerRoot " + d + "\nServerBin /usr/lib/cups\nStateDir " + d + "/state\nCacheDir " + d +
                  "/cache\nRequestRoot " + d + "/spool\nTempDir " + d + "/spool/tmp\nAccessLog " + d +
                  "/log/access_log\nErrorLog " + d + "/log/error_log\nPageLog " + d +
                  "/log/page_log\nPrintcap " + d + "/printcap\nFileDevice Yes\nUser " + user + "\nGroup " +
                  group + "\nSystemGroup root\n");
    WriteText(d + "/cupsd.conf", "LogLevel debug\nListen 127.0.0.1:" + std::to_string(port_) + "\nListen " +
                                     d +
                                     "/cups.sock\nBrowsing No\nBrowseLocalProtocols none\nWebInterface No\n"
                                     "DefaultAuthType None\nJobRetryLimit 0\nErrorPolicy abort-job\n"
                                     "<Location />\n  Order allow,deny\n  Allow localhost\n</Location>\n"
                                     "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                                     "</Policy>\n");
    const std::string conf = d + "/cupsd.conf", files = d + "/cups-files.conf";
    pid_ = fork();
    if (pid_ == 0) {
        execl("/usr/sbin/cupsd", "cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(), nullptr);
        _exit(127);
    }
    for (int i = 0; i < 100; ++i) {
        http_t* http =
            httpConnect2("127.0.0.1", port_, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 200, nullptr);
        if (http != nullptr) {
            httpClose(http);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    failure_ = "cupsd did not start";
}

CupsServer::~CupsServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    if (!folder_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
}

bool CupsServer::AddQueue(const std::string& name, const std::string& model) {
    const std::string command = "env -u PRINTER -u LPDEST CUPS_SERVER=" + Address() + " lpadmin -p " + name +
                                " -E -v file://" + OutputOf(name) + " -m " + model + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::string CupsServer::ErrorLog() const {
    std::ifstream in(folder_ + "/log/error_log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool CupsServer::WaitForJob(int id, int timeoutMs) const {
    http_t* http =
        httpConnect2("127.0.0.1", port_, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
    if (http == nullptr)
        return false;
    bool done = false, ended = false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!ended && std::chrono::steady_clock::now() < until) {
        cups_job_t* jobs = nullptr;
        const int count = cupsGetJobs2(http, &jobs, nullptr, 0, CUPS_WHICHJOBS_ALL);
        for (int i = 0; i < count; ++i) {
            if (jobs[i].id == id && jobs[i].state >= IPP_JSTATE_CANCELED) {
                ended = true;
                done = jobs[i].state == IPP_JSTATE_COMPLETED;
            }
        }
        cupsFreeJobs(count, jobs);
        if (!ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    httpClose(http);
    return done;
}

} // namespace hozonix::test

#pragma once
// A private Samba server for tests: smbd on 127.0.0.1 (or another local address) at a free port, with its
// own configuration, state and users in a temporary folder, and two shares: "public" for guests (read only)
// and "private" for the user "alice" with the password "secret", who may write there. Started by the
// constructor, stopped by the destructor; every process it started (and their helpers) is gone when the
// destructor returns.
//
// The test process becomes a child subreaper, so the daemons stay its children and can be reaped.

#include <string>
#include <sys/types.h>
#include <vector>

namespace hozonix::test {

class SambaServer {
public:
    static constexpr const char* User = "alice";
    static constexpr const char* Password = "secret";

    // Throws std::runtime_error (with the server's log) when the server does not come up. `address` must
    // be one of this machine's; the server also listens on `extraPorts` there. `extraGlobal` is added to
    // the [global] section.
    explicit SambaServer(std::string address = "127.0.0.1", std::vector<int> extraPorts = {},
                         std::string extraGlobal = "");
    ~SambaServer();
    SambaServer(const SambaServer&) = delete;
    SambaServer& operator=(const SambaServer&) = delete;

    int Port() const { return port_; }
    // "smb://ADDRESS:PORT"
    std::string Url() const;
    // The folder behind a share.
    std::string ShareFolder(const std::string& share) const { return root_ + "/share/" + share; }
    // A client configuration that keeps libsmbclient on loopback, without broadcasts, with its caches
    // in the server's folder.
    const std::string& ClientConfiguration() const { return clientConf_; }

    // smbd and samba-dcerpcd can be run here (present, and the test runs as root).
    static bool Available(std::string& why);

private:
    void Start();
    void Stop();
    std::string Path(const std::string& relative) const { return root_ + "/" + relative; }
    std::vector<std::string> Environment() const;
    int Run(const std::vector<std::string>& argv, const std::string& input);
    std::string Logs() const;

    std::string root_;
    std::string clientConf_;
    std::string address_;
    std::vector<int> extraPorts_;
    std::string extraGlobal_;
    int port_ = 0;
};

// Writes a client configuration into `folder` that keeps libsmbclient on loopback, with no broadcasts and
// no name look-ups outside the machine, and its caches in `folder`. Returns its path.
std::string WritePrivateClientConfiguration(const std::string& folder);

// Processes whose parent is this process.
std::vector<pid_t> ChildProcesses();

} // namespace hozonix::test

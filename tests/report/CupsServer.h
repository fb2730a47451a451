#pragma once
// A private print server for one test: its own configuration, spool and logs in a temporary folder,
// listening on 127.0.0.1 only, stopped with the object. Queues write each job to a file.

#include <string>
#include <sys/types.h>

namespace hozonix::test {

class CupsServer {
public:
    CupsServer();
    ~CupsServer();
    CupsServer(const CupsServer&) = delete;
    CupsServer& operator=(const CupsServer&) = delete;

    // False when the server could not be started (the reason is in Failure()).
    bool Running() const { return pid_ > 0; }
    const std::string& Failure() const { return failure_; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

    // Adds an enabled queue made from a model of `lpinfo -m`; its jobs go to OutputOf(name).
    bool AddQueue(const std::string& name, const std::string& model);
    std::string OutputOf(const std::string& name) const { return folder_ + "/out/" + name + ".out"; }
    std::string ErrorLog() const;

    // Waits until the job has completed; false on timeout or when it ended otherwise.
    bool WaitForJob(int id, int timeoutMs = 20000) const;

private:
    std::string folder_;
    int port_ = 0;
    pid_t pid_ = -1;
    std::string failure_;
};

} // namespace hozonix::test

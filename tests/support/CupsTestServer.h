#pragma once
// A private print server for tests: a scheduler with its own configuration, spool and output folders in
// a temporary folder, listening on a free port of 127.0.0.1 only. While it runs, this process and every
// program it starts (lpadmin, lpstat) talk to it instead of the machine's own server. It is stopped and
// its folder removed when the object goes; if the test process dies, the scheduler is told to stop too.
//
// Queues print to files: OutputPath(queue) holds the last job's output once the job has completed.

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace hozonix::test {

class CupsTestServer {
public:
    // Starts the scheduler and waits until it answers. Throws std::runtime_error when it cannot start.
    CupsTestServer();
    ~CupsTestServer();
    CupsTestServer(const CupsTestServer&) = delete;
    CupsTestServer& operator=(const CupsTestServer&) = delete;

    // "127.0.0.1:port", as for CUPS_SERVER.
    const std::string& Address() const { return address_; }
    const std::string& Folder() const { return folder_; }

    // Creates an enabled queue printing to OutputPath(name) from a model the print server ships
    // ("drv:///sample.drv/generic.ppd"), with extra lpadmin options ("-o", "PageSize=A4"). Throws on failure.
    void AddQueue(const std::string& name, const std::string& model,
                  const std::vector<std::string>& options = {});
    void SetDefault(const std::string& name);
    // Stops or resumes accepting jobs on a queue.
    void Reject(const std::string& name);
    void Accept(const std::string& name);
    void RemoveQueue(const std::string& name);
    std::string OutputPath(const std::string& name) const { return folder_ + "/out/" + name + ".out"; }

    // Waits until no job is pending or processing on any queue; false on timeout.
    bool WaitForJobs(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Waits until job `id` has ended; true when it completed, false when it ended otherwise or on timeout.
    bool WaitForJob(int id, std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
    // The scheduler's log (at debug level: it names each filter's options).
    std::string ErrorLog() const;

    // Runs a program with the test server's environment; returns its exit status, its output in `output`.
    int Run(const std::vector<std::string>& argv, std::string* output = nullptr) const;

private:
    void WriteConfiguration(int port) const;
    void Stop();

    std::string folder_;
    std::string address_;
    // The caller's client settings, put back when the server stops.
    std::vector<std::pair<std::string, std::string>> savedEnvironment_;
    int pid_ = -1;
};

} // namespace hozonix::test

#pragma once
// Starting the built hozonix-run as a real process for end-to-end tests, and small file helpers.

#include <string>
#include <sys/types.h>
#include <vector>

namespace hozonix::test {

struct ProcessResult {
    int status = -1; // exit status, or minus the signal that ended the process
    std::string out;
    std::string err;
};

// One run of the program. Standard output and error go to files in `folder`, or with `terminal` both
// to a pseudo-terminal whose output is collected in `out`. `env` holds NAME=VALUE pairs to set.
class RunnerProcess {
public:
    RunnerProcess(const std::vector<std::string>& args, const std::string& folder,
                  const std::vector<std::string>& env = {}, bool terminal = false);
    ~RunnerProcess();
    RunnerProcess(const RunnerProcess&) = delete;
    RunnerProcess& operator=(const RunnerProcess&) = delete;

    pid_t Pid() const { return pid_; }
    // True while the process has not ended (it is not reaped).
    bool Running() const;
    ProcessResult Wait();

private:
    pid_t pid_ = -1;
    int terminal_ = -1;
    std::string folder_;
    std::string terminalOutput_;
};

ProcessResult RunRunner(const std::vector<std::string>& args, const std::string& folder,
                        const std::vector<std::string>& env = {});

// Every entry below `folder` with its type, size, mode and last-write time in nanoseconds, one per
// line, sorted: two listings are equal only when nothing was added, removed or touched.
std::string FullListing(const std::string& folder);
void SetWriteTime(const std::string& path, int64_t seconds);

} // namespace hozonix::test

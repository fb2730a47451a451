#include "RunnerProcess.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hozonix::test {

namespace fs = std::filesystem;

RunnerProcess::RunnerProcess(const std::vector<std::string>& args, const std::string& folder,
                             const std::vector<std::string>& env, bool terminal)
    : folder_(folder) {
    std::vector<std::string> argvText{HOZONIX_RUN_PATH};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argvText)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string outPath = folder + "/stdout.txt";
    const std::string errPath = folder + "/stderr.txt";

    if (terminal) {
        winsize ws{};
        ws.ws_col = 100;
        ws.ws_row = 30;
        pid_ = forkpty(&terminal_, nullptr, nullptr, &ws);
    } else {
        pid_ = fork();
    }
    if (pid_ == 0) {
        if (!terminal) {
            const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            dup2(err, 2);
        }
        for (const std::string& pair : env)
            putenv(const_cast<char*>(pair.c_str()));
        // The test process may ignore or block signals; the program must start with the defaults.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        signal(SIGHUP, SIG_DFL);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pid_ < 0)
        ADD_FAILURE() << "cannot start " << HOZONIX_RUN_PATH;
}

RunnerProcess::~RunnerProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (terminal_ >= 0)
        close(terminal_);
}

bool RunnerProcess::Running() const {
    if (pid_ <= 0)
        return false;
    siginfo_t info{};
    // WNOWAIT leaves the ended process to Wait().
    return waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

ProcessResult RunnerProcess::Wait() {
    ProcessResult r;
    if (terminal_ >= 0) {
        // Read until the terminal closes (EIO on Linux once the child has gone).
        char buf[4096];
        for (;;) {
            const ssize_t n = read(terminal_, buf, sizeof buf);
            if (n > 0)
                terminalOutput_.append(buf, static_cast<size_t>(n));
            else if (n < 0 && errno == EINTR)
                continue;
            else
                break;
        }
    }
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_)
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    pid_ = -1;
    if (terminal_ >= 0) {
        r.out = terminalOutput_;
    } else {
        r.out = ReadFile(folder_ + "/stdout.txt");
        r.err = ReadFile(folder_ + "/stderr.txt");
    }
    return r;
}

ProcessResult RunRunner(const std::vector<std::string>& args, const std::string& folder,
                        const std::vector<std::string>& env) {
    return RunnerProcess(args, folder, env).Wait();
}

std::string FullListing(const std::string& folder) {
    std::vector<std::string> lines;
    auto add = [&](const std::string& path) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0)
            return;
        lines.push_back(path.substr(folder.size()) + " mode=" + std::to_string(st.st_mode) + " size=" +
                        std::to_string(st.st_size) + " mtime=" + std::to_string(st.st_mtim.tv_sec) + "." +
                        std::to_string(st.st_mtim.tv_nsec) + " ctime=" + std::to_string(st.st_ctim.tv_sec) +
                        "." + std::to_string(st.st_ctim.tv_nsec));
    };
    add(folder); // its times change whenever an entry is made or removed in it
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        add(it->path().string());
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string& l : lines)
        text += l + "\n";
    return text;
}

void SetWriteTime(const std::string& path, int64_t seconds) {
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

} // namespace hozonix::test

#include "ChildProcess.h"

#include <cerrno>
#include <cstdio>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hozonix::test {

pid_t StartChild(const std::function<int()>& body, uid_t uid) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    if (uid != static_cast<uid_t>(-1) && (setgroups(0, nullptr) != 0 || setgid(uid) != 0 || setuid(uid) != 0))
        _exit(125);
    int status = 126;
    try {
        status = body();
    } catch (...) {
        status = 127;
    }
    std::fflush(nullptr);
    _exit(status);
}

int WaitForChild(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int RunInChild(const std::function<int()>& body, uid_t uid) {
    return WaitForChild(StartChild(body, uid));
}

bool CanSwitchUser() {
    return geteuid() == 0;
}

} // namespace hozonix::test

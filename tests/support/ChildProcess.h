#pragma once
// Runs part of a test in a child process: to kill it at a chosen moment, or to run it as an unprivileged
// user where the tests run as root (who ignores file modes).

#include <functional>
#include <sys/types.h>

namespace hozonix::test {

inline constexpr uid_t Nobody = 65534;

// Forks; the child runs `body` (as `uid` when given) and exits with its result. Returns the child.
pid_t StartChild(const std::function<int()>& body, uid_t uid = static_cast<uid_t>(-1));
// Waits for the child: its exit status, or 128 + the signal that ended it.
int WaitForChild(pid_t pid);
// StartChild and WaitForChild in one.
int RunInChild(const std::function<int()>& body, uid_t uid = static_cast<uid_t>(-1));
// True when this process may become another user (root), so permission cases can be tried.
bool CanSwitchUser();

} // namespace hozonix::test

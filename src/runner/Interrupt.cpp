#include "runner/Interrupt.h"

#include <csignal>

namespace hozonix::runner {

std::atomic<bool> Interrupted{false};

namespace {

// Storing to a lock-free atomic is all a signal handler may safely do here.
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) {
    Interrupted.store(true);
}

} // namespace

void InstallInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A closed terminal (a dropped remote shell) must not kill a copy halfway either.
    sigaction(SIGHUP, &action, nullptr);
    // Nor a reader of the output that went away: writing to it then simply fails.
    signal(SIGPIPE, SIG_IGN);
}

} // namespace hozonix::runner

#include "Interrupt.h"

#include "RunHost.h"

#include <csignal>

namespace hozonix::runner {

std::atomic<bool> Interrupted{false};

namespace {

// Storing to a lock-free atomic is all a signal handler may safely do here.
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) {
    Interrupted.store(true);
    engine::AbortRequested.store(true);
}

} // namespace

void InstallInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void RepeatInterruptForEngine() {
    if (Interrupted.load())
        engine::AbortRequested.store(true);
}

} // namespace hozonix::runner

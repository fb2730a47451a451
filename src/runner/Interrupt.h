#pragma once
// Ctrl-C, SIGTERM and a hang-up ask the run to stop, exactly as the abort button of the desktop program does:
// the copy in progress is abandoned cleanly and the run ends. Every further signal only asks again, so a
// parked previous version is always put back before the program ends.

#include <atomic>

namespace hozonix::runner {

// Set by the handler and never cleared: once asked, no further profile starts.
extern std::atomic<bool> Interrupted;

// Installs the handler for SIGINT, SIGTERM and SIGHUP, and ignores SIGPIPE.
void InstallInterruptHandlers();

// A run clears the engine's abort flag as it starts: a signal that came just before must still count.
void RepeatInterruptForEngine();

} // namespace hozonix::runner

#pragma once
// Ctrl-C, SIGTERM and a hang-up ask the run to stop, exactly as the abort button of the desktop program does:
// the copy in progress is abandoned cleanly and the run ends. Every further signal only asks again, so a
// parked previous version is always put back before the program ends.

#include <atomic>

namespace hozonix::runner {

// Set by the handler and never cleared: once asked, no further profile starts, and the terminal host
// asks the run under way to stop (a run clears its abort request as it starts, so it is asked again).
extern std::atomic<bool> Interrupted;

// Installs the handler for SIGINT, SIGTERM and SIGHUP, and ignores SIGPIPE.
void InstallInterruptHandlers();

} // namespace hozonix::runner

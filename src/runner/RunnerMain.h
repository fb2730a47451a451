#pragma once
// The whole of hozonix-run, behind a thin main().

#include <cstdio>
#include <string>
#include <vector>

namespace hozonix::runner {

enum ExitStatus : int {
    ExitDone = 0,
    ExitSomeFailed = 1,
    ExitUsage = 2,
    ExitRunError = 3,
    ExitBusy = 4,
    ExitInterrupted = 130,
};

// The settings file of the desktop program, whatever this program's own file name is.
std::string DesktopSettingsPath();

// `args` holds the arguments without the program name.
int RunnerMain(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

} // namespace hozonix::runner

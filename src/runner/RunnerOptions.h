#pragma once
// The command line of hozonix-run.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hozonix::runner {

struct RunnerOptions {
    enum class Mode { Run, RunAll, List, Help, Version };
    Mode mode = Mode::Run;
    std::vector<std::string> profiles; // names as typed, in the order given
    bool careful = false;
    bool dryRun = false;
    bool quiet = false;
    bool keepGoing = false;
    bool verify = false;              // compare each copy with its source instead of running the profile
    std::optional<int64_t> threshold; // overrides the stored recovery threshold
    std::string outputFolder;         // empty: the lists are not saved
    std::string settingsFile;         // empty: the desktop program's settings file
};

struct ParsedOptions {
    RunnerOptions options;
    std::string error; // not empty: a usage error, to be shown with a hint to --help
};

ParsedOptions ParseRunnerOptions(const std::vector<std::string>& args);

// A byte count as typed: decimal digits only, within 64 bits.
std::optional<int64_t> ParseByteCount(const std::string& text);

} // namespace hozonix::runner

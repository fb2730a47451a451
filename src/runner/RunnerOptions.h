#pragma once
// The command line of hozonix-run.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hozonix::runner {

struct RunnerOptions {
    enum class Mode { Run, RunAll, List, Help, Version, Restore };
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
    // --restore: the profile, the moment (nanoseconds since the epoch; none: the latest copies), the
    // folder to restore to (empty: the source folder) and the paths (the remaining arguments).
    std::string restoreProfile;
    std::optional<int64_t> asOf;
    std::string restoreTarget;
    std::vector<std::string> restorePaths;
};

struct ParsedOptions {
    RunnerOptions options;
    std::string error; // not empty: a usage error, to be shown with a hint to --help
};

ParsedOptions ParseRunnerOptions(const std::vector<std::string>& args);

// A moment as typed, local time: "YYYY-MM-DD", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" ("T" in
// place of the blank too), as the last nanosecond of the day, minute or second given.
std::optional<int64_t> ParseMoment(const std::string& text);

// A byte count as typed: decimal digits only, within 64 bits.
std::optional<int64_t> ParseByteCount(const std::string& text);

} // namespace hozonix::runner

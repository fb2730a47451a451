#include "ProfileRun.h"

#include "AppError.h"
#include "DataFolder.h"
#include "IniDocument.h"
#include "IniFile.h"
#include "StoredDateTime.h"

#include <chrono>

namespace hozonix::runner {

namespace {

constexpr int64_t NanosecondsPerSecond = 1'000'000'000;

class Stopwatch {
public:
    explicit Stopwatch(double& seconds) : seconds_(seconds) {}
    ~Stopwatch() {
        seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }
    Stopwatch(const Stopwatch&) = delete;
    Stopwatch& operator=(const Stopwatch&) = delete;

private:
    double& seconds_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

} // namespace

int FindProfile(const ProfileList& list, std::string_view name) {
    for (size_t i = 0; i < list.ProfileNames.size(); ++i) {
        if (EqualsIgnoringCase(list.ProfileNames[i], name))
            return static_cast<int>(i);
    }
    return -1;
}

void RunStoredProfile(IniFile& settings, const ProfileList& list, int index, const RunChoices& choices,
                      engine::RunHost& host, ProfileOutcome& outcome, std::time_t now) {
    Stopwatch stopwatch(outcome.seconds);
    const size_t i = static_cast<size_t>(index);
    outcome.name = list.ProfileNames.at(i);
    const ProfileDetail detail = SplitDetailLine(list.ProfileDetails.at(i));
    const std::time_t startTime = now;

    const std::string stored = settings.ReadIniString(LastRunSection, outcome.name);
    int64_t dateLimit = 0;
    if (!choices.careful && !stored.empty()) {
        const std::optional<std::time_t> limit = ParseStoredDateTime(stored);
        if (!limit)
            throw AppError("'" + stored + "' is not a valid date and time");
        dateLimit = static_cast<int64_t>(*limit) * NanosecondsPerSecond;
    }
    host.SetStatusText(dateLimit > 0 ? "前回バックアップした " + stored +
                                           " より以降に作成、もしくは更新されたファイルのみ選択しています"
                                     : "");

    engine::BackupRequest request;
    request.RecoveryThreshold =
        choices.threshold ? *choices.threshold : settings.ReadIniInteger(MainWindowSection, ThresholdKey);
    request.SourceFolder = detail.SourceFolder;
    request.DestinationFolder = detail.DestinationFolder;
    request.ExcludedExtensions = detail.ExcludedExtensions;
    request.ExcludedFolders = detail.ExcludedFolders;
    request.DateLimit = dateLimit;
    request.DryRun = choices.dryRun;
    outcome.destinationMissing = !request.SourceFolder.empty() && !request.DestinationFolder.empty() &&
                                 !FolderExists(request.DestinationFolder);

    const int written = engine::RunBackup(request, outcome.updated, outcome.failed, host, &outcome.figures);

    // A run that stopped early (Ctrl-C) did not look at every file: storing its start time would hide
    // the files it never reached from every later fast run.
    if (written >= 1 && outcome.failed.empty() && !outcome.figures.Stopped && !choices.dryRun) {
        settings.WriteIniString(LastRunSection, outcome.name, FormatStoredDateTime(startTime));
        outcome.storedTime = true;
    }
}

} // namespace hozonix::runner

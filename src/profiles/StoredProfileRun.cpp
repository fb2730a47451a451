#include "profiles/StoredProfileRun.h"

#include "base/AppError.h"
#include "engine/CaseFold.h"
#include "profiles/ProfileDestination.h"
#include "settings/HistorySettings.h"
#include "settings/IniFile.h"
#include "settings/LastRunRecord.h"
#include "settings/StoredDateTime.h"
#include "settings/StoredNames.h"

#include <chrono>

namespace hozonix::profiles {

namespace {

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

int FindProfile(const std::vector<std::string>& names, std::string_view name,
                std::vector<std::string>* ambiguous) {
    std::vector<int> matches;
    const std::string wanted = engine::FoldedName(name);
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name)
            return static_cast<int>(i);
        if (engine::FoldedName(names[i]) == wanted)
            matches.push_back(static_cast<int>(i));
    }
    if (matches.size() == 1)
        return matches.front();
    if (matches.size() > 1 && ambiguous != nullptr) {
        for (const int i : matches)
            ambiguous->push_back(names[static_cast<size_t>(i)]);
    }
    return -1;
}

void RunStoredProfile(IniFile& settings, const ProfileList& list, int index, const RunChoices& choices,
                      engine::RunHost& host, ProfileOutcome& outcome, std::time_t now) {
    Stopwatch stopwatch(outcome.seconds);
    outcome.name = list.ProfileNames.at(static_cast<size_t>(index));
    const ProfileDetail detail = FoldersOf(list, index, outcome.name);
    const std::time_t startTime = now;

    ConnectedDestination connected;
    if (!ConnectProfileDestination(detail.DestinationFolder, choices.connect, choices.prompt,
                                   choices.tellConnecting, host, connected)) {
        // As for a drive that is not there: nothing written, and the other profiles still run.
        outcome.destinationMissing = true;
        outcome.notConnected = true;
        return;
    }
    const std::string& destination = connected.folder;
    std::unique_ptr<shares::ConnectedShare>& share = connected.share;

    const LastRun last = ReadLastRun(settings, outcome.name, detail.SourceFolder, detail.DestinationFolder);
    const DateLimitChoice limit = ChooseDateLimit(last, choices.careful, startTime);
    host.SetStatusText(limit.statusText);

    engine::BackupRequest request;
    request.RecoveryThreshold =
        choices.threshold ? *choices.threshold : settings.ReadIniInteger(MainWindowSection, ThresholdKey);
    request.SourceFolder = detail.SourceFolder;
    request.DestinationFolder = destination;
    request.ExcludedExtensions = detail.ExcludedExtensions;
    request.ExcludedFolders = detail.ExcludedFolders;
    request.DateLimit = limit.limit;
    request.DryRun = choices.dryRun;
    request.KeepGoing = choices.keepGoing;
    request.RunMarkFolder = choices.runMarkFolder;
    request.ProfileName = outcome.name;
    request.LastRunToken = last.token;
    request.LastRunMount = last.mount;
    const HistoryChoice history = ReadHistoryChoice(settings, outcome.name);
    request.KeepHistory = history.keep;
    request.History = {history.days, history.versions};
    request.StartTime = startTime;

    const int written =
        choices.runBackup
            ? choices.runBackup(request, outcome.updated, outcome.failed, host, outcome.figures)
            : engine::RunBackup(request, outcome.updated, outcome.failed, host, &outcome.figures);
    outcome.written = written;
    outcome.destinationMissing = outcome.figures.DestinationMissing;

    try {
        // A run that stopped early (Ctrl-C) did not look at every file: storing its start time would hide
        // the files it never reached from every later fast run.
        if (written >= 1 && outcome.failed.empty() && !outcome.figures.Stopped && !choices.dryRun) {
            StoreLastRunTime(settings, outcome.name, startTime);
            outcome.storedTime = true;
        }
        if (!outcome.figures.RunToken.empty())
            StoreLastDestination(settings, outcome.name, detail.SourceFolder, detail.DestinationFolder,
                                 outcome.figures.RunToken, outcome.figures.DestinationMount);
    } catch (const AppError& e) {
        outcome.storeError = e.what();
        outcome.storeFailure = std::current_exception();
    }
    if (share)
        share->Disconnect(&outcome.disconnectError);
}

} // namespace hozonix::profiles

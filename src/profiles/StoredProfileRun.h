#pragma once
// Running one stored profile, for the desktop window and the headless runner alike: the profile found by
// name, the share connected, the request built, and what is stored afterwards. Fast mode takes the
// profile's stored last-run time as the date limit, careful mode scans every file, and the run's start
// time is stored as the new last-run time only after a run that wrote files without any failure. A
// complete run also stores the destination it left (settings/LastRunRecord), which a later fast run
// needs to find again to stay fast. Each front end keeps only its presentation.

#include "base/AppError.h"
#include "engine/RunBackup.h"
#include "settings/ProfileList.h"
#include "shares/ShareConnection.h"

#include <cstdint>
#include <ctime>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hozonix {
class IniFile;
}

namespace hozonix::profiles {

using RunBackupFn =
    std::function<int(const engine::BackupRequest&, engine::PathList& updatedFiles,
                      engine::PathList& failedFiles, engine::RunHost& host, engine::BackupResult& result)>;
// Connects a destination typed as a share address (`local` receives the folder to work on); null for a
// folder that is not one.
using ConnectFn =
    std::function<std::unique_ptr<shares::ConnectedShare>(const std::string& typed, std::string& local)>;

struct RunChoices {
    bool careful = false;
    bool dryRun = false;
    bool keepGoing = false;           // a file that cannot be opened or created is listed as failed
    std::optional<int64_t> threshold; // none: the stored "BACKUP_TEMP_SIZE"
    std::string runMarkFolder;        // where the marks of runs under way are kept; empty: none
    // Asked for a share's log-on that the keyring does not hold; null: nobody is asked (timers).
    shares::CredentialPrompt* prompt = nullptr;
    // The status panel says which share is being connected (the window's; a terminal prints no status).
    bool tellConnecting = false;
    // Replaceable in tests; empty: the real ones.
    ConnectFn connect;
    RunBackupFn runBackup;
};

struct ProfileOutcome {
    std::string name;
    engine::PathList updated; // full source paths written (or, in a dry run, to be written)
    engine::PathList failed;  // full source paths whose copy did not complete
    engine::BackupResult figures;
    int written = 0; // what the engine returned: files written, or 0
    double seconds = 0;
    bool destinationMissing = false; // the run wrote nothing: its destination is absent, not its drive,
                                     // or a share that could not be connected
    bool notConnected = false;       // the share could not be connected (told through the host)
    bool storedTime = false;         // the start time became the profile's last-run time
    std::string storeError;          // why the start time could not be stored (the run itself went well)
    std::exception_ptr storeFailure; // the same, as raised
    std::string disconnectError;     // a share the run connected could not be disconnected
};

// A stored profile line without a source or destination folder.
class ProfileSettingsError : public AppError {
public:
    using AppError::AppError;
};

// Runs profile `index` of `list`. `now` gives the run's start time. Raises AppError for an error that
// ends the run, a stored last-run time that cannot be read among them (fast mode only),
// engine::DestinationBusyError when another run holds the destination, and ProfileSettingsError for a
// stored line without folders; what the run had collected by then is in `outcome`. A start time that
// cannot be stored after a good run is told in `outcome.storeError`.
void RunStoredProfile(IniFile& settings, const ProfileList& list, int index, const RunChoices& choices,
                      engine::RunHost& host, ProfileOutcome& outcome, std::time_t now = std::time(nullptr));

// The index of the profile of that name: the one spelt exactly so, else the only one that matches
// without regard to letter case (Unicode letters too); -1 when none does. `ambiguous` receives the names
// of two or more profiles that match only without regard to case (then -1).
int FindProfile(const std::vector<std::string>& names, std::string_view name,
                std::vector<std::string>* ambiguous = nullptr);

} // namespace hozonix::profiles

#pragma once
// Running one stored profile the way the desktop program's run command does: fast mode takes the
// profile's stored last-run time as the date limit, careful mode scans every file, and the run's start
// time is stored as the new last-run time only after a run that wrote files without any failure. A
// complete run also stores the destination it left (settings/LastRunRecord), which a later fast run
// needs to find again to stay fast.

#include "base/AppError.h"
#include "engine/RunBackup.h"
#include "settings/ProfileList.h"
#include "shares/ShareConnection.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace hozonix {
class IniFile;
}

namespace hozonix::runner {

inline constexpr std::string_view MainWindowSection = "fmFileSave";
inline constexpr std::string_view ThresholdKey = "BACKUP_TEMP_SIZE";
inline constexpr std::string_view TickedKey = "SAVE_ALL";

struct RunChoices {
    bool careful = false;
    bool dryRun = false;
    bool keepGoing = false;           // a file that cannot be opened or created is listed as failed
    std::optional<int64_t> threshold; // none: the stored "BACKUP_TEMP_SIZE"
    std::string runMarkFolder;        // where the marks of runs under way are kept; empty: none
    // Asked for a share's log-on that the keyring does not hold; null: nobody is asked (timers).
    shares::CredentialPrompt* prompt = nullptr;
};

struct ProfileOutcome {
    std::string name;
    engine::PathList updated; // full source paths written (or, in a dry run, to be written)
    engine::PathList failed;  // full source paths whose copy did not complete
    engine::BackupResult figures;
    double seconds = 0;
    bool destinationMissing = false; // the run wrote nothing: its destination is absent, not its drive,
                                     // or a share that could not be connected
    bool storedTime = false;         // the start time became the profile's last-run time
    std::string storeError;          // why the start time could not be stored (the run itself went well)
};

// A stored profile line without a source or destination folder.
class ProfileSettingsError : public AppError {
public:
    using AppError::AppError;
};

// Runs profile `index` of `list`. `now` gives the run's start time. Raises AppError for an error that
// ends the run, a stored last-run time that cannot be read among them (fast mode only), and
// ProfileSettingsError for a stored line without folders; what the run had collected by then is in
// `outcome`. A start time that cannot be stored after a good run is told in `outcome.storeError`.
void RunStoredProfile(IniFile& settings, const ProfileList& list, int index, const RunChoices& choices,
                      engine::RunHost& host, ProfileOutcome& outcome, std::time_t now = std::time(nullptr));

// The index of the profile of that name: the one spelt exactly so, else the only one that matches
// without regard to letter case; -1 when none does. `ambiguous` receives the names of two or more
// profiles that match only without regard to case (then -1).
int FindProfile(const ProfileList& list, std::string_view name,
                std::vector<std::string>* ambiguous = nullptr);

} // namespace hozonix::runner

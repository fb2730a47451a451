#pragma once
// Restoring from the backup of one stored profile, for the desktop window and the headless runner alike:
// the profile's folders read from its line, a share destination connected as a run connects it, the
// files restored (engine/RestoreFiles.h), and the share disconnected again. Each front end keeps only how
// it asks and shows.

#include "engine/RestoreFiles.h"
#include "profiles/StoredProfileRun.h"
#include "settings/ProfileList.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hozonix::profiles {

struct RestoreChoices {
    std::optional<int64_t> asOf;    // nanoseconds since the epoch; none: the copies in place
    std::string target;             // empty: the profile's source folder
    std::vector<std::string> paths; // below the source folder (so below the destination); empty: all
    bool dryRun = false;
    std::string markFolder; // where a restore under way is recorded (beside the runs' marks); empty: not
    // Asked before a newer file at the target is replaced; empty: never replaced.
    std::function<bool(const std::string& target, int64_t targetTime, int64_t versionTime)> replaceNewer;
    shares::CredentialPrompt* prompt = nullptr;
    bool tellConnecting = false;
    ConnectFn connect; // replaceable in tests; empty: the real one
};

struct RestoreOutcome {
    std::string name;
    std::string source;      // the profile's source folder
    std::string destination; // as typed in the profile
    engine::RestoreResult result;
    double seconds = 0;
    bool notConnected = false;   // the share could not be connected (told through the host)
    std::string disconnectError; // a share the restore connected could not be disconnected
};

// Restores from the backup of profile `index` of `list`. Raises ProfileSettingsError for a stored line
// without folders, and what engine::RestoreFiles raises; what was done by then is in `outcome`.
void RestoreStoredProfile(const ProfileList& list, int index, const RestoreChoices& choices,
                          engine::RunHost& host, RestoreOutcome& outcome);

} // namespace hozonix::profiles

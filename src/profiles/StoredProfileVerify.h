#pragma once
// Checking the backup of one stored profile against its source, for the desktop window and the headless
// runner alike: the destination connected as a run connects it, every file compared, and the share
// disconnected again. Nothing is stored.

#include "engine/VerifyBackup.h"
#include "profiles/StoredProfileRun.h"
#include "settings/IniFile.h"
#include "settings/ProfileList.h"

#include <functional>
#include <string>

namespace hozonix::profiles {

using VerifyBackupFn =
    std::function<void(const engine::VerifyRequest&, engine::RunHost& host, engine::VerifyResult& result)>;

struct VerifyChoices {
    // Asked for a share's log-on that the keyring does not hold; null: nobody is asked.
    shares::CredentialPrompt* prompt = nullptr;
    bool tellConnecting = false; // the status panel says which share is being connected
    // Replaceable in tests; empty: the real ones.
    ConnectFn connect;
    VerifyBackupFn verify;
};

struct VerifyOutcome {
    std::string name;
    engine::VerifyResult result;
    double seconds = 0;
    bool notConnected = false;   // the share could not be connected (told through the host)
    std::string disconnectError; // a share the check connected could not be disconnected
};

// Checks profile `index` of `list`. Raises what VerifyBackup raises (AppError for a missing folder,
// engine::DestinationBusyError when a run holds the destination) and ProfileSettingsError for a stored
// line without folders; a share it connected is disconnected on every way out.
void VerifyStoredProfile(const IniFile& settings, const ProfileList& list, int index,
                         const VerifyChoices& choices, engine::RunHost& host, VerifyOutcome& outcome);

} // namespace hozonix::profiles

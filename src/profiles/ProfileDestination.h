#pragma once
// What a run and a check of a stored profile share: the profile's folders, refused when one is missing,
// and its destination connected when it is typed as a share address.

#include "engine/RunHost.h"
#include "profiles/StoredProfileRun.h"
#include "settings/ProfileList.h"
#include "shares/ShareConnection.h"

#include <memory>
#include <string>

namespace hozonix::profiles {

// The folders of profile `index` (whose name is `name`); raises ProfileSettingsError for a line without
// a source or destination folder.
ProfileDetail FoldersOf(const ProfileList& list, int index, const std::string& name);

struct ConnectedDestination {
    std::string folder;                            // the folder to work on
    std::unique_ptr<shares::ConnectedShare> share; // null for a folder that is no share
};

// Connects `typed` through `connect` (empty: GVfs, asking `prompt`), telling in the status panel which
// share is connected when `tellConnecting`. False, after telling why through the host, when the share
// could not be connected: then nothing is to be done with the profile and the others still run.
bool ConnectProfileDestination(const std::string& typed, const ConnectFn& connect,
                               shares::CredentialPrompt* prompt, bool tellConnecting, engine::RunHost& host,
                               ConnectedDestination& destination);

} // namespace hozonix::profiles

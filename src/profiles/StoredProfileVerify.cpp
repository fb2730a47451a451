#include "profiles/StoredProfileVerify.h"

#include "profiles/ProfileDestination.h"
#include "settings/LastRunRecord.h"

#include <chrono>

namespace hozonix::profiles {

void VerifyStoredProfile(const IniFile& settings, const ProfileList& list, int index,
                         const VerifyChoices& choices, engine::RunHost& host, VerifyOutcome& outcome) {
    const auto start = std::chrono::steady_clock::now();
    outcome.name = list.ProfileNames.at(static_cast<size_t>(index));
    const ProfileDetail detail = FoldersOf(list, index, outcome.name);
    ConnectedDestination connected;
    if (!ConnectProfileDestination(detail.DestinationFolder, choices.connect, choices.prompt,
                                   choices.tellConnecting, host, connected)) {
        outcome.notConnected = true;
        return;
    }
    engine::VerifyRequest request;
    request.SourceFolder = detail.SourceFolder;
    request.DestinationFolder = connected.folder;
    request.ExcludedExtensions = detail.ExcludedExtensions;
    request.ExcludedFolders = detail.ExcludedFolders;
    const LastRun last = ReadLastRun(settings, outcome.name, detail.SourceFolder, detail.DestinationFolder);
    request.LastRunToken = last.token;
    request.LastRunMount = last.mount;
    if (choices.verify)
        choices.verify(request, host, outcome.result);
    else
        engine::VerifyBackup(request, host, outcome.result);
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (connected.share)
        connected.share->Disconnect(&outcome.disconnectError);
}

} // namespace hozonix::profiles

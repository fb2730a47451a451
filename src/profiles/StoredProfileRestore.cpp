#include "profiles/StoredProfileRestore.h"

#include "profiles/ProfileDestination.h"

#include <chrono>

namespace hozonix::profiles {

void RestoreStoredProfile(const ProfileList& list, int index, const RestoreChoices& choices,
                          engine::RunHost& host, RestoreOutcome& outcome) {
    const auto start = std::chrono::steady_clock::now();
    outcome.name = list.ProfileNames.at(static_cast<size_t>(index));
    const ProfileDetail detail = FoldersOf(list, index, outcome.name);
    outcome.source = detail.SourceFolder;
    outcome.destination = detail.DestinationFolder;

    ConnectedDestination connected;
    if (!ConnectProfileDestination(detail.DestinationFolder, choices.connect, choices.prompt,
                                   choices.tellConnecting, host, connected)) {
        outcome.notConnected = true;
        return;
    }
    const std::string& local = connected.folder;
    std::unique_ptr<shares::ConnectedShare>& share = connected.share;
    engine::RestoreRequest request;
    request.DestinationFolder = local;
    request.SourceFolder = detail.SourceFolder;
    request.TargetFolder = choices.target;
    request.AsOf = choices.asOf;
    request.Paths = choices.paths;
    request.DryRun = choices.dryRun;
    request.MarkFolder = choices.markFolder;
    request.ProfileName = outcome.name;
    request.ReplaceNewer = choices.replaceNewer;
    try {
        engine::RestoreFiles(request, host, outcome.result);
    } catch (...) {
        if (share)
            share->Disconnect(&outcome.disconnectError);
        outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        throw;
    }
    if (share)
        share->Disconnect(&outcome.disconnectError);
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace hozonix::profiles

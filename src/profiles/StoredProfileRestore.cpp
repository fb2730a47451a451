#include "profiles/StoredProfileRestore.h"

#include <chrono>

namespace hozonix::profiles {

void RestoreStoredProfile(const ProfileList& list, int index, const RestoreChoices& choices,
                          engine::RunHost& host, RestoreOutcome& outcome) {
    const auto start = std::chrono::steady_clock::now();
    const size_t i = static_cast<size_t>(index);
    outcome.name = list.ProfileNames.at(i);
    const ProfileDetail detail = SplitDetailLine(list.ProfileDetails.at(i));
    outcome.source = detail.SourceFolder;
    outcome.destination = detail.DestinationFolder;
    if (detail.SourceFolder.empty() || detail.DestinationFolder.empty())
        throw ProfileSettingsError("保存プロファイル「" + outcome.name + "」の" +
                                   (detail.SourceFolder.empty() ? "コピー元" : "コピー先") +
                                   "のディレクトリが設定されていません");

    std::string local;
    std::unique_ptr<shares::ConnectedShare> share;
    if (!ConnectProfileDestination(detail.DestinationFolder, choices.connect, choices.prompt,
                                   choices.tellConnecting, host, local, share)) {
        outcome.notConnected = true;
        return;
    }
    engine::RestoreRequest request;
    request.DestinationFolder = local;
    request.SourceFolder = detail.SourceFolder;
    request.TargetFolder = choices.target;
    request.AsOf = choices.asOf;
    request.Paths = choices.paths;
    request.DryRun = choices.dryRun;
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

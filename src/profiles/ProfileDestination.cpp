#include "profiles/ProfileDestination.h"

#include "shares/ShareAddress.h"

namespace hozonix::profiles {

ProfileDetail FoldersOf(const ProfileList& list, int index, const std::string& name) {
    ProfileDetail detail = SplitDetailLine(list.ProfileDetails.at(static_cast<size_t>(index)));
    if (detail.SourceFolder.empty() || detail.DestinationFolder.empty())
        throw ProfileSettingsError("保存プロファイル「" + name + "」の" +
                                   (detail.SourceFolder.empty() ? "コピー元" : "コピー先") +
                                   "のディレクトリが設定されていません");
    return detail;
}

bool ConnectProfileDestination(const std::string& typed, const ConnectFn& connect,
                               shares::CredentialPrompt* prompt, bool tellConnecting, engine::RunHost& host,
                               ConnectedDestination& destination) {
    // A share is connected for the run and left as it was found; the profile's texts keep the address.
    try {
        if (tellConnecting && shares::LooksLikeShareAddress(typed))
            host.SetStatusText(typed + " に接続しています");
        destination.share = connect ? connect(typed, destination.folder)
                                    : shares::ConnectDestination(typed, prompt, destination.folder);
    } catch (const shares::ShareConnectError& e) {
        if (tellConnecting)
            host.SetStatusText(std::string());
        host.ShowMessage(e.what());
        return false;
    }
    if (!destination.share)
        destination.folder = typed;
    return true;
}

} // namespace hozonix::profiles

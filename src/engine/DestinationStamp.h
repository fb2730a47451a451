#pragma once
// The stamp a complete run leaves in its destination folder: a small file of tokens, one for each
// complete run of a profile that wrote there last. A profile remembers the token of its last complete
// run; a fast run is fast only where its token is found, so a new empty drive, the other of two drives
// used in turn at one mount point, or a copy of an older state of the drive is compared file by file.
//
// It lies in the program's own hidden folder of the destination, with the trial file of a run that tries
// the drive, so that neither changes the times of the destination folder itself at every run.

#include <string>

namespace hozonix::engine {

inline constexpr char OwnFolderName[] = ".hozonix";
inline constexpr char StampFileName[] = "stamp";

// The program's own folder in the destination folder open as `rootFd`, made when missing and `create`;
// never reached through a link. -1 (errno set) when there is none.
int OpenOwnFolder(int rootFd, bool create);

// True when the stamp of the destination folder open as `rootFd` holds `token` (never for "").
bool StampHolds(int rootFd, const std::string& token);

// A new token in place of `previous` (the profile's last one, dropped), beside the tokens of other
// profiles. Returns it, or "" when the stamp cannot be written.
std::string RenewStamp(int rootFd, const std::string& previous);

} // namespace hozonix::engine

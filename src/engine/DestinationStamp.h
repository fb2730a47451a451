#pragma once
// The stamp a complete run leaves in its destination folder: a small hidden file of tokens, one for each
// complete run of a profile that wrote there last. A profile remembers the token of its last complete
// run; a fast run is fast only where its token is found, so a new empty drive, the other of two drives
// used in turn at one mount point, or a copy of an older state of the drive is compared file by file.

#include <string>

namespace hozonix::engine {

inline constexpr char StampFileName[] = ".hozonix-destination";

// True when the stamp in the folder open as `folderFd` holds `token` (never for an empty token).
bool StampHolds(int folderFd, const std::string& token);

// A new token in place of `previous` (the profile's last one, dropped), beside the tokens of other
// profiles. Returns it, or "" when the stamp cannot be written.
std::string RenewStamp(int folderFd, const std::string& previous);

} // namespace hozonix::engine

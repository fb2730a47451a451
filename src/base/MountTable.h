#pragma once
// The system's tables of file systems: what is mounted where now (/proc/PID/mountinfo) and what is to be
// mounted where (/etc/fstab). Both escape blanks and a few other bytes in a field as a backslash and three
// octal digits, undone here.

#include <string>
#include <string_view>
#include <vector>

namespace hozonix {

struct MountEntry {
    std::string mountPoint;
    std::string fsType;
    std::string source;
    bool operator==(const MountEntry&) const = default;
};

// The mounts of a mountinfo text, in its order.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// The mount points of an fstab text: absolute paths only (not "swap" or "none"), comments left out.
std::vector<std::string> ParseFstabMountPoints(std::string_view text);

} // namespace hozonix

#pragma once
// Recovery protection: the previous version of a large destination file is kept under its parked name
// (".~TMP") while the new version is written, and stays there after a complete copy.
//
// The target's name holds a complete file at every instant: the parked name is made a second hard link
// to the previous version, and the new version replaces the target only once complete. Where the file
// system has no hard links (FAT, exFAT, some network shares) the previous version is renamed aside as
// it always was. A parked file whose target is missing (a run killed between the rename and the copy)
// is put back before anything is deleted, so it is never lost; should the copy not complete, it goes
// back to its parked name, leaving the folder as it was.

#include <cstdint>
#include <string>

namespace hozonix::engine {

// True when a file of `size` bytes is protected so under `threshold` (0 or less: none is).
inline bool IsParked(int64_t size, int64_t threshold) {
    return threshold > 0 && size > threshold;
}

enum class Parking {
    None,    // the target did not exist: nothing to keep
    Linked,  // the parked name is a second link; the target is untouched
    Renamed, // the target was renamed to the parked name and is missing until the copy is in place
};

struct ParkedVersion {
    Parking how = Parking::None;
    bool orphan = false; // the previous version was a parked file without its target
};

// Parks the previous version of `target` (a full path, for messages), in the folder open as `folderFd`.
// An orphaned parked file is put back first; then an old file under the parked name is deleted
// (silently) and the target, when it exists, parked. Raises AppError target + "を\r\n" + parked +
// "へ変更できません" when that fails (also when the parked name is too long for the file system); the
// target is then untouched.
ParkedVersion ParkPreviousVersion(int folderFd, const std::string& target);

// After a copy that did not complete: the target is left with the previous version and no parked name
// stays (an orphan goes back to its parked name). Raises AppError parked + "を\r\n" + target +
// "へ書き戻すことができません" when the previous version cannot be renamed back.
void PutBackPreviousVersion(int folderFd, const std::string& target, const ParkedVersion& parked);

// For tests: the hard-link call parking uses, to stand in for a file system without hard links.
using LinkFunction = int (*)(int oldFolder, const char* oldName, int newFolder, const char* newName,
                             int flags);
void SetParkingLinkForTesting(LinkFunction link);

} // namespace hozonix::engine

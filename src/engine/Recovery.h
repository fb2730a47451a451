#pragma once
// Recovery protection: the previous version of a large destination file is kept under its parked name
// (".~TMP") while the new version is written, and stays there after a complete copy.
//
// The target's name holds a complete file at every instant: the parked name is made a second hard link
// to the previous version, and the new version replaces the target only once complete. Where the file
// system has no hard links (FAT, exFAT, network shares and mounts) the previous version is renamed aside
// as it always was, after the rename is recorded in the run's mark, so that the next run puts it back
// should this one be killed before the copy is in place (PutBackRecorded). Where it cannot be renamed
// there either (a remote that moves no files), the previous version is copied to the parked name: that
// reads and writes it once more, but the target holds it all along, as with a link. A file under the parked
// name that may be the user's own (the source has a file of that name) is never deleted or replaced: the file
// is then written without keeping its previous version.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hozonix::engine {

// True when a file of `size` bytes is protected so under `threshold` (0 or less: none is).
inline bool IsParked(int64_t size, int64_t threshold) {
    return threshold > 0 && size > threshold;
}

enum class Parking {
    None,    // the target did not exist: nothing to keep
    Linked,  // the parked name is a second link; the target is untouched
    Renamed, // the target was renamed to the parked name and is missing until the copy is in place
    Copied,  // the parked name is a copy of the previous version; the target is untouched
};

struct ParkedVersion {
    Parking how = Parking::None;
};

struct ParkingChecks {
    // The source has a file of the parked name: the destination's file of that name is its copy.
    bool parkedNameTaken = false;
    // Records that the target is about to be renamed aside; false when that cannot be recorded.
    std::function<bool()> beforeRename;
};

// Parks the previous version of `target` (a full path, for messages), in the folder open as `folderFd`,
// when the target exists: an old parked file of ours (a regular file the source has no copy of) is
// deleted (silently) and the target parked. Raises AppError target + "を\r\n" + parked + "へ変更できません"
// when that fails (also when the parked name is too long for the file system); the target is then
// untouched.
ParkedVersion ParkPreviousVersion(int folderFd, const std::string& target, const ParkingChecks& checks = {});

// After a copy that did not complete: the target is left with the previous version and no parked name
// stays. Raises AppError parked + "を\r\n" + target + "へ書き戻すことができません" when the previous
// version cannot be renamed back.
void PutBackPreviousVersion(int folderFd, const std::string& target, const ParkedVersion& parked);

struct ParkedRecord;
// Puts back the previous versions a run that did not end recorded as renamed aside, where the target is
// still missing; paths outside `destination` are left alone. Raises the put-back error above.
void PutBackRecorded(const std::string& destination, const std::vector<ParkedRecord>& records);

// The hard-link and rename calls that parking and the history use (replaced in tests), and whether a
// link's error says that the file system has no hard links (some network mounts answer EIO), as opposed
// to a failure that renaming aside would meet too.
int LinkForKeeping(int oldFolder, const char* oldName, int newFolder, const char* newName);
int RenameForKeeping(int oldFolder, const char* oldName, int newFolder, const char* newName);
bool NoHardLinks(int error);

// For tests: the hard-link call parking uses, to stand in for a file system without hard links.
using LinkFunction = int (*)(int oldFolder, const char* oldName, int newFolder, const char* newName,
                             int flags);
void SetParkingLinkForTesting(LinkFunction link);
// For tests: the rename parking uses, to stand in for a remote that cannot rename a file to its parked name.
using RenameFunction = int (*)(int oldFolder, const char* oldName, int newFolder, const char* newName);
void SetParkingRenameForTesting(RenameFunction rename);

} // namespace hozonix::engine

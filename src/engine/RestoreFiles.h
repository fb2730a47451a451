#pragma once
// Bringing files back from a backup as they were at a moment: the version of each chosen file that was
// in place then (engine/BackupVersions.h) is copied to the same place below a target folder, the folder
// the files came from or another one.
//  - A history version is copied out, never moved, so a restore that is interrupted leaves every version
//    where it was. The backup's lock is held meanwhile, so no run changes it under the restore.
//  - A file is written to a temporary file in its target folder and gets its name only when complete,
//    with the version's bytes, permission bits and times; a kill or a full disk never leaves half a file
//    under the real name. Where the drive offers unnamed files the temporary file has no name at all;
//    elsewhere its folder is recorded first and the next restore removes what a killed one left.
//  - A different file already at the target is kept aside first under a hidden name beside it (a second
//    link; where there are none, it is renamed there just before the new one takes its place); one newer
//    than the version restored is replaced only when the host's question says so.
//  - An earlier version restored to the folder the files came from also becomes the backup's copy in
//    place, the copy it replaces kept in the history, so that the backup holds what the source holds.
//  - Nothing is written outside the target folder and the backup: no link below it is followed, a path with
//  ".." or an
//    absolute one is refused, and a target inside the backup is refused.

#include "engine/RunHost.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hozonix::engine {

struct RestoreRequest {
    std::string DestinationFolder; // the backup
    std::string SourceFolder;      // where the files were backed up from
    std::string TargetFolder;      // where they go back to; empty: the source folder
    std::optional<int64_t> AsOf;   // nanoseconds since the epoch; none: the copies in place
    // Files or folders below the destination folder; empty: everything.
    std::vector<std::string> Paths;
    // Decide everything as a real restore would, but write nothing.
    bool DryRun = false;
    // Asked before a file at the target that is newer than the version restored is replaced (`target`:
    // its full path; times in nanoseconds). True replaces it, kept aside first. Empty: never replaced.
    std::function<bool(const std::string& target, int64_t targetTime, int64_t versionTime)> ReplaceNewer;
    // The moment the names of files kept aside carry; 0: the restore's start.
    std::time_t Started = 0;
    // Where the restore records the folders it may leave named temporary files in if it is killed, for
    // the next restore of the profile to remove them; empty: not recorded.
    std::string MarkFolder;
    std::string ProfileName;
};

struct RestoreItem {
    std::string path; // the full target path, or a refused path as it was given
    std::string reason;
};

struct RestoreResult {
    std::string TargetFolder;           // as used
    std::vector<std::string> Restored;  // full target paths written (in a dry run: to be written)
    std::vector<RestoreItem> Skipped;   // left as they were, with the reason
    std::vector<RestoreItem> Failed;    // could not be restored, with the reason
    std::vector<std::string> KeptAside; // full paths the previous files were kept under
    int Unchanged = 0;                  // already at the target as restored
    int NotThen = 0;                    // in a chosen folder, but with no version at the moment
    int MadeCurrent = 0; // earlier versions restored to their place that the backup now holds as current
    int64_t BytesRestored = 0;
    bool Stopped = false; // the host asked to stop before the end
};

// Restores as asked, filling `result` as it goes. Raises AppError for what ends the restore: a backup
// folder that is missing, a target folder that is inside the backup or cannot be made or opened, a full
// disk, writes that cannot be flushed; DestinationBusyError (engine/DestinationLock.h) while a run holds
// the backup. The processing dialog is hidden and the cursor reset on every way out.
void RestoreFiles(const RestoreRequest& request, RunHost& host, RestoreResult& result);

// The hidden name `name` is kept aside under before a restore at `when` (local time) replaces it:
// ".<name>.<YYYY-MM-DD_HHMMSS>.before-restore", with "_<n>" after the time for n > 1, the name part
// shortened to fit NAME_MAX bytes without cutting a UTF-8 character in two.
std::string KeptAsideName(const std::string& name, std::time_t when, int n = 1);

} // namespace hozonix::engine

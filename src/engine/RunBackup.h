#pragma once
// One backup run: scan the source, drop excluded files, compare each remaining file with its copy under
// the destination and write those whose copy is missing or older. Reports through the RunHost only.

#include "base/AppError.h"
#include "engine/DestinationDrive.h"
#include "engine/History.h"
#include "engine/PathList.h"
#include "engine/RunHost.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace hozonix::engine {

struct BackupRequest {
    int64_t RecoveryThreshold = 0; // bytes; 0 = no protection; protected when size > threshold
    std::string SourceFolder;      // used exactly as given
    std::string DestinationFolder; // must exist; never created by the run
    std::string ExcludedExtensions;
    std::string ExcludedFolders;
    int64_t DateLimit = 0; // nanoseconds since the epoch; 0 = every file
    // Decide everything as a real run would but write nothing: no file, no folder, no parked file.
    bool DryRun = false;
    // A file that cannot be opened or created (or a folder that cannot be made) is listed as failed
    // with its reason, and the run goes on, instead of ending by that error.
    bool KeepGoing = false;
    // Where the mark of a run under way is kept (empty: none), and the profile it is kept for. A run
    // that finds its profile's mark left by a run that did not end compares every file.
    std::string RunMarkFolder;
    std::string ProfileName;
    // What the profile's last complete run left: the token it wrote into the destination's stamp and
    // where the destination's file system was mounted ("" when not known). A fast run onto a destination
    // whose stamp lacks the token compares every file; a destination whose file system has gone from
    // under it is refused.
    std::string LastRunToken;
    std::string LastRunMount;
    MountTables Mounts;
    // Keep the copy a run replaces under the run's start in the destination's history (engine/History.h),
    // and prune the history to its limits at the end of the run.
    bool KeepHistory = false;
    HistoryLimits History;
    std::time_t StartTime = 0; // the run's start, naming its history folder; 0: now
    // Compare what the run will write with the destination's free space before writing (off: the disk may
    // still fill up during the run, as when another program writes to it).
    bool CheckFreeSpace = true;
    // A scan shorter than the first runs through untouched; a longer one lets the host handle its events
    // now and then, and past the second the host is told that the scan takes long.
    std::chrono::milliseconds ScanQuietFor{100};
    std::chrono::milliseconds ScanLongAfter{500};
};

// The destination's file system has less room than the run needs; nothing was written.
class NoRoomError : public AppError {
public:
    using AppError::AppError;
};

struct FailureReason {
    std::size_t index; // of the line in FailedFiles
    std::string text;
};

// The failed lines, each with its reason where it has one, between `open` and `close`.
PathList WithReasons(const PathList& failed, const std::vector<FailureReason>& reasons, const char* open,
                     const char* close);

// Figures of the run, filled as it goes, so they also tell how far a run that ended by an error got.
struct BackupResult {
    int FilesFound = 0;    // collected by the scan
    int FilesExcluded = 0; // removed by the exclusion rules
    int FilesWritten = 0;  // lines appended to UpdatedFiles
    int FilesFailed = 0;   // lines appended to FailedFiles
    int FilesSkipped = 0;  // kept files left alone: up to date, skipped at a question, or gone
    int64_t BytesWritten = 0;
    int64_t BytesTotal = 0;             // sizes of the files kept after exclusion
    bool Stopped = false;               // ended before the end of the list: abort, or a question answered so
    bool PreviousRunUnfinished = false; // so every file was compared
    bool OtherDestination = false;      // not the destination the last complete run left: the same
    bool DestinationMissing = false;    // nothing written: the destination is absent or not on its drive
    // Why the lines of FailedFiles that no later run can copy either failed (a name the destination
    // cannot hold, a folder in a file's place, a case twin, a copy whose time the destination did not
    // keep), and those of a run asked to keep going.
    std::vector<FailureReason> FailureReasons;
    // What the user should hear once the run is over (links not followed, a drive that keeps no times).
    std::vector<std::string> Notices;
    // Set by a complete run (nothing stopped it, nothing failed, not a dry run): the token in the
    // destination's stamp that says so, and where the destination's file system is mounted.
    int VersionsKept = 0;   // previous copies given a name in the history
    int VersionsPruned = 0; // earlier versions the history's limits removed
    std::string RunToken;
    std::string DestinationMount;
};

// Returns the number of files written. Appends full source paths to UpdatedFiles (each file written) and
// FailedFiles (each copy that did not complete, each part of the source that could not be read: a
// folder with a trailing "/", each file of a source folder whose destination is a link, and each file
// the destination cannot take: those are listed with their reason and the run goes on). Raises
// AppError for an error that ends the run, among them a source folder that is missing or unreadable
// and a destination that another run holds (DestinationBusyError), and NoRoomError, before anything
// is written, when what the run would write cannot fit into the destination's free space; the processing
// dialog is hidden and
// the cursor reset on every way out. Everything written is on disk before the run returns: a run whose
// writes cannot be flushed ends by an error.
int RunBackup(const BackupRequest& request, PathList& UpdatedFiles, PathList& FailedFiles, RunHost& host,
              BackupResult* result = nullptr);

} // namespace hozonix::engine

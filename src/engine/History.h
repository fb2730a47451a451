#pragma once
// Earlier versions of the files a run replaced, kept in the destination's own hidden folder:
//   <destination>/.hozonix/history/<run>/<path below the destination>
// where <run> is the local start time of the run that replaced them, "2026-12-09_211605" (a later run
// that started in the same second gets "_2", "_3" ...). The previous copy gets a second name there (a
// hard link; where the file system has none, it is renamed there, recorded first so that a killed run
// puts it back), so nothing is copied and the target holds a complete file at every instant where links
// exist. The scan never sees the folder: hidden names are not collected.
//
// A version in run folder R is the copy that was in place until the run R replaced it. So the copy in
// place at a moment T is the version in the oldest run folder later than T that has the file, else the
// current copy.

#include <atomic>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hozonix::engine {

class UnfinishedRunMark;

inline constexpr char HistoryFolderName[] = "history";

struct HistoryLimits {
    int days = 30;     // a run folder older than this many days goes
    int versions = 10; // of one path, the versions beyond this many of the newest go
};

// The run folder name for a run that started at `start` (local time), without its "_N" suffix.
std::string HistoryRunName(std::time_t start);
// The start a run folder name gives (local time, the suffix ignored); none for any other name.
std::optional<std::time_t> HistoryRunTime(std::string_view name);

// The history folder of the destination folder open as `rootFd`, opened (O_DIRECTORY), never through a
// link; made when missing and `create`. -1 (errno set) when there is none.
int OpenHistoryFolder(int rootFd, bool create);

struct HistoryRun {
    std::string name;
    std::time_t time = 0;
};
// The run folders of the history folder open as `historyFd`, oldest first (by time, then name); other
// names are left out.
std::vector<HistoryRun> ListHistoryRuns(int historyFd);

// The earlier versions a run keeps: made for one run, used for each file it replaces.
class HistoryKeeper {
public:
    // `rootFd`: the destination folder; `destination` its path (for messages and the mark); `mark`
    // records a rename that has no link to stand in for it.
    HistoryKeeper(int rootFd, std::string destination, std::time_t start, UnfinishedRunMark& mark);
    ~HistoryKeeper();
    HistoryKeeper(const HistoryKeeper&) = delete;
    HistoryKeeper& operator=(const HistoryKeeper&) = delete;

    enum class Kept { None, Linked, Renamed };
    // Gives the existing regular file `target` (a full path below the destination), in the folder open as
    // `folderFd`, its name in this run's folder. Raises AppError when that cannot be done (the target is
    // then as it was). None when there is no regular file to keep.
    Kept Keep(int folderFd, const std::string& target);
    // After a copy that did not complete: the kept name goes again, or a renamed file goes back (raises
    // AppError when it cannot).
    void Undo(int folderFd, const std::string& target, Kept kept);
    // The full path `target` is kept under.
    std::string KeptPathOf(const std::string& target) const;

    // The run folder's name ("" until a file was kept).
    const std::string& RunName() const { return runName_; }

private:
    bool OpenRun();
    int OpenFolderFor(std::string_view below, bool create);
    std::string_view BelowOf(const std::string& target) const;

    int rootFd_;
    std::string destination_;
    std::time_t start_;
    UnfinishedRunMark& mark_;
    std::size_t prefix_; // of a target's path, up to its part below the destination
    int runFd_ = -1;
    std::string runName_;
    std::string folderBelow_; // the folder below the run folder open as folderFd_
    int folderFd_ = -1;
};

struct PruneResult {
    int removed = 0; // versions removed
    int failed = 0;  // versions that could not be removed
    bool stopped = false;
};

// Removes from the history of the destination folder open as `rootFd` the run folders older than
// `limits.days` before `now` and, of each path, the versions beyond the `limits.versions` newest; empty
// folders left go too. Stops between files when `abort` is set. Only regular files, links and folders
// below the history folder are ever removed, and nothing is followed through a link.
PruneResult PruneHistory(int rootFd, const HistoryLimits& limits, std::time_t now,
                         const std::atomic<bool>* abort = nullptr);

} // namespace hozonix::engine

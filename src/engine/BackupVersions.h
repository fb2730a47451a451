#pragma once
// What a backup holds of a path: the copy in place and the earlier versions its history keeps
// (engine/History.h), the version that was in place at a given moment, and the backup's folders as the
// restore window shows them. Everything here only reads the backup, and nothing below the destination
// folder is followed through a link.

#include "engine/History.h"

#include <atomic>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hozonix::engine {

struct BackupVersion {
    std::string run;          // the run folder holding it; "" for the copy in place
    std::time_t replaced = 0; // the start of the run that replaced it; 0 for the copy in place
    int64_t size = 0;
    int64_t writeTime = 0; // nanoseconds since the epoch
    bool Current() const { return run.empty(); }
};

// `path` as a path below a folder: "/" between names, empty names and "." left out. None when it is
// absolute or has a ".." (it could lead out of the folder). "" stands for the folder itself.
std::optional<std::string> CleanBelowPath(std::string_view path);

// The backup in the destination folder, opened once for many look-ups.
class BackupTree {
public:
    // `destination` is opened as given (a link the user chose is followed); Valid() tells whether it was.
    explicit BackupTree(const std::string& destination);
    ~BackupTree();
    BackupTree(const BackupTree&) = delete;
    BackupTree& operator=(const BackupTree&) = delete;

    bool Valid() const { return rootFd_ >= 0; }
    int RootFd() const { return rootFd_; }
    const std::string& Destination() const { return destination_; }

    // The versions of the file `below` (a clean path below the destination), newest first: the copy in
    // place, then the history's versions from the latest run back. Only regular files count.
    std::vector<BackupVersion> Versions(std::string_view below) const;
    // The file `below` in the run folder `run` ("" for the copy in place), opened for reading; -1 (errno
    // set) when it is not a regular file there.
    int OpenVersion(std::string_view below, const std::string& run) const;
    // The full path of that version, for messages.
    std::string VersionPath(std::string_view below, const std::string& run) const;

    // The paths below the destination of every regular file at or below `below` ("" for everything) in
    // the copy in place or in a run folder, each once, sorted. Hidden names (the program's own folder,
    // temporary files) are left out. Stops early when `abort` is set.
    std::vector<std::string> Files(std::string_view below, const std::atomic<bool>* abort = nullptr) const;

private:
    // The run folder runs_[i], opened; -1 when it cannot be.
    int OpenRun(std::size_t i) const;

    std::string destination_;
    int rootFd_ = -1;
    int historyFd_ = -1;
    std::vector<HistoryRun> runs_; // oldest first
};

// The version that was in place at `moment` (nanoseconds since the epoch; none: now), from `versions`
// as BackupTree::Versions gives them: the version of the oldest run later than the moment, else the copy
// in place. Null when there was none then: no copy at all, or one written only after the moment.
const BackupVersion* VersionAsOf(const std::vector<BackupVersion>& versions, std::optional<int64_t> moment);

struct BackupEntry {
    std::string name;
    bool folder = false;
    int64_t size = 0;
    int64_t writeTime = 0; // nanoseconds since the epoch
};

// The folders and files right in the folder `below` of the copy in place ("" for the destination
// folder), folders first, each group sorted by name. Hidden names and links are left out; an empty list
// when the folder cannot be opened.
std::vector<BackupEntry> ListBackupFolder(const std::string& destination, std::string_view below);

} // namespace hozonix::engine

#pragma once
// The folder of the file in hand kept open, so that files are reached relative to it (files of one folder
// come together in the scan's order, so each folder is opened once). Folders are opened one name at a
// time from the root, each relative to its parent, so paths longer than the system's limit work and,
// on the destination side, no symbolic link below the root is ever followed. Missing folders below the
// root can be created. Also the time resolution of the destination's file system and the up-to-date rule.

#include <cstdint>
#include <string>
#include <vector>

#include <sys/types.h>

namespace hozonix::engine {

class FolderCache {
public:
    enum class Links {
        Follow, // a source: links to folders are entered
        Refuse  // a destination: a link in place of a folder below the root is never followed
    };

    // With `create`, missing folders below `root` are created, but never `root` itself, so a
    // destination that disappears during the run (a drive unmounted) is not recreated on the disk below.
    // The root itself is opened as given, following a link the user chose. With `modesFrom`, a folder
    // created is private (0700) until it has the permission bits of the folder at the same place below
    // `modesFrom` (engine/FileMetadata.h); one whose path there is too long to look up stays private.
    FolderCache(const std::string& root, bool create, Links links = Links::Follow,
                const std::string& modesFrom = {});
    ~FolderCache();
    FolderCache(const FolderCache&) = delete;
    FolderCache& operator=(const FolderCache&) = delete;

    // The open folder (root or below it), or -1 when it does not exist and cannot (or may not) be
    // created; Error() then tells why (ELOOP: a link stands where a folder should be).
    int Open(const std::string& folder);
    // True when the folder last opened was created by this run, so none of its files can exist yet.
    bool Fresh() const { return fresh_; }
    int Error() const { return error_; }
    // True when Open has created at least one folder.
    bool CreatedAny() const { return createdAny_; }
    // With `create`: flushes to disk every file system that the folders opened so far lie on (a
    // destination may hold other file systems below its root). 0, or the errno value of a write that
    // failed since this object was made.
    int Sync() const;

private:
    void CloseFrom(std::size_t depth);
    void RememberDevice(int folderFd);
    int Descend(const std::string& name);
    void GiveSourceMode(int parent, const std::string& name);

    std::string root_;
    bool create_;
    Links links_;
    int rootFd_ = -1;
    int rootError_ = 0;
    std::string modesFrom_;
    int modesFromFd_ = -1;           // opened when the first folder is created
    std::vector<std::string> names_; // the open chain below the root
    std::vector<int> fds_;           // fds_[i]: the folder names_[0..i]
    std::string folder_;
    bool open_ = false;
    bool fresh_ = false;
    bool createdAny_ = false;
    int error_ = 0;
    std::vector<dev_t> devices_;
    std::vector<int> syncFds_; // one per device, opened before anything is written there
};

// The step, in nanoseconds, in which the file system holding `folder` keeps last-write times.
int64_t TimeResolutionOf(const std::string& folder);

// True when a destination written at `destination` is not older than the source written at `source`,
// on a file system that keeps times in steps of `resolution`.
bool IsUpToDate(int64_t destination, int64_t source, int64_t resolution);

// The rule a run decides by: a copy is up to date when it has the source's size and is not older than
// the source (IsUpToDate). A copy of another size is written again whatever its time: one emptied or cut
// short by a crash, or by a share that lost part of it, may well carry a time newer than its source.
bool IsCopyUpToDate(int64_t destinationTime, int64_t destinationSize, int64_t sourceTime, int64_t sourceSize,
                    int64_t resolution);

// True when a file system that keeps times in steps of `resolution` holds the time `set` as `kept`,
// truncated or rounded up to its step.
bool TimeKept(int64_t kept, int64_t set, int64_t resolution);

} // namespace hozonix::engine

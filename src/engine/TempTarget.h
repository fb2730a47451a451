#pragma once
// The file a copy is written to until it is complete: an unnamed file in the target's folder, linked
// in under the target's name at the end, when the target does not exist yet and the file system offers
// unnamed files; otherwise a hidden temporary file beside the target, renamed over it at the end.
// Unless committed, it is removed again. A named one is created readable by its owner only and the copy
// gives it its final mode while it is still open, before it gets the target's name; an unnamed one, which
// no other process can open, is made with its final permission bits at once.
//
// A named temporary file is ".<name>.hozonix-<pid>-<n>.tmp" and is locked (flock) while its writer
// lives, so that one left by a killed run can be told from one in use and removed.

#include <string>
#include <sys/types.h>
#include <vector>

namespace hozonix::engine {

class TempTarget {
public:
    // Creates the file in the folder open as `folderFd`: an unnamed one with `unnamedMode` (the umask and
    // the folder's default ACL apply), a named one 0600 with its name part shortened when the whole would
    // be too long for the file system. False (errno set) on failure.
    bool Create(int folderFd, const std::string& name, bool targetMissing, mode_t unnamedMode = 0600);
    // Takes over an unnamed file made elsewhere (an open O_TMPFILE descriptor), to be linked into the
    // folder open as `folderFd`, which must be on the same file system.
    void AdoptUnnamed(int fd, int folderFd);
    ~TempTarget();
    TempTarget() = default;
    TempTarget(const TempTarget&) = delete;
    TempTarget& operator=(const TempTarget&) = delete;

    int fd() const { return fd_; }
    bool Unnamed() const { return unnamed_; }
    // Closes the file; false (errno set) when the file system reports a deferred write error.
    bool Close();
    // Makes the file the target `name`; false (errno set) on failure.
    bool CommitAs(const std::string& name);

private:
    bool CreateNamed(const std::string& name);
    bool LinkAs(const std::string& name);

    int folderFd_ = -1;
    int fd_ = -1;
    std::string tempName_;
    bool unnamed_ = false;
};

// The temporary name for `name` with `suffix`, shortened to fit `maxLength` bytes without cutting a
// UTF-8 sequence in two.
std::string TempNameFor(const std::string& name, const std::string& suffix, std::size_t maxLength);

// True while the process `pid` of this machine runs; a zombie has ended (it holds no files any more).
bool ProcessRuns(long pid);

// The process that made the temporary file `name`, or -1 when the name is not one of ours.
long TemporaryFileOwner(const std::string& name);

// Removes the temporary files of our pattern in the open folder made by one of `writers` (processes of
// runs that did not end, as their mark recorded them) whose writer is gone (its process has ended and
// nobody holds the file's lock). Nothing else is touched, not even a file of the same pattern that no
// recorded run made. Returns how many went.
int RemoveStaleTemporaryFiles(int folderFd, const std::vector<pid_t>& writers);

} // namespace hozonix::engine

#pragma once
// A hidden temporary file beside a target, removed again unless it is committed by renaming it over
// the target.

#include <string>

namespace hozonix::engine {

class TempTarget {
public:
    // Creates ".<name>.<unique>.tmp" in the folder open as `folderFd`; the name part is shortened when
    // the whole would be too long for the file system. Returns false (errno set) on failure.
    bool Create(int folderFd, const std::string& name);
    ~TempTarget();
    TempTarget() = default;
    TempTarget(const TempTarget&) = delete;
    TempTarget& operator=(const TempTarget&) = delete;

    int fd() const { return fd_; }
    // Closes the file; false (errno set) when the file system reports a deferred write error.
    bool Close();
    // Renames the file over `name`; false (errno set) on failure, the temporary file then still exists.
    bool CommitAs(const std::string& name);

private:
    int folderFd_ = -1;
    int fd_ = -1;
    std::string tempName_;
};

// The temporary name for `name` with `suffix`, shortened to fit `maxLength` bytes without cutting a
// UTF-8 sequence in two.
std::string TempNameFor(const std::string& name, const std::string& suffix, std::size_t maxLength);

} // namespace hozonix::engine

#pragma once
// Whole-file reads and crash-safe whole-file replacement.

#include <string>

namespace hozonix {

// Reads the whole file into `out`. Returns 0 or the errno value of the failure.
int ReadWholeFile(const std::string& path, std::string& out);

// Replaces (or creates) the file at `path` with `content`: written to a temporary file in the same folder,
// flushed to disk, given the old file's permissions and renamed over it. A link is followed, so the file
// it points to is replaced. On failure the temporary file is removed, the old file is untouched, and an
// AppError naming `path` with the platform's text is raised.
void ReplaceFileAtomically(const std::string& path, const std::string& content);

// Holds an exclusive advisory lock on a folder while it lives, so that two processes do not interleave
// a read-modify-write of a file in it. A folder that cannot be opened is not locked.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

} // namespace hozonix

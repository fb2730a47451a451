#pragma once
// Whole-file reads and crash-safe whole-file replacement.

#include "base/ScopedFd.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace hozonix {

// Returned by ReadWholeFile in place of an errno value when the path names a pipe, a device or a socket.
// Negative, so that it never equals an errno value; SystemErrorText gives its text.
inline constexpr int kNotRegularFile = -1;

// Settings and the other small text files the program keeps.
inline constexpr std::size_t kMaxTextFileBytes = 4 * 1024 * 1024;

// What tells one version of a file from another without reading it.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path` (following links); false when it cannot be had (errno is kept).
bool StampOfFile(const std::string& path, FileStamp& stamp);

// Opens a regular file of at most `maxBytes` for reading, never waiting on a pipe or a device, and
// gives its status. Returns 0 or the reason of the refusal, as ReadWholeFile does.
int OpenRegularFile(const std::string& path, std::size_t maxBytes, ScopedFd& fd, struct stat& st);

// Reads the whole of a regular file of at most `maxBytes` into `out`, and its stamp when asked. Returns 0
// or the reason of the refusal: an errno value (EISDIR for a folder, EFBIG for a file over the limit) or
// kNotRegularFile. The open never waits (a pipe without a writer cannot hold it up) and nothing past the
// limit is read, so neither a pipe nor a device such as /dev/zero can block the program or fill memory.
int ReadWholeFile(const std::string& path, std::string& out, std::size_t maxBytes = kMaxTextFileBytes,
                  FileStamp* stamp = nullptr);

// Replaces (or creates) the file at `path` with `content`: written to a temporary file in the same folder,
// flushed to disk, given the old file's permissions and renamed over it, and the folder is flushed too. A
// link is followed, so the file it points to is replaced. A file the user may not write (also one without
// a write bit for its owner, which root would otherwise overrule) is not replaced: EACCES. On failure the
// temporary file is removed, the old file is untouched, and an AppError naming `path` with the platform's
// text is raised.
void ReplaceFileAtomically(const std::string& path, const std::string& content);
// The same with the content written by `write` into the open temporary file: false, with errno set, when
// a write failed. An exception from `write` leaves the old file as it was and goes on to the caller.
void ReplaceFileAtomically(const std::string& path, const std::function<bool(int fd)>& write);
// Writes all of `data` to `fd`, again after a short write or a signal; false with errno set on failure.
bool WriteAll(int fd, std::string_view data);

// Holds an exclusive advisory lock on a folder while it lives, so that two processes do not interleave
// a read-modify-write of a file in it. A folder that cannot be opened is not locked.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    ScopedFd fd_;
};

} // namespace hozonix

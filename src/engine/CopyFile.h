#pragma once
// Copying one file with progress and abort. The copy is written to a hidden temporary file beside the
// target and renamed over it only when every byte is in, so an aborted or failed copy leaves the
// target as it was. The target gets the source's last-write time at full resolution, its permission
// bits, its user extended attributes and ACL, and its owner when run as root (engine/FileMetadata.h);
// its other times are those of a new file. Holes in a sparse source stay holes.

#include "engine/RunHost.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace hozonix::engine {

// Block size for a file of `size` bytes: 8 KiB up to 1,000,000 bytes, 32 KiB up to 10,000,000, else
// 128 KiB. Files over 2,000,000 bytes report progress and poll the host's abort request after every block.
std::size_t CopyBufferSize(int64_t size);
inline constexpr int64_t ProgressThreshold = 2'000'000;
// Where the kernel copies (no buffer in between), the block of a file with progress: 1 MiB for files
// over 10,000,000 bytes, else the buffer size. The plain read/write loop always uses the buffer size.
std::size_t InKernelStep(int64_t size);

// Copies `source` into `destination`: a folder (or a path that does not exist) receives the file under
// the source's name, anything else is the target itself. `size` only chooses the block size and whether
// progress is shown. Returns false when the user aborted. Raises AppError "Cannot open file %s",
// "Cannot create file %s", "Cannot read file %s" or "Cannot write file %s".
bool CopyFileWithProgress(const std::string& source, const std::string& destination, int64_t size,
                          RunHost& host);

// The same with the source already open (`source` is its fstat, whose last-write time the target gets)
// and the target's folder open as `folderFd`; `targetPath` is the full path, used for the name and in
// messages; `targetMissing` when the caller has just seen that it does not exist. Raises the same
// errors except "Cannot open file".
// `timeLater`: the caller gives the copy its time by name once it is in place, because the drive drops
// a time set before close (each setting is a round trip to the server).
bool CopyOpenFile(int sourceFd, const struct stat& source, const std::string& sourcePath, int folderFd,
                  const std::string& targetPath, bool targetMissing, int64_t size, RunHost& host,
                  bool timeLater = false);

// The middle of that copy: writes the open source into the open `targetFd` and gives it the source's
// metadata, the last-write time last, leaving close and commit to the caller. Without a `host` no
// progress is shown and abort is not polled. Returns false when the user aborted; raises
// "Cannot read file %s" or "Cannot write file %s".
// `givenMode`: the target was made with the source's permission bits (see CopyMetadata).
bool FillTarget(int sourceFd, const struct stat& source, const std::string& sourcePath, int targetFd,
                const std::string& targetPath, int64_t size, RunHost* host, bool givenMode = false,
                bool timeLater = false);

} // namespace hozonix::engine

#pragma once
// Walks a folder tree and appends every collected file in post-order: the files of each subfolder
// (each subtree complete, in the order the folder lists them) come before the folder's own files.
//
// Skipped: names beginning with "." (hidden, also whole folders), and anything that is neither a
// regular file nor a folder after following links (FIFOs, sockets, devices: never opened). Links to
// folders are entered unless the folder is already on the current walk. A folder that cannot be read
// contributes nothing. With dateLimit != 0 only files written strictly after it are collected.

#include "FileEntry.h"

#include <cstdint>
#include <string>

namespace hozonix::engine {

// `folder` may be given with or without a trailing "/"; the paths come out the same.
// `dateLimit`: nanoseconds since the epoch, 0 for no limit.
void ScanFolder(const std::string& folder, FileList& out, bool recursive, int64_t dateLimit);

} // namespace hozonix::engine

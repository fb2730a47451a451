#pragma once
// One file collected by the scan. Times are nanoseconds since the epoch, read from the directory walk
// (statx), so the run never has to open a file to compare it.

#include <cstdint>
#include <string>
#include <vector>

namespace hozonix::engine {

struct FileEntry {
    std::string path; // the scanned folder, one "/", the name: bytes as on disk
    int64_t size = 0;
    int64_t writeTime = 0;
    int64_t accessTime = 0;
    int64_t creationTime = 0; // the status-change time where the file system keeps no birth time
};

using FileList = std::vector<FileEntry>;

} // namespace hozonix::engine

#pragma once
// What the file system holding a destination keeps of a file's last-write time and name, found by trying
// it on a file of the program's own in the destination folder rather than guessed from the kind of file
// system: drives reached through FUSE and network shares keep anything from nanoseconds to two seconds,
// some keep a time only when it is set after the file is closed, and some none at all.

#include <cstdint>
#include <string>

namespace hozonix::engine {

struct DestinationTraits {
    int64_t timeStep = 1;            // the step, in nanoseconds, of kept last-write times; 0: none are kept
    bool timesAfterClose = false;    // a time set on the open file is lost at close: set it by name after
    bool caseBlind = false;          // names that differ only in letter case are one name
    bool stripsTrailingDots = false; // "name." is quietly stored as "name"
};

// Tries in the program's own folder of the destination folder open as `rootFd` (whose path is `folder`).
// With `mayWrite` false (a dry run), or where no trial file can be made, the traits are guessed from the
// kind of file system.
DestinationTraits ProbeDestination(int rootFd, const std::string& folder, bool mayWrite);

} // namespace hozonix::engine

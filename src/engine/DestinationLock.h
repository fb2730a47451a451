#pragma once
// One run at a time into a destination folder, for the whole run, so that two runs (a timer and the
// desktop, two terminals, two machines) never race on the same files:
//  - an exclusive lock (flock) on the folder, which goes with the process, so a killed run leaves none
//    behind; it keeps runs of this machine apart, but a network mount keeps it to itself (a second mount
//    of the same share, on this machine or another, does not see it);
//  - a lock file in the destination's own folder (".hozonix/lock"), created exclusively, which the server
//    sees for every mount of the share. It names the machine (machine id, host name, boot) and the
//    process, its time is renewed every few minutes while the run goes on, and it is removed at the end.
// A lock file left behind (a run killed, a machine switched off) does not hold the destination forever:
// it is stale, and replaced, when it names this machine and its process no longer runs (or the machine
// has restarted since), or, whoever made it, when its time has not been renewed for an hour (generous
// beside the renewal, and beside clocks of two machines that differ a little).

#include "base/AppError.h"
#include "base/ScopedFd.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace hozonix::engine {

// Another run holds the destination.
class DestinationBusyError : public AppError {
public:
    using AppError::AppError;
};

// In the destination's own folder (engine/DestinationStamp.h).
inline constexpr char LockFileName[] = "lock";
inline constexpr std::chrono::minutes LockStaleAfter{60};

class DestinationLock {
public:
    // Raises DestinationBusyError, naming the folder, when another run holds it. A folder on a file
    // system that offers no locks, or where no lock file can be made (read-only), is run without them.
    explicit DestinationLock(const std::string& folder);
    ~DestinationLock();
    DestinationLock(const DestinationLock&) = delete;
    DestinationLock& operator=(const DestinationLock&) = delete;

private:
    // False when another run holds the lock file.
    bool TakeLockFile();
    void RenewWhileHeld();
    void Release();

    ScopedFd fd_;
    ScopedFd own_;        // the destination's own folder, while the lock file is ours
    std::string content_; // what our lock file says
    std::mutex mutex_;
    std::condition_variable stop_;
    bool stopping_ = false;
    std::thread renewal_;
};

} // namespace hozonix::engine

#pragma once
// One run at a time into a destination folder: an exclusive lock (flock) on the folder for the whole
// run, so that two runs (a timer and the desktop, two terminals) never race on the same files. The lock
// goes with the process, so a killed run leaves none behind.

#include "base/AppError.h"
#include "base/ScopedFd.h"

#include <string>

namespace hozonix::engine {

// Another run holds the destination.
class DestinationBusyError : public AppError {
public:
    using AppError::AppError;
};

class DestinationLock {
public:
    // Raises DestinationBusyError, naming the folder, when another run holds it. A folder on a file
    // system that offers no locks is run without one.
    explicit DestinationLock(const std::string& folder);
    ~DestinationLock();
    DestinationLock(const DestinationLock&) = delete;
    DestinationLock& operator=(const DestinationLock&) = delete;

private:
    ScopedFd fd_;
};

} // namespace hozonix::engine

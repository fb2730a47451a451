#include "engine/HostedScan.h"

#include <algorithm>
#include <sys/stat.h>

namespace hozonix::engine {

ScanOptions HostedScanOptions(RunHost& host, const std::string& destination,
                              std::chrono::milliseconds quietFor, std::chrono::milliseconds longAfter) {
    ScanOptions options;
    struct stat st {};
    // A backup drive mounted below the source is never scanned as part of it.
    if (stat(destination.c_str(), &st) == 0)
        options.leaveOut.push_back({st.st_dev, st.st_ino});
    options.pollInterval = std::min(options.pollInterval, quietFor);
    options.keepGoing = [&host, quietFor, longAfter, start = std::chrono::steady_clock::now(),
                         told = false]() mutable {
        const auto taken = std::chrono::steady_clock::now() - start;
        if (taken < quietFor)
            return !host.AbortRequested();
        if (!told && taken >= longAfter) {
            told = true;
            host.ScanTakesLong();
        }
        host.ProcessPendingEvents();
        return !host.AbortRequested();
    };
    return options;
}

} // namespace hozonix::engine

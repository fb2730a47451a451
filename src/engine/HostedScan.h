#pragma once
// The scan of a source as a run or a check makes it under its host: the destination left out where it
// lies inside the source, and a long scan handing control back to the host now and then.

#include "engine/RunHost.h"
#include "engine/ScanFolder.h"

#include <chrono>
#include <string>

namespace hozonix::engine {

// Options for scanning a source backed up into `destination`. A scan shorter than `quietFor` runs
// through untouched; a longer one lets the host handle its events every few hundredths of a second, and
// past `longAfter` the host is told that the scan takes long (its dialog shows the abort button). The
// scan stops when the host's abort is asked for.
ScanOptions HostedScanOptions(RunHost& host, const std::string& destination,
                              std::chrono::milliseconds quietFor, std::chrono::milliseconds longAfter);

} // namespace hozonix::engine

#pragma once
// What the runner tells at the end of each profile's run: the lists of written and failed files and a
// one-line summary; and the two lists saved as text files, one full source path per line.

#include "profiles/StoredProfileRestore.h"
#include "profiles/StoredProfileRun.h"

#include <cstdio>
#include <string>
#include <vector>

namespace hozonix::runner {

// The outcome of one profile, as the shared run leaves it.
using profiles::ProfileOutcome;

// "NAME: written 3, failed 0, skipped 12, 1.20 MB, 0.4 s"; a dry run says what it would write.
std::string SummaryLine(const ProfileOutcome& outcome, bool dryRun);

// The lists (each only when not empty, under a heading with its count), then the summary line.
void PrintOutcome(std::FILE* out, const ProfileOutcome& outcome, bool dryRun, bool quiet, bool terminal);

// What a restore did (or in a dry run would do): the files restored, the previous files kept aside, the
// skipped and failed ones with their reasons, then "NAME: restored 3, unchanged 1, skipped 0, failed 0, ...".
void PrintRestoreOutcome(std::FILE* out, const profiles::RestoreOutcome& outcome, bool dryRun, bool quiet,
                         bool terminal);

inline constexpr char WrittenListName[] = "written.txt";
inline constexpr char FailedListName[] = "failed.txt";

// Writes FOLDER/written.txt and FOLDER/failed.txt (both always, empty when there is nothing to list)
// with the lines of every outcome in run order. Raises AppError when a file cannot be written.
void SaveLists(const std::string& folder, const std::vector<ProfileOutcome>& outcomes);

} // namespace hozonix::runner

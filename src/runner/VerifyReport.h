#pragma once
// What the runner tells at the end of each profile's check: the files whose copy does not match, each
// with its reason, and a one-line summary.

#include "profiles/StoredProfileVerify.h"

#include <cstdio>
#include <string>

namespace hozonix::runner {

// "NAME: checked 120, differing 2, 1.20 MB compared, 0.4 s"; a check stopped early says so.
std::string VerifySummaryLine(const profiles::VerifyOutcome& outcome);

// The differences ("path (reason)") under a heading with their count, unless `quiet`, then the summary.
void PrintVerifyOutcome(std::FILE* out, const profiles::VerifyOutcome& outcome, bool quiet, bool terminal);

} // namespace hozonix::runner

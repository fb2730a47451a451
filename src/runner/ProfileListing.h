#pragma once
// The --list output: every stored profile with its tick, folders, exclusions and last-run time.

#include <cstdio>

namespace hozonix {
class IniFile;
}

namespace hozonix::runner {

void PrintProfileListing(std::FILE* out, IniFile& settings, bool terminal);

} // namespace hozonix::runner

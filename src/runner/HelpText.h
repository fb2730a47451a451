#pragma once
// The texts of --help and --version. The manual page is made from these same texts at build time.

#include <string>

namespace hozonix::runner {

inline constexpr char ProgramName[] = "hozonix-run";

std::string HelpText();
std::string VersionText();

} // namespace hozonix::runner

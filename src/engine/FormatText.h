#pragma once
// printf-style formatting that always uses the C locale, so that "%3.1f" gives a decimal point even
// after the desktop program has switched the process to the user's locale.

#include <string>

namespace hozonix::engine {

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace hozonix::engine

#pragma once
// The text form of the last-run time under "LAST_UpDateTime": local time as "yyyy/MM/dd HH:mm:ss",
// independent of the locale, so that it always reads back to the same second.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace hozonix {

std::string FormatStoredDateTime(std::time_t t);

// The moment the text names, or nothing when it is not a valid date and time in that form.
std::optional<std::time_t> ParseStoredDateTime(std::string_view text);

} // namespace hozonix

#pragma once
// The text form of the last-run time under "LAST_UpDateTime": local time as "yyyy/MM/dd HH:mm:ss",
// independent of the locale, so that it always reads back to the same second.

#include "base/AppError.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace hozonix {

std::string FormatStoredDateTime(std::time_t t);

// The moment the text names, or nothing when it is not a valid date and time in that form.
std::optional<std::time_t> ParseStoredDateTime(std::string_view text);

// The date limit of a run of a profile whose stored last-run time is `stored` ("" when none), and what
// the status bar says of it.
struct DateLimitChoice {
    int64_t limit = 0;      // nanoseconds since the epoch; 0 compares every file
    std::string statusText; // empty: nothing to say
};

// A stored last-run time that cannot be read. what() names the text in English for the runner; the
// desktop program words its own message from Text().
class InvalidStoredTime : public AppError {
public:
    explicit InvalidStoredTime(std::string_view text);
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

// Careful mode, or no stored time: every file. A stored time later than `now` (a clock that was wrong)
// cannot be trusted to cover what changed since, so every file is compared then too, and the status
// text says why. Raises InvalidStoredTime for a text that is no valid date and time, or one beyond what a run
// can compare.
DateLimitChoice ChooseDateLimit(std::string_view stored, bool careful, std::time_t now);
// The same for a fast run from the moment `limit`, shown in the status text as `shown`.
DateLimitChoice ChooseDateLimitAt(std::time_t limit, std::string_view shown, std::time_t now);

} // namespace hozonix

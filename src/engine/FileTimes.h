#pragma once
// File time stamps (nanoseconds since the epoch) as local calendar dates.

#include "base/AppError.h"

#include <cstdint>
#include <string>

namespace hozonix::engine {

struct LocalDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int nanosecond = 0;
};

// A file time as nanoseconds since the epoch. A real date beyond what that holds (before 1677 or after
// 2262, which some file systems keep) becomes the earliest or latest stamp, a valid one, so that such a
// file is backed up like any other; a time that no calendar date can hold (a year past two thousand
// million) becomes one of the two extremes, which count as no valid date.
int64_t StampOf(int64_t seconds, int64_t nanoseconds);

// Raised for a stamp that has no valid local calendar date.
class DateConversionError : public AppError {
public:
    using AppError::AppError;
};

// The stamp as local date and time at full resolution; raises DateConversionError when it has none.
LocalDateTime LocalFileDateTime(int64_t stamp);

// True when LocalFileDateTime would succeed.
bool IsValidFileTime(int64_t stamp);

// "yyyy年mm月dd日 hh時nn分", the form used in the invalid-date question.
std::string FormatDateText(const LocalDateTime& t);

} // namespace hozonix::engine

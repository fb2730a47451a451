#pragma once
// File time stamps (nanoseconds since the epoch) as local calendar dates.

#include "AppError.h"

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

// Raised for a stamp that has no local calendar date in the years 1 to 9999.
class DateConversionError : public AppError {
public:
    using AppError::AppError;
};

// The stamp as local date and time at full resolution; raises DateConversionError when it has none.
LocalDateTime LocalFileDateTime(int64_t stamp);

// True when LocalFileDateTime would succeed; cheap for every ordinary stamp.
bool IsValidFileTime(int64_t stamp);

// "yyyy年mm月dd日 hh時nn分", the form used in the invalid-date question.
std::string FormatDateText(const LocalDateTime& t);

} // namespace hozonix::engine

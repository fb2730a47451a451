#include "engine/FileTimes.h"

#include "engine/EngineTexts.h"
#include "engine/FormatText.h"

#include <ctime>
#include <limits>

namespace hozonix::engine {

namespace {

constexpr int64_t Billion = 1'000'000'000;

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

int64_t StampOf(int64_t seconds, int64_t nanoseconds) {
    constexpr int64_t Max = std::numeric_limits<int64_t>::max();
    constexpr int64_t Min = std::numeric_limits<int64_t>::min();
    // Well inside what the C library turns into a calendar date.
    constexpr int64_t CalendarSeconds = int64_t{1} << 55;
    if (seconds > Max / Billion - 1)
        return seconds < CalendarSeconds ? Max - 1 : Max;
    if (seconds < Min / Billion + 1)
        return seconds > -CalendarSeconds ? Min + 1 : Min;
    return seconds * Billion + nanoseconds;
}

LocalDateTime LocalFileDateTime(int64_t stamp) {
    if (!IsValidFileTime(stamp))
        throw DateConversionError(texts::InvalidDate);
    const int64_t seconds = FloorDiv(stamp, Billion);
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr)
        throw DateConversionError(texts::InvalidDate);
    LocalDateTime out;
    out.year = tm.tm_year + 1900;
    out.month = tm.tm_mon + 1;
    out.day = tm.tm_mday;
    out.hour = tm.tm_hour;
    out.minute = tm.tm_min;
    out.second = tm.tm_sec;
    out.nanosecond = static_cast<int>(stamp - seconds * Billion);
    return out;
}

bool IsValidFileTime(int64_t stamp) {
    return stamp != std::numeric_limits<int64_t>::min() && stamp != std::numeric_limits<int64_t>::max();
}

std::string FormatDateText(const LocalDateTime& t) {
    return FormatText("%04d年%02d月%02d日 %02d時%02d分", t.year, t.month, t.day, t.hour, t.minute);
}

} // namespace hozonix::engine

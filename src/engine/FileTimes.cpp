#include "FileTimes.h"

#include "EngineTexts.h"
#include "FormatText.h"

#include <ctime>

namespace hozonix::engine {

namespace {

constexpr int64_t Billion = 1'000'000'000;
// 0001-01-01 and 9999-12-31 23:59:59 UTC, each moved inward by two days so that no time zone can push a
// stamp between them out of range.
constexpr int64_t SafeFirst = -62135596800 + 2 * 86400;
constexpr int64_t SafeLast = 253402300799 - 2 * 86400;

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

LocalDateTime LocalFileDateTime(int64_t stamp) {
    const int64_t seconds = FloorDiv(stamp, Billion);
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr)
        throw DateConversionError(texts::InvalidDate);
    const int64_t year = static_cast<int64_t>(tm.tm_year) + 1900;
    if (year < 1 || year > 9999)
        throw DateConversionError(texts::InvalidDate);
    LocalDateTime out;
    out.year = static_cast<int>(year);
    out.month = tm.tm_mon + 1;
    out.day = tm.tm_mday;
    out.hour = tm.tm_hour;
    out.minute = tm.tm_min;
    out.second = tm.tm_sec;
    out.nanosecond = static_cast<int>(stamp - seconds * Billion);
    return out;
}

bool IsValidFileTime(int64_t stamp) {
    const int64_t seconds = FloorDiv(stamp, Billion);
    if (seconds >= SafeFirst && seconds <= SafeLast)
        return true;
    try {
        LocalFileDateTime(stamp);
        return true;
    } catch (const DateConversionError&) {
        return false;
    }
}

std::string FormatDateText(const LocalDateTime& t) {
    return FormatText("%04d年%02d月%02d日 %02d時%02d分", t.year, t.month, t.day, t.hour, t.minute);
}

} // namespace hozonix::engine

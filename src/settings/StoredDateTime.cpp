#include "settings/StoredDateTime.h"

#include "base/AppError.h"

#include <cstdio>
#include <limits>

namespace hozonix {

std::string FormatStoredDateTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

std::optional<std::time_t> ParseStoredDateTime(std::string_view text) {
    // Exactly "dddd/dd/dd dd:dd:dd".
    static constexpr std::string_view Shape = "0000/00/00 00:00:00";
    if (text.size() != Shape.size())
        return std::nullopt;
    for (size_t i = 0; i < Shape.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (Shape[i] == '0' ? !digit : text[i] != Shape[i])
            return std::nullopt;
    }
    auto num = [&](size_t pos, size_t len) {
        int v = 0;
        for (size_t i = pos; i < pos + len; ++i)
            v = v * 10 + (text[i] - '0');
        return v;
    };
    std::tm tm{};
    tm.tm_year = num(0, 4) - 1900;
    tm.tm_mon = num(5, 2) - 1;
    tm.tm_mday = num(8, 2);
    tm.tm_hour = num(11, 2);
    tm.tm_min = num(14, 2);
    tm.tm_sec = num(17, 2);
    tm.tm_isdst = -1;
    const std::tm wanted = tm;
    std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1) && !(wanted.tm_year == 69 && wanted.tm_mon == 11))
        return std::nullopt;
    // mktime normalises 2024/02/30 to March: such a text is no valid date.
    if (tm.tm_year != wanted.tm_year || tm.tm_mon != wanted.tm_mon || tm.tm_mday != wanted.tm_mday ||
        wanted.tm_hour > 23 || wanted.tm_min > 59 || wanted.tm_sec > 59)
        return std::nullopt;
    return t;
}

InvalidStoredTime::InvalidStoredTime(std::string_view text)
    : AppError("'" + std::string(text) + "' is not a valid date and time"), text_(text) {}

DateLimitChoice ChooseDateLimit(std::string_view stored, bool careful, std::time_t now) {
    if (careful || stored.empty())
        return {};
    const std::optional<std::time_t> limit = ParseStoredDateTime(stored);
    if (!limit)
        throw InvalidStoredTime(stored);
    return ChooseDateLimitAt(*limit, stored, now);
}

DateLimitChoice ChooseDateLimitAt(std::time_t limit, std::string_view shown, std::time_t now) {
    constexpr int64_t Billion = 1'000'000'000;
    DateLimitChoice choice;
    const int64_t seconds = static_cast<int64_t>(limit);
    // Times whose nanoseconds do not fit in 64 bits are as unreadable as a malformed text.
    if (seconds >= std::numeric_limits<int64_t>::max() / Billion ||
        seconds <= std::numeric_limits<int64_t>::min() / Billion)
        throw InvalidStoredTime(shown);
    if (limit > now) {
        choice.statusText = "前回バックアップした日時 " + std::string(shown) +
                            " が現在より後のため、すべてのファイルを照合しています";
        return choice;
    }
    choice.limit = seconds * Billion;
    if (choice.limit > 0)
        choice.statusText = "前回バックアップした " + std::string(shown) +
                            " より以降に作成、もしくは更新されたファイルのみ選択しています";
    return choice;
}

} // namespace hozonix

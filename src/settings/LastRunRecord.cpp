#include "settings/LastRunRecord.h"

#include "settings/CommaText.h"
#include "settings/IniFile.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace hozonix {

namespace {

// "2026-12-09T13:06:32Z"
std::string FormatInstant(std::time_t t) {
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

std::optional<std::time_t> ParseInstant(const std::string& text) {
    std::tm tm{};
    char zone = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                    &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &zone, &consumed) != 7 ||
        zone != 'Z' || static_cast<std::size_t>(consumed) != text.size())
        return std::nullopt;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    const std::tm wanted = tm;
    const std::time_t t = timegm(&tm);
    if (tm.tm_year != wanted.tm_year || tm.tm_mon != wanted.tm_mon || tm.tm_mday != wanted.tm_mday ||
        tm.tm_hour != wanted.tm_hour || tm.tm_min != wanted.tm_min || tm.tm_sec != wanted.tm_sec)
        return std::nullopt;
    return t;
}

// The folders a destination record was made for, short enough for any settings line.
std::string FoldersKey(std::string_view source, std::string_view destination) {
    uint64_t hash = 14695981039346656037ull; // FNV-1a
    const auto add = [&](std::string_view text) {
        for (const char c : text)
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        hash = (hash ^ 0xFFu) * 1099511628211ull; // no two pairs of folders run into one text
    };
    add(source);
    add(destination);
    char buf[24];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(hash));
    return buf;
}

} // namespace

LastRun ReadLastRun(const IniFile& settings, std::string_view profile, std::string_view source,
                    std::string_view destination) {
    LastRun last;
    last.text = settings.ReadIniString(LastRunSection, profile);
    // Written together with the text: another program (or a hand) that changed the text alone wins.
    const std::vector<std::string> instant =
        SplitCommaText(settings.ReadIniString(LastRunInstantSection, profile));
    if (!last.text.empty() && instant.size() == 2 && instant[1] == last.text)
        last.instant = ParseInstant(instant[0]);
    const std::vector<std::string> record =
        SplitCommaText(settings.ReadIniString(LastDestinationSection, profile));
    if (record.size() == 3 && record[1] == FoldersKey(source, destination)) {
        last.token = record[0];
        last.mount = record[2];
    }
    return last;
}

void StoreLastRunTime(IniFile& settings, std::string_view profile, std::time_t start) {
    const std::string text = FormatStoredDateTime(start);
    settings.WriteIniString(LastRunSection, profile, text);
    settings.WriteIniString(LastRunInstantSection, profile, JoinCommaText({FormatInstant(start), text}));
}

void StoreLastDestination(IniFile& settings, std::string_view profile, std::string_view source,
                          std::string_view destination, std::string_view token, std::string_view mount) {
    const std::string value =
        JoinCommaText({std::string(token), FoldersKey(source, destination), std::string(mount)});
    if (settings.ReadIniString(LastDestinationSection, profile) != value)
        settings.WriteIniString(LastDestinationSection, profile, value);
}

DateLimitChoice ChooseDateLimit(const LastRun& last, bool careful, std::time_t now) {
    if (!last.instant || careful)
        return ChooseDateLimit(last.text, careful, now);
    // Shown as local time where the program runs now, which is what the user reads by.
    return ChooseDateLimitAt(*last.instant, FormatStoredDateTime(*last.instant), now);
}

} // namespace hozonix

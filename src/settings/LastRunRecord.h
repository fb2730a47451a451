#pragma once
// What the settings file keeps of a profile's runs besides the "LAST_UpDateTime" text: that moment as an
// instant that no change of time zone moves, and the destination the last complete run left (the token
// it wrote into the destination's stamp, and where the destination's file system was mounted), so that a
// run is fast only onto the destination that run left. Both live in sections of the program's own.

#include "settings/StoredDateTime.h"

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace hozonix {

class IniFile;

inline constexpr std::string_view LastRunSection = "LAST_UpDateTime";
inline constexpr std::string_view LastRunInstantSection = "HOZONIX_LastRun";
inline constexpr std::string_view LastDestinationSection = "HOZONIX_Destination";

struct LastRun {
    std::string text;                   // the "LAST_UpDateTime" text ("" when none)
    std::optional<std::time_t> instant; // that moment, when it was stored with this very text
    std::string token;                  // the stamp of the last complete run into these folders
    std::string mount;                  // where the destination's file system was mounted then
};

// The record of `profile` whose folders are now `source` and `destination`. A destination record made
// for other folders (the profile was edited, or its name used again) is not taken.
LastRun ReadLastRun(const IniFile& settings, std::string_view profile, std::string_view source,
                    std::string_view destination);

// Stores `start` as the profile's last-run time: the text and the instant.
void StoreLastRunTime(IniFile& settings, std::string_view profile, std::time_t start);

// Stores what a complete run into these folders left.
void StoreLastDestination(IniFile& settings, std::string_view profile, std::string_view source,
                          std::string_view destination, std::string_view token, std::string_view mount);

// ChooseDateLimit over the whole record: the instant, where there is one, rather than the local text.
DateLimitChoice ChooseDateLimit(const LastRun& last, bool careful, std::time_t now);

} // namespace hozonix

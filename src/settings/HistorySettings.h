#pragma once
// Whether a profile keeps the earlier versions of the files its runs replace, and for how long: stored in
// a section of the program's own, one line per profile name ("1,30,10": on, days, versions). A profile
// without a line keeps none, so a run replaces files as it always has.

#include <string_view>

namespace hozonix {

class IniFile;

inline constexpr std::string_view HistorySection = "HOZONIX_History";

struct HistoryChoice {
    bool keep = false;
    int days = 30;     // versions older than this many days go at the end of a run
    int versions = 10; // of one file, only this many of the newest stay
};

inline constexpr int MaxHistoryDays = 36500;
inline constexpr int MaxHistoryVersions = 1000;

// The stored choice of `profile`; a line that cannot be read gives the defaults, off, and out-of-range
// limits are brought into range (at least one day and one version).
HistoryChoice ReadHistoryChoice(const IniFile& settings, std::string_view profile);
void StoreHistoryChoice(IniFile& settings, std::string_view profile, const HistoryChoice& choice);

} // namespace hozonix

#include "settings/HistorySettings.h"

#include "settings/CommaText.h"
#include "settings/IniFile.h"

#include <algorithm>
#include <string>
#include <vector>

namespace hozonix {

HistoryChoice ReadHistoryChoice(const IniFile& settings, std::string_view profile) {
    HistoryChoice choice;
    const std::vector<std::string> fields = SplitCommaText(settings.ReadIniString(HistorySection, profile));
    int keep = 0;
    int days = 0;
    int versions = 0;
    if (fields.size() != 3 || !ParseIniInteger(fields[0], keep) || !ParseIniInteger(fields[1], days) ||
        !ParseIniInteger(fields[2], versions))
        return choice;
    choice.keep = keep != 0;
    choice.days = std::clamp(days, 1, MaxHistoryDays);
    choice.versions = std::clamp(versions, 1, MaxHistoryVersions);
    return choice;
}

void StoreHistoryChoice(IniFile& settings, std::string_view profile, const HistoryChoice& choice) {
    settings.WriteIniString(HistorySection, profile,
                            JoinCommaText({choice.keep ? "1" : "0", std::to_string(choice.days),
                                           std::to_string(choice.versions)}));
}

} // namespace hozonix

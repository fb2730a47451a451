#include "runner/ProfileListing.h"

#include "runner/TerminalText.h"
#include "settings/HistorySettings.h"
#include "settings/IniFile.h"
#include "settings/LastRunRecord.h"
#include "settings/ProfileList.h"
#include "settings/StoredNames.h"

#include <string>

namespace hozonix::runner {

void PrintProfileListing(std::FILE* out, IniFile& settings, bool terminal) {
    ProfileList list;
    LoadProfileList(settings, list);
    const std::string ticked = settings.ReadIniString(MainWindowSection, TickedKey);
    auto field = [&](const char* label, const std::string& value, const char* empty) {
        std::fprintf(out, "    %-20s %s\n", label,
                     value.empty() ? empty : Printable(value, terminal).c_str());
    };
    for (size_t i = 0; i < list.ProfileNames.size(); ++i) {
        const std::string& name = list.ProfileNames[i];
        const ProfileDetail d = SplitDetailLine(list.ProfileDetails[i]);
        const bool tick = !ticked.empty() && IsTickedOnReload(name, ticked);
        std::fprintf(out, "[%c] %s\n", tick ? 'x' : ' ', Printable(name, terminal).c_str());
        field("source:", d.SourceFolder, "(none)");
        field("destination:", d.DestinationFolder, "(none)");
        field("excluded extensions:", d.ExcludedExtensions, "(none)");
        field("excluded folders:", d.ExcludedFolders, "(none)");
        field("last run:", settings.ReadIniString(LastRunSection, name), "(never)");
        const HistoryChoice history = ReadHistoryChoice(settings, name);
        field("earlier versions:",
              history.keep ? "kept " + std::to_string(history.days) + " days, at most " +
                                 std::to_string(history.versions) + " of each file"
                           : std::string(),
              "(not kept)");
    }
    std::fflush(out);
}

} // namespace hozonix::runner

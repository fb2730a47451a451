#include "settings/ProfileList.h"

#include "settings/IniDocument.h"
#include "settings/IniFile.h"

#include <algorithm>

namespace hozonix {

// The number of profiles stored; their keys are numbered from 01.
constexpr std::string_view kCountKey = "MAX";

std::string ProfileKeyNumber(int i) {
    std::string n = std::to_string(i);
    return n.size() < 2 ? "0" + n : n;
}

void TransferProfileList(IniFile& settings, ProfileListDirection direction, int maxCount,
                         std::string_view section, ProfileList& list) {
    if (direction == ProfileListDirection::Read) {
        list.ProfileNames.clear();
        list.ProfileDetails.clear();
        int count = settings.ReadInteger(section, kCountKey, -1);
        if (count < 1)
            return;
        count = std::min(count, maxCount);
        for (int i = 1; i <= count; ++i) {
            const std::string id = "ID_" + ProfileKeyNumber(i);
            if (settings.ReadString(section, id, "").empty())
                continue;
            list.ProfileDetails.push_back(settings.ReadString(section, id, "0"));
            list.ProfileNames.push_back(settings.ReadString(section, "NAME_" + ProfileKeyNumber(i), ""));
        }
        return;
    }

    const int count = std::min(static_cast<int>(list.ProfileDetails.size()), maxCount);
    if (count < settings.ReadInteger(section, kCountKey, -1))
        settings.EraseSection(section);
    settings.WriteInteger(section, kCountKey, count);
    for (int i = 1; i <= count; ++i) {
        const size_t k = static_cast<size_t>(i - 1);
        settings.WriteString(section, "ID_" + ProfileKeyNumber(i), list.ProfileDetails[k]);
        settings.WriteString(section, "NAME_" + ProfileKeyNumber(i),
                             k < list.ProfileNames.size() ? list.ProfileNames[k] : std::string());
    }
}

ProfileDetail SplitDetailLine(std::string_view line) {
    ProfileDetail d;
    size_t first = line.find(">>");
    if (first == std::string_view::npos) {
        // No ">>": the source is empty and so is everything after it.
        return d;
    }
    d.SourceFolder.assign(line.substr(0, first));
    std::string_view rest = line.substr(first + 2);
    size_t sep = rest.find(">>");
    size_t back = rest.find("<<");
    if (back != std::string_view::npos) {
        if (sep != std::string_view::npos && sep + 2 <= back)
            d.ExcludedExtensions.assign(TrimBlanks(rest.substr(sep + 2, back - sep - 2)));
        d.ExcludedFolders.assign(TrimBlanks(rest.substr(back + 2)));
    } else if (sep != std::string_view::npos) {
        d.ExcludedExtensions.assign(TrimBlanks(rest.substr(sep + 2)));
    }
    d.DestinationFolder.assign(TrimBlanks(sep == std::string_view::npos ? rest : rest.substr(0, sep)));
    return d;
}

std::string JoinDetailLine(const ProfileDetail& d) {
    return d.SourceFolder + ">>" + d.DestinationFolder + ">>" + d.ExcludedExtensions + "<<" +
           d.ExcludedFolders;
}

bool IsTickedOnReload(std::string_view name, std::string_view saveAll) {
    return !saveAll.empty() && saveAll.find(name) != std::string_view::npos;
}

void DeleteProfileAt(ProfileList& list, int index) {
    if (index < 0)
        return;
    const auto i = static_cast<size_t>(index);
    if (i < list.ProfileNames.size())
        list.ProfileNames.erase(list.ProfileNames.begin() + index);
    if (i < list.ProfileDetails.size())
        list.ProfileDetails.erase(list.ProfileDetails.begin() + index);
}

} // namespace hozonix

#pragma once
// The stored backup profiles: two index-aligned lists of names and detail lines, kept in section
// "File_Action" as "MAX", "ID_nn" and "NAME_nn".

#include <string>
#include <string_view>
#include <vector>

namespace hozonix {

class IniFile;

inline constexpr int MaxProfiles = 20;
inline constexpr std::string_view ProfileSection = "File_Action";

struct ProfileList {
    std::vector<std::string> ProfileNames;
    std::vector<std::string> ProfileDetails;
};

enum class ProfileListDirection { Read, Write };

// The one routine behind LoadProfileList and SaveProfileList.
void TransferProfileList(IniFile& settings, ProfileListDirection direction, int maxCount,
                         std::string_view section, ProfileList& list);

inline void LoadProfileList(IniFile& settings, ProfileList& list) {
    TransferProfileList(settings, ProfileListDirection::Read, MaxProfiles, ProfileSection, list);
}
inline void SaveProfileList(IniFile& settings, ProfileList& list) {
    TransferProfileList(settings, ProfileListDirection::Write, MaxProfiles, ProfileSection, list);
}

struct ProfileDetail {
    std::string SourceFolder;
    std::string DestinationFolder;
    std::string ExcludedExtensions;
    std::string ExcludedFolders;
};

// Source ">>" destination ">>" extensions "<<" folders; the three-field form without "<<" is read too.
ProfileDetail SplitDetailLine(std::string_view line);
std::string JoinDetailLine(const ProfileDetail& detail);

// The tick rule on reload: a plain substring test of the name against the stored "SAVE_ALL" text.
bool IsTickedOnReload(std::string_view name, std::string_view saveAll);

// Removes entry i from both lists; an index out of range changes nothing.
void DeleteProfileAt(ProfileList& list, int index);

// Two-digit key number: 1 gives "01", 20 gives "20".
std::string ProfileKeyNumber(int i);

} // namespace hozonix
